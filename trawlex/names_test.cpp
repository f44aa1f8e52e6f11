#include "names.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

// The expectations are those of code page 1252, which the test session uses.
class Names : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GetACP() != 1252) {
      GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1252";
    }
  }
};

TEST_F(Names, ShownFormHasExactBytesOrAQuestionMarkNeverALookAlike) {
  EXPECT_EQ("..?secret.txt", shownForm(L"..\uFF3Csecret.txt"));
  EXPECT_EQ("a?b?c", shownForm(L"a\uFF0Fb\uFF0Ec"));
  EXPECT_EQ("?ukasz", shownForm(L"\u0141ukasz"));
  EXPECT_EQ("caf\xE9", shownForm(L"caf\u00E9"));
  EXPECT_EQ("", shownForm(L""));
}

TEST_F(Names, ExactAnsiFormOnlyWhenEveryCharacterHasOne) {
  EXPECT_TRUE(hasExactAnsiForm(L"caf\u00E9 \u20AC"));
  EXPECT_TRUE(hasExactAnsiForm(L""));
  EXPECT_FALSE(hasExactAnsiForm(L"\uFF3C"));
  EXPECT_FALSE(hasExactAnsiForm(L"\u0141\u00F3d\u017A"));
}

TEST_F(Names, FullFolderPathIsLongAndEndsInASeparator) {
  wchar_t current[MAX_PATH];
  DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
  std::wstring here(current, length);
  if (here.back() != L'\\') {
    here += L'\\';
  }
  EXPECT_EQ(L"\\\\?\\" + here, fullFolderPath(L".\\"));
  EXPECT_EQ(L"\\\\?\\" + here, fullFolderPath(std::wstring(here, 0, 2)));
  EXPECT_EQ(L"\\\\?\\" + here + L"sub\\", fullFolderPath(L"sub/"));
  EXPECT_EQ(L"\\\\?\\" + here.substr(0, 3), fullFolderPath(L"\\"));
  EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\d\\", fullFolderPath(L"\\\\server\\share\\d\\"));
}

}  // namespace
