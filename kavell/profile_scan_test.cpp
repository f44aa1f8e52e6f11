#include "profile_scan.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// The Wine user's own profile is loaded for as long as the session runs.
TEST(LoadedProfiles, TheCurrentUsersHiveAndFolderAreLoaded) {
  LoadedFolderCache cache;
  LoadedProfiles loaded = readLoadedProfiles(&cache);
  EXPECT_TRUE(loaded.readable);
  EXPECT_TRUE(contains(loaded.sids, "S-1-5-21-0-0-0-1000"));
  const char* home = getenv("USERPROFILE");
  ASSERT_NE(home, nullptr);
  bool found = false;
  for (const std::string& folder : loaded.folders) {
    found = found || folderContains(folder, home, singleByteCodePage());
  }
  EXPECT_TRUE(found) << home;
}

TEST(LoadedProfiles, AHiveLoadedDuringTheRunIsSeen) {
  std::string name = "KavellTestHive-" + std::to_string(GetCurrentProcessId());
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_USERS, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  LoadedFolderCache cache;
  bool seen = contains(readLoadedProfiles(&cache).sids, name);
  RegDeleteKeyA(HKEY_USERS, name.c_str());
  EXPECT_TRUE(seen);
  // It has no profile-list entry: remembered as having no folder.
  std::wstring wideName(name.begin(), name.end());
  EXPECT_EQ(cache.folderOf.count(wideName), 1u);
  EXPECT_EQ(cache.folderOf[wideName].text, "");
  EXPECT_FALSE(cache.folderOf[wideName].identity.known);
  EXPECT_FALSE(contains(readLoadedProfiles(&cache).sids, name));
}

// The wording differs between systems ("Access is denied." on Windows); what
// matters is that it is there and ends without the system's line break.
TEST(SystemMessage, TrimmedTextOfACode) {
  std::string text = systemMessage(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("ccess"), std::string::npos) << text;
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  EXPECT_NE(text.back(), ' ');
  EXPECT_EQ(systemMessage(0x2FFFFFFF), "");
}

}  // namespace
