// Kavell's command line: help texts, headings and closing lines of each mode,
// switch spelling, invalid day counts and how arguments reach the program.
#include <gtest/gtest.h>

#include "kavell_fixtures.h"

namespace {

const char kIntroStart[] =
    "KAVELL is a command-line utility to delete local user profiles that are\n"
    "NOT in use when this command is executed.\n\n";

const char kIntroRest[] =
    "that will be of benefit to all admins. KAVELL has the ability to delete\n"
    "user profiles on the local machine based on age, username, or SID\n"
    "association. If a username has been deleted from a Domain or Workgroup, \n"
    "the profile often still exists with only a SID assigned to identify it.\n"
    "KAVELL can delete these profiles completely from the file system and \n"
    "registry regardless of the profile age, and without removing existing \n"
    "profiles of the same age.\n\n"
    "This tool could be simply run from the command line at any time, or added\n"
    "as a SCHEDULED TASK for regular cleaning of user profiles, reducing the\n"
    "overall disk space used for locally based profiles.\n\n"
    "KAVELL will only function when executed by a user with ADMIN rights to the\n"
    "profile directory.\n\n";

const char kUsage[] =
    "Usage:\n"
    "KAVELL [/LIST|username|/A|/D:days|/AD:days] [/?]\n\n"
    "  /LIST    - List all user profiles currently not in use (Default).\n"
    "  username - Delete user profile based on username.\n"
    "  /A       - Delete all user profiles that have no username association\n"
    "             i.e. The username has been deleted in Active Directory but\n"
    "             a profile still exists in form of a SID.\n"
    "  /D:days  - Delete all user profiles equal to or older than the number of\n"
    "             days specified. NB: /D: without a number is equal to /D:0.\n"
    "             /D:0 will remove CURRENT user profiles not in use.\n"
    "  /AD:days - Delete all user profiles that have no username association\n"
    "             and are equal to or older than the number of days specified.\n"
    "             NB: /AD: without a number is equal to /AD:0.\n"
    "  /WHATIF  - With a deleting mode: show what would be deleted; delete nothing.\n"
    "  /X:pattern - Keep profiles whose user, SID or folder name matches (* and ?).\n"
    "  /?       - show this help file\n\n"
    "KAVELL without parameters will execute the /LIST switch by default.\n\n"
    "Although written for Terminal Server and Citrix environments, this application\n"
    "will function on non-TS/Citrix workstations and servers.\n"
    "This application has been tested on the following platforms:\n\n"
    "Windows 2003 Server SP1\n"
    "Windows 2003 Server SP1 w/ Citrix PS 4.0\n"
    "Windows 2003  Server SP1 (Terminal Server Application Mode)\n"
    "Windows 2000  Server SP4\n"
    "Windows 2000  Server SP4 w/ Citrix MF XP\n"
    "Windows 2000  Server SP4 (Terminal Server Application Mode)\n"
    "Windows 2000  Server SP4 w/ Citrix MF 1.8\n"
    "Windows XP Professional (domain member)\n\n";

const char kInvalidEntry[] = "\n\n*** ERROR: Invalid Entry. Program Terminated***\n\n";

const char kListHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";
const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";

// The notice paragraph is in the project's own words: it must be there, in
// whole lines, and be the same paragraph after the short and the full help.
void expectNotice(const std::string& notice) {
  EXPECT_GE(linesOf(notice).size(), 1u) << "no notice paragraph";
  EXPECT_EQ(notice.substr(notice.size() < 2 ? 0 : notice.size() - 2), "\r\n");
  EXPECT_EQ(notice.find("\r\n\r\n\r\n"), std::string::npos) << "stray blank lines: " << notice;
  EXPECT_NE(notice.substr(0, 2), "\r\n") << "the notice starts with a blank line";
}

// Splits a full help (starting right at its first line) into its fixed parts,
// checks them and the two free introduction lines, and returns the notice
// paragraph that follows the usage block, ending where `after` begins.
std::string checkFullHelp(const std::string& help, size_t end) {
  std::string start = crlf(kIntroStart);
  EXPECT_EQ(help.substr(0, start.size()), start);
  size_t rest = help.find(crlf(kIntroRest));
  EXPECT_NE(rest, std::string::npos) << help;
  if (rest == std::string::npos)
    return "";
  std::vector<std::string> free = linesOf(help.substr(start.size(), rest - start.size()));
  EXPECT_EQ(free.size(), 2u) << "two introduction lines of the project's own wording";
  if (free.size() == 2) {
    EXPECT_FALSE(free[0].empty());
    const std::string ending = "This utility offers extra features";
    EXPECT_GE(free[1].size(), ending.size());
    EXPECT_EQ(free[1].substr(free[1].size() - std::min(free[1].size(), ending.size())), ending);
  }
  size_t usage = rest + crlf(kIntroRest).size();
  EXPECT_EQ(help.substr(usage, crlf(kUsage).size()), crlf(kUsage));
  size_t notice = usage + crlf(kUsage).size();
  return help.substr(notice, end - notice);
}

// Checks a short help starting at `at` and returns its notice paragraph,
// which runs up to `end`.
std::string checkShortHelp(const std::string& text, size_t at, size_t end) {
  EXPECT_EQ(text.substr(at, crlf(kUsage).size()), crlf(kUsage));
  size_t notice = at + crlf(kUsage).size();
  return end > notice ? text.substr(notice, end - notice) : "";
}

using KavellCommandLine = KavellTest;

TEST_F(KavellCommandLine, FullHelpIsExactApartFromTheFreeLines) {
  RunResult run = runKavell({"/?"}, work);
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(run.out.substr(0, 4), "\r\n\r\n");
  std::string notice = checkFullHelp(run.out.substr(4), run.out.size() - 4);
  expectNotice(notice);
  // The help ends with the notice: nothing of a scan follows.
  EXPECT_EQ(run.out.find("Process Completed."), std::string::npos);
}

TEST_F(KavellCommandLine, ShortHelpAndFullHelpEndWithTheSameNotice) {
  RunResult full = runKavell({"/?"}, work);
  std::string fullNotice = checkFullHelp(full.out.substr(4), full.out.size() - 4);
  // "/? extra": the short help, then the full help.
  RunResult both = runKavell({"/?", "extra"}, work);
  EXPECT_EQ(both.exitCode, 0u);
  EXPECT_EQ(both.out.substr(0, 4), "\r\n\r\n");
  size_t fullStart = both.out.find(crlf(kIntroStart));
  ASSERT_NE(fullStart, std::string::npos);
  EXPECT_EQ(checkShortHelp(both.out, 4, fullStart), fullNotice);
  EXPECT_EQ(both.out.substr(fullStart), full.out.substr(4));
}

TEST_F(KavellCommandLine, SecondArgumentHelpShowsOnlyTheFullHelp) {
  addProfile(kOrphanSid, work + "\\old");
  makeProfileTree(work + "\\old");
  RunResult help = runKavell({"/?"}, work);
  for (const char* first : {"/LIST", "/A", "/D:0", "/AD:0", "/D:5x", "someone"}) {
    RunResult run = runKavell({first, "/?"}, work);
    EXPECT_EQ(run.out, help.out) << first;
    EXPECT_EQ(run.exitCode, 0u);
  }
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_TRUE(fileExists(work + "\\old\\NTUSER.DAT"));
}

TEST_F(KavellCommandLine, ListWithAnExtraArgumentShowsTheShortHelpFirst) {
  RunResult help = runKavell({"/?", "x"}, work);
  size_t fullStart = help.out.find(crlf(kIntroStart));
  std::string shortHelp = help.out.substr(4, fullStart - 4);
  RunResult run = runKavell({"/LIST", "extra"}, work);
  EXPECT_EQ(run.out,
            crlf("\n\n") + shortHelp + crlf(kListHeading) + crlf("\n\nProcess Completed.\n\n"));
  EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(KavellCommandLine, HeadingsAndClosingLinesOfEveryMode) {
  struct Case {
    std::vector<std::string> args;
    std::string heading, closing;
  };
  const Case cases[] = {
      {{}, kListHeading, "Process Completed.\n"},
      {{"/LIST"}, kListHeading, "Process Completed.\n\n"},
      {{"/A"}, kOrphanHeading, "Process Completed.\n\n"},
      {{"/D:3"}, "Deleting User Profiles older than 3 days:\n\n", "Process Completed.\n"},
      {{"/AD:3"},
       "Deleting User Profiles with no valid user associations older than 3 days:\n\n",
       "Process Completed."},
      {{"nobody"}, "Deleting User Profile owned by nobody.\n\n", "Process Completed.\n"},
  };
  for (const Case& c : cases) {
    RunResult run = runKavell(c.args, work);
    EXPECT_EQ(run.out, expectedRun(c.heading, "", c.closing));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exitCode, 0u);
  }
}

TEST_F(KavellCommandLine, SwitchesIgnoreLetterCase) {
  addProfile(kOrphanSid, work + "\\old");
  std::string listing = listedProfile("Account Unknown\\old", kOrphanSid, work + "\\old");
  for (const char* spelling : {"/list", "/List", "/LiSt"}) {
    EXPECT_EQ(runKavell({spelling}, work).out,
              expectedRun(kListHeading, listing, "Process Completed.\n\n"))
        << spelling;
  }
  EXPECT_EQ(
      runKavell({"/d:7"}, work).out,
      expectedRun("Deleting User Profiles older than 7 days:\n\n", "", "Process Completed.\n"));
  EXPECT_EQ(
      runKavell({"/ad:2"}, work).out,
      expectedRun("Deleting User Profiles with no valid user associations older than 2 days:\n\n",
                  "", "Process Completed."));
  EXPECT_EQ(runKavell({"/aD:2"}, work).out, runKavell({"/AD:2"}, work).out);
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  // "/a" is the orphan switch: it deletes the unresolved profile.
  EXPECT_EQ(runKavell({"/a"}, work).out,
            expectedRun(kOrphanHeading,
                        "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\old\n",
                        "Process Completed.\n\n"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
}

TEST_F(KavellCommandLine, DayCountsWithoutNumberOrWithLeadingZeros) {
  EXPECT_EQ(
      runKavell({"/D:"}, work).out,
      expectedRun("Deleting User Profiles older than 0 days:\n\n", "", "Process Completed.\n"));
  EXPECT_EQ(
      runKavell({"/AD:"}, work).out,
      expectedRun("Deleting User Profiles with no valid user associations older than 0 days:\n\n",
                  "", "Process Completed."));
  EXPECT_EQ(
      runKavell({"/D:007"}, work).out,
      expectedRun("Deleting User Profiles older than 7 days:\n\n", "", "Process Completed.\n"));
  // The largest count that fits a signed 32-bit number is still a count.
  EXPECT_EQ(runKavell({"/D:2147483647"}, work).out,
            expectedRun("Deleting User Profiles older than 2147483647 days:\n\n", "",
                        "Process Completed.\n"));
}

TEST_F(KavellCommandLine, NearSwitchesAreUserNames) {
  addProfile(kOrphanSid, work + "\\old");
  makeProfileTree(work + "\\old");
  std::vector<std::string> before = listTree(work + "\\old");
  for (const char* name : {"/D", "/AD", "/A:5", "/LISTX", "/AX", "/?x", "/"}) {
    RunResult run = runKavell({name}, work);
    EXPECT_EQ(run.out, expectedRun("Deleting User Profile owned by " + std::string(name) + ".\n\n",
                                   "", "Process Completed.\n"))
        << name;
    EXPECT_EQ(run.exitCode, 0u);
  }
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_EQ(listTree(work + "\\old"), before);
}

TEST_F(KavellCommandLine, InvalidDayCountsStopBeforeAnyScan) {
  addProfile(kOrphanSid, work + "\\old");
  makeProfileTree(work + "\\old");
  setLastWriteTime(work + "\\old\\NTUSER.DAT", fileTimeOf(2001, 1, 1));
  RunResult help = runKavell({"/?", "x"}, work);
  std::string shortHelp = help.out.substr(4, help.out.find(crlf(kIntroStart)) - 4);
  std::string expected = crlf(std::string("\n\n") + kInvalidEntry) + shortHelp;
  const std::string seventyNine = "/D:" + std::string(75, '0') + "1";
  const std::vector<std::string> invalid = {
      "/D:5x",
      "/D:-1",
      "/D:+1",
      "/D: 5",
      "/AD:x",
      "/ad:-0",
      "/D:1.5",
      "/D:\xb2",
      // Numbers that do not fit a signed 32-bit count.
      "/D:2147483648",
      "/AD:4294967296",
      "/D:99999999999999999999",
      // Arguments longer than 79 characters, even with a small value.
      seventyNine + "0",
      "/AD:" + std::string(76, '0'),
  };
  std::vector<std::string> before = listTree(work + "\\old");
  for (const std::string& arg : invalid) {
    RunResult run = runKavell({arg}, work);
    EXPECT_EQ(run.out, expected) << arg;
    EXPECT_EQ(run.exitCode, 0u);
  }
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_EQ(listTree(work + "\\old"), before);
  // 79 characters still fit: the count is 1, and the old profile goes.
  ASSERT_EQ(seventyNine.size(), 79u);
  EXPECT_EQ(runKavell({seventyNine}, work).out,
            expectedRun("Deleting User Profiles older than 1 days:\n\n",
                        "Deleting " + std::string(kOrphanSid) + " - Account Unknown\\old\n",
                        "Process Completed.\n"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, profileKey(kOrphanSid)));
  EXPECT_FALSE(folderExists(work + "\\old"));
}

TEST_F(KavellCommandLine, WildcardArgumentsReachTheProgramAsTyped) {
  // Files a wildcard would match stand in the working folder: the argument
  // must still arrive as typed, not as a list of their names.
  makeFile(work + "\\x.txt", "x");
  makeFile(work + "\\abc", "y");
  EXPECT_EQ(runProgramRaw(programUnderTest(), " *", work).out,
            expectedRun("Deleting User Profile owned by *.\n\n", "", "Process Completed.\n"));
  EXPECT_EQ(runProgramRaw(programUnderTest(), " a?c", work).out,
            expectedRun("Deleting User Profile owned by a?c.\n\n", "", "Process Completed.\n"));
}

TEST_F(KavellCommandLine, UserNameIsPrintedAsTyped) {
  for (const char* name : {"%s%d%n%x", "50%", "O'Brien", "\xe9t\xe9"}) {
    RunResult run = runKavell({name}, work);
    EXPECT_EQ(run.out, expectedRun("Deleting User Profile owned by " + std::string(name) + ".\n\n",
                                   "", "Process Completed.\n"))
        << name;
    EXPECT_EQ(run.exitCode, 0u);
  }
}

TEST_F(KavellCommandLine, QuotedUserNameArrivesWhole) {
  RunResult quoted = runProgramRaw(programUnderTest(), " \"John Smith\"", work);
  EXPECT_EQ(quoted.out, expectedRun("Deleting User Profile owned by John Smith.\n\n", "",
                                    "Process Completed.\n"));
  // Unquoted, "Smith" is a second argument: short help, then the name "John".
  RunResult help = runKavell({"/?", "x"}, work);
  std::string shortHelp = help.out.substr(4, help.out.find(crlf(kIntroStart)) - 4);
  RunResult split = runProgramRaw(programUnderTest(), " John Smith", work);
  EXPECT_EQ(split.out,
            crlf("\n\n") + shortHelp +
                crlf("Deleting User Profile owned by John.\n\n\n\nProcess Completed.\n"));
  // Arguments after the second are never read.
  RunResult three = runKavell({"/LIST", "/A", "/?"}, work);
  EXPECT_EQ(three.out,
            crlf("\n\n") + shortHelp + crlf(kListHeading) + crlf("\n\nProcess Completed.\n\n"));
}

}  // namespace
