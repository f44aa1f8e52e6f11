// Removal of a profile folder with everything below it.
#ifndef KAVELL_FOLDER_REMOVAL_H_
#define KAVELL_FOLDER_REMOVAL_H_

#include <string>

/// Removes everything below `folder` depth first, then `folder` itself, and
/// returns 0, or the Win32 error code of the first entry that could not be
/// removed (the walk stops there; entries not yet visited stay) with that
/// entry's path in `stoppedAt` (without the long-path prefix).
/// - Every path is a full long path ("\\?\") built from the names the system
///   lists, so no name is translated or shortened and no depth is too deep.
/// - Read-only entries have that attribute cleared first; hidden and system
///   entries and dot-named ones are removed like any other.
/// - A link (see isLinkEntry) is never descended into: a folder link is
///   removed with RemoveDirectoryW, a file link with DeleteFileW. A `folder`
///   that is itself a link is removed as a link. Any other reparse point is
///   an ordinary file or folder.
/// - A missing `folder` counts as removed. `topFolder` is kept when its path
///   has 2 characters or fewer or its second character is a letter (relative);
///   any other folder is removed.
/// - Afterwards the current directory is the root of the current drive.
unsigned long deleteDirectoryTree(const std::wstring& folder, const std::wstring& topFolder,
                                  std::wstring* stoppedAt);

#endif  // KAVELL_FOLDER_REMOVAL_H_
