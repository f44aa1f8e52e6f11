// Removing a profile: its folder tree and its five registry keys, and the
// cases where Kavell must hold back (links, roots, relative paths, folders of
// loaded profiles, texts that do not fit) or say what it could not remove.
#include <gtest/gtest.h>

#include <algorithm>

#include "kavell_fixtures.h"

namespace {

const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";
const char kGuid[] = "{6B29FC40-CA47-1067-B31D-00DD010662DA}";
const char kOtherGuid[] = "{6B29FC40-CA47-1067-B31D-00DD010662DB}";

std::string deleting(const std::string& sid, const std::string& name) {
  return "Deleting " + sid + " - " + name + "\n";
}

std::string orphanRun(const std::string& body) {
  return expectedRun(kOrphanHeading, body, "Process Completed.\n\n");
}

// The line after `deletingLine` in `out` must say what remained, with the
// system's text for the error (when one is given).
void expectFailureLineAfter(const std::string& out, const std::string& deletingLine,
                            const std::string& errorText) {
  std::vector<std::string> lines = linesOf(out);
  auto at = std::find(lines.begin(), lines.end(), deletingLine);
  ASSERT_NE(at, lines.end()) << "no line \"" << deletingLine << "\" in:\n" << out;
  ASSERT_NE(at + 1, lines.end());
  const std::string& failure = *(at + 1);
  EXPECT_FALSE(failure.empty()) << "no failure line after \"" << deletingLine << "\":\n" << out;
  EXPECT_NE(failure.substr(0, 9), "Deleting ") << out;
  if (!errorText.empty()) {
    EXPECT_NE(failure.find(errorText), std::string::npos)
        << "\"" << failure << "\" lacks the error text \"" << errorText << "\"";
  }
}

// The run's lines, from the first "Deleting" line on, with `wanted` among
// them in this order.
void expectLinesInOrder(const std::string& out, const std::vector<std::string>& wanted) {
  std::vector<std::string> lines = linesOf(out);
  auto at = lines.begin();
  for (const std::string& line : wanted) {
    at = std::find(at, lines.end(), line);
    ASSERT_NE(at, lines.end()) << "missing or out of order: \"" << line << "\" in:\n" << out;
  }
}

using KavellRemoval = KavellTest;

TEST_F(KavellRemoval, WholeTreeGoesWithEveryAttribute) {
  std::string profile = work + "\\old";
  makeProfileTree(profile);
  addProfile(kOrphanSid, profile);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\old")));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(folderExists(profile));
  EXPECT_TRUE(listFolder(work).empty());
}

TEST_F(KavellRemoval, SystemDriveFormNamesTheFolderOnTheSystemDrive) {
  std::string folder = work + "\\Documents and Settings\\old";
  makeFolder(work + "\\Documents and Settings");
  makeProfileTree(folder);
  makeProfileTree(work + "\\Documents and Settings\\other");
  addProfile(kOrphanSid, "%SystemDrive%" + folder.substr(2), REG_EXPAND_SZ);
  EXPECT_EQ(runKavell({"/A"}, work).out, orphanRun(deleting(kOrphanSid, "Account Unknown\\old")));
  EXPECT_EQ(listFolder(work + "\\Documents and Settings"), std::vector<std::string>{"other\\"});
}

TEST_F(KavellRemoval, MissingFolderCountsAsRemoved) {
  addProfile(kOrphanSid, work + "\\gone");
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\gone")));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

TEST_F(KavellRemoval, FiveKeysGoWithTheGuid) {
  makeProfileTree(work + "\\old");
  addProfile(kOrphanSid, work + "\\old", REG_EXPAND_SZ, kGuid);
  createKey(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid) + "\\Preferences\\Deeper");
  addPolicyKeys(kOrphanSid, kGuid);
  // Another profile's keys under the same parents.
  addProfile("S-1-5-18", work + "\\system", REG_EXPAND_SZ, kOtherGuid);
  addPolicyKeys("S-1-5-18", kOtherGuid);

  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\old")));
  for (const std::string& key :
       {profileKey(kOrphanSid), groupPolicyKey(kOrphanSid), groupPolicyStateKey(kOrphanSid),
        profileGuidKey(kGuid), policyGuidKey(kGuid)}) {
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, key)) << key;
  }
  for (const std::string& key :
       {profileKey("S-1-5-18"), groupPolicyKey("S-1-5-18"),
        groupPolicyStateKey("S-1-5-18") + "\\Sub", profileGuidKey(kOtherGuid) + "\\Sub",
        policyGuidKey(kOtherGuid) + "\\Sub",
        std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State")}) {
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, key)) << key;
  }
  // Running again finds nothing and harms nothing.
  EXPECT_EQ(runKavell({"/A"}, work).out, orphanRun(""));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kOtherGuid)));
}

