// The walk by handles: each folder is opened once, relative to the folder
// that listed it, and listed through its handle; its files are opened,
// created and renamed relative to that handle. Nothing below the wildcard's
// own folder is reached by a path again, so a folder or file swapped for a
// link during a run cannot lead the walk or a rewrite anywhere else.
#ifndef TRAWLEX_FOLDER_WALK_H_
#define TRAWLEX_FOLDER_WALK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "entry_check.h"
#include "file_listing.h"
#include "path_rules.h"

/// A folder of the walk, held open while its files are processed; closed
/// when the record goes. `name` is its path in both forms, ending in "\".
struct OpenFolder {
  void* handle = nullptr;
  FileName name;
  /// The folder's volume and the name the system resolved for it, learned
  /// by the first link check that needs them.
  bool identityKnown = false;
  uint32_t volume = 0;
  std::wstring resolvedName;

  OpenFolder() = default;
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  ~OpenFolder();
};

/// Opens the folder at `longPath` (a full "\\?\" path ending in "\") as the
/// walk's first folder, following links on the way as the typed path does.
/// False when it cannot be opened.
bool openTopFolder(const std::wstring& longPath, OpenFolder& folder);

enum class FolderOpen { Entered, Skipped, Replaced };

/// Opens the listed subfolder `entry` (no reparse point) of `parent`
/// relative to it, never through a reparse point. Entered when the handle is
/// the folder listed; Replaced when another folder or a reparse point took
/// the name after the listing; Skipped when it cannot be opened.
FolderOpen openSubfolder(const OpenFolder& parent, const ListedFile& entry, OpenFolder& folder);

/// The entries of `folder` that the name pattern `pattern` names, matched as
/// the platform's own wildcard search matches it (short names included), in
/// the file system's order. None for an empty pattern or a folder that
/// cannot be listed.
std::vector<ListingEntry> listFolder(const OpenFolder& folder, const std::wstring& pattern);

/// Opens the file `name` of `folder` relative to its handle, with `access`
/// and `share` as CreateFileW takes them. Without `followReparsePoint` a
/// reparse point is opened itself; with it the file is opened as a plain
/// open does (through a link, by a placeholder's own driver). Returns 0 or a
/// Win32 error code; `handle` is then an open handle or INVALID_HANDLE_VALUE.
uint32_t openInFolder(const OpenFolder& folder, const std::wstring& name, uint32_t access,
                      uint32_t share, bool followReparsePoint, void*& handle);

/// Creates the new file `name` in `folder`, failing if the name is taken,
/// opened for writing, renaming, deleting and setting its DACL and
/// attributes. Returns 0 or a Win32 error code.
uint32_t createInFolder(const OpenFolder& folder, const std::wstring& name, void*& handle);

/// What the open `handle` is: attributes, reparse tag and file id. False
/// when the system cannot tell.
bool identityOf(void* handle, EntryIdentity& identity);

/// The file id of the open `handle` alone, the cheaper question; false when
/// the system cannot tell.
bool fileIdOf(void* handle, uint64_t& fileId);

/// Gives the open file `handle` the name `name` in `folder`, in place of the
/// file of that name if there is one: the file never leaves the folder.
/// Returns 0 or a Win32 error code.
uint32_t renameInFolder(void* handle, const OpenFolder& folder, const std::wstring& name);

/// Marks the file open as `handle` (opened with delete access, never through
/// a link) to be deleted when its last handle closes.
void deleteWhenClosed(void* handle);

#endif  // TRAWLEX_FOLDER_WALK_H_
