#include "path_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string split(const std::string& wildcard) {
  std::string directory;
  std::string pattern;
  splitWildcard(wildcard, directory, pattern);
  return directory + "|" + pattern;
}

TEST(PathRules, SplitsAtTheLastSeparator) {
  EXPECT_EQ(".\\|*.txt", split("*.txt"));
  EXPECT_EQ("docs\\|*.txt", split("docs\\*.txt"));
  EXPECT_EQ("\\|*.txt", split("\\*.txt"));
  EXPECT_EQ("docs\\old\\|a?.c", split("docs\\old\\a?.c"));
  EXPECT_EQ("docs\\|", split("docs\\"));
  EXPECT_EQ("C:\\|*.txt", split("C:\\*.txt"));
}

TEST(PathRules, TakesSlashAsASeparatorToo) {
  EXPECT_EQ("docs\\|*.txt", split("docs/*.txt"));
  EXPECT_EQ("docs\\old\\|*.txt", split("docs/old\\*.txt"));
  EXPECT_EQ("a\\b\\|x", split("a\\b/x"));
}

TEST(PathRules, ADriveWithoutSeparatorNamesItsCurrentFolder) {
  EXPECT_EQ("C:|*.txt", split("C:*.txt"));
  EXPECT_EQ("z:|a.txt", split("z:a.txt"));
  EXPECT_EQ(".\\|1:x", split("1:x"));
}

TEST(PathRules, FolderPrefixOfAPath) {
  EXPECT_EQ(".\\", folderPrefixOf(".\\a.txt"));
  EXPECT_EQ("C:", folderPrefixOf("C:a.txt"));
  EXPECT_EQ("d/e\\", folderPrefixOf("d/e\\f"));
  EXPECT_EQ("", folderPrefixOf("a.txt"));
}

TEST(PathRules, TemporaryNamesLieBesideTheFileAndAreRecognised) {
  std::string name = temporaryNameFor("docs\\a.txt", 0x1f, 0x2a);
  EXPECT_EQ("docs\\~trawlex-1f-2a.tmp", name);
  EXPECT_EQ("C:~trawlex-1f-1.tmp", temporaryNameFor("C:a.txt", 0x1f, 1));
  EXPECT_TRUE(isTemporaryName("~trawlex-1f-2a.tmp", 0x1f));
  EXPECT_FALSE(isTemporaryName("~trawlex-1f-2a.tmp", 0x20));
  EXPECT_FALSE(isTemporaryName("~trawlex-1f-.tmp", 0x1f));
  EXPECT_FALSE(isTemporaryName("~trawlex-1f-2a.txt", 0x1f));
  EXPECT_FALSE(isTemporaryName("~trawlex-1f-2q.tmp", 0x1f));
  EXPECT_FALSE(isTemporaryName("a.txt", 0x1f));
}

TEST(PathRules, WideWildcardSplitsAlikeAndLookAlikesAreNoSeparators) {
  std::wstring directory;
  std::wstring pattern;
  splitWildcard(std::wstring(L"docs/old\\\u041e*.txt"), directory, pattern);
  EXPECT_EQ(L"docs\\old\\", directory);
  EXPECT_EQ(L"\u041e*.txt", pattern);
  splitWildcard(std::wstring(L"..\uFF3Csecret\uFF0Fx.txt"), directory, pattern);
  EXPECT_EQ(L".\\", directory);
  EXPECT_EQ(L"..\uFF3Csecret\uFF0Fx.txt", pattern);
}

TEST(PathRules, LongPathsOfDrivesAndShares) {
  EXPECT_EQ(L"\\\\?\\C:\\docs\\", longPathOf(L"C:\\docs\\"));
  EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\d\\", longPathOf(L"\\\\server\\share\\d\\"));
  EXPECT_EQ(L"\\\\?\\C:\\x. \\", longPathOf(L"\\\\?\\C:\\x. \\"));
  EXPECT_EQ(L"\\\\.\\pipe\\", longPathOf(L"\\\\.\\pipe\\"));
}

TEST(PathRules, TemporaryFileNameHasBothFormsInTheFilesFolder) {
  FileName file{L"\\\\?\\C:\\w\\d\\\u041e.txt", "d\\?.txt"};
  FileName temporary = temporaryNameFor(file, 0x1f, 0x2a);
  EXPECT_EQ(L"\\\\?\\C:\\w\\d\\~trawlex-1f-2a.tmp", temporary.real);
  EXPECT_EQ("d\\~trawlex-1f-2a.tmp", temporary.shown);
}

TEST(PathRules, FolderEntryIsTheResolvedNameItself) {
  EXPECT_TRUE(isFolderEntry(L"\\w\\d\\a.txt", L"\\w\\d", L"a.txt"));
  EXPECT_TRUE(isFolderEntry(L"\\a.txt", L"\\", L"a.txt"));
  // Symbolic links: to another folder, to another name in the same folder.
  EXPECT_FALSE(isFolderEntry(L"\\w\\a.txt", L"\\w\\d", L"a.txt"));
  EXPECT_FALSE(isFolderEntry(L"\\w\\d\\b.txt", L"\\w\\d", L"a.txt"));
  EXPECT_FALSE(isFolderEntry(L"\\w\\d\\A.txt", L"\\w\\d", L"a.txt"));
  EXPECT_FALSE(isFolderEntry(L"", L"\\w\\d", L"a.txt"));
  EXPECT_FALSE(isFolderEntry(L"\\w\\d\\a.txt", L"", L"a.txt"));
}

}  // namespace
