// Names that no file, spelling or registry entry can use to steer a deletion:
// names outside the ANSI code page, trees past 259 characters, other spellings
// of a logged-on user's folder, a hive held open, and the folders of the
// system and of other profiles.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";
const char kListHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";
const char kKept[] = " - a system folder or another profile's folder is never removed\n";

std::wstring wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

void makeWideFolder(const std::wstring& path) {
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr));
}

void makeWideFile(const std::wstring& path) {
  HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, "data", 4, &written, nullptr);
  CloseHandle(file);
}

bool wideExists(const std::wstring& path) {
  return GetFileAttributesW((L"\\\\?\\" + path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string deleting(const std::string& sid, const std::string& name) {
  return "Deleting " + sid + " - " + name + "\n";
}

std::string orphanRun(const std::string& body) {
  return expectedRun(kOrphanHeading, body, "Process Completed.\n\n");
}

using KavellNames = KavellTest;

TEST_F(KavellNames, NamesOutsideTheCodePageNeverLeaveTheProfile) {
  // "..＼victim" read through best-fit is "..\victim", the folder beside it.
  std::string victim = work + "\\victim";
  makeProfileTree(victim);
  std::vector<std::string> victimBefore = listTree(victim);
  std::wstring profile = wide(work + "\\prof");
  makeWideFolder(profile);
  makeWideFolder(profile + L"\\..\uff3cvictim");
  makeWideFile(profile + L"\\..\uff3cvictim\\NTUSER.DAT");
  makeWideFolder(profile + L"\\Documents");
  makeWideFolder(profile + L"\\Documents\\\u041e\u0442\u0447\u0451\u0442");
  makeWideFile(profile +
               L"\\Documents\\\u041e\u0442\u0447\u0451\u0442\\\u043f\u043b\u0430\u043d.docx");
  makeWideFile(profile + L"\\a\uff0fb\uff0ec");
  addProfile(kOrphanSid, work + "\\prof");
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\prof")));
  EXPECT_FALSE(wideExists(profile));
  EXPECT_EQ(listTree(victim), victimBefore);
}

TEST_F(KavellNames, StoredPathWithALookAlikeNeverNamesTheOtherFolder) {
  std::string lookAlike = work + "\\Lukasz";
  makeProfileTree(lookAlike);
  std::vector<std::string> before = listTree(lookAlike);
  std::wstring real = wide(work) + L"\\\u0141ukasz";
  makeWideFolder(real);
  makeWideFile(real + L"\\NTUSER.DAT");
  addWideProfile(kOrphanSid, real);
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading,
                        listedProfile("Account Unknown\\?ukasz", kOrphanSid, work + "\\?ukasz"),
                        "Process Completed.\n\n"));
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\?ukasz")));
  EXPECT_FALSE(wideExists(real));
  EXPECT_EQ(listTree(lookAlike), before);
}

TEST_F(KavellNames, UserNameWithALookAlikeSelectsNothing) {
  std::string admin = work + "\\admin";
  makeProfileTree(admin);
  addProfile("S-1-5-21-0-0-0-500", admin);
  // "Ădministrator": best-fit would make it "Administrator".
  RunResult run = runProgramWide(programUnderTest(), L" \u0102dministrator", work);
  EXPECT_EQ(run.out, expectedRun("Deleting User Profile owned by ?dministrator.\n\n", "",
                                 "Process Completed.\n"));
  EXPECT_TRUE(fileExists(admin + "\\NTUSER.DAT"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-500")));
}

TEST_F(KavellNames, EverySpellingOfALoadedFolderIsInUse) {
  std::string loaded = work + "\\loadedprofile_longname";
  makeProfileTree(loaded);
  addProfile("S-1-5-21-0-0-0-95000", loaded);
  markLoaded("S-1-5-21-0-0-0-95000");
  wchar_t shortName[MAX_PATH];
  DWORD length = GetShortPathNameW(wide(loaded).c_str(), shortName, MAX_PATH);
  ASSERT_GT(length, 0u);
  std::string shortPath(shortName, shortName + length);
  ASSERT_NE(shortPath, loaded);
  ASSERT_TRUE(makeUnixLink(work + "\\alias", work)) << "cannot make a link here";
  std::string upper = loaded;
  for (char& c : upper)
    c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  const std::vector<std::string> spellings = {shortPath, work + "\\alias\\loadedprofile_longname",
                                              upper + "\\", "\\\\?\\" + loaded};
  for (size_t i = 0; i < spellings.size(); ++i)
    addProfile("S-1-5-21-0-0-0-950" + std::to_string(10 + i), spellings[i], REG_SZ);
  std::vector<std::string> before = listTree(loaded);
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading, "", "Process Completed.\n\n"));
  EXPECT_EQ(runKavell({"/A"}, work).out, orphanRun(""));
  EXPECT_EQ(listTree(loaded), before);
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList).size(), 2 + spellings.size());
}

