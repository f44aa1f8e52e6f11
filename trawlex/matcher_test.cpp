#include "matcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace {

using namespace std::string_literals;

class Matcher : public ::testing::Test {
 protected:
  void SetUp() override { runOptions = RunOptions{}; }
  void TearDown() override { runOptions = RunOptions{}; }
};

std::vector<std::string> linesOf(const std::string& data) {
  LineInput input{data, 0, true};
  std::vector<std::string> lines;
  std::string_view line;
  while (readLine(input, line)) {
    lines.emplace_back(line);
  }
  return lines;
}

TEST_F(Matcher, ReadsLinesWithEveryTerminator) {
  EXPECT_EQ((std::vector<std::string>{"one\r\n", "two\n", "three\r", "four"}),
            linesOf("one\r\ntwo\nthree\rfour"));
  EXPECT_EQ((std::vector<std::string>{"x\r", "\r\n"}), linesOf("x\r\r\n"));
  EXPECT_EQ((std::vector<std::string>{"\n", "\r"}), linesOf("\n\r"));
  EXPECT_EQ((std::vector<std::string>{"a\r"}), linesOf("a\r"));
  EXPECT_EQ((std::vector<std::string>{"a\r\n"}), linesOf("a\r\n"));
  EXPECT_TRUE(linesOf("").empty());
  EXPECT_EQ((std::vector<std::string>{"a\0b\n"s, "\0"s}), linesOf("a\0b\n\0"s));
}

TEST_F(Matcher, WaitsForMoreBytesWhenACarriageReturnEndsTheWindow) {
  LineInput input{"ab\ncd\r", 0, false};
  std::string_view line;
  ASSERT_TRUE(readLine(input, line));
  EXPECT_EQ("ab\n", line);
  EXPECT_FALSE(readLine(input, line));
  EXPECT_EQ(3u, input.position);
  input.data = "ab\ncd\r\nef";
  ASSERT_TRUE(readLine(input, line));
  EXPECT_EQ("cd\r\n", line);
  EXPECT_FALSE(readLine(input, line));
  input.final = true;
  ASSERT_TRUE(readLine(input, line));
  EXPECT_EQ("ef", line);
  EXPECT_FALSE(readLine(input, line));
}

TEST_F(Matcher, LineEqualsComparesTheTerminatorToo) {
  EXPECT_FALSE(lineEquals("abc\n", "abc"));
  EXPECT_TRUE(lineEquals("abc", "abc"));
  EXPECT_TRUE(lineEquals("abc\n", "abc\n"));
  EXPECT_FALSE(lineEquals("abc\r\n", "abc\n"));
  EXPECT_FALSE(lineEquals("ABC", "abc"));
  runOptions.ignoreCase = true;
  EXPECT_TRUE(lineEquals("ABC", "abc"));
  EXPECT_FALSE(lineEquals("\xc4", "\xe4"));
}

TEST_F(Matcher, FindFromTakesTheLeftmostOccurrenceAtOrAfterStart) {
  EXPECT_EQ(0u, findFrom("aaaa", "aa", 0));
  EXPECT_EQ(2u, findFrom("aaaa", "aa", 2));
  EXPECT_EQ(notFound, findFrom("abc", "bc", 2));
  EXPECT_EQ(1u, findFrom("abc", "bc", 0));
  EXPECT_EQ(notFound, findFrom("abc", "abcd", 0));
  EXPECT_EQ(notFound, findFrom("abc", "a", 7));
  EXPECT_EQ(3u, findFrom("abc", "", 3));
  EXPECT_EQ(notFound, findFrom("abc", "", 4));
}

TEST_F(Matcher, FindFromSearchesPastNulBytesInBothModes) {
  std::string line = "ab\0cd"s;
  EXPECT_EQ(3u, findFrom(line, "cd", 0));
  EXPECT_EQ(2u, findFrom(line, "\0c"s, 0));
  runOptions.ignoreCase = true;
  EXPECT_EQ(3u, findFrom(line, "CD", 0));
  EXPECT_EQ(1u, findFrom(line, "B\0C"s, 0));
}

TEST_F(Matcher, IgnoringCaseFoldsAsciiLettersOnly) {
  runOptions.ignoreCase = true;
  EXPECT_EQ(0u, findFrom("hello", "HeLLo", 0));
  EXPECT_EQ(0u, findFrom("HELLO", "HeLLo", 0));
  EXPECT_EQ(notFound, findFrom("\xe4", "\xc4", 0));
  EXPECT_EQ(notFound, findFrom("{", "[", 0));
  EXPECT_EQ(2u, findFrom("abc", "c", 0));
  EXPECT_EQ(4u, findFrom("the END\n", "end\n", 0));
  EXPECT_EQ(0u, findFrom("A\0B\0"s, "a\0b\0"s, 0));
  runOptions.ignoreCase = false;
  EXPECT_EQ(notFound, findFrom("HELLO", "hello", 0));
}

TEST_F(Matcher, ClassifiesCase) {
  EXPECT_EQ(CaseClass::Upper, caseClassOf("OLD", 0, 3));
  EXPECT_EQ(CaseClass::Lower, caseClassOf("old", 0, 3));
  EXPECT_EQ(CaseClass::Mixed, caseClassOf("Old", 0, 3));
  EXPECT_EQ(CaseClass::Upper, caseClassOf("2.0", 0, 3));
  EXPECT_EQ(CaseClass::Upper, caseClassOf("", 0, 0));
  EXPECT_EQ(CaseClass::Lower, caseClassOf("Xab", 1, 5));
  EXPECT_EQ(CaseClass::Lower, caseClassOf("a\0b\0"s, 0, 4));
  EXPECT_EQ(CaseClass::Upper, caseClassOf("\xe4\xc4", 0, 2));
}

TEST_F(Matcher, CopiesChangeOnlyAsciiLetters) {
  EXPECT_EQ("abc\xc4[{\0"s, toLowerCopy("AbC\xc4[{\0"s));
  EXPECT_EQ("ABC\xe4[{\0"s, toUpperCopy("aBc\xe4[{\0"s));
}

TEST_F(Matcher, ReplacementIsAppendedAsTyped) {
  std::string out = "x ";
  appendReplacement(out, "old", "New");
  EXPECT_EQ("x New", out);
  appendReplacement(out, "", "!\0"s);
  EXPECT_EQ("x New!\0"s, out);
}

TEST_F(Matcher, ReplacementFollowsTheCaseOfTheReplacedText) {
  runOptions.preserveCase = true;
  std::vector<std::pair<std::string, std::string>> cases = {
      {"OLD", "NEW"}, {"old", "new"}, {"Old", "new"}, {"oLD", "new"}, {"123", "NEW"}};
  for (const auto& [matched, expected] : cases) {
    std::string out = "<";
    appendReplacement(out, matched, "new");
    EXPECT_EQ("<" + expected, out) << matched;
  }
  std::string widened;
  appendReplacement(widened, "G\0I\0Z\0"s, "w\0i\0d\0"s);
  EXPECT_EQ("W\0I\0D\0"s, widened);
  std::string gizmo;
  appendReplacement(gizmo, "gizmo", "Widget");
  EXPECT_EQ("widget", gizmo);
}

}  // namespace
