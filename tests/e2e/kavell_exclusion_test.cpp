// Kavell's "/X:" exclusions and the refusal of options it does not know, in
// a deleting run.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";

std::string orphan(int n) {
  return "S-1-5-21-0-0-0-" + std::to_string(94440 + n);
}

bool wideFolderExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring wide(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

class KavellExclusions : public KavellTest {
 protected:
  // An orphaned profile n with a folder of that name under the work folder.
  void orphanProfile(int n, const std::wstring& name) {
    std::wstring path = wide(work) + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    HANDLE hive = CreateFileW((path + L"\\NTUSER.DAT").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hive, INVALID_HANDLE_VALUE);
    CloseHandle(hive);
    addWideProfile(orphan(n), path);
  }

  RunResult runWide(const std::wstring& arguments) {
    return runProgramWide(programUnderTest(), arguments, work);
  }
};

TEST_F(KavellExclusions, MatchingProfilesAreKeptWholeAndNamed) {
  orphanProfile(1, L"svc_backup");
  orphanProfile(2, L"svc_print");
  orphanProfile(3, L"jdoe");
  orphanProfile(4, L"\u0141ukasz");
  orphanProfile(5, L"Lukasz");
  RunResult run = runWide(L" /A /X:SVC_* /x:\u0142ukasz");
  EXPECT_EQ(run.out,
            expectedRun(kOrphanHeading,
                        "Excluded " + orphan(1) + " - Account Unknown\\svc_backup (/X:SVC_*)\n" +
                            "Excluded " + orphan(2) + " - Account Unknown\\svc_print (/X:SVC_*)\n" +
                            "Deleting " + orphan(3) + " - Account Unknown\\jdoe\n" + "Excluded " +
                            orphan(4) + " - Account Unknown\\?ukasz (/X:?ukasz)\n" + "Deleting " +
                            orphan(5) + " - Account Unknown\\Lukasz\n",
                        "Process Completed.\n\n"));
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList),
            (std::vector<std::string>{kWineUserSid, orphan(1), orphan(2), orphan(4)}));
  EXPECT_TRUE(fileExists(work + "\\svc_backup\\NTUSER.DAT"));
  EXPECT_TRUE(wideFolderExists(wide(work) + L"\\\u0141ukasz\\NTUSER.DAT"));
  EXPECT_EQ(listFolder(work).size(), 3u);
}

TEST_F(KavellExclusions, SidFolderAndAccountPatterns) {
  orphanProfile(1, L"alpha");
  orphanProfile(2, L"beta");
  addProfile(orphan(2) + ".bak", work + "\\beta");
  // A pattern with '?' matches the folder's name; the first match in
  // command-line order is named; the .bak twin's subkey name is its own.
  RunResult run = runWide(L" /A /X:*-94442.bak /X:al?ha /X:*-9444?");
  EXPECT_EQ(
      run.out,
      expectedRun(kOrphanHeading,
                  "Excluded " + orphan(1) + " - Account Unknown\\alpha (/X:al?ha)\n" + "Excluded " +
                      orphan(2) + " - Account Unknown\\beta (/X:*-9444?)\n" + "Excluded " +
                      orphan(2) + ".bak - Account Unknown\\beta (/X:*-94442.bak)\n",
                  "Process Completed.\n\n"));
  // An account that resolves matches by its name; /WHATIF prints the line alone.
  const std::string admin = "S-1-5-21-0-0-0-500";
  makeProfileTree(work + "\\admin");
  addProfile(admin, work + "\\admin");
  RunResult byName = runKavell({"/D:0", "/WHATIF", "/X:administrator"}, work);
  EXPECT_NE(byName.out.find(crlf("Excluded " + admin + " - " + localDomain() +
                                 "\\Administrator (/X:administrator)\n")),
            std::string::npos)
      << byName.out;
  EXPECT_EQ(byName.out.find("Would delete " + admin), std::string::npos);
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList).size(), 5u);
  RunResult real = runKavell({"/D:0", "/X:administrator"}, work);
  EXPECT_NE(real.out.find("Excluded " + admin), std::string::npos) << real.out;
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(admin)));
  EXPECT_TRUE(fileExists(work + "\\admin\\NTUSER.DAT"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(orphan(1))));
}

TEST_F(KavellExclusions, UnknownOptionsRefuseTheWholeRun) {
  orphanProfile(3, L"jdoe");
  std::string shortHelp = runKavell({"/D:x"}, work).out;
  ASSERT_EQ(shortHelp.rfind(crlf("\n\n\n\n*** ERROR: Invalid Entry. Program Terminated***\n\n"), 0),
            0u);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"/A", "/X:"},
                                             {"/A", "/EXCLUDE:jdoe"},
                                             {"/D:0", "/x"},
                                             {"/A", "-WhatIf"},
                                             {"/A", "extra", "/WHATIF", "-X:a"}}) {
    RunResult run = runKavell(args, work);
    EXPECT_EQ(run.out, shortHelp) << args.back();
    EXPECT_EQ(run.exitCode, 0u);
  }
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(orphan(3))));
  EXPECT_TRUE(fileExists(work + "\\jdoe\\NTUSER.DAT"));
  // "/?" anywhere wins; with /LIST the patterns do nothing and print no help.
  EXPECT_EQ(runKavell({"/A", "/EXCLUDE:a", "/?"}, work).out, runKavell({"/?"}, work).out);
  EXPECT_EQ(runKavell({"/LIST", "/X:jdoe"}, work).out, runKavell({"/LIST"}, work).out);
}

}  // namespace