TEST_F(KavellRemoval, WithoutGuidOnlyTheThreeSidKeysGo) {
  addProfile(kOrphanSid, work + "\\old", REG_SZ);
  addPolicyKeys(kOrphanSid, kGuid);  // GUID keys the entry does not name
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\old")));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, groupPolicyKey(kOrphanSid)));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, groupPolicyStateKey(kOrphanSid)));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kGuid) + "\\Sub"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, policyGuidKey(kGuid) + "\\Sub"));
}

TEST_F(KavellRemoval, GuidValueNeverReachesTheParentKeys) {
  // Another profile's GUID keys stand under both parents; a garbage "Guid"
  // value must not make Kavell delete the "ProfileGuid" or "PolicyGuid" key
  // itself, or anything of another profile below them.
  for (const char* guid : {"\\", "\\\\", " ", "\\.", "."}) {
    SCOPED_TRACE(std::string("Guid value \"") + guid + "\"");
    addPolicyKeys("S-1-5-18", kOtherGuid);
    addProfile(kOrphanSid, work + "\\p", REG_SZ, guid);
    runKavell({"/A"}, work);
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kOtherGuid) + "\\Sub"));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, policyGuidKey(kOtherGuid) + "\\Sub"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  }
}

TEST_F(KavellRemoval, EntryNamedStateNeverTakesEveryUsersPolicyState) {
  // A profile-list entry named "State" is garbage, but /D:0 selects it by its
  // hive alone; its group-policy key path must not become the parent of
  // every user's policy state.
  addPolicyKeys("S-1-5-18", kOtherGuid);
  makeProfileTree(work + "\\State");
  setLastWriteTime(work + "\\State\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
  addProfile("State", work + "\\State");
  runKavell({"/D:0"}, work);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, groupPolicyStateKey("S-1-5-18") + "\\Sub"));
}

TEST_F(KavellRemoval, HeldFileStopsTheFolderAndIsReported) {
  std::string profile = work + "\\old";
  makeProfileTree(profile);
  addProfile(kOrphanSid, profile, REG_EXPAND_SZ, kGuid);
  addPolicyKeys(kOrphanSid, kGuid);
  makeFile(profile + "\\Documents\\open.pst", "mail");
  HANDLE holder = holdOpenExclusively(profile + "\\Documents\\open.pst");
  RunResult run = runKavell({"/A"}, work);
  CloseHandle(holder);
  EXPECT_EQ(run.exitCode, 0u);
  std::string line = "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\old";
  EXPECT_EQ(run.out.substr(0, crlf("\n\n" + std::string(kOrphanHeading) + line).size()),
            crlf("\n\n" + std::string(kOrphanHeading) + line));
  expectFailureLineAfter(run.out, line, win32ErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(hasSuffix(run.out, crlf("\n\n\nProcess Completed.\n\n"))) << run.out;
  EXPECT_TRUE(fileExists(profile + "\\Documents\\open.pst"));
  // The registry clean-up runs whatever became of the folder.
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, groupPolicyKey(kOrphanSid)));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kGuid)));
}

