#include "name_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(NameRules, OnlyAsciiLettersFoldForTheUserName) {
  EXPECT_TRUE(equalsIgnoringAsciiCase(L"JSmith", L"jsMITH"));
  // A best-fit look-alike is another name, and so is another letter case
  // outside ASCII.
  EXPECT_FALSE(equalsIgnoringAsciiCase(L"\u0141ukasz", L"Lukasz"));
  EXPECT_FALSE(equalsIgnoringAsciiCase(L"\u00c9mile", L"\u00e9mile"));
  EXPECT_FALSE(equalsIgnoringAsciiCase(L"jsmith", L"jsmit"));
  EXPECT_EQ(asciiOrQuestionMarks(L"S-1-5-21-\uff14\uff14"), "S-1-5-21-??");
}

TEST(NameRules, SystemDriveTokenIsReplacedWhereverItStands) {
  std::wstring expanded;
  ASSERT_TRUE(expandSystemDriveWide(L"%SystemDrive%\\Users\\\u0141ukasz", L"C:", &expanded));
  EXPECT_EQ(expanded, L"C:\\Users\\\u0141ukasz");
  ASSERT_TRUE(expandSystemDriveWide(L"%systemdrive%\\x", L"C:", &expanded));
  EXPECT_EQ(expanded, L"%systemdrive%\\x");
  EXPECT_FALSE(expandSystemDriveWide(L"%SystemDrive%\\x", nullptr, &expanded));
  ASSERT_TRUE(expandSystemDriveWide(L"D:\\x", nullptr, &expanded));
  EXPECT_EQ(expanded, L"D:\\x");
}

TEST(NameRules, LongPathsKeepEveryNameAsWritten) {
  EXPECT_EQ(longPathOf(L"C:\\Users\\a. "), L"\\\\?\\C:\\Users\\a. ");
  EXPECT_EQ(longPathOf(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
  EXPECT_EQ(longPathOf(L"\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
  EXPECT_EQ(longPathOf(L"\\\\.\\pipe\\x"), L"\\\\.\\pipe\\x");
  EXPECT_EQ(withoutLongPrefix(L"\\\\?\\UNC\\server\\share\\x"), L"\\\\server\\share\\x");
  EXPECT_EQ(withoutLongPrefix(L"\\\\?\\C:\\..\uff3cvictim"), L"C:\\..\uff3cvictim");
  EXPECT_EQ(withoutLongPrefix(L"C:\\x"), L"C:\\x");
}

// Tags as the system defines them (winnt.h): only name surrogates are links.
TEST(NameRules, OnlyNameSurrogateReparsePointsAreLinks) {
  const uint32_t reparse = reparsePointAttribute | 0x10;
  EXPECT_TRUE(isLinkEntry(reparse, 0xA0000003));   // mount point, junction
  EXPECT_TRUE(isLinkEntry(reparse, 0xA000000C));   // symbolic link
  EXPECT_TRUE(isLinkEntry(reparse, 0xA000001D));   // a name surrogate yet to come
  EXPECT_FALSE(isLinkEntry(reparse, 0x9000001A));  // cloud placeholder
  EXPECT_FALSE(isLinkEntry(0x400, 0x9000601A));    // cloud file
  EXPECT_FALSE(isLinkEntry(0x420, 0x80000013));    // deduplicated file
  EXPECT_FALSE(isLinkEntry(0x420, 0x8000001B));    // app execution alias
  // A reparse point whose tag could not be read is taken as a link.
  EXPECT_TRUE(isLinkEntry(reparse, 0));
  // No reparse point, whatever the tag field holds.
  EXPECT_FALSE(isLinkEntry(0x10, 0xA000000C));
}

FolderIdentity folderAt(uint32_t volume, uint64_t index, const std::wstring& finalPath) {
  FolderIdentity identity;
  identity.known = true;
  identity.volume = volume;
  identity.index = index;
  identity.finalPath = finalPath;
  return identity;
}

TEST(NameRules, FoldersCompareByIdentityAndFinalPath) {
  FolderIdentity users = folderAt(7, 100, L"\\\\?\\C:\\Users");
  FolderIdentity john = folderAt(7, 101, L"\\\\?\\C:\\Users\\John");
  // The same directory reached through a link: its final path is the target's.
  FolderIdentity johnAgain = folderAt(7, 101, L"\\\\?\\C:\\Users\\John");
  FolderIdentity johnDeep = folderAt(7, 102, L"\\\\?\\C:\\USERS\\john\\AppData\\");
  FolderIdentity johnny = folderAt(7, 103, L"\\\\?\\C:\\Users\\Johnny");
  FolderIdentity otherVolume = folderAt(8, 101, L"\\\\?\\D:\\John");
  EXPECT_TRUE(isSameFolder(john, johnAgain));
  EXPECT_FALSE(isSameFolder(john, otherVolume));
  EXPECT_TRUE(folderHolds(users, john));
  EXPECT_TRUE(folderHolds(john, johnDeep));
  EXPECT_FALSE(folderHolds(johnDeep, john));
  EXPECT_FALSE(folderHolds(john, johnny));
  EXPECT_FALSE(folderHolds(john, otherVolume));
  // The same file index under another final path is still the same folder.
  EXPECT_TRUE(folderHolds(folderAt(7, 101, L""), johnAgain));
  FolderIdentity unknown;
  EXPECT_FALSE(folderHolds(unknown, john));
  EXPECT_FALSE(folderHolds(john, unknown));
  EXPECT_EQ(finalPathComponents(L"\\\\?\\C:\\A\\\\b\\"),
            (std::vector<std::wstring>{L"c:", L"a", L"b"}));
}

}  // namespace
