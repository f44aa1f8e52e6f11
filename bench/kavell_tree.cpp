// Builds the profile tree for the Kavell benchmark and registers profiles.
//   kavell_tree tree FOLDER READONLY   250 chains of 8 nested folders (2,000
//       folders), 10 files in each (20,000 files) and an NTUSER.DAT at the
//       top; a few files hidden or system, and with READONLY 1 a few
//       read-only too (with 0 the same files stay writable).
//   kavell_tree register SID PATH      adds a profile-list entry.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const int kChains = 250;
const int kDepth = 8;
const int kFilesPerFolder = 10;

bool writeFile(const std::string& path, size_t size, DWORD attributes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::string bytes(size, 'k');
  DWORD written = 0;
  bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(size), &written, nullptr) && written == size;
  CloseHandle(file);
  return ok && (attributes == 0 || SetFileAttributesA(path.c_str(), attributes));
}

// A few of every thousand files carry each attribute, spread over the tree.
DWORD attributesOf(int index, bool readOnly) {
  DWORD attributes = 0;
  if (readOnly && index % 1000 == 7)
    attributes |= FILE_ATTRIBUTE_READONLY;
  if (index % 997 == 3)
    attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (index % 991 == 5)
    attributes |= FILE_ATTRIBUTE_SYSTEM;
  return attributes;
}

int buildTree(const std::string& top, bool readOnly) {
  if (!CreateDirectoryA(top.c_str(), nullptr))
    return 1;
  if (!writeFile(top + "\\NTUSER.DAT", 4096, 0))
    return 1;
  int index = 0;
  for (int chain = 0; chain < kChains; ++chain) {
    std::string folder = top + "\\u" + std::to_string(chain);
    for (int level = 0; level < kDepth; ++level) {
      if (level > 0)
        folder += "\\d" + std::to_string(level);
      if (!CreateDirectoryA(folder.c_str(), nullptr))
        return 1;
      for (int file = 0; file < kFilesPerFolder; ++file, ++index) {
        std::string path = folder + "\\f" + std::to_string(file) + ".dat";
        if (!writeFile(path, 64 + (index * 37) % 960, attributesOf(index, readOnly)))
          return 1;
      }
    }
  }
  return 0;
}

int registerProfile(const std::string& sid, const std::string& path) {
  std::string key = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid;
  HKEY handle;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &handle, nullptr) != ERROR_SUCCESS) {
    return 1;
  }
  LONG code = RegSetValueExA(handle, "ProfileImagePath", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>(path.size() + 1));
  RegCloseKey(handle);
  return code == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "tree") == 0) {
    return buildTree(argv[2], std::strcmp(argv[3], "1") == 0);
  }
  if (argc == 4 && std::strcmp(argv[1], "register") == 0)
    return registerProfile(argv[2], argv[3]);
  std::fprintf(stderr, "usage: kavell_tree tree FOLDER READONLY | register SID PATH\n");
  return 2;
}
