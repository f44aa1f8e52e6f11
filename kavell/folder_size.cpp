#include "folder_size.h"

#include <windows.h>

#include <vector>

#include "folder_identity.h"
#include "name_rules.h"

namespace {

bool isFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool isDotOrDotDot(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

uint64_t endOfFile(const WIN32_FIND_DATAW& entry) {
  return (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// Counts the entries of `folder` (a long path) and queues its plain folders.
void countEntries(const std::wstring& folder, TreeSize* size, std::vector<std::wstring>* pending) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    if (isDotOrDotDot(entry.cFileName))
      continue;
    bool link = isLinkEntry(entry.dwFileAttributes, entry.dwReserved0);
    if (isFolder(entry.dwFileAttributes) && !link) {
      pending->push_back(folder + L"\\" + entry.cFileName);
      continue;
    }
    size->files += 1;
    size->bytes += link ? 0 : endOfFile(entry);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace

TreeSize measureFolderTree(const std::wstring& folder) {
  TreeSize size;
  std::wstring path = fullLongPath(folder);
  WIN32_FIND_DATAW own;
  HANDLE search = FindFirstFileW(path.c_str(), &own);
  if (search == INVALID_HANDLE_VALUE)
    return size;
  FindClose(search);
  if (!isFolder(own.dwFileAttributes))
    return size;
  if (isLinkEntry(own.dwFileAttributes, own.dwReserved0)) {
    size.files = 1;
    return size;
  }
  // A list rather than recursion: a tree may be thousands of levels deep.
  std::vector<std::wstring> pending = {path};
  while (!pending.empty()) {
    std::wstring next = std::move(pending.back());
    pending.pop_back();
    countEntries(next, &size, &pending);
  }
  return size;
}
