#include "removal_report.h"

#include <gtest/gtest.h>

namespace {

TEST(RemovalReport, TrimsTheSystemsLineBreak) {
  EXPECT_EQ(trimMessage("Access is denied.\r\n"), "Access is denied.");
  EXPECT_EQ(trimMessage("  \r\n"), "");
  EXPECT_EQ(trimMessage(" a b \t"), " a b");
}

TEST(RemovalReport, FolderLineNamesWhereItStopped) {
  EXPECT_EQ(folderFailureLine("C:\\users\\old", "C:\\users\\old\\locked.txt", 32,
                              "The process cannot access the file.\r\n"),
            "  Folder left behind: C:\\users\\old (stopped at C:\\users\\old\\locked.txt)"
            " - error 32: The process cannot access the file.\n");
  EXPECT_EQ(folderFailureLine("C:\\users\\old", "C:\\users\\old", 5, ""),
            "  Folder left behind: C:\\users\\old - error 5\n");
}

TEST(RemovalReport, ReplacedLineNamesWhereItStopped) {
  EXPECT_EQ(replacedFolderLine("C:\\users\\old", "C:\\users\\old\\AppData"),
            "  Folder left behind: C:\\users\\old (stopped at C:\\users\\old\\AppData)"
            " - it was replaced during the removal\n");
  EXPECT_EQ(replacedFolderLine("C:\\users\\old", "C:\\users\\old"),
            "  Folder left behind: C:\\users\\old - it was replaced during the removal\n");
}

TEST(RemovalReport, RegistryLineNamesTheWholeKey) {
  EXPECT_EQ(registryFailureLine("SOFTWARE\\x\\S-1-5", 5, "Access is denied.\r\n"),
            "  Registry key left behind: HKEY_LOCAL_MACHINE\\SOFTWARE\\x\\S-1-5"
            " - error 5: Access is denied.\n");
}

TEST(RemovalReport, DangerousFolderLine) {
  std::string line = dangerousFolderLine("C:\\");
  EXPECT_EQ(line.rfind("  Folder left behind: C:\\ - ", 0), 0u);
  EXPECT_EQ(line.back(), '\n');
}

}  // namespace
