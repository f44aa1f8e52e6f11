#include "registry_cleanup.h"

#include <gtest/gtest.h>

#include "registry_keys.h"

namespace {

std::wstring wide(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

bool keyExists(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

// The documented flags, as windows.h spells them, make up the masks in use.
static_assert(treeDeleteAccess == (DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_WOW64_64KEY), "");
static_assert(readAccess == (KEY_READ | KEY_WOW64_64KEY), "");
static_assert(deleteView == KEY_WOW64_64KEY, "");

// Every test works below its own key HKLM\SOFTWARE\<unique name>.
class RegistryCleanup : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    root = "SOFTWARE\\KavellTest-" + std::to_string(GetCurrentProcessId()) + "-" + test->name();
    makeKey(root);
  }

  void TearDown() override { deleteRegistryTree(HKEY_LOCAL_MACHINE, wide(root)); }

  static void makeKey(const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    RegSetValueExA(key, "Value", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2);
    RegCloseKey(key);
  }

  std::string root;
};

TEST_F(RegistryCleanup, DeletesAKeyWithItsWholeSubtree) {
  std::string profile = root + "\\S-1-5-21-1-2-3-1001";
  for (const char* sub : {"", "\\a", "\\a\\b", "\\a\\b\\c", "\\d", "\\e"})
    makeKey(profile + sub);
  makeKey(root + "\\S-1-5-21-1-2-3-1002");
  makeKey(root + "\\S-1-5-21-1-2-3-10011");
  EXPECT_EQ(deleteRegistryTree(HKEY_LOCAL_MACHINE, wide(profile)), 0u);
  EXPECT_FALSE(keyExists(profile));
  EXPECT_TRUE(keyExists(root + "\\S-1-5-21-1-2-3-1002"));
  EXPECT_TRUE(keyExists(root + "\\S-1-5-21-1-2-3-10011"));
}

TEST_F(RegistryCleanup, MissingKeyAndEmptyPath) {
  EXPECT_EQ(deleteRegistryTree(HKEY_LOCAL_MACHINE, wide(root + "\\absent")),
            static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(deleteRegistryTree(HKEY_LOCAL_MACHINE, wide("")),
            static_cast<unsigned long>(ERROR_BADKEY));
  EXPECT_TRUE(keyExists(root));
}

TEST_F(RegistryCleanup, SubkeyThatStaysKeepsTheKeysAboveIt) {
  std::string profile = root + "\\profile";
  makeKey(profile + "\\Locked\\Inner");
  HKEY locked;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (profile + "\\Locked").c_str(), 0,
                          WRITE_DAC | KEY_WOW64_64KEY, &locked),
            ERROR_SUCCESS);
  // An empty access list denies everyone, the deletion of its subkey included.
  SECURITY_DESCRIPTOR denyAll;
  ACL emptyList;
  InitializeSecurityDescriptor(&denyAll, SECURITY_DESCRIPTOR_REVISION);
  InitializeAcl(&emptyList, sizeof(emptyList), ACL_REVISION);
  SetSecurityDescriptorDacl(&denyAll, TRUE, &emptyList, FALSE);
  ASSERT_EQ(RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, &denyAll), ERROR_SUCCESS);

  EXPECT_EQ(deleteRegistryTree(HKEY_LOCAL_MACHINE, wide(profile)),
            static_cast<unsigned long>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(keyExists(profile));

  SECURITY_DESCRIPTOR allowAll;
  InitializeSecurityDescriptor(&allowAll, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&allowAll, TRUE, nullptr, FALSE);
  RegSetKeySecurity(locked, DACL_SECURITY_INFORMATION, &allowAll);
  RegCloseKey(locked);
}

// The profile's keys live at fixed places; the SID and GUID used here are
// this test's own, and no profile-list entry is made for it, so that no
// program scanning the same registry meanwhile sees a profile.
class ProfileEntries : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string unique = std::to_string(GetCurrentProcessId());
    sid = "S-1-5-21-7-7-" + unique + "-1001";
    otherSid = "S-1-5-21-7-7-" + unique + "-1002";
    guid = "{7E57" + unique + "-0000-0000-0000-000000000001}";
    otherGuid = "{7E57" + unique + "-0000-0000-0000-000000000002}";
  }

  void TearDown() override {
    removeProfileRegistryEntries(wide(sid), wide(guid));
    removeProfileRegistryEntries(wide(otherSid), wide(otherGuid));
  }

  static std::vector<std::string> keysOf(const std::string& sid, const std::string& guid) {
    std::vector<std::string> paths;
    profileKeyPaths(sid, guid, &paths);
    return paths;
  }

  void makeKeys(const std::string& sid, const std::string& guid) {
    std::vector<std::string> paths = keysOf(sid, guid);
    // Every key but the profile-list one, each with a subkey of its own.
    for (size_t i = 1; i < paths.size(); ++i)
      makeKey(paths[i] + "\\Sub");
  }

  static void makeKey(const std::string& path) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  std::string sid, otherSid, guid, otherGuid;
};

TEST_F(ProfileEntries, RemovesThePolicyAndGuidKeysOfThisProfileOnly) {
  makeKeys(sid, guid);
  makeKeys(otherSid, otherGuid);
  EXPECT_TRUE(removeProfileRegistryEntries(wide(sid), wide(guid)).empty());
  for (const std::string& path : keysOf(sid, guid))
    EXPECT_FALSE(keyExists(path)) << path;
  std::vector<std::string> others = keysOf(otherSid, otherGuid);
  for (size_t i = 1; i < others.size(); ++i)
    EXPECT_TRUE(keyExists(others[i])) << others[i];
  EXPECT_TRUE(keyExists("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileGuid"));
}

TEST_F(ProfileEntries, WithoutGuidTheGuidKeysStay) {
  makeKeys(sid, guid);
  EXPECT_TRUE(removeProfileRegistryEntries(wide(sid), wide("")).empty());
  std::vector<std::string> paths = keysOf(sid, guid);
  EXPECT_FALSE(keyExists(paths[1]));
  EXPECT_FALSE(keyExists(paths[2]));
  EXPECT_TRUE(keyExists(paths[3]));
  EXPECT_TRUE(keyExists(paths[4]));
}

TEST_F(ProfileEntries, SecondRunFindsNothingAndReportsNothing) {
  makeKeys(sid, guid);
  EXPECT_TRUE(removeProfileRegistryEntries(wide(sid), wide(guid)).empty());
  EXPECT_TRUE(removeProfileRegistryEntries(wide(sid), wide(guid)).empty());
}

}  // namespace
