// Kavell's profile scan: what the list mode prints, which profiles each mode
// selects, profiles in use, account resolution and the walk over the list.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kListHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";
const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";
const char kSystem[] = "S-1-5-18";
const char kAdministrator[] = "S-1-5-21-0-0-0-500";
const char kGuest[] = "S-1-5-21-0-0-0-501";

std::string deleting(const std::string& sid, const std::string& name) {
  return "Deleting " + sid + " - " + name + "\n";
}

std::string byAgeHeading(int days) {
  return "Deleting User Profiles older than " + std::to_string(days) + " days:\n\n";
}

std::string orphanByAgeHeading(int days) {
  return "Deleting User Profiles with no valid user associations older than " +
         std::to_string(days) + " days:\n\n";
}

std::vector<std::string> remainingProfiles() {
  return subkeyNames(HKEY_LOCAL_MACHINE, kProfileList);
}

using KavellScan = KavellTest;

TEST_F(KavellScan, EmptyListPrintsOnlyHeadingAndClosing) {
  RunResult run = runKavell({}, work);
  EXPECT_EQ(run.out, expectedRun(kListHeading, "", "Process Completed.\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(KavellScan, ListShowsEveryProfileNotInUse) {
  std::string drivePath = work.substr(2);  // the temp folder without "C:"
  addProfile(kSystem, work + "\\system", REG_SZ);
  addProfile(kAdministrator, work + "\\admin", REG_EXPAND_SZ);
  addProfile("S-1-5-21-0-0-0-94441", "%SystemDrive%" + drivePath + "\\old", REG_EXPAND_SZ);
  addProfile("S-1-5-21-0-0-0-94442", "", REG_EXPAND_SZ);              // empty path: passed over
  createKey(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-94443"));  // no path: passed over
  addProfile("S-1-5-21-0-0-0-94444", "noslash", REG_SZ);
  addProfile("S-1-5-21-0-0-0-94445", work + "\\mid%SystemDrive%dle", REG_SZ);
  addProfile("S-1-5-21-0-0-0-94446", "%systemdrive%\\lower", REG_SZ);
  addProfile("S-1-5-21-0-0-0-94447", "%SystemRoot%\\other", REG_EXPAND_SZ);
  addProfile("S-1-5-21-0-0-0-94448", work + "\\loaded", REG_SZ);
  markLoaded("S-1-5-21-0-0-0-94448");
  addProfile("S-1-5-21-0-0-0-94449", work + "\\classes", REG_SZ);
  markLoaded("S-1-5-21-0-0-0-94449_Classes");  // a _Classes hive is not the profile's hive

  RunResult run = runKavell({"/LIST"}, work);
  std::string unknown = "Account Unknown\\";
  EXPECT_EQ(
      run.out,
      expectedRun(
          kListHeading,
          listedProfile("NT AUTHORITY\\SYSTEM", kSystem, work + "\\system") +
              listedProfile(localDomain() + "\\Administrator", kAdministrator, work + "\\admin") +
              listedProfile(unknown + "old", "S-1-5-21-0-0-0-94441", work + "\\old") +
              listedProfile(unknown, "S-1-5-21-0-0-0-94444", "noslash") +
              listedProfile(unknown + "mid%SystemDrive%dle", "S-1-5-21-0-0-0-94445",
                            work + "\\midC:dle") +
              listedProfile(unknown + "lower", "S-1-5-21-0-0-0-94446", "%systemdrive%\\lower") +
              listedProfile(unknown + "other", "S-1-5-21-0-0-0-94447", "%SystemRoot%\\other") +
              listedProfile(unknown + "classes", "S-1-5-21-0-0-0-94449", work + "\\classes"),
          "Process Completed.\n\n"));
  EXPECT_EQ(run.exitCode, 0u);
  // Listing deletes nothing.
  EXPECT_EQ(remainingProfiles().size(), 12u);
}

TEST_F(KavellScan, LoadedProfilesAreUntouchedInEveryMode) {
  for (const char* sid : {"S-1-5-21-0-0-0-94448", kAdministrator}) {
    std::string path = work + "\\" + sid;
    makeProfileTree(path);
    setLastWriteTime(path + "\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
    addProfile(sid, path, REG_SZ, "{00000000-0000-0000-0000-0000000000A1}");
    markLoaded(sid);
  }
  std::vector<std::string> before = listTree(work);
  const std::vector<std::vector<std::string>> commands = {
      {}, {"/LIST"}, {"/A"}, {"/D:0"}, {"/D:"}, {"/AD:0"}, {"administrator"}};
  for (const auto& args : commands) {
    RunResult run = runKavell(args, work);
    EXPECT_EQ(run.out.find("Deleting S-"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("User:"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Deleting Administrator"), std::string::npos) << run.out;
  }
  EXPECT_EQ(listTree(work), before);
  EXPECT_EQ(remainingProfiles(),
            (std::vector<std::string>{kWineUserSid, kAdministrator, "S-1-5-21-0-0-0-94448"}));
}

TEST_F(KavellScan, ClassesHiveDoesNotMakeAProfileLoaded) {
  makeProfileTree(work + "\\classes");
  addProfile(kOrphanSid, work + "\\classes");
  markLoaded(std::string(kOrphanSid) + "_Classes");
  EXPECT_EQ(runKavell({"/A"}, work).out,
            expectedRun(kOrphanHeading, deleting(kOrphanSid, "Account Unknown\\classes"),
                        "Process Completed.\n\n"));
  EXPECT_FALSE(folderExists(work + "\\classes"));
}

TEST_F(KavellScan, PathIsReadWhateverItsValueType) {
  std::string path = work + "\\binary";
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "ProfileImagePath", 0, REG_BINARY,
                 reinterpret_cast<const BYTE*>(path.c_str()), static_cast<DWORD>(path.size() + 1));
  RegCloseKey(key);
  // Stored without its terminating NUL, the path must still end where it ends.
  std::string unterminated = work + "\\bare";
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid2).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "ProfileImagePath", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(unterminated.c_str()),
                 static_cast<DWORD>(unterminated.size()));
  RegCloseKey(key);
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading,
                        listedProfile("Account Unknown\\bare", kOrphanSid2, unterminated) +
                            listedProfile("Account Unknown\\binary", kOrphanSid, path),
                        "Process Completed.\n\n"));
}

TEST_F(KavellScan, SidTextFormsResolveLikeTheSidTheyName) {
  // The hexadecimal authority, any revision text and a suffix after the last
  // number all come down to S-1-5-18; ".bak" on S-1-5-21-0-0-0-500 to the
  // Administrator.
  const char* names[] = {"S-1-0x000000000005-18", "S-1-5-18.bak", "S-1-5-21-0-0-0-500.bak",
                         "S-9-5-18", "S-x-5-18"};
  for (const char* name : names)
    addProfile(name, work + "\\p", REG_SZ);
  std::string system = "NT AUTHORITY\\SYSTEM", admin = localDomain() + "\\Administrator";
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading,
                        listedProfile(system, names[0], work + "\\p") +
                            listedProfile(system, names[1], work + "\\p") +
                            listedProfile(admin, names[2], work + "\\p") +
                            listedProfile(system, names[3], work + "\\p") +
                            listedProfile(system, names[4], work + "\\p"),
                        "Process Completed.\n\n"));
}