TEST_F(KavellNames, HiveHeldWithoutSharingIsInUse) {
  std::string profile = work + "\\held";
  makeProfileTree(profile);
  addProfile(kOrphanSid, profile);
  HANDLE hive = holdOpenExclusively(profile + "\\NTUSER.DAT");
  RunResult list = runKavell({"/LIST"}, work);
  RunResult removal = runKavell({"/A"}, work);
  CloseHandle(hive);
  EXPECT_EQ(list.out, expectedRun(kListHeading, "", "Process Completed.\n\n"));
  EXPECT_EQ(removal.out, orphanRun(""));
  EXPECT_TRUE(fileExists(profile + "\\readonly.txt"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

TEST_F(KavellNames, SystemFoldersAreNeverEmptied) {
  const std::string programData = "C:\\ProgramData", windowsTemp = "C:\\windows\\temp";
  makeFile(windowsTemp + "\\kv-e2e-keep.txt", "keep");
  std::vector<std::string> dataBefore = listTree(programData), tempBefore = listTree(windowsTemp);
  addProfile("S-1-5-21-0-0-0-94441", programData);
  addProfile("S-1-5-21-0-0-0-94442", "%SystemDrive%\\windows\\temp");
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(listTree(programData), dataBefore);
  EXPECT_EQ(listTree(windowsTemp), tempBefore);
  DeleteFileA((windowsTemp + "\\kv-e2e-keep.txt").c_str());
  EXPECT_EQ(run.out, orphanRun(deleting("S-1-5-21-0-0-0-94441", "Account Unknown\\ProgramData") +
                               "  Folder left behind: " + programData + kKept +
                               deleting("S-1-5-21-0-0-0-94442", "Account Unknown\\temp") +
                               "  Folder left behind: " + windowsTemp + kKept));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
}

TEST_F(KavellNames, AnotherEntrysFolderIsNeverRemoved) {
  std::string outer = work + "\\outer";
  makeProfileTree(outer);
  makeProfileTree(outer + "\\inner");
  addProfile(kOrphanSid, outer);
  addProfile("S-1-5-18", outer + "\\inner");  // resolvable: it stays
  std::vector<std::string> before = listTree(outer);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\outer") +
                               "  Folder left behind: " + outer + kKept));
  EXPECT_EQ(listTree(outer), before);
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-18")));
}

TEST_F(KavellNames, SidAndBakSharingAFolderRemoveItOnce) {
  std::string shared = work + "\\shared";
  makeProfileTree(shared);
  const std::string bak = std::string(kOrphanSid) + ".bak";
  addProfile(kOrphanSid, shared);
  addProfile(bak, shared);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\shared") +
                               "  Folder left behind: " + shared + kKept +
                               deleting(bak, "Account Unknown\\shared")));
  EXPECT_FALSE(folderExists(shared));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
}

TEST_F(KavellNames, KeyNameWithLookAlikeDigitsNeverNamesAnotherEntry) {
  // Best-fit reads "...-４４４４" (full-width digits) as "...-4444", another
  // entry whose keys must stay.
  const std::wstring lookAlike = L"S-1-5-21-0-0-0-9\uff14\uff14\uff14\uff14";
  std::string own = work + "\\fullwidth", other = work + "\\other";
  makeProfileTree(own);
  setLastWriteTime(own + "\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
  makeFolder(other);
  makeFile(other + "\\keep.txt", "keep");
  addProfile(kOrphanSid, other);
  HKEY key;
  std::wstring keyPath = wide(std::string(kProfileList) + "\\") + lookAlike;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  std::wstring path = wide(own);
  RegSetValueExW(key, L"ProfileImagePath", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                 static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  RunResult run = runKavell({"/D:0"}, work);
  EXPECT_EQ(run.out, expectedRun("Deleting User Profiles older than 0 days:\n\n",
                                 deleting("S-1-5-21-0-0-0-9????", "Account Unknown\\fullwidth"),
                                 "Process Completed.\n"));
  EXPECT_FALSE(folderExists(own));
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_TRUE(fileExists(other + "\\keep.txt"));
}

}  // namespace
