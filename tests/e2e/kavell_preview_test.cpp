// Kavell's what-if runs and the profile service's record of a profile's last
// use: what a deleting mode would delete, said and not done, and which time
// ages a profile.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kWhatIf[] = "(what-if: nothing is deleted)\n";
const char kByAge90[] = "Deleting User Profiles older than 90 days:\n\n";
const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";

void setDword(const std::string& sid, const std::string& name, DWORD value,
              DWORD type = REG_DWORD) {
  setRawValue(HKEY_LOCAL_MACHINE, profileKey(sid), name, type,
              std::string(reinterpret_cast<const char*>(&value), sizeof(value)));
}

// The profile service's record of a load and an unload.
void recordTimes(const std::string& sid, const FILETIME& load, const FILETIME& unload) {
  setDword(sid, "LocalProfileLoadTimeLow", load.dwLowDateTime);
  setDword(sid, "LocalProfileLoadTimeHigh", load.dwHighDateTime);
  setDword(sid, "LocalProfileUnloadTimeLow", unload.dwLowDateTime);
  setDword(sid, "LocalProfileUnloadTimeHigh", unload.dwHighDateTime);
}

std::string orphan(int n) {
  return "S-1-5-21-0-0-0-" + std::to_string(94440 + n);
}

std::string unknown(int n, const std::string& name) {
  return orphan(n) + " - Account Unknown\\" + name + "\n";
}

// The lines a real run prints for the same profiles: the what-if run's
// lines without its own.
std::string asRealRun(const std::string& preview) {
  std::string real;
  for (const std::string& line : linesOf(preview)) {
    if (line == "(what-if: nothing is deleted)" || line.rfind("  Size: ", 0) == 0 ||
        line.rfind("  Last used: ", 0) == 0)
      continue;
    real += line.rfind("Would delete", 0) == 0 ? "Deleting" + line.substr(12) : line;
    real += "\r\n";
  }
  return real;
}

using KavellPreview = KavellTest;

TEST_F(KavellPreview, AgeIsTheRecordedUnloadWhenItCanBeTrusted) {
  const FILETIME march1 = fileTimeOf(2025, 3, 1), march2 = fileTimeOf(2025, 3, 2);
  auto profile = [&](int n, const std::string& name, const FILETIME& hive) {
    makeFolder(work + "\\" + name);
    makeFile(work + "\\" + name + "\\NTUSER.DAT", "hive");
    setLastWriteTime(work + "\\" + name + "\\NTUSER.DAT", hive);
    addProfile(orphan(n), work + "\\" + name);
  };
  const FILETIME fresh = hoursFromNow(-1), old = fileTimeOf(2020, 1, 1);
  profile(1, "serviceold", fresh);
  recordTimes(orphan(1), march1, march2);
  profile(2, "servicerecent", old);
  recordTimes(orphan(2), hoursFromNow(-11 * 24), hoursFromNow(-10 * 24));
  profile(3, "loadonly", fresh);
  setDword(orphan(3), "LocalProfileLoadTimeLow", march1.dwLowDateTime);
  setDword(orphan(3), "LocalProfileLoadTimeHigh", march1.dwHighDateTime);
  profile(4, "unloadfirst", fresh);
  recordTimes(orphan(4), march2, march1);
  profile(5, "wrongtype", fresh);
  recordTimes(orphan(5), march1, march2);
  setDword(orphan(5), "LocalProfileUnloadTimeHigh", march2.dwHighDateTime, REG_BINARY);
  profile(6, "future", old);
  recordTimes(orphan(6), march1, hoursFromNow(48));
  profile(7, "before2018", fresh);
  recordTimes(orphan(7), fileTimeOf(2017, 1, 1), fileTimeOf(2017, 1, 2));
  std::vector<std::string> keysBefore = subkeyNames(HKEY_LOCAL_MACHINE, kProfileList);
  std::vector<std::string> filesBefore = listTree(work);

  RunResult preview = runKavell({"/D:90", "/whatif"}, work);
  std::string body = "Would delete " + unknown(1, "serviceold") +
                     "  Last used: 2025-03-02 00:00 UTC (profile service)\n"
                     "  Size: 1 MB in 1 files\n"
                     "Would delete " +
                     unknown(6, "future") +
                     "  Last used: 2020-01-01 00:00 UTC (hive written)\n"
                     "  Size: 1 MB in 1 files\n";
  EXPECT_EQ(preview.out,
            expectedRun(std::string(kByAge90) + kWhatIf, body, "Process Completed.\n"));
  EXPECT_EQ(preview.exitCode, 0u);
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), keysBefore);
  EXPECT_EQ(listTree(work), filesBefore);

  RunResult run = runKavell({"/D:90"}, work);
  EXPECT_EQ(run.out,
            expectedRun(kByAge90,
                        "Deleting " + unknown(1, "serviceold") + "Deleting " + unknown(6, "future"),
                        "Process Completed.\n"));
  EXPECT_EQ(listFolder(work),
            (std::vector<std::string>{"before2018\\", "loadonly\\", "servicerecent\\",
                                      "unloadfirst\\", "wrongtype\\"}));
}