TEST_F(KavellScan, OrphanedDeletesOnlyUnmappedAccountsAndKeepsTheWalkGoing) {
  // In enumeration order: 1001 and 1002 do not map, 500 and 501 do, 9444x
  // do not. Consecutive removals must not skip the profile that moves up.
  const std::vector<std::string> orphans = {"S-1-5-21-0-0-0-1001", "S-1-5-21-0-0-0-1002",
                                            "S-1-5-21-0-0-0-94441", "S-1-5-21-0-0-0-94442",
                                            "S-1-5-21-0-0-0-94443"};
  for (const std::string& sid : orphans) {
    makeProfileTree(work + "\\" + sid);
    addProfile(sid, work + "\\" + sid);
  }
  for (const char* sid : {kAdministrator, kGuest, kSystem}) {
    makeProfileTree(work + "\\" + sid);
    addProfile(sid, work + "\\" + sid);
  }
  std::string body;
  for (const std::string& sid : orphans)
    body += deleting(sid, "Account Unknown\\" + sid);
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, expectedRun(kOrphanHeading, body, "Process Completed.\n\n"));
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(remainingProfiles(),
            (std::vector<std::string>{kSystem, kWineUserSid, kAdministrator, kGuest}));
  EXPECT_EQ(listFolder(work), (std::vector<std::string>{std::string(kSystem) + "\\",
                                                        std::string(kAdministrator) + "\\",
                                                        std::string(kGuest) + "\\"}));
  // A second run finds nothing more to do.
  EXPECT_EQ(runKavell({"/A"}, work).out, expectedRun(kOrphanHeading, "", "Process Completed.\n\n"));
}

