#include "profile_rules.h"

#include <gtest/gtest.h>

namespace {

const LeadBytes single = singleByteCodePage();

LeadBytes doubleByteCodePage() {
  LeadBytes lead;
  for (int byte = 0x81; byte <= 0x9F; ++byte)
    lead.isLead[byte] = true;
  return lead;
}

TEST(DisplayName, ResolvedAccountIsDomainBackslashAccount) {
  OwnerName owner = displayName("WORKGROUP", "jsmith", "C:\\Users\\jsmith", single);
  EXPECT_EQ(owner.text, "WORKGROUP\\jsmith");
  EXPECT_FALSE(owner.accountUnknown);
  EXPECT_EQ(displayName("", "jsmith", "C:\\x", single).text, "\\jsmith");
}

TEST(DisplayName, UnresolvedTakesTheStoredPathsLastComponent) {
  OwnerName owner = displayName("", "", "%SystemDrive%\\Documents and Settings\\old", single);
  EXPECT_EQ(owner.text, "Account Unknown\\old");
  EXPECT_TRUE(owner.accountUnknown);
  EXPECT_EQ(displayName("", "", "noslash", single).text, "Account Unknown\\");
  EXPECT_EQ(displayName("", "", "C:\\Users\\", single).text, "Account Unknown\\");
}

TEST(DisplayName, TrailByteBackslashIsNoSeparator) {
  LeadBytes dbcs = doubleByteCodePage();
  std::string path = "C:\\Users\\a\x95\\b";
  EXPECT_EQ(displayName("", "", path, dbcs).text, "Account Unknown\\a\x95\\b");
  EXPECT_EQ(displayName("", "", path, single).text, "Account Unknown\\b");
}

TEST(ExpandSystemDrive, ReplacesTheLeadingToken) {
  std::string out;
  ASSERT_TRUE(expandSystemDrive("%SystemDrive%\\Users\\old", "C:", &out, single));
  EXPECT_EQ(out, "C:\\Users\\old");
}

TEST(ExpandSystemDrive, ReplacesTheTokenWhereItStands) {
  std::string out;
  ASSERT_TRUE(expandSystemDrive("\\\\srv\\%SystemDrive%\\x", "D:", &out, single));
  EXPECT_EQ(out, "\\\\srv\\D:\\x");
  ASSERT_TRUE(expandSystemDrive("%SystemDrive%a%SystemDrive%", "E:", &out, single));
  EXPECT_EQ(out, "E:aE:");
}

TEST(ExpandSystemDrive, LeavesOtherTextAlone) {
  std::string out;
  ASSERT_TRUE(expandSystemDrive("%SystemRoot%\\x", "C:", &out, single));
  EXPECT_EQ(out, "%SystemRoot%\\x");
  ASSERT_TRUE(expandSystemDrive("%systemdrive%\\x", "C:", &out, single));
  EXPECT_EQ(out, "%systemdrive%\\x");
  ASSERT_TRUE(expandSystemDrive("C:\\Users\\a", nullptr, &out, single));
  EXPECT_EQ(out, "C:\\Users\\a");
}

TEST(ExpandSystemDrive, MissingVariablePassesTheProfileOver) {
  std::string out = "unchanged";
  EXPECT_FALSE(expandSystemDrive("%SystemDrive%\\Users\\a", nullptr, &out, single));
  EXPECT_EQ(out, "unchanged");
}

TEST(FolderContains, SameOrBelowIgnoringCaseAndTrailingBackslash) {
  EXPECT_TRUE(folderContains("C:\\Users\\me", "c:\\users\\ME\\", single));
  EXPECT_TRUE(folderContains("C:\\Users", "C:\\Users\\me", single));
  EXPECT_TRUE(folderContains("C:\\Users\\", "C:\\Users\\me", single));
  EXPECT_FALSE(folderContains("C:\\Users\\me", "C:\\Users\\me2", single));
  EXPECT_FALSE(folderContains("C:\\Users\\me", "C:\\Users", single));
  EXPECT_FALSE(folderContains("", "C:\\Users", single));
  EXPECT_TRUE(folderContains("\\\\srv\\share\\p", "\\\\?\\UNC\\SRV\\share\\p\\x", single));
  EXPECT_FALSE(folderContains("\\\\srv\\share\\p", "\\\\srv\\other\\p", single));
  EXPECT_FALSE(folderContains("rel", "C:\\rel", single));
  EXPECT_TRUE(folderContains("rel", "rel\\sub", single));
}

LoadedProfiles loadedMe() {
  LoadedProfiles loaded;
  loaded.readable = true;
  loaded.sids = {".DEFAULT", "S-1-5-21-0-0-0-1000", "S-1-5-21-0-0-0-1000_Classes"};
  loaded.folders = {"C:\\users\\me"};
  return loaded;
}

TEST(InUse, LoadedHiveMatchesTheSidExactly) {
  LoadedProfiles loaded = loadedMe();
  EXPECT_TRUE(isInUse("S-1-5-21-0-0-0-1000", "D:\\x", loaded, single));
  EXPECT_FALSE(isInUse("S-1-5-21-0-0-0-100", "D:\\x", loaded, single));
  EXPECT_FALSE(isInUse("S-1-5-21-0-0-0-1000_C", "D:\\x", loaded, single));
  EXPECT_FALSE(isInUse("s-1-5-21-0-0-0-1000", "D:\\x", loaded, single));
}

TEST(InUse, ClassesHiveDoesNotCountForItsProfile) {
  LoadedProfiles loaded;
  loaded.readable = true;
  loaded.sids = {"S-1-5-21-1-2-3-1001_Classes"};
  EXPECT_FALSE(isInUse("S-1-5-21-1-2-3-1001", "C:\\users\\a", loaded, single));
}

TEST(InUse, StaleEntryForALoadedUsersFolderIsInUse) {
  LoadedProfiles loaded = loadedMe();
  EXPECT_TRUE(isInUse("S-1-5-21-0-0-0-1000.bak", "C:\\Users\\Me", loaded, single));
  EXPECT_TRUE(isInUse("S-1-5-21-1-2-3-4444", "C:\\users", loaded, single));
  EXPECT_TRUE(isInUse("S-1-5-21-1-2-3-4444", "C:\\users\\me\\AppData", loaded, single));
  EXPECT_FALSE(isInUse("S-1-5-21-1-2-3-4444", "C:\\users\\old", loaded, single));
}

TEST(InUse, OtherSpellingsOfALoadedFolderAreInUse) {
  LoadedProfiles loaded = loadedMe();
  for (const char* spelling :
       {"C:\\users\\\\me", "C:/users/me", "C:\\users\\.\\me", "C:\\users\\x\\..\\me",
        "C:\\users\\me.", "C:\\users \\me", "\\\\?\\C:\\users\\me", "c:\\\\USERS//"}) {
    EXPECT_TRUE(isInUse("S-1-5-21-1-2-3-5010", spelling, loaded, single)) << spelling;
  }
  EXPECT_FALSE(isInUse("S-1-5-21-1-2-3-5010", "C:\\users\\me\\..\\old", loaded, single));
  EXPECT_FALSE(isInUse("S-1-5-21-1-2-3-5010", "D:\\users\\me", loaded, single));
}

TEST(InUse, UnreadableHiveListMeansEverythingIsInUse) {
  LoadedProfiles unreadable;
  EXPECT_TRUE(isInUse("S-1-5-21-1-2-3-4444", "C:\\users\\old", unreadable, single));
}

SelectionFacts facts(bool orphaned, const std::string& account) {
  SelectionFacts result;
  result.orphaned = orphaned;
  result.accountName.assign(account.begin(), account.end());
  return result;
}

TEST(Selection, OnlyNoneMappedOrphansAreSelected) {
  for (ScanMode mode : {ScanMode::Orphaned, ScanMode::OrphanedByAge}) {
    EXPECT_TRUE(isSelectedByAccount(mode, facts(true, ""), L""));
    EXPECT_FALSE(isSelectedByAccount(mode, facts(false, ""), L""));
    EXPECT_FALSE(isSelectedByAccount(mode, facts(false, "jsmith"), L""));
  }
}

TEST(Selection, ByAgeIgnoresTheAccount) {
  EXPECT_TRUE(isSelectedByAccount(ScanMode::ByAge, facts(false, ""), L""));
  EXPECT_TRUE(isSelectedByAccount(ScanMode::ByAge, facts(false, "x"), L""));
  EXPECT_TRUE(needsAgeTest(ScanMode::ByAge));
  EXPECT_TRUE(needsAgeTest(ScanMode::OrphanedByAge));
  EXPECT_FALSE(needsAgeTest(ScanMode::Orphaned));
  EXPECT_FALSE(needsAgeTest(ScanMode::ByUser));
}

TEST(Selection, ByUserComparesTheAccountNameIgnoringCase) {
  EXPECT_TRUE(isSelectedByAccount(ScanMode::ByUser, facts(false, "JSmith"), L"jsmith"));
  EXPECT_FALSE(isSelectedByAccount(ScanMode::ByUser, facts(false, "jsmith"), L"DOM\\jsmith"));
  EXPECT_FALSE(isSelectedByAccount(ScanMode::ByUser, facts(false, "jsmith"), L"jsmit"));
  // An empty name given on the command line must not pick every unresolved one.
  EXPECT_FALSE(isSelectedByAccount(ScanMode::ByUser, facts(true, ""), L""));
}

TEST(Selection, ListNeverDeletes) {
  EXPECT_FALSE(isSelectedByAccount(ScanMode::List, facts(true, "a"), L"a"));
}

TEST(DangerousFolder, RootsAndRelativePaths) {
  for (const char* bad : {"", "C:", "C:\\", "C:\\\\", "c:\\.", "C:\\Users\\..", "C:\\a\\..\\..",
                          "Users\\old", "\\Users\\old", "C:Users", "ab", "\\\\server",
                          "\\\\server\\share", "\\\\server\\share\\", "\\\\?\\C:"}) {
    EXPECT_TRUE(isDangerousFolder(bad, single)) << bad;
  }
  for (const char* good : {"C:\\Users\\old", "c:\\x", "\\\\server\\share\\old",
                           "C:\\Documents and Settings\\old.bak", "C:\\Users\\.hidden"}) {
    EXPECT_FALSE(isDangerousFolder(good, single)) << good;
  }
}

TEST(DangerousFolder, NamesTheSystemWouldShortenAreRefused) {
  for (const char* bad : {"C:\\ ", "C:\\...", "C:\\Users\\ ", "C:\\Users\\jsmith.",
                          "C:\\Users.\\jsmith", "\\\\server\\share\\. "}) {
    EXPECT_TRUE(isDangerousFolder(bad, single)) << bad;
  }
  EXPECT_FALSE(isDangerousFolder("C:\\Users\\j.smith\\", single));
  EXPECT_FALSE(isDangerousFolder("C:\\Documents and Settings\\John Smith", single));
}

TEST(DangerousFolder, ForwardSlashesAndDevicePaths) {
  for (const char* bad : {"C:\\/", "C:/", "C:\\Users/..", "C:\\Users\\jsmith/../..",
                          "\\\\?\\UNC\\server\\share", "\\\\?\\C:\\", "//server/share"}) {
    EXPECT_TRUE(isDangerousFolder(bad, single)) << bad;
  }
  for (const char* good : {"C:/users/old", "\\\\?\\C:\\Users\\old",
                           "\\\\?\\UNC\\server\\share\\old", "//server/share/old"}) {
    EXPECT_FALSE(isDangerousFolder(good, single)) << good;
  }
}

TEST(DangerousFolder, SecondCharIsLetter) {
  EXPECT_TRUE(secondCharIsLetter("ab\\c"));
  EXPECT_FALSE(secondCharIsLetter("C:\\x"));
  EXPECT_FALSE(secondCharIsLetter("\\\\srv"));
  EXPECT_FALSE(secondCharIsLetter("a"));
}

}  // namespace

