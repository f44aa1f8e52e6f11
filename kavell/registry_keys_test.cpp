#include "registry_keys.h"

#include <gtest/gtest.h>

namespace {

// The values below are those of Microsoft's documentation ("Registry Key
// Security and Access Rights", "Accessing an Alternate Registry View",
// "Standard Access Rights"), written out here so that a wrong flag fails.
TEST(RegistryAccess, MasksAskForThe64BitView) {
  EXPECT_EQ(keyWow64View64, 0x0100u);
  EXPECT_EQ(deleteRight, 0x00010000u);
  EXPECT_EQ(keyEnumerateSubKeys, 0x0008u);
  EXPECT_EQ(keyRead, 0x20019u);
  EXPECT_EQ(readAccess, 0x20119u);
  EXPECT_EQ(treeDeleteAccess, 0x10108u);
  EXPECT_EQ(deleteView, 0x0100u);
}

TEST(ProfileKeys, FiveKeysInOrderWithGuid) {
  std::vector<std::string> paths;
  ASSERT_TRUE(profileKeyPaths("S-1-5-21-1-2-3-1001", "{AB-CD}", &paths));
  std::vector<std::string> expected = {
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1001",
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\S-1-5-21-1-2-3-1001",
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\S-1-5-21-1-2-3-1001",
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileGuid\\{AB-CD}",
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\PolicyGuid\\{AB-CD}"};
  EXPECT_EQ(paths, expected);
}

TEST(ProfileKeys, WithoutGuidOnlyTheSidKeys) {
  std::vector<std::string> paths;
  ASSERT_TRUE(profileKeyPaths("S-1-5-18", "", &paths));
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(paths[2],
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\S-1-5-18");
}

TEST(ProfileKeys, NameThatIsNoSidNamesNoPolicyKeys) {
  std::vector<std::string> paths;
  ASSERT_TRUE(profileKeyPaths("State", "{AB-CD}", &paths));
  std::vector<std::string> expected = {
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\State",
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileGuid\\{AB-CD}",
      "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\PolicyGuid\\{AB-CD}"};
  EXPECT_EQ(paths, expected);
}

TEST(ProfileKeys, GuidWithABackslashNamesNoGuidKeys) {
  std::vector<std::string> paths;
  ASSERT_TRUE(profileKeyPaths("S-1-5-18", "{AB}\\..", &paths));
  EXPECT_EQ(paths.size(), 3u);
}

TEST(ProfileKeys, PathThatDoesNotFitIsRefusedWhole) {
  std::vector<std::string> paths = {"untouched"};
  // The longest prefix is the group-policy state key's, 61 characters.
  std::string prefix = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\";
  std::string fits = "S-1-5-" + std::string(255 - prefix.size() - 6, '1');
  EXPECT_TRUE(profileKeyPaths(fits, "", &paths));
  EXPECT_EQ(paths[2].size(), 255u);
  paths = {"untouched"};
  EXPECT_FALSE(profileKeyPaths(fits + "1", "", &paths));
  EXPECT_FALSE(profileKeyPaths("S-1-5-18", std::string(250, 'g'), &paths));
  EXPECT_FALSE(profileKeyPaths("", "", &paths));
  // A name that is no SID fits the same rooms as one that is.
  EXPECT_FALSE(profileKeyPaths(std::string(256 - prefix.size(), 'x'), "", &paths));
  EXPECT_EQ(paths, std::vector<std::string>({"untouched"}));
}

TEST(ProfileKeys, WideNamesAreKeptExactly) {
  std::vector<std::wstring> paths;
  // Each key is named by the name as stored, never by a look-alike of it.
  ASSERT_TRUE(profileKeyPaths(L"S-1-5-21-1-2-3-\uff14", L"{\u00c9}", &paths));
  ASSERT_EQ(paths.size(), 5u);
  EXPECT_EQ(paths[0],
            L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-\uff14");
  EXPECT_EQ(paths[2],
            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\"
            L"S-1-5-21-1-2-3-\uff14");
  EXPECT_EQ(paths[4], L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\PolicyGuid\\{\u00c9}");
  EXPECT_FALSE(profileKeyPaths(L"S-1-5-21-1-2-3-1001", std::wstring(200, L'\u00c9'), &paths));
}

}  // namespace
