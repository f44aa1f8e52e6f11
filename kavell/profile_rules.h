// The scan's decisions about one profile: how its owner is shown, where its
// folder is, whether it is in use, whether the mode selects it, and whether its
// folder may be removed at all.
#ifndef KAVELL_PROFILE_RULES_H_
#define KAVELL_PROFILE_RULES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ansi_strings.h"
#include "name_rules.h"
#include "switches.h"

/// Room of every profile text (registry names, values and paths): at most
/// 255 characters.
constexpr size_t profileTextRoom = 256;

/// Room of a file-system path: at most 259 characters.
constexpr size_t pathRoom = 260;

/// The look-up answer that says no account is mapped to the SID.
constexpr unsigned long errorNoneMapped = 1332;

/// How a profile's owner is shown.
struct OwnerName {
  std::string text;             ///< "DOMAIN\account" or "Account Unknown\<folder name>"
  bool accountUnknown = false;  ///< the look-up gave neither name
};

/// The display name from the look-up's names and the stored (unexpanded)
/// profile path. When both names are empty it is "Account Unknown\" and the
/// path's last component.
OwnerName displayName(const std::string& domainName, const std::string& accountName,
                      const std::string& imagePath, const LeadBytes& lead);

/// `path` with every "%SystemDrive%" (exact case) replaced by `systemDrive`.
/// Returns false when the token is present but the variable is missing
/// (`systemDrive` null); a path without the token is returned unchanged.
bool expandSystemDrive(const std::string& path, const char* systemDrive, std::string* expanded,
                       const LeadBytes& lead);

/// What is known of the loaded hives at the moment of the test.
struct LoadedProfiles {
  bool readable = false;             ///< HKEY_USERS could be read
  std::vector<std::string> sids;     ///< subkey names of HKEY_USERS
  std::vector<std::string> folders;  ///< expanded folders of the loaded profiles
  /// The loaded profiles' folders, fully expanded, as the file system knows
  /// them (those that could be opened).
  std::vector<FolderIdentity> identities;
};

/// True when `candidate` is the same directory as, holds, or lies inside the
/// folder of a loaded profile, by what the file system says.
bool overlapsLoadedFolder(const FolderIdentity& candidate, const LoadedProfiles& loaded);

/// True when the profile counts as in use: its SID is a loaded hive, its folder
/// is the same as, contains, or lies inside the folder of a loaded profile, or
/// the loaded hives could not be read at all.
bool isInUse(const std::string& sid, const std::string& profilePath, const LoadedProfiles& loaded,
             const LeadBytes& lead);

/// True when `outer` and `inner` name the same folder or `inner` lies below
/// `outer`, letter case ignored and trailing backslashes disregarded.
bool folderContains(const std::string& outer, const std::string& inner, const LeadBytes& lead);

/// A folder as the file system knows it and as its path reads (the ANSI form
/// of the path, '?' for what the code page lacks).
struct KnownFolder {
  FolderIdentity identity;
  std::string text;
  std::string textKey;    ///< the text's root and components, folded (see makeKnownFolder)
  std::wstring finalKey;  ///< the final path's components, folded
};

/// The folder with its comparison keys filled, so that many comparisons
/// cost one parse each.
KnownFolder makeKnownFolder(const FolderIdentity& identity, const std::string& text,
                            const LeadBytes& lead);

/// True when `outer` is the same folder as `inner` or holds it: by identity
/// (see folderHolds) or by the text of the paths (as folderContains decides).
bool knownFolderHolds(const KnownFolder& outer, const KnownFolder& inner);

/// True when the two are the same folder or one holds the other.
bool foldersOverlap(const KnownFolder& a, const KnownFolder& b);

/// True when the folder `candidate` must never be emptied or removed: it is
/// the same as or holds one of `roots` (the profiles directory), or overlaps
/// one of `kept` (system folders and the folders of the other profiles).
bool isKeptFolder(const KnownFolder& candidate, const std::vector<KnownFolder>& roots,
                  const std::vector<KnownFolder>& kept);

/// What the mode needs to know about one profile to select it.
struct SelectionFacts {
  bool orphaned = false;    ///< the account's own authority says it is gone
  std::wstring accountName;  ///< as the look-up spelled it
};

/// True when `mode` deletes the profile, before any age test. Only an owner
/// whose own authority says it is gone makes an orphan; an owner that merely
/// does not resolve (an unreachable domain) never does. The account name must be non-empty to
/// match a user name; the two compare as stored and typed (UTF-16), with
/// ASCII letter case ignored and nothing else.
bool isSelectedByAccount(ScanMode mode, const SelectionFacts& facts, const std::wstring& userName);

/// True when the mode also asks for the hive's age.
bool needsAgeTest(ScanMode mode);

/// True when the mode deletes only profiles whose owner is gone, which the
/// account's own authority must confirm (see isOrphaned).
bool needsOwnerGone(ScanMode mode);

/// True when the path's second character is an ASCII letter (a relative path
/// such as "ab\c").
bool secondCharIsLetter(const std::string& path);

/// True when the folder must never be emptied or removed: a relative path, a
/// drive root, a share root ("\\server\share"), or a path with a "." or ".."
/// component.
bool isDangerousFolder(const std::string& path, const LeadBytes& lead);

#endif  // KAVELL_PROFILE_RULES_H_