TEST_F(KavellPreview, WhatIfCountsWhatTheRemovalWouldTakeAndLeavesEverything) {
  std::string outside = folder("outside");
  makeFile(outside + "\\big.bin", std::string(5 << 20, 'b'));
  std::string sized = work + "\\sized";
  makeFolder(sized);
  makeFile(sized + "\\NTUSER.DAT", std::string(1 << 20, 'h'));
  makeFolder(sized + "\\sub", FILE_ATTRIBUTE_HIDDEN);
  makeFolder(sized + "\\sub\\deep");
  makeFile(sized + "\\sub\\deep\\one.txt", "1", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  makeFile(sized + "\\.dot", "0123456789");
  ASSERT_TRUE(makeUnixLink(sized + "\\Linked", outside)) << "cannot make a link here";
  addProfile(orphan(1), sized);
  addProfile(orphan(2), work + "\\missing");
  // The inner folder is kept while the outer one's entry stays; the outer one
  // is not, since the inner one's profile would go first.
  makeFolder(work + "\\outer");
  makeFile(work + "\\outer\\a.txt", "abc");
  makeFolder(work + "\\outer\\inner");
  makeFile(work + "\\outer\\inner\\b.txt", "de");
  addProfile(orphan(3), work + "\\outer\\inner");
  addProfile(orphan(4), work + "\\outer");
  std::vector<std::string> keysBefore = subkeyNames(HKEY_LOCAL_MACHINE, kProfileList);
  std::vector<std::string> filesBefore = listTree(work);

  RunResult preview = runKavell({"/A", "/WHATIF"}, work);
  std::string body =
      "Would delete " + unknown(1, "sized") + "  Size: 2 MB in 4 files\n" + "Would delete " +
      unknown(2, "missing") + "  Size: 0 MB in 0 files\n" + "Would delete " + unknown(3, "inner") +
      "  Size: 0 MB in 0 files\n" + "  Folder left behind: " + work +
      "\\outer\\inner - a system folder or another profile's folder is never removed\n" +
      "Would delete " + unknown(4, "outer") + "  Size: 1 MB in 2 files\n";
  EXPECT_EQ(preview.out,
            expectedRun(std::string(kOrphanHeading) + kWhatIf, body, "Process Completed.\n\n"));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), keysBefore);
  EXPECT_EQ(listTree(work), filesBefore);
  EXPECT_EQ(listTree(outside), std::vector<std::string>{"big.bin"});

  // What the real run does is what the preview said, line for line. Wine
  // cannot remove a link to a folder that is not empty, an access error that
  // no preview foresees, so the link goes first.
  runUnix("/bin/rm " + unixPath(sized + "\\Linked"));
  ASSERT_TRUE(waitForPath(sized + "\\Linked", false));
  RunResult run = runKavell({"/A"}, work);
  EXPECT_EQ(run.out, asRealRun(preview.out));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
}

TEST_F(KavellPreview, WhatIfByUserAndListPrintNoShortHelp) {
  const std::string admin = "S-1-5-21-0-0-0-500";
  makeFolder(work + "\\admin");
  makeFile(work + "\\admin\\NTUSER.DAT", "hive");
  addProfile(admin, work + "\\admin");
  RunResult run = runKavell({"administrator", "/WhatIf"}, work);
  EXPECT_EQ(
      run.out,
      expectedRun(std::string("Deleting User Profile owned by administrator.\n\n") + kWhatIf,
                  "Would delete Administrator\n  Size: 1 MB in 1 files\n", "Process Completed.\n"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(admin)));
  EXPECT_TRUE(fileExists(work + "\\admin\\NTUSER.DAT"));
  EXPECT_EQ(runKavell({"/LIST", "/WHATIF"}, work).out, runKavell({"/LIST"}, work).out);
}

}  // namespace
