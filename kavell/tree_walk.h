// The removal's hold on the file system: folders and entries opened by
// their bare names relative to the handle of the folder that listed them,
// listed and deleted through their own handles. Nothing below the folder a
// walk starts from is ever resolved from the drive root again.
#ifndef KAVELL_TREE_WALK_H_
#define KAVELL_TREE_WALK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "entry_check.h"

/// One entry as its folder's listing shows it.
struct ListedEntry {
  std::wstring name;
  EntryFacts facts;
};

/// An entry opened relative to its folder's handle, with what the handle
/// says it is. `handle` is null when nothing is open.
struct OpenedEntry {
  void* handle = nullptr;
  EntryFacts facts;
};

/// A folder's listing, read through its handle a batch at a time.
struct FolderListing {
  void* folder = nullptr;
  std::vector<unsigned char> batch;
  size_t next = 0;  ///< offset of the next entry in `batch`
  bool filled = false;
  bool restart = true;
};

/// How an entry is opened: to be deleted (DELETE access), or only to be
/// listed, for a folder that someone else holds so that it cannot be.
enum class OpenPurpose { remove, listOnly };

/// Opens the folder `longPath` ("\\?\" form) to list it, links on the way
/// followed; 0 or the Win32 error code.
unsigned long openFolderByPath(const std::wstring& longPath, void** folder);

/// The entry `name` of the open `folder`, from a listing of that one name
/// (a short name finds its entry too); ERROR_FILE_NOT_FOUND when it has none.
/// `folder` must not have been listed before: a handle's first listing fixes
/// the names that its later listings give.
unsigned long findListedName(void* folder, const std::wstring& name, ListedEntry* entry);

/// Opens the entry `entry` of the open `folder` by its bare name, never
/// following a link where the system can open a link itself, as a folder or a
/// file as listed, and reads its file id, attributes and reparse tag from the
/// handle; 0 or the Win32 error code (nothing is open then).
unsigned long openListedEntry(void* folder, const ListedEntry& entry, OpenPurpose purpose,
                              OpenedEntry* opened);

/// The volume serial number of the volume that holds the open `handle`.
unsigned long volumeSerialOf(void* handle, uint32_t* volume);

/// The next entry of the listing other than "." and ".."; 0 with `entry`
/// filled, ERROR_NO_MORE_FILES after the last, or the Win32 error code.
unsigned long readNextEntry(FolderListing* listing, ListedEntry* entry);

/// Deletes the opened entry through its handle (it goes when the handle is
/// closed, or at once where the system has POSIX semantics); 0 or the Win32
/// error code. Read-only is ignored where the system can, else cleared
/// through the handle, and only when the entry has one name: the attribute
/// belongs to the file, and another name of it may be another user's.
unsigned long deleteOpenedEntry(const OpenedEntry& opened);

/// Closes `handle`, if any.
void closeHandle(void* handle);

#endif  // KAVELL_TREE_WALK_H_
