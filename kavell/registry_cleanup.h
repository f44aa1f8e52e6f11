// Removal of a deleted profile's registry keys, each with its whole subtree.
#ifndef KAVELL_REGISTRY_CLEANUP_H_
#define KAVELL_REGISTRY_CLEANUP_H_

#include <windows.h>

#include <string>
#include <vector>

/// Deletes the key `path` below `parent` with all its subkeys, in the 64-bit
/// view. Returns 0 on success, 1010 (ERROR_BADKEY) for an empty path, or the
/// first failing call's Win32 code (2 when the key does not exist); a subkey
/// that stays keeps every key above it.
unsigned long deleteRegistryTree(HKEY parent, const std::string& path);

/// Deletes `path` below `parent` (a key without subkeys), with RegDeleteKeyExA
/// in the 64-bit view where the system has it, RegDeleteKeyA otherwise.
unsigned long deleteRegistryKey(HKEY parent, const std::string& path);

/// One key that stayed.
struct KeyFailure {
  std::string path;  ///< below HKEY_LOCAL_MACHINE
  unsigned long code = 0;
};

/// Deletes the keys of the profile `sid` with the "Guid" value `guid` (see
/// profileKeyPaths), every one attempted whatever happened to the others.
/// Returns the keys that exist but could not be deleted; keys that do not
/// exist are not failures.
std::vector<KeyFailure> removeProfileRegistryEntries(const std::string& sid,
                                                     const std::string& guid);

#endif  // KAVELL_REGISTRY_CLEANUP_H_
