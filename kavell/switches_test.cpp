#include "switches.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

Invocation decide(std::vector<const char*> args) {
  return decideInvocation(static_cast<int>(args.size()), args.data(), singleByteCodePage());
}

void expectScan(const Invocation& run, ScanMode mode, int32_t days, const std::string& heading,
                const std::string& closing) {
  EXPECT_EQ(run.action, Action::Scan);
  EXPECT_EQ(run.mode, mode);
  EXPECT_EQ(run.days, days);
  EXPECT_EQ(run.heading, heading);
  EXPECT_EQ(run.closing, closing);
}

const char listHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";

TEST(Switches, NoArgumentListsAndClosesWithOneBreak) {
  expectScan(decide({}), ScanMode::List, -1, listHeading, "Process Completed.\n");
  EXPECT_FALSE(decide({}).shortHelpFirst);
}

TEST(Switches, SwitchesIgnoreLetterCase) {
  for (const char* list : {"/LIST", "/list", "/List"}) {
    expectScan(decide({list}), ScanMode::List, -1, listHeading, "Process Completed.\n\n");
  }
  for (const char* all : {"/A", "/a"}) {
    expectScan(decide({all}), ScanMode::Orphaned, -1,
               "Deleting User Profiles with no valid user associations:\n\n",
               "Process Completed.\n\n");
  }
}

TEST(Switches, DayCountSwitches) {
  expectScan(decide({"/d:7"}), ScanMode::ByAge, 7, "Deleting User Profiles older than 7 days:\n\n",
             "Process Completed.\n");
  expectScan(decide({"/D:007"}), ScanMode::ByAge, 7,
             "Deleting User Profiles older than 7 days:\n\n", "Process Completed.\n");
  expectScan(decide({"/D:"}), ScanMode::ByAge, 0, "Deleting User Profiles older than 0 days:\n\n",
             "Process Completed.\n");
  expectScan(decide({"/ad:2"}), ScanMode::OrphanedByAge, 2,
             "Deleting User Profiles with no valid user associations older than 2 days:\n\n",
             "Process Completed.");
  EXPECT_EQ(decide({"/AD:"}).days, 0);
}

TEST(Switches, LookalikesAreUserNames) {
  for (const char* name : {"/D", "/AD", "/A:5", "/LISTX", "/AX", "jsmith", "John Smith"}) {
    Invocation run = decide({name});
    expectScan(run, ScanMode::ByUser, -1,
               std::string("Deleting User Profile owned by ") + name + ".\n\n",
               "Process Completed.\n");
    EXPECT_EQ(run.userName, name);
  }
}

TEST(Switches, InvalidDayCounts) {
  for (const char* bad :
       {"/D:5x", "/D:-1", "/D:+1", "/D: 5", "/AD:1.5", "/D:2147483648", "/AD:99999999999"}) {
    EXPECT_EQ(decide({bad}).action, Action::InvalidEntry) << bad;
  }
  EXPECT_EQ(decide({"/D:2147483647"}).days, 2147483647);
}

TEST(Switches, ArgumentsOver79CharactersAreInvalid) {
  std::string fits = "/D:" + std::string(75, '0') + "1";
  ASSERT_EQ(fits.size(), 79u);
  EXPECT_EQ(decide({fits.c_str()}).days, 1);
  std::string tooLong = fits + "0";
  EXPECT_EQ(decide({tooLong.c_str()}).action, Action::InvalidEntry);
  std::string longName(80, 'u');
  EXPECT_EQ(decide({longName.c_str()}).action, Action::InvalidEntry);
}

TEST(Switches, SecondArgument) {
  EXPECT_EQ(decide({"/LIST", "/?"}).action, Action::FullHelp);
  EXPECT_FALSE(decide({"/LIST", "/?"}).shortHelpFirst);
  Invocation extra = decide({"/LIST", "extra"});
  EXPECT_TRUE(extra.shortHelpFirst);
  expectScan(extra, ScanMode::List, -1, listHeading, "Process Completed.\n\n");
  Invocation helpExtra = decide({"/?", "extra"});
  EXPECT_TRUE(helpExtra.shortHelpFirst);
  EXPECT_EQ(helpExtra.action, Action::FullHelp);
  // Only a deleting mode reads past the second argument.
  EXPECT_EQ(decide({"/A", "x", "/?"}).action, Action::FullHelp);
  EXPECT_EQ(decide({"/LIST", "x", "/?"}).action, Action::Scan);
}

TEST(Switches, DigitsAndDayCountParsing) {
  EXPECT_TRUE(isAllDigits(""));
  EXPECT_TRUE(isAllDigits("0123456789"));
  EXPECT_FALSE(isAllDigits("12a"));
  EXPECT_FALSE(isAllDigits("\xB9"));
  int32_t days = -5;
  EXPECT_TRUE(parseDayCount("", &days));
  EXPECT_EQ(days, 0);
  EXPECT_TRUE(parseDayCount("0000000000000000000042", &days));
  EXPECT_EQ(days, 42);
  EXPECT_FALSE(parseDayCount("4294967297", &days));
  EXPECT_EQ(days, 42);
}

TEST(Switches, WhatIfAndExclusionsAnywhereAfterADeletingMode) {
  for (const char* first : {"/A", "/d:90", "/AD:3", "jsmith"}) {
    Invocation run = decide({first, "/x:svc_*", "/WhatIf", "/X:a?", "/WHATIF"});
    EXPECT_EQ(run.action, Action::Scan) << first;
    EXPECT_TRUE(run.whatIf) << first;
    EXPECT_FALSE(run.shortHelpFirst) << first;
    EXPECT_EQ(run.exclusionArguments, (std::vector<int>{1, 3})) << first;
  }
  // A plain word still only adds the short help, and "/?" anywhere wins.
  Invocation words = decide({"John", "Smith", "/X:j*"});
  EXPECT_TRUE(words.shortHelpFirst);
  EXPECT_EQ(words.userName, "John");
  EXPECT_EQ(decide({"/A", "/EXCLUDE:a", "/?"}).action, Action::FullHelp);
  EXPECT_EQ(decide({"/WHATIF"}).userName, "/WHATIF");
}

TEST(Switches, UnknownOptionRefusesADeletingRun) {
  for (const char* extra : {"/X:", "/EXCLUDE:a", "/x", "-WhatIf", "-X:a", "/WHATIF2", "-"}) {
    Invocation run = decide({"/D:0", "more", extra});
    EXPECT_EQ(run.action, Action::InvalidEntry) << extra;
    EXPECT_FALSE(run.shortHelpFirst) << extra;
  }
}

TEST(Switches, ListAndRefusedFirstArgumentsReadOnlyTheSecond) {
  for (const char* quiet : {"/WHATIF", "/x:", "/X:jdoe"}) {
    Invocation list = decide({"/LIST", quiet});
    EXPECT_FALSE(list.shortHelpFirst) << quiet;
    EXPECT_FALSE(list.whatIf);
    EXPECT_TRUE(list.exclusionArguments.empty());
  }
  EXPECT_TRUE(decide({"/LIST", "/EXCLUDE:a"}).shortHelpFirst);
  EXPECT_EQ(decide({"/LIST", "/EXCLUDE:a"}).action, Action::Scan);
  EXPECT_TRUE(decide({"/D:x", "/WHATIF"}).shortHelpFirst);
  EXPECT_EQ(decide({"/D:x", "/WHATIF"}).action, Action::InvalidEntry);
  EXPECT_TRUE(decide({"/?", "/X:a"}).shortHelpFirst);
}

}  // namespace
