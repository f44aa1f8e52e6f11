#include "tree_walk.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(TreeWalk, FolderReplacedAfterTheListingIsCaught) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string base = std::string(temp) + "kavell-tw-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((base + "\\sub").c_str(), nullptr));
  void* folder = nullptr;
  ASSERT_EQ(openFolderByPath(L"\\\\?\\" + std::wstring(base.begin(), base.end()), &folder), 0u);
  ListedEntry listed;
  EXPECT_EQ(findListedName(folder, L"sub", &listed), 0u);
  // Between the listing and the open, the name is given to another folder.
  EXPECT_TRUE(MoveFileA((base + "\\sub").c_str(), (base + "\\away").c_str()));
  EXPECT_TRUE(CreateDirectoryA((base + "\\sub").c_str(), nullptr));
  OpenedEntry opened;
  EXPECT_EQ(openListedEntry(folder, listed, OpenPurpose::remove, &opened), 0u);
  EXPECT_EQ(checkOpenedEntry(listed.facts, opened.facts), EntryAction::stop);
  closeHandle(opened.handle);
  closeHandle(folder);
  for (const char* name : {"\\sub", "\\away", ""})
    RemoveDirectoryA((base + name).c_str());
}

}  // namespace
