#include "file_scan.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "options.h"
#include "progress.h"
#include "reference_model.h"
#include "report.h"

namespace {

using namespace std::string_literals;

struct FastResult {
  int32_t count = 0;
  std::string output;
  size_t leftOver = 0;
};

// Feeds `input` to the scan the way the file processor does: windows of
// random sizes, each holding the bytes left over from the last one.
FastResult scanInPieces(const std::string& input, const std::string& search,
                        const std::string& replacement, std::mt19937& random, size_t maxPiece) {
  FileScan scan;
  startFileScan(scan, "f.txt", search, replacement);
  FastResult result;
  std::string window;
  size_t given = 0;
  bool final = false;
  while (!final) {
    size_t piece = std::min(input.size() - given, 1 + random() % maxPiece);
    window += input.substr(given, piece);
    given += piece;
    final = given == input.size();
    window.erase(0, scanWindow(scan, window, final));
    result.output += scan.output;
    takeOutput(scan);
  }
  // The unchanged start of a rewritten file is the input's own.
  if (runOptions.replace) {
    result.output =
        scan.firstChange < 0 ? input : input.substr(0, scan.firstChange) + result.output;
  }
  result.count = scan.matchCount;
  result.leftOver = window.size();
  return result;
}

class FileScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    runOptions = RunOptions{};
    runOptions.showProgress = false;
  }
  void TearDown() override { runOptions = RunOptions{}; }
};

std::string randomText(std::mt19937& random, size_t size) {
  static const std::string alphabet("aAbB\r\n\r\n\0\xe4x ", 12);
  std::string text;
  for (size_t i = 0; i < size; ++i) {
    text += alphabet[random() % alphabet.size()];
  }
  return text;
}

void randomOptions(std::mt19937& random) {
  runOptions = RunOptions{};
  runOptions.showProgress = false;
  runOptions.replace = random() % 2;
  runOptions.ignoreCase = random() % 2;
  runOptions.preserveCase = random() % 3 == 0;
  runOptions.invert = !runOptions.replace && random() % 4 == 0;
  runOptions.wholeLine = random() % 5 == 0;
  runOptions.binary = random() % 4 == 0;
  runOptions.printMatches = random() % 4 != 0;
  runOptions.printBoth = random() % 2;
  runOptions.printLineNumbers = random() % 2;
  runOptions.printFileNames = random() % 3 == 0;
}

std::string randomSearch(std::mt19937& random) {
  std::string search = randomText(random, 1 + random() % 3);
  // A search string may end with a line end, never hold one before its end.
  search.erase(std::min(search.find_first_of("\r\n"), search.size()));
  if (search.empty()) {
    search = "a";
  }
  switch (random() % 6) {
    case 0:
      return search + "\n";
    case 1:
      return search + "\r\n";
    case 2:
      return search + "\r";
    default:
      return search;
  }
}

// One generated case of the model comparison.
struct Case {
  RunOptions options;
  std::string input;
  std::string search;
  std::string replacement;
  size_t maxPiece = 1;
};

// The case that printed the first byte where two transcripts part, each case
// having begun its part with a "#N" line.
std::string whereTheyPart(const std::string& expected, const std::string& actual) {
  size_t at = 0;
  while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) {
    ++at;
  }
  size_t marker = expected.rfind("\n#", at);
  return expected.substr(marker + 1, expected.find('\n', marker + 1) - marker - 1) +
         ": expected \"" + expected.substr(at, 40) + "\" but got \"" + actual.substr(at, 40) + "\"";
}

// Runs every case through the model and through the scan, one capture for
// all of them, and compares counts, printed text and rewritten bytes.
void compareWithModel(const std::vector<Case>& cases, std::mt19937& random) {
  std::vector<ReferenceResult> expected;
  testing::internal::CaptureStdout();
  for (size_t i = 0; i < cases.size(); ++i) {
    runOptions = cases[i].options;
    printf("\n#%zu\n", i);
    expected.push_back(
        referenceProcessFile(cases[i].input, cases[i].search, cases[i].replacement, "f.txt"));
  }
  std::string expectedPrinted = testing::internal::GetCapturedStdout();
  std::vector<FastResult> actual;
  testing::internal::CaptureStdout();
  for (size_t i = 0; i < cases.size(); ++i) {
    runOptions = cases[i].options;
    printf("\n#%zu\n", i);
    actual.push_back(scanInPieces(cases[i].input, cases[i].search, cases[i].replacement, random,
                                  cases[i].maxPiece));
  }
  std::string actualPrinted = testing::internal::GetCapturedStdout();
  for (size_t i = 0; i < cases.size(); ++i) {
    ASSERT_EQ(expected[i].count, actual[i].count) << "case " << i;
    ASSERT_EQ(cases[i].options.replace ? expected[i].output : "", actual[i].output) << "case " << i;
    ASSERT_EQ(0u, actual[i].leftOver) << "case " << i;
  }
  ASSERT_TRUE(expectedPrinted == actualPrinted) << whereTheyPart(expectedPrinted, actualPrinted);
}

