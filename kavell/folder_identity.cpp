#include "folder_identity.h"

#include <windows.h>

#include <vector>

namespace {

using FinalPathOf = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);
using RedirectionSwitch = BOOL(WINAPI*)(PVOID*);
using RedirectionRevert = BOOL(WINAPI*)(PVOID);

// Found at run time: the 32-bit program also runs on systems that lack them.
FARPROC kernelFunction(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel == nullptr ? nullptr : GetProcAddress(kernel, name);
}

template <typename Function>
Function kernelFunctionAs(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(kernelFunction(name)));
}

std::wstring finalPathOf(HANDLE handle) {
  static const FinalPathOf finalPath = kernelFunctionAs<FinalPathOf>("GetFinalPathNameByHandleW");
  if (finalPath == nullptr)
    return std::wstring();
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD length = finalPath(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  if (length >= buffer.size()) {
    buffer.assign(length + 1, L'\0');
    length = finalPath(handle, buffer.data(), static_cast<DWORD>(buffer.size()), 0);
  }
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                              : std::wstring();
}

}  // namespace

std::wstring fullLongPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0)
    return path;
  DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0)
    return longPathOf(path);
  std::vector<wchar_t> full(size + 1, L'\0');
  DWORD length = GetFullPathNameW(path.c_str(), size + 1, full.data(), nullptr);
  std::wstring made = length > 0 && length <= size ? std::wstring(full.data(), length) : path;
  // A long path is taken as written: a trailing separator would double the
  // one put before every name appended to it.
  while (made.size() > 3 && made.back() == L'\\')
    made.pop_back();
  return longPathOf(made);
}

FolderIdentity identifyFolder(const std::wstring& path, unsigned long* code) {
  FolderIdentity identity;
  *code = 0;
  // Backup semantics are what opens a folder at all; every share mode keeps
  // the look from disturbing anyone.
  HANDLE handle = CreateFileW(fullLongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    *code = GetLastError();
    return identity;
  }
  BY_HANDLE_FILE_INFORMATION information;
  if (GetFileInformationByHandle(handle, &information)) {
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.index =
        (static_cast<uint64_t>(information.nFileIndexHigh) << 32) | information.nFileIndexLow;
    identity.finalPath = finalPathOf(handle);
  } else {
    *code = GetLastError();
  }
  CloseHandle(handle);
  return identity;
}

bool isMissingCode(unsigned long code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

bool isHiveHeldExclusively(const std::wstring& profileFolder) {
  std::wstring hive = fullLongPath(profileFolder) + L"\\NTUSER.DAT";
  HANDLE file = CreateFileW(hive.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return false;
}

Redirection redirectionOff() {
  static const RedirectionSwitch disable =
      kernelFunctionAs<RedirectionSwitch>("Wow64DisableWow64FsRedirection");
  Redirection state;
  state.off = disable != nullptr && disable(&state.previous) != FALSE;
  return state;
}

void redirectionRestore(const Redirection& state) {
  static const RedirectionRevert revert =
      kernelFunctionAs<RedirectionRevert>("Wow64RevertWow64FsRedirection");
  if (state.off && revert != nullptr)
    revert(state.previous);
}