namespace {

KnownFolder known(uint64_t index, const std::string& text) {
  FolderIdentity identity;
  identity.known = index != 0;
  identity.volume = 1;
  identity.index = index;
  identity.finalPath = std::wstring(text.begin(), text.end());
  return makeKnownFolder(identity, text, singleByteCodePage());
}

TEST(KeptFolders, ProfilesDirectoryAndSystemFolders) {
  std::vector<KnownFolder> roots = {known(10, "C:\\Users")};
  std::vector<KnownFolder> system = {known(20, "C:\\ProgramData"), known(30, "C:\\Users\\Public")};
  // Above or at the profiles directory: kept; below it: an ordinary profile.
  EXPECT_TRUE(isKeptFolder(known(10, "C:\\USERS\\"), roots, system));
  EXPECT_TRUE(isKeptFolder(known(1, "C:\\"), roots, system));
  EXPECT_FALSE(isKeptFolder(known(11, "C:\\Users\\old"), roots, system));
  // System folders: the same, inside or holding them.
  EXPECT_TRUE(isKeptFolder(known(20, "C:\\ProgramData"), roots, system));
  EXPECT_TRUE(isKeptFolder(known(21, "C:\\ProgramData\\App"), roots, system));
  EXPECT_TRUE(isKeptFolder(known(31, "C:\\Users\\Public\\Documents"), roots, system));
  EXPECT_FALSE(isKeptFolder(known(32, "C:\\Users\\Publicity"), roots, system));
}

TEST(KeptFolders, SameDirectoryUnderAnotherSpellingOrOnlyByText) {
  std::vector<KnownFolder> none;
  std::vector<KnownFolder> other = {known(40, "C:\\Users\\john")};
  // Another spelling (an 8.3 name) that the file system says is the same.
  EXPECT_TRUE(isKeptFolder(known(40, "C:\\Users\\JOHNSM~1"), none, other));
  // A folder that cannot be opened still counts by its text.
  EXPECT_TRUE(isKeptFolder(known(0, "C:\\Users\\john\\AppData"), none, other));
  EXPECT_TRUE(foldersOverlap(known(0, "C:\\Users"), other.front()));
  EXPECT_FALSE(foldersOverlap(known(41, "C:\\Users\\johnny"), other.front()));
  LoadedProfiles loaded;
  loaded.identities.push_back(other.front().identity);
  EXPECT_TRUE(overlapsLoadedFolder(known(41, "C:\\Users\\john\\x").identity, loaded));
  EXPECT_FALSE(overlapsLoadedFolder(known(42, "C:\\Users\\johnny").identity, loaded));
}

}  // namespace
