#include "folder_removal.h"

#include <windows.h>

#include "ansi_strings.h"
#include "profile_rules.h"

namespace {

unsigned long emptyFolder(const std::string& folder, std::string* stoppedAt);

bool isLink(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
bool isFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Read-only is the one attribute that blocks DeleteFileA and RemoveDirectoryA;
// hidden and system don't, so only a read-only entry costs an extra call.
void clearReadOnly(const std::string& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_READONLY)
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

unsigned long failedAt(const std::string& path, unsigned long code, std::string* stoppedAt) {
  *stoppedAt = path;
  return code;
}

// Removes one entry found in a folder, whole.
unsigned long removeEntry(const std::string& path, DWORD attributes, std::string* stoppedAt) {
  if (isFolder(attributes) && !isLink(attributes)) {
    unsigned long code = emptyFolder(path, stoppedAt);
    if (code != 0)
      return code;
  }
  clearReadOnly(path, attributes);
  BOOL removed = isFolder(attributes) ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
  return removed ? 0 : failedAt(path, GetLastError(), stoppedAt);
}

bool isDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes every entry of `folder`, in the order the system lists them, and
// stops at the first that stays.
unsigned long emptyFolder(const std::string& folder, std::string* stoppedAt) {
  std::string pattern = folder;
  if (!appendWithin(pattern, "\\*.*", pathRoom)) {
    return failedAt(folder, ERROR_FILENAME_EXCED_RANGE, stoppedAt);
  }
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return failedAt(folder, GetLastError(), stoppedAt);
  unsigned long code = 0;
  do {
    if (isDotOrDotDot(entry.cFileName))
      continue;
    std::string path = folder + "\\";
    if (!appendWithin(path, entry.cFileName, pathRoom)) {
      code = failedAt(path + entry.cFileName, ERROR_FILENAME_EXCED_RANGE, stoppedAt);
    } else {
      code = removeEntry(path, entry.dwFileAttributes, stoppedAt);
    }
  } while (code == 0 && FindNextFileA(search, &entry));
  FindClose(search);
  return code;
}

bool keepsTopFolder(const std::string& top) {
  return top.size() <= 2 || secondCharIsLetter(top);
}

bool isMissing(unsigned long code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

unsigned long removeFolderTree(const std::string& folder, const std::string& topFolder,
                               std::string* stoppedAt) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    unsigned long code = GetLastError();
    return isMissing(code) ? 0 : failedAt(folder, code, stoppedAt);
  }
  if (!isFolder(attributes))
    return failedAt(folder, ERROR_DIRECTORY, stoppedAt);
  if (!isLink(attributes)) {
    unsigned long code = emptyFolder(folder, stoppedAt);
    if (code != 0)
      return code;
  }
  if (folder == topFolder && keepsTopFolder(topFolder))
    return 0;
  clearReadOnly(folder, attributes);
  return RemoveDirectoryA(folder.c_str()) ? 0 : failedAt(folder, GetLastError(), stoppedAt);
}

}  // namespace

unsigned long deleteDirectoryTree(const std::string& folder, const std::string& topFolder,
                                  std::string* stoppedAt) {
  stoppedAt->clear();
  unsigned long code = removeFolderTree(folder, topFolder, stoppedAt);
  SetCurrentDirectoryA("\\");
  return code;
}
