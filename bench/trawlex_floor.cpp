// The floor for the file-tree benchmark: the least a program must do to
// search every file of a tree under the same platform layer. It walks the
// tree with FindFirstFileA/FindNextFileA and reads every file with ReadFile,
// then prints the number of files and bytes read.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

char buffer[1 << 20];

void readWhole(const std::string& path, unsigned long long& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return;
  }
  // A short read means the end of the file, as in Trawlex itself.
  DWORD got = sizeof buffer;
  while (got == sizeof buffer && ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
    bytes += got;
  }
  CloseHandle(file);
}

void walk(const std::string& folder, unsigned long& files, unsigned long long& bytes) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    return;
  }
  do {
    std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != "." && name != "..") {
        walk(folder + "\\" + name, files, bytes);
      }
    } else {
      ++files;
      readWhole(folder + "\\" + name, bytes);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long files = 0;
  unsigned long long bytes = 0;
  walk(argc > 1 ? argv[1] : ".", files, bytes);
  printf("%lu files, %llu bytes\n", files, bytes);
  return 0;
}
