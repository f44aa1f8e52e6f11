// Kavell removing profiles whose folders hold what cannot go: a file held
// open by another process, a file made immutable from the Unix side
// (chattr +i), a folder that is another process's current directory. Each
// such profile gets its "Deleting" line and one line saying what stayed; its
// registry entries go all the same; the scan goes on to the next profile; and
// nothing outside the selected profiles is touched.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";
const char kGuid[] = "{5A1C0E2B-7D3F-4E61-9B8A-0C2D4E6F8A10}";

class KavellObstacles : public KavellTest {
 protected:
  void TearDown() override {
    if (!immutable_.empty()) {
      EXPECT_TRUE(setImmutable(immutable_, false)) << "cannot undo chattr +i on " << immutable_;
    }
    if (held_ != INVALID_HANDLE_VALUE)
      CloseHandle(held_);
    stopSitter(sitter_);
    KavellTest::TearDown();
  }

  std::string immutable_;
  HANDLE held_ = INVALID_HANDLE_VALUE;
  Sitter sitter_;
};

std::string leftBehind(const std::string& folder, const std::string& stoppedAt, DWORD code) {
  std::string line = "  Folder left behind: " + folder;
  if (!stoppedAt.empty())
    line += " (stopped at " + stoppedAt + ")";
  return line + " - error " + std::to_string(code) + ": " + win32ErrorText(code) + "\n";
}

}  // namespace

TEST_F(KavellObstacles, EachStuckFolderIsReportedAndTheScanGoesOn) {
  // In enumeration order: a plain profile with read-only, hidden and system
  // entries, then one obstacle per profile, each alone in its folder so that
  // what stays is known whatever order the walk meets entries in.
  const std::string sids[] = {"S-1-5-21-0-0-0-71001", "S-1-5-21-0-0-0-71002",
                              "S-1-5-21-0-0-0-71003", "S-1-5-21-0-0-0-71004"};
  const std::string plain = work + "\\plain", held = work + "\\held";
  const std::string frozen = work + "\\frozen", busy = work + "\\busy";
  makeProfileTree(plain);
  addProfile(sids[0], plain, REG_EXPAND_SZ, kGuid);
  addPolicyKeys(sids[0], kGuid);
  makeFolder(held);
  makeFile(held + "\\open.pst", "mail");
  addProfile(sids[1], held);
  makeFolder(frozen);
  makeFile(frozen + "\\NTUSER.DAT", "hive");
  addProfile(sids[2], frozen);
  makeFolder(busy);
  makeFolder(busy + "\\Desktop");
  makeFile(busy + "\\Desktop\\todo.txt", "work");
  addProfile(sids[3], busy);
  makeFolder(work + "\\bystander");
  makeFile(work + "\\bystander\\keep.txt", "keep", FILE_ATTRIBUTE_READONLY);

  held_ = holdOpenExclusively(held + "\\open.pst");
  immutable_ = frozen + "\\NTUSER.DAT";
  if (!setImmutable(frozen + "\\NTUSER.DAT", true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-file case was not tried";
  }
  sitter_ = startSitter(busy + "\\Desktop", work + "\\sitter.out");

  RunResult run = runKavell({"/A"}, work);

  EXPECT_EQ(run.exitCode, 0u);
  // An immutable file seems deleted to the walk; the folder around it then
  // cannot go, and that is what the line names.
  EXPECT_EQ(run.out,
            expectedRun(kOrphanHeading,
                        "Deleting " + sids[0] +
                            " - Account Unknown\\plain\n"
                            "Deleting " +
                            sids[1] + " - Account Unknown\\held\n" +
                            leftBehind(held, held + "\\open.pst", ERROR_SHARING_VIOLATION) +
                            "Deleting " + sids[2] + " - Account Unknown\\frozen\n" +
                            leftBehind(frozen, "", ERROR_DIR_NOT_EMPTY) + "Deleting " + sids[3] +
                            " - Account Unknown\\busy\n" +
                            leftBehind(busy, busy + "\\Desktop", ERROR_SHARING_VIOLATION),
                        "Process Completed.\n\n"));
  EXPECT_FALSE(folderExists(plain));
  EXPECT_EQ(listTree(held), std::vector<std::string>{"open.pst"});
  EXPECT_EQ(listTree(frozen), std::vector<std::string>{"NTUSER.DAT"});
  EXPECT_EQ(readFile(frozen + "\\NTUSER.DAT"), "hive");
  EXPECT_EQ(listTree(busy), std::vector<std::string>{"Desktop\\"});
  EXPECT_EQ(listTree(work + "\\bystander"), std::vector<std::string>{"keep.txt"});
  // The registry clean-up ran for every profile, whatever became of its folder.
  for (const std::string& sid : sids)
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(sid))) << sid;
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, groupPolicyKey(sids[0])));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileGuidKey(kGuid)));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
}

TEST_F(KavellObstacles, ListingTouchesNothingAndSeesEveryObstacleProfile) {
  const std::string held = work + "\\held", frozen = work + "\\frozen";
  makeFolder(held);
  makeFile(held + "\\open.pst", "mail");
  addProfile("S-1-5-21-0-0-0-71001", held);
  makeFolder(frozen);
  makeFile(frozen + "\\NTUSER.DAT", "hive", FILE_ATTRIBUTE_READONLY);
  addProfile("S-1-5-21-0-0-0-71002", frozen);
  held_ = holdOpenExclusively(held + "\\open.pst");
  immutable_ = frozen + "\\NTUSER.DAT";
  if (!setImmutable(frozen + "\\NTUSER.DAT", true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-file case was not tried";
  }
  RunResult run = runKavell({"/LIST"}, work);
  EXPECT_EQ(run.out,
            expectedRun("Listing User Profiles on the local computer currently not in use:\n\n",
                        listedProfile("Account Unknown\\held", "S-1-5-21-0-0-0-71001", held) +
                            listedProfile("Account Unknown\\frozen", "S-1-5-21-0-0-0-71002",
                                          frozen),
                        "Process Completed.\n\n"));
  EXPECT_EQ(listTree(held), std::vector<std::string>{"open.pst"});
  EXPECT_EQ(listTree(frozen), std::vector<std::string>{"NTUSER.DAT"});
  EXPECT_TRUE(GetFileAttributesA((frozen + "\\NTUSER.DAT").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-71001")));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-0-0-0-71002")));
}
