// Which registry keys a profile owns, and the access masks the program opens
// keys with. Every mask asks for the 64-bit view, so that the 32-bit program
// on 64-bit Windows reads and removes the same keys the 64-bit one does.
#ifndef KAVELL_REGISTRY_KEYS_H_
#define KAVELL_REGISTRY_KEYS_H_

#include <string>
#include <vector>

/// KEY_WOW64_64KEY: open the 64-bit view whatever the caller's bitness.
constexpr unsigned long keyWow64View64 = 0x0100;
/// DELETE, the standard right to delete an object.
constexpr unsigned long deleteRight = 0x00010000;
/// KEY_ENUMERATE_SUB_KEYS.
constexpr unsigned long keyEnumerateSubKeys = 0x0008;
/// KEY_READ: STANDARD_RIGHTS_READ, KEY_QUERY_VALUE, KEY_ENUMERATE_SUB_KEYS and
/// KEY_NOTIFY.
constexpr unsigned long keyRead = 0x20019;

/// Access for reading the profile list and HKEY_USERS.
constexpr unsigned long readAccess = keyRead | keyWow64View64;
/// Access for a key whose tree is deleted: enumerate it, then delete it.
constexpr unsigned long treeDeleteAccess = deleteRight | keyEnumerateSubKeys | keyWow64View64;
/// The view argument handed to RegDeleteKeyExA.
constexpr unsigned long deleteView = keyWow64View64;

/// The profile list under HKEY_LOCAL_MACHINE.
extern const char profileListKey[];

/// The room of a key path: at most 255 characters.
constexpr size_t keyPathRoom = 256;

/// The keys under HKEY_LOCAL_MACHINE that belong to the profile `sid` with
/// the "Guid" value `guid`, in the order they are removed: its profile-list
/// key, its two group-policy keys when `sid` reads as a SID (parseSidText)
/// and, when `guid` is not empty and holds no backslash, its ProfileGuid and
/// PolicyGuid keys. Returns false, and fills nothing, when `sid` is empty or
/// a path built from it or `guid` would not fit keyPathRoom, whether or not
/// that key is to be removed.
bool profileKeyPaths(const std::string& sid, const std::string& guid,
                     std::vector<std::string>* paths);

/// The same keys for the names as stored (UTF-16), for the calls that open
/// and delete them; the room is counted in UTF-16 characters.
bool profileKeyPaths(const std::wstring& sid, const std::wstring& guid,
                     std::vector<std::wstring>* paths);

#endif  // KAVELL_REGISTRY_KEYS_H_
