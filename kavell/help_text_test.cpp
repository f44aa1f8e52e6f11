#include "help_text.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);)
    lines.push_back(line);
  return lines;
}

TEST(HelpText, ShortHelpStartsAtUsage) {
  std::string text = usageText(false);
  EXPECT_EQ(text.rfind("Usage:\nKAVELL [/LIST|username|/A|/D:days|/AD:days] [/?]\n\n", 0), 0u);
  EXPECT_NE(text.find("  /?       - show this help file\n\n"
                      "KAVELL without parameters will execute the /LIST switch by default.\n\n"),
            std::string::npos);
}

TEST(HelpText, FullHelpIsIntroductionThenShortHelp) {
  std::string full = usageText(true);
  std::string brief = usageText(false);
  ASSERT_GT(full.size(), brief.size());
  EXPECT_EQ(full.substr(full.size() - brief.size()), brief);
  EXPECT_EQ(full.rfind("KAVELL is a command-line utility to delete local user profiles that are\n"
                       "NOT in use when this command is executed.\n\n",
                       0),
            0u);
}

TEST(HelpText, OwnIntroductionLinesEndAsRequired) {
  std::vector<std::string> lines = linesOf(usageText(true));
  ASSERT_GT(lines.size(), 6u);
  EXPECT_FALSE(lines[3].empty());
  EXPECT_EQ(lines[4].size() - lines[4].rfind("This utility offers extra features"),
            std::string("This utility offers extra features").size());
  EXPECT_EQ(lines[5], "that will be of benefit to all admins. KAVELL has the ability to delete");
}

TEST(HelpText, KeepsTrailingBlanksAndDoubleBlanks) {
  std::string full = usageText(true);
  EXPECT_NE(full.find("association. If a username has been deleted from a Domain or Workgroup, \n"),
            std::string::npos);
  EXPECT_NE(full.find("registry regardless of the profile age, and without removing existing \n"),
            std::string::npos);
  EXPECT_NE(full.find("Windows 2003 Server SP1\nWindows 2003 Server SP1 w/ Citrix PS 4.0\n"
                      "Windows 2003  Server SP1 (Terminal Server Application Mode)\n"),
            std::string::npos);
  EXPECT_NE(full.find("Windows 2000  Server SP4 w/ Citrix MF 1.8\n"
                      "Windows XP Professional (domain member)\n\n"),
            std::string::npos);
}

TEST(HelpText, EndsWithNoticeParagraph) {
  std::string text = usageText(false);
  size_t platforms = text.find("Windows XP Professional (domain member)\n\n");
  ASSERT_NE(platforms, std::string::npos);
  std::string notice = text.substr(platforms + 41);
  EXPECT_GT(notice.size(), 40u);
  EXPECT_EQ(notice.substr(notice.size() - 2), "\n\n");
}

TEST(HelpText, InvalidEntryError) {
  EXPECT_STREQ(invalidEntryText, "\n\n*** ERROR: Invalid Entry. Program Terminated***\n\n");
}

}  // namespace
