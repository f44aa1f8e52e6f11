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

// Runs chattr on a file and waits until it took effect: an immutable file
// refuses to be opened for writing.
bool setImmutable(const std::string& path, bool immutable) {
  runUnix(std::string("/usr/bin/chattr ") + (immutable ? "+i " : "-i ") + unixPathOf(path));
  for (int round = 0; round < 250; ++round) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    bool writable = file != INVALID_HANDLE_VALUE;
    if (writable)
      CloseHandle(file);
    if (writable != immutable)
      return true;
    Sleep(20);
  }
  return false;
}

// A command interpreter whose current directory is a given folder, waiting
// for input that never comes until the test ends it.
struct Sitter {
  PROCESS_INFORMATION process = {};
  HANDLE input = nullptr;
};

Sitter startSitter(const std::string& folder, const std::string& outputPath) {
  Sitter sitter;
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  EXPECT_TRUE(CreatePipe(&readEnd, &sitter.input, &inherit, 0));
  SetHandleInformation(sitter.input, HANDLE_FLAG_INHERIT, 0);
  HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = readEnd;
  startup.hStdOutput = output;
  startup.hStdError = output;
  std::string line = "C:\\windows\\system32\\cmd.exe /q /k cd";
  EXPECT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                             folder.c_str(), &startup, &sitter.process));
  CloseHandle(readEnd);
  CloseHandle(output);
  // "cd" prints the current directory once the interpreter is in place.
  for (int round = 0; round < 250 && readFile(outputPath).size() < folder.size(); ++round)
    Sleep(20);
  EXPECT_EQ(readFile(outputPath).compare(0, folder.size(), folder), 0)
      << "the sitter did not start in " << folder << ": " << readFile(outputPath);
  return sitter;
}

void stopSitter(Sitter& sitter) {
  if (sitter.process.hProcess != nullptr) {
    TerminateProcess(sitter.process.hProcess, 0);
    WaitForSingleObject(sitter.process.hProcess, 5000);
    CloseHandle(sitter.process.hThread);
    CloseHandle(sitter.process.hProcess);
  }
  if (sitter.input != nullptr)
    CloseHandle(sitter.input);
  sitter = Sitter();
}

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
  const std::string sids[] = {"S-1-5-21-7-7-7-1001", "S-1-5-21-7-7-7-1002", "S-1-5-21-7-7-7-1003",
                              "S-1-5-21-7-7-7-1004"};
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
  addProfile("S-1-5-21-7-7-7-1001", held);
  makeFolder(frozen);
  makeFile(frozen + "\\NTUSER.DAT", "hive", FILE_ATTRIBUTE_READONLY);
  addProfile("S-1-5-21-7-7-7-1002", frozen);
  held_ = holdOpenExclusively(held + "\\open.pst");
  immutable_ = frozen + "\\NTUSER.DAT";
  if (!setImmutable(frozen + "\\NTUSER.DAT", true)) {
    GTEST_SKIP() << "chattr +i does not take on this file system (it needs root and "
                    "ext2/3/4, xfs or btrfs): the immutable-file case was not tried";
  }
  RunResult run = runKavell({"/LIST"}, work);
  EXPECT_EQ(run.out,
            expectedRun("Listing User Profiles on the local computer currently not in use:\n\n",
                        listedProfile("Account Unknown\\held", "S-1-5-21-7-7-7-1001", held) +
                            listedProfile("Account Unknown\\frozen", "S-1-5-21-7-7-7-1002", frozen),
                        "Process Completed.\n\n"));
  EXPECT_EQ(listTree(held), std::vector<std::string>{"open.pst"});
  EXPECT_EQ(listTree(frozen), std::vector<std::string>{"NTUSER.DAT"});
  EXPECT_TRUE(GetFileAttributesA((frozen + "\\NTUSER.DAT").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-7-7-7-1001")));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey("S-1-5-21-7-7-7-1002")));
}
