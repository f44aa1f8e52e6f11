// What the removal of a profile folder would delete, counted without
// deleting: the preview of a what-if run.
#ifndef KAVELL_FOLDER_SIZE_H_
#define KAVELL_FOLDER_SIZE_H_

#include <cstdint>
#include <string>

/// The files below a folder and their end-of-file sizes in bytes.
struct TreeSize {
  uint64_t bytes = 0;
  uint64_t files = 0;
};

/// Counts every entry that is not a folder below `folder`, at any depth, by
/// the removal's walk rules (deleteDirectoryTree): every name as the system
/// lists it, by long paths; a link (isLinkEntry) is never entered and counts
/// as one file of 0 bytes, and a `folder` that is itself a link is that one
/// file. A missing folder, or one that is a file, counts nothing. Folders
/// that cannot be listed count what could be. Prints nothing.
TreeSize measureFolderTree(const std::wstring& folder);

#endif  // KAVELL_FOLDER_SIZE_H_
