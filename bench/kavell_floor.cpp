// The floor for Kavell's folder removal: the least a recursive delete can do
// with the ANSI calls (FindFirstFileA, FindNextFileA, DeleteFileA,
// RemoveDirectoryA) and nothing else. It cannot remove read-only files, so it
// is timed on a tree without them.
//   kavell_floor FOLDER
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool removeTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  bool ok = true;
  do {
    const char* name = entry.cFileName;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
      continue;
    std::string full = folder + "\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = removeTree(full) && ok;
    } else {
      ok = DeleteFileA(full.c_str()) && ok;
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return RemoveDirectoryA(folder.c_str()) && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kavell_floor FOLDER\n");
    return 2;
  }
  return removeTree(argv[1]) ? 0 : 1;
}
