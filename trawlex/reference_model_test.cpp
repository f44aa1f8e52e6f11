#include "reference_model.h"

#include <gtest/gtest.h>

#include "options.h"

namespace {

class ReferenceModel : public ::testing::Test {
 protected:
  void SetUp() override {
    runOptions = RunOptions{};
    runOptions.showProgress = false;
  }
  void TearDown() override { runOptions = RunOptions{}; }

  ReferenceResult run(const std::string& input, const std::string& search,
                      const std::string& replacement) {
    testing::internal::CaptureStdout();
    ReferenceResult result = referenceProcessFile(input, search, replacement, "f.txt");
    printed = testing::internal::GetCapturedStdout();
    return result;
  }

  std::string printed;
};

TEST_F(ReferenceModel, CountsEveryOccurrenceAndPrintsEachLineOnce) {
  EXPECT_EQ(3, run("xabab\nab\r\nno", "ab", "ab").count);
  EXPECT_EQ("xabab.\nab..\n", printed);
}

TEST_F(ReferenceModel, ResumesAfterTheReplacement) {
  runOptions.replace = true;
  ReferenceResult result = run("aXa\rbaa", "a", "aa");
  EXPECT_EQ(4, result.count);
  EXPECT_EQ("aaXaa\rbaaaa", result.output);
}

TEST_F(ReferenceModel, PreservesTheCaseOfTheReplacedText) {
  runOptions.replace = true;
  runOptions.ignoreCase = true;
  runOptions.preserveCase = true;
  EXPECT_EQ("NEW new New\n", run("OLD old Old\n", "old", "New").output);
}

TEST_F(ReferenceModel, InvertCountsTheLinesWithoutAnOccurrence) {
  runOptions.invert = true;
  runOptions.printLineNumbers = true;
  EXPECT_EQ(2, run("no\nyes a\nnone", "a", "a").count);
  EXPECT_EQ("(1): no.\n(3): none\n", printed);
}

TEST_F(ReferenceModel, WholeLineComparesTheTerminatorToo) {
  runOptions.wholeLine = true;
  runOptions.ignoreCase = true;
  EXPECT_EQ(2, run("a\nA\na\r\nab\na", "a\n", "a\n").count);
}

TEST_F(ReferenceModel, DumpsAtOffsetsOfTheRewrittenFile) {
  runOptions.replace = true;
  runOptions.binary = true;
  run("xa\nya", "a", "bcd");
  EXPECT_EQ(
      "00000001 : 62 63 64                                          bcd\n\n"
      "00000006 : 62 63 64                                          bcd\n\n",
      printed);
}

}  // namespace