TEST_F(KavellScan, OnlyTheComputersOwnUnmappedAccountsAreOrphans) {
  // All three fail the local look-up with 1332. Only the first belongs to this
  // computer's account domain; the second's domain cannot even be named here
  // (no controller can be asked), the third is a cloud directory's account.
  const std::string own = "S-1-5-21-0-0-0-4242", domain = "S-1-5-21-777-888-999-4242",
                    cloud = "S-1-12-1-1111-2222-3333-4444";
  auto listed = [&](const std::string& sid) {
    return listedProfile("Account Unknown\\" + sid, sid, work + "\\" + sid);
  };
  char digit = '1';
  for (const std::string& sid : {own, domain, cloud}) {
    makeProfileTree(work + "\\" + sid);
    setLastWriteTime(work + "\\" + sid + "\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
    std::string guid = "{00000000-0000-0000-0000-00000000000" + std::string(1, digit++) + "}";
    addProfile(sid, work + "\\" + sid, REG_EXPAND_SZ, guid);
    addPolicyKeys(sid, guid);
  }
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading, listed(cloud) + listed(own) + listed(domain),
                        "Process Completed.\n\n"));
  EXPECT_EQ(runKavell({"/AD:0"}, work).out,
            expectedRun(orphanByAgeHeading(0), deleting(own, "Account Unknown\\" + own),
                        "Process Completed."));
  EXPECT_EQ(runKavell({"/A"}, work).out, expectedRun(kOrphanHeading, "", "Process Completed.\n\n"));
  EXPECT_EQ(listFolder(work), (std::vector<std::string>{cloud + "\\", domain + "\\"}));
  for (const std::string& sid : {domain, cloud}) {
    EXPECT_TRUE(fileExists(work + "\\" + sid + "\\Documents\\letter.doc")) << sid;
    std::string guid = readStringValue(HKEY_LOCAL_MACHINE, profileKey(sid), "Guid");
    for (const std::string& key : {groupPolicyKey(sid), groupPolicyStateKey(sid),
                                   profileGuidKey(guid), policyGuidKey(guid)}) {
      EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, key)) << key;
    }
  }
}

