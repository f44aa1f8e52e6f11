#include "entry_check.h"

#include <gtest/gtest.h>

namespace {

const EntryIdentity kPlainFile{0x20, 0, 41};
const EntryIdentity kFolder{0x10, 0, 42};
// Wine lists a Unix symbolic link to a folder with tag 0 and the target's id.
const EntryIdentity kWineFolderLink{0x410, 0, 99};
const EntryIdentity kSymbolicLink{0x420, 0xA000000C, 41};
const EntryIdentity kCloudPlaceholder{0x420, 0x9000001A, 41};

TEST(EntryCheck, LinksAreNameSurrogatesAndTagZero) {
  EXPECT_TRUE(isLink(kSymbolicLink));
  EXPECT_TRUE(isLink(EntryIdentity{0x410, 0xA0000003, 5}));  // a junction
  EXPECT_TRUE(isLink(kWineFolderLink));
  EXPECT_FALSE(isLink(kCloudPlaceholder));
  EXPECT_FALSE(isLink(kPlainFile));
  EXPECT_TRUE(isReparsePoint(kCloudPlaceholder));
  EXPECT_FALSE(isReparsePoint(kFolder));
}

TEST(EntryCheck, SameIdAndNoLinkIsTheListedEntry) {
  EXPECT_EQ(OpenedEntry::Listed, compareWithListing(kPlainFile, kPlainFile));
  EXPECT_EQ(OpenedEntry::Listed, compareWithListing(kCloudPlaceholder, kCloudPlaceholder));
}

TEST(EntryCheck, AnotherIdUnderTheNameWasSwapped) {
  // As Wine shows a file or folder renamed away and a link to another put in
  // its place: the open follows the link and gives the target's id.
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kFolder, EntryIdentity{0x10, 0, 99}));
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kPlainFile, EntryIdentity{0x20, 0, 7}));
}

TEST(EntryCheck, ReparsePointWhereTheListingShowedNoneWasSwapped) {
  // As Windows shows it: the link itself is opened, whatever its id.
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kPlainFile, kSymbolicLink));
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kFolder, EntryIdentity{0x410, 0, 42}));
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kPlainFile, kCloudPlaceholder));
}

TEST(EntryCheck, UnknownAttributesLeaveTheIdToDecide) {
  EXPECT_EQ(OpenedEntry::Listed, compareWithListing(kPlainFile, EntryIdentity{0, 0, 41}));
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(kPlainFile, EntryIdentity{0, 0, 40}));
}

TEST(EntryCheck, ListingWithoutIdsLeavesTheReparseTest) {
  EXPECT_EQ(OpenedEntry::Listed, compareWithListing(EntryIdentity{0x20, 0, 0}, kPlainFile));
  EXPECT_EQ(OpenedEntry::Replaced, compareWithListing(EntryIdentity{0x20, 0, 0}, kSymbolicLink));
}

TEST(EntryCheck, ListedLinkIsReadThroughWithoutComparingIds) {
  EXPECT_EQ(OpenedEntry::ListedLink, compareWithListing(kSymbolicLink, EntryIdentity{0x20, 0, 8}));
}

TEST(EntryCheck, MaskGetsTheDosWildcardsWhereTheFileSystemKnowsThem) {
  EXPECT_EQ(L"*", listingMask(L"*.*", true));
  EXPECT_EQ(L"<.txt", listingMask(L"*.txt", true));
  EXPECT_EQ(L"a>", listingMask(L"a?", true));
  EXPECT_EQ(L"a\"*", listingMask(L"a.*", true));
  EXPECT_EQ(L"a\">>", listingMask(L"a.??", true));
  EXPECT_EQ(L"<\"<\">", listingMask(L"*.*.?", true));
  EXPECT_EQ(L"name.txt", listingMask(L"name.txt", true));
}

TEST(EntryCheck, MaskIsThePatternAsTypedElsewhere) {
  EXPECT_EQ(L"*.*", listingMask(L"*.*", false));
  EXPECT_EQ(L"a?.t*", listingMask(L"a?.t*", false));
}

}  // namespace
