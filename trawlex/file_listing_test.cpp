#include "file_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const FileName kFolder{L"\\\\?\\C:\\w\\d\\", "d\\"};

ListingEntry file(const std::wstring& name, const std::string& shownName) {
  ListingEntry entry;
  entry.name = name;
  entry.shownName = shownName;
  return entry;
}

ListingEntry folder(const std::wstring& name, bool isReparsePoint = false) {
  ListingEntry entry = file(name, std::string(name.begin(), name.end()));
  entry.isFolder = true;
  entry.isReparsePoint = isReparsePoint;
  return entry;
}

std::vector<std::string> shown(const std::vector<ListedFile>& names) {
  std::vector<std::string> forms;
  for (const ListedFile& name : names)
    forms.push_back(name.path.shown);
  return forms;
}

TEST(FileListing, FilesAreNamedInTheirFolderInBothForms) {
  ListingEntry entry = file(L"..\uFF3Cx.txt", "..?x.txt");
  entry.identity = EntryIdentity{0x20, 0, 77};
  std::vector<ListedFile> files = filesOfListing(kFolder, {entry}, 7);
  ASSERT_EQ(1u, files.size());
  EXPECT_EQ(L"\\\\?\\C:\\w\\d\\..\uFF3Cx.txt", files[0].path.real);
  EXPECT_EQ("d\\..?x.txt", files[0].path.shown);
  EXPECT_EQ(L"..\uFF3Cx.txt", files[0].name);
  EXPECT_EQ(77u, files[0].listed.fileId);
}

TEST(FileListing, AFileListedTwiceIsTakenOnce) {
  // As a listing that returns a file renamed during it a second time.
  std::vector<ListingEntry> listing = {file(L"a.txt", "a.txt"), file(L"b.txt", "b.txt"),
                                       file(L"a.txt", "a.txt")};
  EXPECT_EQ((std::vector<std::string>{"d\\a.txt", "d\\b.txt"}),
            shown(filesOfListing(kFolder, listing, 7)));
}

TEST(FileListing, NamesThatPrintAlikeAreStillTwoFiles) {
  std::vector<ListingEntry> listing = {file(L"\u041e.txt", "?.txt"), file(L"\u0416.txt", "?.txt")};
  EXPECT_EQ(2u, filesOfListing(kFolder, listing, 7).size());
}

TEST(FileListing, FoldersAndThisRunsTemporaryFilesAreNoFiles) {
  std::vector<ListingEntry> listing = {folder(L"dir.txt"),
                                       file(L"~trawlex-7-1.tmp", "~trawlex-7-1.tmp"),
                                       file(L"~trawlex-8-1.tmp", "~trawlex-8-1.tmp")};
  EXPECT_EQ(std::vector<std::string>{"d\\~trawlex-8-1.tmp"},
            shown(filesOfListing(kFolder, listing, 7)));
}

TEST(FileListing, SubfoldersToWalkAreNoReparsePointsNorDotNames) {
  std::vector<ListingEntry> listing = {folder(L"."),
                                       folder(L".."),
                                       folder(L".git"),
                                       folder(L"linked", true),
                                       file(L"a.txt", "a.txt"),
                                       folder(L"sub")};
  std::vector<ListedFile> subfolders = subfoldersOfListing(kFolder, listing);
  ASSERT_EQ(1u, subfolders.size());
  EXPECT_EQ(L"\\\\?\\C:\\w\\d\\sub\\", subfolders[0].path.real);
  EXPECT_EQ("d\\sub\\", subfolders[0].path.shown);
  EXPECT_EQ(L"sub", subfolders[0].name);
}

TEST(FileListing, ListedOrderIsThePrintedBytesThenTheNames) {
  std::vector<FileName> names = {
      {L"z2", "?"}, {L"b", "b"}, {L"z1", "?"}, {L"e", "\xE9"}, {L"B", "B"}};
  std::sort(names.begin(), names.end(), isListedBefore);
  std::vector<std::wstring> order;
  for (const FileName& name : names)
    order.push_back(name.real);
  EXPECT_EQ((std::vector<std::wstring>{L"z1", L"z2", L"B", L"b", L"e"}), order);
}

}  // namespace
