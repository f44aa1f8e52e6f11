#include "progress.h"

#include <gtest/gtest.h>

#include <string>

#include "options.h"
#include "report.h"

namespace {

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    runOptions = RunOptions{};
    progressShown = false;
  }
  void TearDown() override {
    runOptions = RunOptions{};
    progressShown = false;
  }
};

TEST_F(Progress, DueOnlyAfterMoreThanASecond) {
  uint32_t lastTick = progressClock() - 1500;
  EXPECT_TRUE(progressDue(lastTick));
  uint32_t shown = lastTick;
  EXPECT_FALSE(progressDue(lastTick));
  EXPECT_EQ(shown, lastTick);
  // The difference is taken modulo 2^32, so a clock that wrapped still counts.
  lastTick = progressClock() + 0x80000000u;
  EXPECT_TRUE(progressDue(lastTick));
}

TEST_F(Progress, FitToWidthPadsShortTextAndKeepsTheEndOfLongText) {
  EXPECT_EQ("ab...", fitToWidth("ab", 5, '.'));
  EXPECT_EQ("cdefg", fitToWidth("abcdefg", 5, ' '));
  EXPECT_EQ("abcde", fitToWidth("abcde", 5, ' '));
  EXPECT_EQ("     ", fitToWidth("", 5, ' '));
}

TEST_F(Progress, TextShowsATruncatedPercentageOnlyWithASize) {
  EXPECT_EQ(fitToWidth(".\\notes.txt", 75, ' '), progressText(".\\notes.txt", 0, 0));
  EXPECT_EQ(fitToWidth(".\\notes.txt (42%)", 75, ' '), progressText(".\\notes.txt", 429, 1000));
  EXPECT_EQ(fitToWidth("f (0%)", 75, ' '), progressText("f", 0, 3));
  EXPECT_EQ(fitToWidth("f (66%)", 75, ' '), progressText("f", 2, 3));
  EXPECT_EQ(fitToWidth("f (50%)", 75, ' '), progressText("f", 3LL << 31, 3LL << 32));
}

TEST_F(Progress, LongPathKeepsItsLastCharactersAndThePercentage) {
  std::string path = "C:\\" + std::string(100, 'd') + "\\file.txt";
  std::string text = progressText(path, 1, 2);
  EXPECT_EQ(75u, text.size());
  EXPECT_EQ("\\file.txt (50%)", text.substr(60));
}

TEST_F(Progress, PrintWritesSeventyFiveCharactersAndACarriageReturn) {
  testing::internal::CaptureStderr();
  printProgress("docs\\old\\*.txt", 0, 0);
  EXPECT_EQ(fitToWidth("docs\\old\\*.txt", 75, ' ') + "\r", testing::internal::GetCapturedStderr());
  EXPECT_TRUE(progressShown);
}

TEST_F(Progress, ClearBlanksTheLineOnce) {
  testing::internal::CaptureStderr();
  printProgress("x", 0, 0);
  EXPECT_EQ(fitToWidth("x", 75, ' ') + "\r", testing::internal::GetCapturedStderr());
  testing::internal::CaptureStderr();
  clearProgress();
  clearProgress();
  EXPECT_EQ(std::string(75, ' ') + "\r", testing::internal::GetCapturedStderr());
  EXPECT_FALSE(progressShown);
}

TEST_F(Progress, ReportOutputCollectedBeforeReachesStandardOutputFirst) {
  reportBuffered = true;
  printReportText("line\n");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  printProgress("x", 0, 0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ("line\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(fitToWidth("x", 75, ' ') + "\r", err);
  reportBuffered = false;
}

TEST_F(Progress, NothingIsWrittenWhenProgressIsOff) {
  runOptions.showProgress = false;
  testing::internal::CaptureStderr();
  printProgress("x", 1, 2);
  clearProgress();
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  EXPECT_FALSE(progressShown);
}

}  // namespace
