#include "entry_check.h"

#include <gtest/gtest.h>

namespace {

const uint32_t folderLink = directoryAttribute | reparsePointAttribute;
const uint32_t symlinkTag = 0xA000000C, cloudTag = 0x9000001A;  // cloud: no name surrogate

EntryFacts facts(uint32_t attributes, uint64_t fileId, uint32_t tag = 0) {
  return EntryFacts{attributes, tag, fileId};
}

FolderIdentity identity(uint32_t volume, uint64_t index) {
  FolderIdentity made;
  made.known = true;
  made.volume = volume;
  made.index = index;
  return made;
}

TEST(EntryCheck, WhatWasListedIsEnteredOrRemoved) {
  EXPECT_EQ(checkOpenedEntry(facts(0x10, 7), facts(0x10, 7)), EntryAction::enter);
  EXPECT_EQ(checkOpenedEntry(facts(0x410, 7, cloudTag), facts(0x410, 7, cloudTag)),
            EntryAction::enter);
  EXPECT_EQ(checkOpenedEntry(facts(0x21, 7), facts(0x21, 7)), EntryAction::remove);
  // A link opened as itself (Windows), or a folder made a link in place.
  EXPECT_EQ(checkOpenedEntry(facts(folderLink, 7, symlinkTag), facts(folderLink, 7, symlinkTag)),
            EntryAction::remove);
  EXPECT_EQ(checkOpenedEntry(facts(0x10, 7), facts(folderLink, 7, symlinkTag)),
            EntryAction::remove);
}

TEST(EntryCheck, AnotherFileOrAFollowedLinkStops) {
  EXPECT_EQ(checkOpenedEntry(facts(0x10, 7), facts(0x10, 8)), EntryAction::stop);
  EXPECT_EQ(checkOpenedEntry(facts(0x20, 7), facts(0x20, 8)), EntryAction::stop);
  EXPECT_EQ(checkOpenedEntry(facts(0x10, 7), facts(0x20, 7)), EntryAction::stop);
  // Wine: the listing shows the link (tag 0, the target's id), the handle the target.
  EXPECT_EQ(checkOpenedEntry(facts(folderLink, 9), facts(0x10, 9)), EntryAction::stop);
}

TEST(EntryCheck, TopFolderMustBeTheOneTestedUnlessALink) {
  EXPECT_EQ(checkTopFolder(facts(0x10, 7), facts(0x10, 7), 3, identity(3, 7)), EntryAction::enter);
  EXPECT_EQ(checkTopFolder(facts(0x10, 7), facts(0x10, 7), 4, identity(3, 7)), EntryAction::stop);
  EXPECT_EQ(checkTopFolder(facts(0x10, 7), facts(0x10, 7), 3, identity(3, 8)), EntryAction::stop);
  EXPECT_EQ(checkTopFolder(facts(0x10, 7), facts(0x10, 7), 0, FolderIdentity()), EntryAction::stop);
  EXPECT_EQ(checkTopFolder(facts(folderLink, 5, symlinkTag), facts(folderLink, 5, symlinkTag), 3,
                           identity(3, 7)),
            EntryAction::remove);
}

TEST(EntryCheck, SplitsTheLastNameOffItsFolder) {
  std::wstring parent, name;
  ASSERT_TRUE(splitLastName(L"\\\\?\\C:\\users\\old. ", &parent, &name));
  EXPECT_EQ(parent + L"|" + name, L"\\\\?\\C:\\users|old. ");
  ASSERT_TRUE(splitLastName(L"\\\\?\\C:\\old", &parent, &name));
  EXPECT_EQ(parent, L"\\\\?\\C:\\");
  ASSERT_TRUE(splitLastName(L"\\\\?\\UNC\\srv\\share\\old", &parent, &name));
  EXPECT_EQ(parent, L"\\\\?\\UNC\\srv\\share\\");
  for (const wchar_t* path : {L"\\\\?\\C:\\", L"\\\\?\\C:", L"\\\\?\\UNC\\srv\\share",
                              L"\\\\?\\C:\\a\\..", L"\\\\?\\C:\\a*", L"old"})
    EXPECT_FALSE(splitLastName(path, &parent, &name)) << std::wstring(path).size();
}

}  // namespace
