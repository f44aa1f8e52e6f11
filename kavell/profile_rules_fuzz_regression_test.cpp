// Folder paths the fuzzer found that the removal guard let through although
// Windows reads them as another folder than the one written.
#include <gtest/gtest.h>

#include "profile_rules.h"

namespace {

bool dangerous(const std::string& path) {
  return isDangerousFolder(path, singleByteCodePage());
}

TEST(ProfileRulesFuzzRegression, TrailingBlanksAndDotsThatWindowsDropsAreRefused) {
  // Windows drops a component's trailing dots and blanks: each of these would
  // reach the drive root or the folder that holds every profile.
  EXPECT_TRUE(dangerous("C:\\ "));
  EXPECT_TRUE(dangerous("C:\\..."));
  EXPECT_TRUE(dangerous("C:\\Users\\ "));
  EXPECT_TRUE(dangerous("C:\\Users\\jsmith."));
  EXPECT_TRUE(dangerous("C:\\Users.\\jsmith"));
  EXPECT_TRUE(dangerous("\\\\server\\share\\. "));
}

TEST(ProfileRulesFuzzRegression, ForwardSlashesSeparateComponentsToo) {
  EXPECT_TRUE(dangerous("C:\\/"));
  EXPECT_TRUE(dangerous("C:\\Users/.."));
  EXPECT_TRUE(dangerous("C:\\Users\\jsmith/../.."));
}

TEST(ProfileRulesFuzzRegression, ADeviceNamespaceShareRootIsRefused) {
  EXPECT_TRUE(dangerous("\\\\?\\UNC\\server\\share"));
  EXPECT_TRUE(dangerous("\\\\?\\C:\\"));
}

TEST(ProfileRulesFuzzRegression, OrdinaryProfileFoldersStayRemovable) {
  EXPECT_FALSE(dangerous("C:\\Users\\jsmith"));
  EXPECT_FALSE(dangerous("C:\\Users\\j.smith\\"));
  EXPECT_FALSE(dangerous("C:\\Documents and Settings\\John Smith"));
  EXPECT_FALSE(dangerous("\\\\server\\profiles\\jsmith"));
}

}  // namespace
