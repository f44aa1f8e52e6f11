// Removal of a deleted profile's registry keys, each with its whole subtree.
// Key names are used as the registry stores them (UTF-16), never translated.
#ifndef KAVELL_REGISTRY_CLEANUP_H_
#define KAVELL_REGISTRY_CLEANUP_H_

#include <windows.h>

#include <string>
#include <vector>

/// Deletes the key `path` below `parent` with all its subkeys, in the 64-bit
/// view. Returns 0 on success, 1010 (ERROR_BADKEY) for an empty path, or the
/// first failing call's Win32 code (2 when the key does not exist); a subkey
/// that stays keeps every key above it.
unsigned long deleteRegistryTree(HKEY parent, const std::wstring& path);

/// Deletes `path` below `parent` (a key without subkeys), with RegDeleteKeyExW
/// in the 64-bit view where the system has it, RegDeleteKeyW otherwise.
unsigned long deleteRegistryKey(HKEY parent, const std::wstring& path);

/// One key that stayed.
struct KeyFailure {
  std::wstring path;  ///< below HKEY_LOCAL_MACHINE
  unsigned long code = 0;
};

/// Deletes the keys of the profile `sid` with the "Guid" value `guid` (see
/// profileKeyPaths), every one attempted whatever happened to the others.
/// Returns the keys that exist but could not be deleted; keys that do not
/// exist are not failures.
std::vector<KeyFailure> removeProfileRegistryEntries(const std::wstring& sid,
                                                     const std::wstring& guid);

#endif  // KAVELL_REGISTRY_CLEANUP_H_
