#include "profile_age.h"

#include <gtest/gtest.h>

#include "age_cutoff.h"

namespace {

class ProfileAge : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = std::string(temp) + "kavell-age-" + std::to_string(GetCurrentProcessId()) + "-" +
             test->name();
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    hive = folder + "\\NTUSER.DAT";
  }

  void TearDown() override {
    DeleteFileA(hive.c_str());
    RemoveDirectoryA(folder.c_str());
  }

  // Writes the hive with a last-write time `age` intervals before now.
  void writeHive(uint64_t age) {
    HANDLE file = CreateFileA(hive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    uint64_t written =
        ((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) - age;
    FILETIME time = {static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
  }

  std::wstring wideFolder() const { return std::wstring(folder.begin(), folder.end()); }

  std::string folder;
  std::string hive;
};

constexpr uint64_t hour = fileTimeDay / 24;

TEST_F(ProfileAge, OlderThanTheDayCountByAnHour) {
  writeHive(30 * fileTimeDay + hour);
  EXPECT_TRUE(isProfileOlderThan(wideFolder(), 30));
  EXPECT_TRUE(isProfileOlderThan(wideFolder(), 0));
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), 31));
}

TEST_F(ProfileAge, WrittenAnHourAgoIsOnlyZeroDaysOld) {
  writeHive(hour);
  EXPECT_TRUE(isProfileOlderThan(wideFolder(), 0));
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), 1));
}

TEST_F(ProfileAge, OtherFilesDoNotCount) {
  std::string other = folder + "\\old.txt";
  HANDLE file = CreateFileA(other.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  FILETIME ancient = {0, 0x01000000};
  SetFileTime(file, nullptr, nullptr, &ancient);
  CloseHandle(file);
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), 0));
  DeleteFileA(other.c_str());
}

TEST_F(ProfileAge, HiveHeldOpenForWritingIsNeverOld) {
  writeHive(100 * fileTimeDay);
  HANDLE held =
      CreateFileA(hive.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), 1));
  CloseHandle(held);
  EXPECT_TRUE(isProfileOlderThan(wideFolder(), 1));
}

TEST_F(ProfileAge, CutoffBefore1601SelectsNothing) {
  writeHive(100 * fileTimeDay);
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), INT32_MAX));
  EXPECT_FALSE(isProfileOlderThan(wideFolder(), 200000));
  EXPECT_TRUE(isProfileOlderThan(wideFolder(), 99));
}

TEST_F(ProfileAge, MissingFolderOrPathTooLong) {
  EXPECT_FALSE(isProfileOlderThan(wideFolder() + L"\\absent", 0));
  EXPECT_FALSE(isProfileOlderThan(std::wstring(250, L'x'), 0));
}

}  // namespace