TEST_F(KavellRemoval, FolderInUseAsCurrentDirectoryIsReported) {
  std::string profile = work + "\\old";
  makeProfileTree(profile);
  addProfile(kOrphanSid, profile);
  char previous[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(SetCurrentDirectoryA((profile + "\\Documents").c_str()));
  RunResult run = runKavell({"/A"}, work);
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(run.exitCode, 0u);
  expectFailureLineAfter(run.out, "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\old",
                         win32ErrorText(ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(folderExists(profile + "\\Documents"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

TEST_F(KavellRemoval, UndeletableKeyIsReportedAndTheScanMovesOn) {
  addProfile("S-1-5-21-0-0-0-94441", work + "\\stuck");
  makeProfileTree(work + "\\stuck");
  lockKey(profileKey("S-1-5-21-0-0-0-94441"));
  addProfile("S-1-5-21-0-0-0-94442", work + "\\next");
  makeProfileTree(work + "\\next");
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.exitCode, 0u);
  std::string stuck = "Deleting S-1-5-21-0-0-0-94441 - Account Unknown\\stuck";
  // Examined at most twice, and the scan ends.
  EXPECT_GE(countOf(run.out, stuck + "\r\n"), 1u);
  EXPECT_LE(countOf(run.out, stuck + "\r\n"), 2u);
  expectFailureLineAfter(run.out, stuck, win32ErrorText(ERROR_ACCESS_DENIED));
  expectLinesInOrder(run.out, {stuck, "Deleting S-1-5-21-0-0-0-94442 - Account Unknown\\next", "",
                               "", "Process Completed.", ""});
  EXPECT_TRUE(hasSuffix(run.out, crlf("\n\n\nProcess Completed.\n\n"))) << run.out;
  EXPECT_FALSE(folderExists(work + "\\stuck"));
  EXPECT_FALSE(folderExists(work + "\\next"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94441")));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94442")));
}

TEST_F(KavellRemoval, StuckProfileEndsInEveryDeletingMode) {
  // The hive is held open for reading only: the age test can still read it,
  // but it cannot be deleted, so in the age modes the profile would qualify
  // again and again while its key stays.
  makeProfileTree(work + "\\aged");
  addProfile(kOrphanSid, work + "\\aged");
  lockKey(profileKey(kOrphanSid));
  HANDLE hive = CreateFileA((work + "\\aged\\NTUSER.DAT").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hive, INVALID_HANDLE_VALUE);
  makeProfileTree(work + "\\admin");
  addProfile("S-1-5-21-0-0-0-500", work + "\\admin");
  lockKey(profileKey("S-1-5-21-0-0-0-500"));
  std::string aged = "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\aged";
  for (const char* mode : {"/D:0", "/AD:0"}) {
    RunResult run = runKavell({mode}, work);
    EXPECT_GE(countOf(run.out, aged + "\r\n"), 1u) << mode << run.out;
    EXPECT_LE(countOf(run.out, aged + "\r\n"), 2u) << mode << run.out;
    expectFailureLineAfter(run.out, aged, "");
  }
  RunResult byUser = runKavell({"Administrator"}, work);
  EXPECT_GE(countOf(byUser.out, "Deleting Administrator\r\n"), 1u) << byUser.out;
  EXPECT_LE(countOf(byUser.out, "Deleting Administrator\r\n"), 2u) << byUser.out;
  expectFailureLineAfter(byUser.out, "Deleting Administrator", win32ErrorText(ERROR_ACCESS_DENIED));
  CloseHandle(hive);
  EXPECT_TRUE(fileExists(work + "\\aged\\NTUSER.DAT"));
}

TEST_F(KavellRemoval, DirectoryLinkIsNeverFollowed) {
  std::string outside = folder("outside");
  makeFile(outside + "\\precious.txt", "keep me", FILE_ATTRIBUTE_READONLY);
  makeFolder(outside + "\\sub");
  makeFile(outside + "\\sub\\more.txt", "keep me too");
  std::string profile = work + "\\old";
  makeProfileTree(profile);
  ASSERT_TRUE(makeUnixLink(profile + "\\Linked", outside)) << "cannot make a link here";
  addProfile(kOrphanSid, profile);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(listTree(outside),
            (std::vector<std::string>{"precious.txt", "sub\\", "sub\\more.txt"}));
  // Not even the attribute pass went through the link.
  EXPECT_EQ(GetFileAttributesA((outside + "\\precious.txt").c_str()) & FILE_ATTRIBUTE_READONLY,
            static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(readFile(outside + "\\sub\\more.txt"), "keep me too");
  std::string line = "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\old";
  EXPECT_NE(run.out.find(crlf(line + "\n")), std::string::npos) << run.out;
  // Wine's RemoveDirectory refuses a link to a folder that is not empty; if
  // the link (and so the profile folder) stayed, Kavell says so.
  if (folderExists(profile))
    expectFailureLineAfter(run.out, line, "");
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

// A drive letter and a share of this prefix mapped onto the test's own temp
// folders, so that roots can be offered to Kavell without risking the
// prefix's real drive.
class KavellRoots : public KavellTest {
 protected:
  void SetUp() override {
    KavellTest::SetUp();
    prefix_ = winePrefix();
    ASSERT_FALSE(prefix_.empty()) << "WINEPREFIX is not set";
    driveFolder = folder("drive");
    shareFolder = folder("share");
    // One shell each, so the steps run in order (Wine does not wait for a
    // Unix child to finish).
    runUnix("/bin/sh -c \"ln -sfn " + unixPath(driveFolder) + " " + prefix_ + "/dosdevices/q:\"");
    waitForPath("Q:\\", true);
    runUnix("/bin/sh -c \"mkdir -p " + prefix_ + "/dosdevices/unc/kvserver && ln -sfn " +
            unixPath(shareFolder) + " " + prefix_ + "/dosdevices/unc/kvserver/kvshare\"");
    waitForPath("\\\\kvserver\\kvshare", true);
    ASSERT_TRUE(folderExists("Q:\\")) << "the drive Q: could not be mapped";
    ASSERT_TRUE(folderExists("\\\\kvserver\\kvshare")) << "the share could not be mapped";
  }
  void TearDown() override {
    runUnix("/bin/sh -c \"rm -f " + prefix_ + "/dosdevices/q: " + prefix_ +
            "/dosdevices/unc/kvserver/kvshare && rmdir " + prefix_ + "/dosdevices/unc/kvserver " +
            prefix_ + "/dosdevices/unc\"");
    waitForPath("Q:\\", false);
    waitForPath("\\\\kvserver\\kvshare", false);
    KavellTest::TearDown();
  }

  std::string driveFolder, shareFolder;

 private:
  std::string prefix_;
};

TEST_F(KavellRoots, RootsAndRelativeFoldersAreNeverEmptied) {
  makeFile("Q:\\root.txt", "drive root");
  makeFolder("Q:\\work");
  makeFile("Q:\\work\\here.txt", "current folder");
  makeFolder("Q:\\work\\rel");
  makeFile("Q:\\work\\rel\\a.txt", "relative");
  makeFolder("Q:\\work\\rel2");
  makeFile("Q:\\work\\rel2\\b.txt", "drive-relative");
  makeFile("\\\\kvserver\\kvshare\\shared.txt", "share root");
  const std::vector<std::pair<std::string, std::string>> profiles = {
      {"S-1-5-21-0-0-0-94441", "Q:\\"},
      {"S-1-5-21-0-0-0-94442", "Q:"},
      {"S-1-5-21-0-0-0-94443", "rel"},
      {"S-1-5-21-0-0-0-94444", "Q:rel2"},
      {"S-1-5-21-0-0-0-94445", "\\\\kvserver\\kvshare"},
      {"S-1-5-21-0-0-0-94446", "\\\\kvserver\\kvshare\\"},
  };
  for (const auto& profile : profiles)
    addProfile(profile.first, profile.second, REG_SZ);
  std::vector<std::string> driveBefore = listTree(driveFolder), shareBefore = listTree(shareFolder);

  RunResult run = runKavell({"/A"}, "Q:\\work");
  EXPECT_EQ(run.exitCode, 0u);
  std::vector<std::string> announced;
  for (const auto& profile : profiles) {
    std::string path = profile.second;
    std::string last =
        path.find('\\') == std::string::npos ? "" : path.substr(path.rfind('\\') + 1);
    announced.push_back("Deleting " + profile.first + " - Account Unknown\\" + last);
  }
  expectLinesInOrder(run.out, announced);
  EXPECT_EQ(listTree(driveFolder), driveBefore);
  EXPECT_EQ(listTree(shareFolder), shareBefore);
  // Their registry entries still go.
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
}

TEST_F(KavellRoots, RootsWrittenDifferentlyAreNeverEmptied) {
  makeFile("Q:\\root.txt", "drive root");
  makeFolder("Q:\\work");
  makeFile("Q:\\work\\here.txt", "current folder");
  makeFile("\\\\kvserver\\kvshare\\shared.txt", "share root");
  const std::vector<std::string> roots = {
      "Q:\\.", "Q:\\work\\..", "Q:/", "Q:\\\\", "\\\\kvserver\\kvshare\\.", "//kvserver/kvshare"};
  for (size_t i = 0; i < roots.size(); ++i) {
    addProfile("S-1-5-21-0-0-0-944" + std::to_string(10 + i), roots[i], REG_SZ);
  }
  std::vector<std::string> driveBefore = listTree(driveFolder), shareBefore = listTree(shareFolder);
  RunResult run = runKavell({"/A"}, "Q:\\work");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(listTree(driveFolder), driveBefore) << run.out;
  EXPECT_EQ(listTree(shareFolder), shareBefore) << run.out;
}

TEST_F(KavellRemoval, FolderOfALoadedProfileCountsAsInUse) {
  // A loaded profile, a stale ".bak" entry naming its folder (in other letter
  // case too), and an entry whose folder holds it: all three are in use.
  std::string loaded = work + "\\loaded";
  makeProfileTree(loaded);
  addProfile("S-1-5-21-0-0-0-95000", loaded);
  markLoaded("S-1-5-21-0-0-0-95000");
  addProfile("S-1-5-21-0-0-0-95000.bak", loaded);
  std::string upper = loaded;
  for (char& c : upper)
    c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  addProfile("S-1-5-21-0-0-0-95001", upper);
  addProfile("S-1-5-21-0-0-0-95002", work);
  // Kavell also keeps away from folders inside a loaded profile.
  addProfile("S-1-5-21-0-0-0-95004", loaded + "\\AppData");
  // A folder whose name merely starts like the loaded one is not in use.
  makeProfileTree(work + "\\loaded2");
  addProfile("S-1-5-21-0-0-0-95003", work + "\\loaded2");
  std::vector<std::string> before = listTree(loaded);

  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun("Listing User Profiles on the local computer currently not in use:\n\n",
                        listedProfile("Account Unknown\\loaded2", "S-1-5-21-0-0-0-95003",
                                      work + "\\loaded2"),
                        "Process Completed.\n\n"));
  setLastWriteTime(loaded + "\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
  for (const char* mode : {"/A", "/D:0", "/AD:0"})
    runKavell({mode}, work);
  EXPECT_EQ(listTree(loaded), before);
  // loaded2 was selected, but it lies inside the folder of the entry that
  // stays (S-...-5002): its entry goes, its folder stays.
  EXPECT_TRUE(fileExists(work + "\\loaded2\\NTUSER.DAT"));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList),
            (std::vector<std::string>{kWineUserSid, "S-1-5-21-0-0-0-95000",
                                      "S-1-5-21-0-0-0-95000.bak", "S-1-5-21-0-0-0-95001",
                                      "S-1-5-21-0-0-0-95002", "S-1-5-21-0-0-0-95004"}));
}

// Windows takes every spelling below for the loaded profile's own folder, so
// a stale entry written so must not take a logged-on user's files: it counts
// as in use and is not touched at all.
class KavellLoadedSpellings : public KavellTest {
 protected:
  void SetUp() override {
    KavellTest::SetUp();
    loaded = work + "\\loaded";
    makeProfileTree(loaded);
    addProfile("S-1-5-21-0-0-0-95000", loaded);
    markLoaded("S-1-5-21-0-0-0-95000");
  }

  // Adds one orphan entry per spelling, runs /A, and checks nothing moved.
  void expectAllInUse(const std::vector<std::string>& spellings) {
    for (size_t i = 0; i < spellings.size(); ++i) {
      addProfile("S-1-5-21-0-0-0-950" + std::to_string(10 + i), spellings[i], REG_SZ);
    }
    std::vector<std::string> before = listTree(loaded);
    RunResult run = runKavell({"/A"}, work);
    EXPECT_EQ(run.out, orphanRun("")) << run.out;
    EXPECT_EQ(listTree(loaded), before);
    EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList).size(), 2 + spellings.size());
  }

  std::string loaded;
};

TEST_F(KavellLoadedSpellings, TrailingBackslashAndDotDotStep) {
  expectAllInUse({loaded + "\\", work + "\\loaded\\..\\loaded"});
}

TEST_F(KavellLoadedSpellings, DoubledBackslash) {
  expectAllInUse({work + "\\\\loaded"});
}

TEST_F(KavellLoadedSpellings, ForwardSlashesAndDotStep) {
  std::string slashes = loaded;
  for (char& c : slashes)
    c = c == '\\' ? '/' : c;
  expectAllInUse({slashes, work + "\\.\\loaded"});
}

TEST_F(KavellRemoval, TrailingBackslashFolderIsRemoved) {
  makeProfileTree(work + "\\old");
  addProfile(kOrphanSid, work + "\\old\\", REG_SZ);
  EXPECT_EQ(runKavell({"/A"}, work).out, orphanRun(deleting(kOrphanSid, "Account Unknown\\")));
  EXPECT_FALSE(folderExists(work + "\\old"));
}

// A path of exactly `length` characters that names `folder` through "\."
// steps (the system drops them), and a last backslash when the count is odd.
std::string paddedPath(const std::string& folder, size_t length) {
  std::string path = folder;
  while (path.size() + 2 <= length)
    path += "\\.";
  if (path.size() < length)
    path += "\\";
  return path;
}

TEST_F(KavellRemoval, PathThatDoesNotFitIsPassedOver) {
  std::string victim = work + "\\victim";
  makeProfileTree(victim);
  std::string fits = paddedPath(victim, 255);
  ASSERT_EQ(fits.size(), 255u);
  // 257 characters: the first 255 of them would name the victim folder.
  std::string tooLong = paddedPath(victim, 254) + "\\zz";
  ASSERT_EQ(tooLong.size(), 257u);
  addProfile("S-1-5-21-0-0-0-94441", fits, REG_SZ);
  addProfile("S-1-5-21-0-0-0-94442", tooLong, REG_SZ);
  std::vector<std::string> before = listTree(victim);

  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun("Listing User Profiles on the local computer currently not in use:\n\n",
                        listedProfile("Account Unknown\\" + fits.substr(fits.rfind('\\') + 1),
                                      "S-1-5-21-0-0-0-94441", fits),
                        "Process Completed.\n\n"));
  // Only the entry that fits goes; its registry entry goes with it.
  deleteKeyTree(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94441"));
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(""));
  EXPECT_EQ(listTree(victim), before);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94442")));
}

TEST_F(KavellRemoval, NameOrGuidThatDoesNotFitIsPassedOver) {
  // A 255-character subkey name sorts before the ordinary orphan; the walk
  // must pass it over and still reach the orphan.
  std::string longName = "S-1-5-21-0-0-0-91" + std::string(238, 'x');
  ASSERT_EQ(longName.size(), 255u);
  makeProfileTree(work + "\\longname");
  addProfile(longName, work + "\\longname");
  makeProfileTree(work + "\\longguid");
  addProfile("S-1-5-21-0-0-0-94441", work + "\\longguid", REG_SZ, kGuid + std::string(300, '0'));
  makeProfileTree(work + "\\old");
  addProfile(kOrphanSid, work + "\\old");
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\old")));
  EXPECT_TRUE(fileExists(work + "\\longname\\NTUSER.DAT"));
  EXPECT_TRUE(fileExists(work + "\\longguid\\NTUSER.DAT"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(longName)));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94441")));
}

TEST_F(KavellRemoval, TreeDeeperThanThePathRoomGoesWhole) {
  std::string profile = work + "\\deep";
  makeProfileTree(profile);
  std::string path = profile;
  for (int level = 0; path.size() < 300; ++level) {
    path += "\\" + std::string(40, static_cast<char>('a' + level));
    makeLongFolder(path);
  }
  std::string longFile = path + "\\" + std::string(60, 'f') + ".txt";
  ASSERT_GT(longFile.size(), 300u);
  makeLongFile(longFile, "deep");
  addProfile(kOrphanSid, profile);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, orphanRun(deleting(kOrphanSid, "Account Unknown\\deep")));
  EXPECT_FALSE(folderExists(profile));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

// Under Wine an open follows a Unix link to a folder, as a swap during the
// removal would make it: the walk must see from the listing that it is not
// what it opened, and leave it.
class KavellFollowedLinks : public KavellTest {
 protected:
  void SetUp() override {
    KavellTest::SetUp();
    victim = folder("victim");
    makeProfileTree(victim + "\\data");
    before = listTree(victim);
    profile = work + "\\old";
  }
  // Runs /A and expects the replaced line; the victim and the keys are checked.
  void expectLeftBehind(const std::string& stoppedAt) {
    addProfile(kOrphanSid, profile, REG_EXPAND_SZ, kGuid);
    addPolicyKeys(kOrphanSid, kGuid);
    EXPECT_EQ(runKavell({"/A"}, work).out,
              orphanRun(deleting(kOrphanSid, "Account Unknown\\old") + "  Folder left behind: " +
                        profile + stoppedAt + " - it was replaced during the removal\n"));
    EXPECT_EQ(listTree(victim), before);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kGuid)));
  }
  std::string victim, profile;
  std::vector<std::string> before;
};

TEST_F(KavellFollowedLinks, ProfileFolderIsLeftBehind) {
  ASSERT_TRUE(makeUnixLink(profile, victim)) << "cannot make a link here";
  expectLeftBehind("");
}

TEST_F(KavellFollowedLinks, EntryIsLeftBehind) {
  makeProfileTree(profile);
  ASSERT_TRUE(makeUnixLink(profile + "\\Links", victim)) << "cannot make a link here";
  expectLeftBehind(" (stopped at " + profile + "\\Links)");
  EXPECT_TRUE(folderExists(profile + "\\Links"));
}

}  // namespace