TEST_F(FileScanTest, AgreesWithTheReferenceModelOnGeneratedFiles) {
  std::mt19937 random(20261207);
  std::vector<Case> cases;
  for (int round = 0; round < 6000; ++round) {
    Case generated;
    randomOptions(random);
    generated.options = runOptions;
    generated.input = randomText(random, random() % 70);
    generated.search = randomSearch(random);
    generated.replacement = randomText(random, random() % 5);
    generated.maxPiece = 1 + random() % 20;
    cases.push_back(generated);
  }
  compareWithModel(cases, random);
}

TEST_F(FileScanTest, AgreesWithTheReferenceModelOnLongLinesOfWords) {
  // Longer inputs exercise the vector scans and the leaps between lines.
  std::mt19937 random(7);
  const char* words[] = {"alpha", "Beta", "GAMMA", "delta", "foo", "FOO", "\r\n", "\n", " "};
  std::vector<Case> cases;
  for (int round = 0; round < 300; ++round) {
    Case generated;
    randomOptions(random);
    runOptions.wholeLine = false;
    generated.options = runOptions;
    for (size_t n = random() % 400; n > 0; --n) {
      generated.input += words[random() % 9];
    }
    generated.search = random() % 2 ? "foo" : "a";
    generated.replacement = random() % 2 ? "Bar" : "";
    generated.maxPiece = 1 + random() % 300;
    cases.push_back(generated);
  }
  compareWithModel(cases, random);
}

struct Scanned {
  int32_t count;
  std::string printed;
  std::string output;
};

Scanned scanWhole(const std::string& input, const std::string& search,
                  const std::string& replacement) {
  FileScan scan;
  startFileScan(scan, ".\\f.txt", search, replacement);
  testing::internal::CaptureStdout();
  size_t used = scanWindow(scan, input, true);
  std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(input.size(), used);
  std::string output = scan.output;
  if (runOptions.replace) {
    output = scan.firstChange < 0 ? input : input.substr(0, scan.firstChange) + output;
  }
  return {scan.matchCount, printed, output};
}

TEST_F(FileScanTest, ReplacementsAreNeverSearchedAgain) {
  runOptions.replace = true;
  Scanned scanned = scanWhole("abab", "ab", "abab");
  EXPECT_EQ(2, scanned.count);
  EXPECT_EQ("abababab", scanned.output);
  EXPECT_EQ("abababab\n", scanned.printed);
}

TEST_F(FileScanTest, OccurrencesDoNotOverlap) {
  EXPECT_EQ(2, scanWhole("aaaa", "aa", "aa").count);
}

TEST_F(FileScanTest, LineEndsAndNulBytesAreWrittenBackInPlace) {
  runOptions.replace = true;
  std::string input = "one\r\ntwo\nthree\r\0four"s;
  Scanned scanned = scanWhole(input, "o", "0");
  EXPECT_EQ(3, scanned.count);
  EXPECT_EQ("0ne\r\ntw0\nthree\r\0f0ur"s, scanned.output);
}

TEST_F(FileScanTest, InvertCountsLinesWithoutTheString) {
  runOptions.invert = true;
  runOptions.printLineNumbers = true;
  Scanned scanned = scanWhole("a\nxyz\nb\n", "xyz", "xyz");
  EXPECT_EQ(2, scanned.count);
  EXPECT_EQ("(1): a.\n(3): b.\n", scanned.printed);
  EXPECT_EQ(0, scanWhole("", "xyz", "xyz").count);
}

TEST_F(FileScanTest, InvertInBinaryModeDumpsEachCountedLineWhole) {
  runOptions.invert = true;
  runOptions.binary = true;
  Scanned scanned = scanWhole("xyz\nab\n", "xyz", "xyz");
  EXPECT_EQ(1, scanned.count);
  EXPECT_EQ(dumpText(4, "ab\n"), scanned.printed);
}

TEST_F(FileScanTest, WholeLineMatchesWithTheTerminatorAndReplacesIt) {
  runOptions.wholeLine = true;
  runOptions.replace = true;
  Scanned scanned = scanWhole("abc\nabc\r\nabc", "abc\n", "X");
  EXPECT_EQ(1, scanned.count);
  EXPECT_EQ("Xabc\r\nabc", scanned.output);
  EXPECT_EQ(1, scanWhole("abc\nabc\r\nabc", "abc", "Y").count);
}

TEST_F(FileScanTest, DumpOffsetsAreInputPositionsWhenFindingAndOutputPositionsWhenReplacing) {
  runOptions.binary = true;
  EXPECT_EQ(dumpText(3, "ab") + dumpText(8, "ab"), scanWhole("xx\nab\n\nxab", "ab", "ab").printed);
  runOptions.replace = true;
  EXPECT_EQ(dumpText(3, "LONG") + dumpText(10, "LONG"),
            scanWhole("xx\nab\n\nxab", "ab", "LONG").printed);
}

