#include "file_listing.h"

#include <unordered_set>

namespace {

ListedFile entryOf(const FileName& folder, const ListingEntry& entry) {
  return ListedFile{FileName{folder.real + entry.name, folder.shown + entry.shownName}, entry.name,
                    entry.identity};
}

}  // namespace

std::vector<ListedFile> filesOfListing(const FileName& folder,
                                       const std::vector<ListingEntry>& listing,
                                       uint32_t processId) {
  std::vector<ListedFile> files;
  std::unordered_set<std::wstring> taken;
  for (const ListingEntry& entry : listing) {
    // A temporary file of this run may show up while it exists; it is no
    // file of the set.
    if (entry.isFolder || isTemporaryName(entry.shownName, processId) ||
        !taken.insert(entry.name).second) {
      continue;
    }
    files.push_back(entryOf(folder, entry));
  }
  return files;
}

std::vector<ListedFile> subfoldersOfListing(const FileName& folder,
                                            const std::vector<ListingEntry>& listing) {
  std::vector<ListedFile> subfolders;
  for (const ListingEntry& entry : listing) {
    if (entry.isFolder && !entry.isReparsePoint && entry.name[0] != L'.') {
      ListedFile subfolder = entryOf(folder, entry);
      subfolder.path.real += L'\\';
      subfolder.path.shown += '\\';
      subfolders.push_back(subfolder);
    }
  }
  return subfolders;
}

bool isListedBefore(const FileName& a, const FileName& b) {
  // std::string compares its bytes as unsigned characters.
  int order = a.shown.compare(b.shown);
  return order != 0 ? order < 0 : a.real < b.real;
}
