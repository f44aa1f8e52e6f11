// The scan of the registry's profile list: lists the profiles not in use, or
// deletes those the mode selects.
#ifndef KAVELL_PROFILE_SCAN_H_
#define KAVELL_PROFILE_SCAN_H_

#include <cstdint>
#include <map>
#include <string>

#include "ansi_strings.h"
#include "profile_rules.h"
#include "switches.h"

/// Walks the profile list once and, by `mode`, prints each profile not in use
/// or deletes the selected ones (a "Deleting" line, the folder, the registry
/// keys, and a line for each part that stayed). Profiles in use, and profiles
/// whose names, values or paths do not fit 255 characters (in their ANSI
/// form), are passed over. Each profile is examined once. Names are read and
/// used as stored (UTF-16); `userName` is the argument as typed. Always ends
/// its output with "\n\n".
void scanProfiles(ScanMode mode, int32_t days, const std::wstring& userName, const LeadBytes& lead);

/// A loaded profile's folder: its text (expanded as the scan expands a
/// profile path, empty when it has none that fits) and what the file system
/// says of it fully expanded.
struct LoadedFolder {
  std::string text;
  FolderIdentity identity;
};

/// Folders of loaded profiles already read in this run, by SID. A SID's
/// folder does not change while a run lasts, so each is read once however
/// many profiles are examined.
struct LoadedFolderCache {
  std::map<std::wstring, LoadedFolder> folderOf;
};

/// The loaded hives (subkey names of HKEY_USERS) and the folders of those
/// that have a profile-list entry; `readable` is false when HKEY_USERS cannot
/// be opened or read to its end.
/// Folders not in `cache` are read from the profile list and added to it.
LoadedProfiles readLoadedProfiles(LoadedFolderCache* cache);

/// The system's text for a Win32 error code, trimmed; empty when it has none.
std::string systemMessage(unsigned long code);

#endif  // KAVELL_PROFILE_SCAN_H_
