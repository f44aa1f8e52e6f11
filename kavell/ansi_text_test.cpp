#include "ansi_text.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

// Wine's code page here is 1252, where best-fit would turn each of these into
// a separator, a dot or another account's name.
TEST(AnsiText, UnrepresentableCharactersPrintAsQuestionMarks) {
  ASSERT_EQ(GetACP(), 1252u) << "these cases are written for code page 1252";
  bool exact = true;
  EXPECT_EQ(ansiOf(L"..\uff3cvictim", &exact), "..?victim");
  EXPECT_FALSE(exact);
  EXPECT_EQ(ansiOf(L"a\uff0fb\uff0ec", &exact), "a?b?c");
  EXPECT_FALSE(exact);
  EXPECT_EQ(ansiOf(L"\u0141ukasz", &exact), "?ukasz");
  EXPECT_FALSE(exact);
  EXPECT_EQ(ansiOf(L"\u041e\u0442\u0447\u0451\u0442"), "?????");
}

TEST(AnsiText, RepresentableTextKeepsItsBytes) {
  bool exact = false;
  EXPECT_EQ(ansiOf(L"C:\\Users\\caf\u00e9 \u20ac", &exact), "C:\\Users\\caf\xe9 \x80");
  EXPECT_TRUE(exact);
  EXPECT_EQ(ansiOf(L"", &exact), "");
  EXPECT_TRUE(exact);
  EXPECT_EQ(wideOfAnsi("caf\xe9 \x80"), L"caf\u00e9 \u20ac");
  EXPECT_EQ(wideOfAnsi(""), L"");
}

}  // namespace
