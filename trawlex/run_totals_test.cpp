#include "run_totals.h"

#include <gtest/gtest.h>

namespace {

CommandLine typed(const std::string& search, const std::string& replacement) {
  CommandLine commandLine;
  commandLine.searchArgument = search;
  commandLine.replaceArgument = replacement;
  return commandLine;
}

TEST(TotalLine, FindSaysFound) {
  RunOptions options;
  EXPECT_EQ(totalLine(options, 3, typed("foo", "foo")),
            ">> Total: 3 instance(s) of \"foo\" found.");
}

TEST(TotalLine, WholeLineCountsLinesAndKeepsThePluralForOne) {
  RunOptions options;
  options.wholeLine = true;
  EXPECT_EQ(totalLine(options, 1, typed("foo", "foo")), ">> Total: 1 line(s) of \"foo\" found.");
}

TEST(TotalLine, InvertSaysNotFound) {
  RunOptions options;
  options.invert = true;
  EXPECT_EQ(totalLine(options, 0, typed("foo", "foo")),
            ">> Total: 0 instance(s) of \"foo\" not found.");
  options.wholeLine = true;
  EXPECT_EQ(totalLine(options, 1, typed("foo", "foo")),
            ">> Total: 1 line(s) of \"foo\" not found.");
}

TEST(TotalLine, ReplaceNamesBothArguments) {
  RunOptions options;
  options.replace = true;
  EXPECT_EQ(totalLine(options, 2, typed("foo", "bar")),
            ">> Total: 2 instance(s) of \"foo\" replaced with \"bar\".");
  options.wholeLine = true;
  EXPECT_EQ(totalLine(options, 7, typed("foo", "")),
            ">> Total: 7 line(s) of \"foo\" replaced with \"\".");
}

TEST(TotalLine, ArgumentsAreQuotedAsTyped) {
  RunOptions options;
  options.replace = true;
  EXPECT_EQ(totalLine(options, 12, typed("a^Mb", "a\\tb")),
            ">> Total: 12 instance(s) of \"a^Mb\" replaced with \"a\\tb\".");
}

TEST(AddToTotal, AddsAndHoldsAtTheLargestCount) {
  EXPECT_EQ(addToTotal(0, 0), 0);
  EXPECT_EQ(addToTotal(5, 7), 12);
  EXPECT_EQ(addToTotal(INT32_MAX - 1, 1), INT32_MAX);
  EXPECT_EQ(addToTotal(INT32_MAX, 1), INT32_MAX);
  EXPECT_EQ(addToTotal(2000000000, 2000000000), INT32_MAX);
}

TEST(ExitCodeFor, TotalOnlyUnderCountAsExitCode) {
  RunOptions options;
  EXPECT_EQ(exitCodeFor(options, 5), 0);
  options.countAsExitCode = true;
  EXPECT_EQ(exitCodeFor(options, 5), 5);
  EXPECT_EQ(exitCodeFor(options, 0), 0);
}

}  // namespace