TEST_F(FileScanTest, LineNumbersCountLinesSkippedBetweenWindows) {
  runOptions.printLineNumbers = true;
  std::string input;
  for (int i = 1; i <= 3000; ++i) {
    input += i % 1000 == 0 ? "hit\r\n" : (i % 2 ? "x\r" : "y\n");
  }
  std::mt19937 random(5);
  testing::internal::CaptureStdout();
  FastResult result = scanInPieces(input, "hit", "hit", random, 700);
  EXPECT_EQ("(1000): hit..\n(2000): hit..\n(3000): hit..\n",
            testing::internal::GetCapturedStdout());
  EXPECT_EQ(3, result.count);
}

TEST_F(FileScanTest, QuietScanCountsWithoutPrinting) {
  FileScan scan;
  std::string search = "a";
  startFileScan(scan, "f", search, search);
  scan.quiet = true;
  runOptions.binary = true;
  testing::internal::CaptureStdout();
  scanWindow(scan, "a\na", true);
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
  EXPECT_EQ(2, scan.matchCount);
}

TEST_F(FileScanTest, ReplacingInOneLongLineCopiesEachByteOnce) {
  // Moving the rest of the line at each replacement would copy about
  // 200,000 * 800,000 / 2 bytes here.
  runOptions.replace = true;
  runOptions.printMatches = false;
  std::string line;
  for (int i = 0; i < 200000; ++i) {
    line += "foo ";
  }
  const std::string search = "foo";
  for (const std::string replacement : {"quux", "f", ""}) {
    FileScan scan;
    startFileScan(scan, "f.txt", search, replacement);
    scanWindow(scan, line, true);
    EXPECT_EQ(200000, scan.matchCount);
    EXPECT_EQ(200000 * (replacement.size() + 1), scan.output.size());
    EXPECT_LE(scan.bytesCopied, static_cast<int64_t>(scan.output.size()));
  }
}

TEST_F(FileScanTest, OutputStartsAtTheFirstChange) {
  runOptions.replace = true;
  const std::string search = "foo", replacement = "bar", absent = "zzz";
  FileScan scan;
  // A printed line is taken whole, so the output starts at a line.
  startFileScan(scan, "f.txt", search, replacement);
  testing::internal::CaptureStdout();
  EXPECT_EQ(6u, scanWindow(scan, "a\r\nbc\nf", false));
  EXPECT_EQ(-1, scan.firstChange);
  EXPECT_EQ("", scan.output);
  scanWindow(scan, "fo foo\nfoo", true);
  EXPECT_EQ("fo bar.\nbar\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(6, scan.firstChange);
  EXPECT_EQ("fo bar\nbar", scan.output);
  EXPECT_EQ(6, scan.outputTaken);
  // Unprinted lines are not taken whole: the output starts at the occurrence,
  // and a window is taken up to where an occurrence may yet begin.
  runOptions.printMatches = false;
  startFileScan(scan, "f.txt", search, replacement);
  EXPECT_EQ(5u, scanWindow(scan, "a\r\nbc\nf", false));
  EXPECT_EQ(-1, scan.firstChange);
  scanWindow(scan, "\nfo foo\nfoo", true);
  EXPECT_EQ(9, scan.firstChange);
  EXPECT_EQ("bar\nbar", scan.output);
  EXPECT_EQ(9, scan.outputTaken);
  // Nothing to replace: nothing copied.
  startFileScan(scan, "f.txt", absent, replacement);
  scanWindow(scan, "a\nfoo\n", true);
  EXPECT_EQ(-1, scan.firstChange);
  EXPECT_EQ(0, scan.bytesCopied);
}

TEST_F(FileScanTest, ProgressShowsAtAMatchOnlyAfterASlowWriteOfReportOutput) {
  runOptions.showProgress = true;
  runOptions.printMatches = false;
  const std::string search = "foo";
  const std::string cleared = progressText("", 0, 0) + "\r";
  FileScan scan;
  for (bool written : {false, true}) {
    startFileScan(scan, "f.txt", search, search);
    scan.lastProgressTick -= 2000;
    reportWrites += written;
    testing::internal::CaptureStderr();
    scanWindow(scan, "a\nfoo\n", true);
    EXPECT_EQ(written ? progressText("f.txt", 2, 6) + "\r" + cleared : "",
              testing::internal::GetCapturedStderr());
  }
  // Within the second no other line shows, however many writes there are.
  ++reportWrites;
  testing::internal::CaptureStderr();
  scanWindow(scan, "foo\n", true);
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
}

TEST_F(FileScanTest, AnEmptySearchStringFindsNothing) {
  runOptions.replace = true;
  Scanned scanned = scanWhole("abc\n", "", "x");
  EXPECT_EQ(0, scanned.count);
  EXPECT_EQ("abc\n", scanned.output);
}

}  // namespace
