// The decisions of the file walk about one folder's listing: which entries
// are files of the set, which are subfolders to walk, and the order of a
// gathered file list. The listing itself comes from the platform.
#ifndef TRAWLEX_FILE_LISTING_H_
#define TRAWLEX_FILE_LISTING_H_

#include <cstdint>
#include <string>
#include <vector>

#include "entry_check.h"
#include "path_rules.h"

/// One entry of a folder listing, as the platform gave it.
struct ListingEntry {
  std::wstring name;
  /// `name` in the ANSI code page, "?" for a character it lacks.
  std::string shownName;
  bool isFolder = false;
  /// A reparse point of any kind: a link, a junction, a mount point or a
  /// placeholder of synced cloud storage.
  bool isReparsePoint = false;
  /// What the listing told of the entry, for the check of what an open gives.
  EntryIdentity identity;
};

/// An entry of a listing taken for the walk: its path in both forms, its
/// name in its folder and what the listing told of it.
struct ListedFile {
  FileName path;
  std::wstring name;
  EntryIdentity listed;
};

/// The files of `listing` (entries of `folder`), named in `folder`, in
/// listing order: folders and the temporary files of process `processId`
/// left out, and each name taken once, however often the listing repeats it
/// (some file systems list a file renamed during the listing again).
std::vector<ListedFile> filesOfListing(const FileName& folder,
                                       const std::vector<ListingEntry>& listing,
                                       uint32_t processId);

/// The subfolders of `listing` to walk, named in `folder` (each ending in
/// "\"), in listing order: never a reparse point (a link may lead back up the
/// tree, a cloud placeholder would be downloaded) nor a name beginning with
/// ".", which also leaves out "." and "..".
std::vector<ListedFile> subfoldersOfListing(const FileName& folder,
                                            const std::vector<ListingEntry>& listing);

/// The order of a gathered file list: by the printed form, bytes compared as
/// unsigned characters, a prefix first; equal printed forms by the names
/// themselves.
bool isListedBefore(const FileName& a, const FileName& b);

#endif  // TRAWLEX_FILE_LISTING_H_
