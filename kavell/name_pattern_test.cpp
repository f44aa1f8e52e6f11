#include "name_pattern.h"

#include <gtest/gtest.h>

namespace {

TEST(NamePattern, MatchesTheWholeText) {
  EXPECT_TRUE(matchesPattern(L"jdoe", L"jdoe"));
  EXPECT_FALSE(matchesPattern(L"jdoe", L"jdoe2"));
  EXPECT_FALSE(matchesPattern(L"doe", L"jdoe"));
  EXPECT_FALSE(matchesPattern(L"jdoe", L"JDOE"));  // folding is the caller's
  EXPECT_TRUE(matchesPattern(L"", L""));
  EXPECT_FALSE(matchesPattern(L"", L"a"));
}

TEST(NamePattern, StarIsAnyRunAndQuestionMarkOneCharacter) {
  EXPECT_TRUE(matchesPattern(L"svc_*", L"svc_"));
  EXPECT_TRUE(matchesPattern(L"svc_*", L"svc_backup"));
  EXPECT_TRUE(matchesPattern(L"*_backup", L"svc_backup"));
  EXPECT_TRUE(matchesPattern(L"S-1-5-21-*-500", L"S-1-5-21-0-0-0-500"));
  EXPECT_FALSE(matchesPattern(L"S-1-5-21-*-500", L"S-1-5-21-0-0-0-5000"));
  EXPECT_TRUE(matchesPattern(L"*", L""));
  EXPECT_TRUE(matchesPattern(L"**a**", L"xay"));
  EXPECT_TRUE(matchesPattern(L"j?oe", L"jdoe"));
  EXPECT_FALSE(matchesPattern(L"j?oe", L"joe"));
  EXPECT_TRUE(matchesPattern(L"?", L"\xD83D\xDE00"));  // a surrogate pair is one character
  EXPECT_FALSE(matchesPattern(L"??", L"\xD83D\xDE00"));
  EXPECT_TRUE(matchesPattern(L"*?x", L"\xD83D\xDE00x"));
  EXPECT_FALSE(matchesPattern(L"*\xDE00", L"\xD83D\xDE00"));  // never half a character
}

TEST(NamePattern, StarsNeverBacktrackExponentially) {
  std::wstring text(255, L'a');
  std::wstring pattern = L"*a*a*a*a*a*b";
  size_t steps = 0;
  EXPECT_FALSE(matchesPattern(pattern, text, &steps));
  EXPECT_LE(steps, (pattern.size() + 1) * (text.size() + 1));
  EXPECT_TRUE(matchesPattern(pattern, text + L"b", &steps));
}

TEST(NamePattern, LastPathComponentAndFirstMatch) {
  EXPECT_EQ(lastPathComponent(L"C:\\Users\\jdoe"), L"jdoe");
  EXPECT_EQ(lastPathComponent(L"%SystemDrive%\\Users\\jdoe\\"), L"jdoe");
  EXPECT_EQ(lastPathComponent(L"jdoe"), L"jdoe");
  EXPECT_EQ(lastPathComponent(L"\\\\"), L"");
  EXPECT_EQ(firstMatchingPattern({L"X*", L"J*", L"*E"}, {L"S-1-5", L"JDOE"}), 1);
  EXPECT_EQ(firstMatchingPattern({L"X*"}, {L"JDOE"}), -1);
}

}  // namespace
