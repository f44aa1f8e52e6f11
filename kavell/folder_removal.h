// Removal of a profile folder with everything below it.
#ifndef KAVELL_FOLDER_REMOVAL_H_
#define KAVELL_FOLDER_REMOVAL_H_

#include <string>

#include "name_rules.h"

/// What deleteDirectoryTree returns when an entry, or the folder itself, was
/// not what its folder listed: given to another file after the listing, or a
/// link that the system followed when it was opened. Bit 29 marks a code of
/// this program's own, never one of the system's.
constexpr unsigned long folderReplacedCode = 0x20000001;

/// Removes everything below `folder` depth first, then `folder` itself, and
/// returns 0, or the Win32 error code (or folderReplacedCode) of the first
/// entry that could not be removed (the walk stops there; entries not yet
/// visited stay) with that entry's path in `stoppedAt` (without the long-path
/// prefix; `folder` as given when it is the folder itself).
/// - The path is resolved once: the folder that holds `folder` is opened by
///   its full long path ("\\?\"), `folder` is found in its listing and opened
///   relative to it, and every entry below is opened by the name its folder
///   lists relative to that folder's handle, listed and deleted through its
///   own handle. No name is translated or shortened and no depth is too deep.
/// - Each opened entry is checked against its listing (checkOpenedEntry), and
///   `folder` also against `expected`, the identity that decided it may go:
///   what fails is neither entered nor deleted (folderReplacedCode).
/// - Read-only entries go too (see deleteOpenedEntry); hidden and system
///   entries and dot-named ones are removed like any other.
/// - A link (see isLinkEntry) is never descended into: it is deleted as a
///   link, `folder` too. Any other reparse point is an ordinary file or folder.
/// - A folder held by another process so that it cannot go (its current
///   folder) is still emptied, then named with error 32.
/// - A missing `folder` counts as removed. `topFolder` is kept when its path
///   has 2 characters or fewer or its second character is a letter (relative);
///   any other folder is removed.
/// - Afterwards the current directory is the root of the current drive.
unsigned long deleteDirectoryTree(const std::wstring& folder, const std::wstring& topFolder,
                                  const FolderIdentity& expected, std::wstring* stoppedAt);

#endif  // KAVELL_FOLDER_REMOVAL_H_
