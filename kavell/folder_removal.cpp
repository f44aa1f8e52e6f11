#include "folder_removal.h"

#include <windows.h>

#include "folder_identity.h"
#include "tree_walk.h"

namespace {

unsigned long emptyFolder(void* folder, const std::wstring& path, std::wstring* stoppedAt);

bool isFolder(const EntryFacts& facts) {
  return (facts.attributes & directoryAttribute) != 0;
}

unsigned long failedAt(const std::wstring& path, unsigned long code, std::wstring* stoppedAt) {
  *stoppedAt = withoutLongPrefix(path);
  return code;
}

// What may be done with `opened`; the folder a removal starts from (with
// `expected`) must also be the one that the in-use and kept-folder tests saw.
EntryAction actionFor(const ListedEntry& entry, const OpenedEntry& opened,
                      const FolderIdentity* expected) {
  if (expected == nullptr)
    return checkOpenedEntry(entry.facts, opened.facts);
  uint32_t volume = 0;
  if (volumeSerialOf(opened.handle, &volume) != 0)
    return EntryAction::stop;
  return checkTopFolder(entry.facts, opened.facts, volume, *expected);
}

// Empties and deletes (or, with `keep`, only empties) an opened entry as its
// check allows; the caller closes it.
unsigned long removeOpened(const OpenedEntry& opened, EntryAction action, bool keep,
                           const std::wstring& path, std::wstring* stoppedAt) {
  if (action == EntryAction::stop)
    return failedAt(path, folderReplacedCode, stoppedAt);
  if (action == EntryAction::enter) {
    unsigned long code = emptyFolder(opened.handle, path, stoppedAt);
    if (code != 0)
      return code;
  }
  if (keep)
    return 0;
  unsigned long code = deleteOpenedEntry(opened);
  return code == 0 ? 0 : failedAt(path, code, stoppedAt);
}

// A folder that another process holds without sharing its deletion (its
// current folder) cannot go, but what it holds can, as before: it is opened
// again to be listed only, and checked as any opened entry.
unsigned long emptyHeldFolder(void* parent, const ListedEntry& entry,
                              const FolderIdentity* expected, const std::wstring& path,
                              std::wstring* stoppedAt) {
  OpenedEntry opened;
  if (openListedEntry(parent, entry, OpenPurpose::listOnly, &opened) == 0) {
    unsigned long code =
        removeOpened(opened, actionFor(entry, opened, expected), true, path, stoppedAt);
    closeHandle(opened.handle);
    if (code != 0)
      return code;
  }
  return failedAt(path, ERROR_SHARING_VIOLATION, stoppedAt);
}

// Removes one entry that `parent` listed, whole.
unsigned long removeEntry(void* parent, const ListedEntry& entry, const FolderIdentity* expected,
                          bool keep, const std::wstring& path, std::wstring* stoppedAt) {
  OpenedEntry opened;
  unsigned long code = openListedEntry(parent, entry, OpenPurpose::remove, &opened);
  if (code == ERROR_SHARING_VIOLATION && isFolder(entry.facts))
    return emptyHeldFolder(parent, entry, expected, path, stoppedAt);
  if (code != 0)
    return failedAt(path, code, stoppedAt);
  code = removeOpened(opened, actionFor(entry, opened, expected), keep, path, stoppedAt);
  closeHandle(opened.handle);
  return code;
}

// Removes every entry of `folder` (open, with the long path `path`), in the
// order the system lists them, and stops at the first that stays.
unsigned long emptyFolder(void* folder, const std::wstring& path, std::wstring* stoppedAt) {
  FolderListing listing;
  listing.folder = folder;
  ListedEntry entry;
  unsigned long code = 0;
  while ((code = readNextEntry(&listing, &entry)) == 0) {
    code = removeEntry(folder, entry, nullptr, false, path + L"\\" + entry.name, stoppedAt);
    if (code != 0)
      return code;
  }
  return code == ERROR_NO_MORE_FILES ? 0 : failedAt(path, code, stoppedAt);
}

bool keepsTopFolder(const std::wstring& top) {
  wchar_t second = top.size() > 1 ? top[1] : L'\0';
  return top.size() <= 2 || (second >= L'A' && second <= L'Z') ||
         (second >= L'a' && second <= L'z');
}

// Finds `name` in the open `parent` (the folder that holds `path`) and
// removes it.
unsigned long removeNamed(void* parent, const std::wstring& name, const FolderIdentity& expected,
                          bool keep, const std::wstring& path, std::wstring* stoppedAt) {
  ListedEntry entry;
  unsigned long code = findListedName(parent, name, &entry);
  if (code != 0)
    return isMissingCode(code) ? 0 : failedAt(path, code, stoppedAt);
  if (!isFolder(entry.facts))
    return failedAt(path, ERROR_DIRECTORY, stoppedAt);
  return removeEntry(parent, entry, &expected, keep, path, stoppedAt);
}

unsigned long removeFolderTree(const std::wstring& folder, const std::wstring& topFolder,
                               const FolderIdentity& expected, std::wstring* stoppedAt) {
  std::wstring path = fullLongPath(folder);
  std::wstring parentPath, name;
  if (!splitLastName(path, &parentPath, &name))
    return failedAt(folder, ERROR_INVALID_NAME, stoppedAt);
  void* parent = nullptr;
  unsigned long code = openFolderByPath(parentPath, &parent);
  if (code != 0)
    return isMissingCode(code) ? 0 : failedAt(folder, code, stoppedAt);
  bool keep = folder == topFolder && keepsTopFolder(topFolder);
  code = removeNamed(parent, name, expected, keep, path, stoppedAt);
  closeHandle(parent);
  // The folder itself is named as it was given, as the profile list holds it.
  if (code != 0 && *stoppedAt == withoutLongPrefix(path))
    *stoppedAt = withoutLongPrefix(folder);
  return code;
}

}  // namespace

unsigned long deleteDirectoryTree(const std::wstring& folder, const std::wstring& topFolder,
                                  const FolderIdentity& expected, std::wstring* stoppedAt) {
  stoppedAt->clear();
  unsigned long code = removeFolderTree(folder, topFolder, expected, stoppedAt);
  SetCurrentDirectoryW(L"\\");
  return code;
}
