#include "folder_removal.h"

#include <windows.h>

#include "folder_identity.h"
#include "name_rules.h"

namespace {

unsigned long emptyFolder(const std::wstring& folder, std::wstring* stoppedAt);

bool isFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Read-only is the one attribute that blocks DeleteFileW and RemoveDirectoryW;
// hidden and system don't, so only a read-only entry costs an extra call.
void clearReadOnly(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

unsigned long failedAt(const std::wstring& path, unsigned long code, std::wstring* stoppedAt) {
  *stoppedAt = withoutLongPrefix(path);
  return code;
}

// Removes one entry found in a folder, whole.
unsigned long removeEntry(const std::wstring& path, const WIN32_FIND_DATAW& entry,
                          std::wstring* stoppedAt) {
  DWORD attributes = entry.dwFileAttributes;
  if (isFolder(attributes) && !isLinkEntry(attributes, entry.dwReserved0)) {
    unsigned long code = emptyFolder(path, stoppedAt);
    if (code != 0)
      return code;
  }
  clearReadOnly(path, attributes);
  BOOL removed = isFolder(attributes) ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  return removed ? 0 : failedAt(path, GetLastError(), stoppedAt);
}

bool isDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// Removes every entry of `folder` (a long path), in the order the system
// lists them, and stops at the first that stays.
unsigned long emptyFolder(const std::wstring& folder, std::wstring* stoppedAt) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return failedAt(folder, GetLastError(), stoppedAt);
  unsigned long code = 0;
  do {
    if (!isDotOrDotDot(entry.cFileName))
      code = removeEntry(folder + L"\\" + entry.cFileName, entry, stoppedAt);
  } while (code == 0 && FindNextFileW(search, &entry));
  FindClose(search);
  return code;
}

bool keepsTopFolder(const std::wstring& top) {
  wchar_t second = top.size() > 1 ? top[1] : L'\0';
  return top.size() <= 2 || (second >= L'A' && second <= L'Z') ||
         (second >= L'a' && second <= L'z');
}

// The folder's own attributes and reparse tag; false when it cannot be seen.
bool lookAt(const std::wstring& folder, WIN32_FIND_DATAW* own) {
  HANDLE search = FindFirstFileW(folder.c_str(), own);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  FindClose(search);
  return true;
}

unsigned long removeFolderTree(const std::wstring& folder, const std::wstring& topFolder,
                               std::wstring* stoppedAt) {
  std::wstring path = fullLongPath(folder);
  WIN32_FIND_DATAW own;
  if (!lookAt(path, &own)) {
    unsigned long code = GetLastError();
    return isMissingCode(code) ? 0 : failedAt(folder, code, stoppedAt);
  }
  if (!isFolder(own.dwFileAttributes))
    return failedAt(folder, ERROR_DIRECTORY, stoppedAt);
  if (!isLinkEntry(own.dwFileAttributes, own.dwReserved0)) {
    unsigned long code = emptyFolder(path, stoppedAt);
    if (code != 0)
      return code;
  }
  if (folder == topFolder && keepsTopFolder(topFolder))
    return 0;
  clearReadOnly(path, own.dwFileAttributes);
  return RemoveDirectoryW(path.c_str()) ? 0 : failedAt(folder, GetLastError(), stoppedAt);
}

}  // namespace

unsigned long deleteDirectoryTree(const std::wstring& folder, const std::wstring& topFolder,
                                  std::wstring* stoppedAt) {
  stoppedAt->clear();
  unsigned long code = removeFolderTree(folder, topFolder, stoppedAt);
  SetCurrentDirectoryW(L"\\");
  return code;
}
