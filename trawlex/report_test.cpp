#include "report.h"

#include <gtest/gtest.h>

#include <string>

#include "options.h"

namespace {

using namespace std::string_literals;

class Report : public ::testing::Test {
 protected:
  void SetUp() override { runOptions = RunOptions{}; }
  void TearDown() override { runOptions = RunOptions{}; }

  static std::string printed(const char* label, const std::string& line) {
    testing::internal::CaptureStdout();
    printMatchLine(label, line, ".\\calc.txt", 12);
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(Report, LineTextDropsNulAndShowsControlBytesAsDots) {
  testing::internal::CaptureStdout();
  printLineText("a\tb\n");
  printLineText("x = 1;\r\n");
  printLineText("a\0b\0\a\0"s);
  printLineText("\x01\x08\x0b\x0c\x1b\xff");
  EXPECT_EQ("a.b.\nx = 1;..\nab.\n\x01\x08\x0b\x0c\x1b\xff\n",
            testing::internal::GetCapturedStdout());
}

TEST_F(Report, PrintLineTextEndsTheOutputLine) {
  testing::internal::CaptureStdout();
  printLineText("a\tb\r\n");
  EXPECT_EQ("a.b..\n", testing::internal::GetCapturedStdout());
}

TEST_F(Report, MatchLineFormsFollowThePrintOptions) {
  std::string line = "x = 1;\r\n";
  runOptions.printLineNumbers = false;
  EXPECT_EQ("x = 1;..\n", printed(nullptr, line));
  runOptions.printLineNumbers = true;
  EXPECT_EQ("(12): x = 1;..\n", printed(nullptr, line));
  runOptions.printFileNames = true;
  EXPECT_EQ(".\\calc.txt(12): x = 1;..\n", printed(nullptr, line));
  runOptions.printLineNumbers = false;
  EXPECT_EQ(".\\calc.txtx = 1;..\n", printed(nullptr, line));
  runOptions.printFileNames = false;
  runOptions.printLineNumbers = true;
  EXPECT_EQ("Original: (12): x = 1;..\n", printed("Original", line));
}

TEST_F(Report, MatchLinePrintsNothingWithoutPrintMatchesOrInBinaryMode) {
  runOptions.printMatches = false;
  runOptions.printBoth = true;
  runOptions.printFileNames = true;
  runOptions.printLineNumbers = true;
  EXPECT_EQ("", printed("Original", "abc\n"));
  runOptions.printMatches = true;
  runOptions.binary = true;
  EXPECT_EQ("", printed(nullptr, "abc\n"));
}

TEST_F(Report, DumpShowsRowsOfSixteenWithPaddingAndABlankLine) {
  EXPECT_EQ("00001234 : 48 65 6c 6c 6f 0d 0a " + std::string(9 * 3, ' ') + "  Hello..\n\n",
            dumpText(0x1234, "Hello\r\n"));
  EXPECT_EQ(
      "00000020 : 30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n"
      "00000030 : 58 59 " +
          std::string(14 * 3, ' ') + "  XY\n\n",
      dumpText(0x20, "0123456789abcdefXY"));
  EXPECT_EQ("\n", dumpText(5, ""));
}

TEST_F(Report, DumpOfSixteenBytesIsOneRowAndSeventeenPadsTheSecond) {
  std::string sixteen(16, 'q');
  EXPECT_EQ("00000000 : " + std::string("71 ") + "71 71 71 71 71 71 71 71 71 71 71 71 71 71 71   " +
                sixteen + "\n\n",
            dumpText(0, sixteen));
  std::string second = dumpText(0, sixteen + "r");
  EXPECT_NE(std::string::npos, second.find("\n00000010 : 72 " + std::string(45, ' ') + "  r\n\n"));
}

TEST_F(Report, DumpShowsControlBytesAsDotsAndKeepsOthers) {
  EXPECT_EQ("000000ff : 00 07 09 0a 0d 08 e4 " + std::string(27, ' ') + "  .....\x08\xe4\n\n",
            dumpText(0xff, "\0\a\t\n\r\b\xe4"s));
}

TEST_F(Report, DumpOffsetsBeyondFourGigabytesKeepEveryDigit) {
  EXPECT_EQ(0u, dumpText(0x123456789aLL, "z").rfind("123456789a : 7a ", 0));
  EXPECT_EQ(0u, dumpText(0xfffffff8LL, "0123456789").rfind("fffffff8 : ", 0));
  EXPECT_NE(std::string::npos, dumpText(0xfffffff8LL, std::string(17, 'x')).find("\n100000008 : "));
}

TEST_F(Report, BufferedOutputWaitsForAFlushAndKeepsItsOrder) {
  reportBuffered = true;
  testing::internal::CaptureStdout();
  printMatchLine(nullptr, "one\n", "f", 1);
  printReportText(">> summary\n");
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
  testing::internal::CaptureStdout();
  flushReport();
  EXPECT_EQ("one.\n>> summary\n", testing::internal::GetCapturedStdout());
  reportBuffered = false;
}

TEST_F(Report, BinaryStreamGetsEachLineEndAsCrLfAfterWhatStdoutHeld) {
  FILE* binary = tmpfile();
  ASSERT_NE(nullptr, binary);
  reportBuffered = true;
  reportBinaryStream = binary;
  runOptions.printFileNames = true;
  testing::internal::CaptureStdout();
  fputs("before\n", stdout);
  printMatchLine("Original", "a\r\n", "dir\nname", 7);
  printReportText(">> one\n\n>> two\r\n");
  flushReport();
  EXPECT_EQ("before\n", testing::internal::GetCapturedStdout());
  reportBuffered = false;
  reportBinaryStream = nullptr;
  std::string written(100, '\0');
  rewind(binary);
  written.resize(fread(&written[0], 1, written.size(), binary));
  fclose(binary);
  EXPECT_EQ("Original: dir\r\nnamea..\r\n>> one\r\n\r\n>> two\r\r\n", written);
}

TEST_F(Report, PluralNounFollowsTheMode) {
  EXPECT_STREQ("match(es)", pluralNoun());
  runOptions.replace = true;
  EXPECT_STREQ("replacement(s)", pluralNoun());
}

}  // namespace
