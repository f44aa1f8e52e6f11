// The scan of the registry's profile list: lists the profiles not in use, or
// deletes those the mode selects.
#ifndef KAVELL_PROFILE_SCAN_H_
#define KAVELL_PROFILE_SCAN_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ansi_strings.h"
#include "profile_rules.h"
#include "switches.h"

/// What one scan is asked to do.
struct ScanRequest {
  ScanMode mode = ScanMode::List;
  int32_t days = -1;      ///< the day count of the age modes
  std::wstring userName;  ///< the account name as typed, in ByUser only
  bool whatIf = false;    ///< a deleting mode that only says what it would delete
  std::vector<std::wstring> exclusions;  ///< the "/X:" patterns as typed, in order
};

/// Walks the profile list once and, by the request's mode, prints each
/// profile not in use or deletes the selected ones (a "Deleting" line, the
/// folder, the registry keys, and a line for each part that stayed). With
/// `whatIf` a selected profile gets a "Would delete" line, its last use (age
/// modes), its size and the kept-folder line it would get, and nothing is
/// deleted; it still counts as removed for the kept-folder rules of later
/// profiles. A selected profile that an exclusion matches (see
/// firstMatchingPattern; letter case folded as in file names) is kept whole,
/// with an "Excluded" line naming the first such pattern. Profiles in use, and profiles whose names, values or paths do
/// not fit 255 characters (in their ANSI form), are passed over. Each profile
/// is examined once. Names are read and used as stored (UTF-16). Always ends
/// its output with "\n\n".
void scanProfiles(const ScanRequest& request, const LeadBytes& lead);

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
