#include "registry_cleanup.h"

#include "registry_keys.h"

namespace {

using DeleteKeyInView = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);

// RegDeleteKeyExW came with 64-bit Windows; a 32-bit program on an older
// system finds only RegDeleteKeyW, which has no view to choose.
DeleteKeyInView findDeleteKeyInView() {
  HMODULE advapi = GetModuleHandleA("advapi32.dll");
  if (advapi == nullptr)
    return nullptr;
  FARPROC found = GetProcAddress(advapi, "RegDeleteKeyExW");
  return reinterpret_cast<DeleteKeyInView>(reinterpret_cast<void*>(found));
}

}  // namespace

unsigned long deleteRegistryKey(HKEY parent, const std::wstring& path) {
  DeleteKeyInView deleteInView = findDeleteKeyInView();
  if (deleteInView != nullptr)
    return deleteInView(parent, path.c_str(), deleteView, 0);
  return RegDeleteKeyW(parent, path.c_str());
}

unsigned long deleteRegistryTree(HKEY parent, const std::wstring& path) {
  if (path.empty())
    return ERROR_BADKEY;
  HKEY key;
  LONG code = RegOpenKeyExW(parent, path.c_str(), 0, treeDeleteAccess, &key);
  if (code != ERROR_SUCCESS)
    return code;
  for (;;) {
    // The next subkey is always at index 0: the one before it is gone.
    wchar_t name[256];
    DWORD nameLength = 256;
    code = RegEnumKeyExW(key, 0, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_NO_MORE_ITEMS) {
      code = deleteRegistryKey(parent, path);
      break;
    }
    if (code != ERROR_SUCCESS)
      break;
    code = deleteRegistryTree(key, std::wstring(name, nameLength));
    if (code != ERROR_SUCCESS)
      break;
  }
  RegCloseKey(key);
  return code;
}

std::vector<KeyFailure> removeProfileRegistryEntries(const std::wstring& sid,
                                                     const std::wstring& guid) {
  std::vector<KeyFailure> failures;
  std::vector<std::wstring> paths;
  if (!profileKeyPaths(sid, guid, &paths))
    return failures;
  for (const std::wstring& path : paths) {
    unsigned long code = deleteRegistryTree(HKEY_LOCAL_MACHINE, path);
    // Most profiles never had policy keys: a missing key is nothing to report.
    if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND)
      failures.push_back({path, code});
  }
  return failures;
}