TEST_F(KavellScan, UnparsableSidIsListedButNeverDeleted) {
  // A name that is no SID fails the look-up with 87, not 1332: the owner is
  // unknown, but nobody said the account is gone.
  for (const char* name : {"S-1-5", "NotASid"}) {
    makeProfileTree(work + "\\" + name);
    setLastWriteTime(work + "\\" + name + "\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
    addProfile(name, work + "\\" + name);
  }
  EXPECT_EQ(runKavell({"/LIST"}, work).out,
            expectedRun(kListHeading,
                        listedProfile("Account Unknown\\NotASid", "NotASid", work + "\\NotASid") +
                            listedProfile("Account Unknown\\S-1-5", "S-1-5", work + "\\S-1-5"),
                        "Process Completed.\n\n"));
  EXPECT_EQ(runKavell({"/A"}, work).out, expectedRun(kOrphanHeading, "", "Process Completed.\n\n"));
  EXPECT_EQ(runKavell({"/AD:0"}, work).out,
            expectedRun(orphanByAgeHeading(0), "", "Process Completed."));
  EXPECT_EQ(remainingProfiles(), (std::vector<std::string>{"NotASid", "S-1-5", kWineUserSid}));
  EXPECT_TRUE(fileExists(work + "\\S-1-5\\NTUSER.DAT"));
  EXPECT_TRUE(fileExists(work + "\\NotASid\\NTUSER.DAT"));
}

TEST_F(KavellScan, ByAgeGoesByTheHiveFileAlone) {
  auto profile = [&](const std::string& sid, const std::string& name) {
    makeProfileTree(work + "\\" + name);
    addProfile(sid, work + "\\" + name);
    return work + "\\" + name + "\\NTUSER.DAT";
  };
  setLastWriteTime(profile("S-1-5-21-0-0-0-94441", "old"), hoursFromNow(-10 * 24 - 1));
  setLastWriteTime(profile(kSystem, "system"), hoursFromNow(-10 * 24 - 1));  // no account exempt
  setLastWriteTime(profile("S-1-5-21-0-0-0-94442", "young"), hoursFromNow(-10 * 24 + 1));
  std::string missing = profile("S-1-5-21-0-0-0-94443", "nohive");
  DeleteFileA(missing.c_str());
  std::string held = profile("S-1-5-21-0-0-0-94444", "held");
  setLastWriteTime(held, hoursFromNow(-1000));
  // Only the hive file counts: a fresh file beside an old hive changes nothing.
  setLastWriteTime(profile("S-1-5-21-0-0-0-94445", "busy"), hoursFromNow(-11 * 24));
  makeFile(work + "\\busy\\fresh.txt", "today");

  HANDLE holder = holdOpenExclusively(held);
  RunResult run = runKavell({"/D:10"}, work);
  CloseHandle(holder);
  EXPECT_EQ(run.out, expectedRun(byAgeHeading(10),
                                 deleting(kSystem, "NT AUTHORITY\\SYSTEM") +
                                     deleting("S-1-5-21-0-0-0-94441", "Account Unknown\\old") +
                                     deleting("S-1-5-21-0-0-0-94445", "Account Unknown\\busy"),
                                 "Process Completed.\n"));
  EXPECT_EQ(listFolder(work), (std::vector<std::string>{"held\\", "nohive\\", "young\\"}));
  // A hive written after the moment of the test is not older than 0 days.
  setLastWriteTime(profile("S-1-5-21-0-0-0-94446", "future"), hoursFromNow(48));
  EXPECT_EQ(remainingProfiles(),
            (std::vector<std::string>{kWineUserSid, "S-1-5-21-0-0-0-94442", "S-1-5-21-0-0-0-94443",
                                      "S-1-5-21-0-0-0-94444", "S-1-5-21-0-0-0-94446"}));

  // With 0 days every hive written before now qualifies; still not a folder
  // without a hive.
  EXPECT_EQ(runKavell({"/D:0"}, work).out,
            expectedRun(byAgeHeading(0),
                        deleting("S-1-5-21-0-0-0-94442", "Account Unknown\\young") +
                            deleting("S-1-5-21-0-0-0-94444", "Account Unknown\\held"),
                        "Process Completed.\n"));
  EXPECT_EQ(listFolder(work), (std::vector<std::string>{"future\\", "nohive\\"}));
}

TEST_F(KavellScan, OrphanedByAgeNeedsBothAnUnmappedAccountAndAnOldHive) {
  auto profile = [&](const std::string& sid, const std::string& name, long long hours) {
    makeProfileTree(work + "\\" + name);
    addProfile(sid, work + "\\" + name);
    setLastWriteTime(work + "\\" + name + "\\NTUSER.DAT", hoursFromNow(hours));
  };
  profile(kSystem, "system", -30 * 24);
  profile(kAdministrator, "admin", -30 * 24);
  profile("S-1-5-21-0-0-0-94441", "old", -2 * 24 - 1);
  profile("S-1-5-21-0-0-0-94442", "young", -2 * 24 + 1);
  RunResult run = runKavell({"/AD:2"}, work);
  EXPECT_EQ(run.out, expectedRun(orphanByAgeHeading(2),
                                 deleting("S-1-5-21-0-0-0-94441", "Account Unknown\\old"),
                                 "Process Completed."));
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(listFolder(work), (std::vector<std::string>{"admin\\", "system\\", "young\\"}));
}

TEST_F(KavellScan, DayCountsReachingBefore1601SelectNothing) {
  // The oldest time every Linux file system here keeps is after 1901.
  makeProfileTree(work + "\\ancient");
  addProfile(kOrphanSid, work + "\\ancient");
  setLastWriteTime(work + "\\ancient\\NTUSER.DAT", fileTimeOf(1902, 1, 2));
  for (const char* arg : {"/D:200000", "/AD:2147483647", "/D:2147483647"}) {
    RunResult run = runKavell({arg}, work);
    EXPECT_EQ(run.out.find("Deleting S-"), std::string::npos) << arg << run.out;
  }
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  // About 110 years back the cut-off is after 1902: the profile qualifies.
  EXPECT_EQ(runKavell({"/D:40000"}, work).out,
            expectedRun(byAgeHeading(40000), deleting(kOrphanSid, "Account Unknown\\ancient"),
                        "Process Completed.\n"));
  EXPECT_FALSE(folderExists(work + "\\ancient"));
}

TEST_F(KavellScan, ByUserMatchesTheAccountNameIgnoringCase) {
  // Two profiles of one account (the second is a stale ".bak" entry, which
  // resolves to the same SID). Two domains with one name cannot be made with
  // Wine's local accounts, so that sentence stays with the unit tests.
  for (const std::string& sid : {std::string(kAdministrator), std::string(kAdministrator) + ".bak",
                                 std::string(kGuest), std::string(kOrphanSid)}) {
    makeProfileTree(work + "\\" + sid);
    addProfile(sid, work + "\\" + sid);
  }
  // ByUser ignores age and the hive file.
  DeleteFileA((work + "\\" + kAdministrator + ".bak\\NTUSER.DAT").c_str());

  // A name with a domain part never matches.
  EXPECT_EQ(runKavell({localDomain() + "\\Administrator"}, work).out,
            expectedRun("Deleting User Profile owned by " + localDomain() + "\\Administrator.\n\n",
                        "", "Process Completed.\n"));
  RunResult run = runKavell({"adMINistrator"}, work);
  EXPECT_EQ(run.out, expectedRun("Deleting User Profile owned by adMINistrator.\n\n",
                                 "Deleting Administrator\nDeleting Administrator\n",
                                 "Process Completed.\n"));
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(remainingProfiles(), (std::vector<std::string>{kWineUserSid, kGuest, kOrphanSid}));
  EXPECT_EQ(listFolder(work),
            (std::vector<std::string>{std::string(kGuest) + "\\", std::string(kOrphanSid) + "\\"}));
}

}  // namespace
