#include "profile_scan.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ansi_text.h"
#include "folder_identity.h"
#include "folder_removal.h"
#include "folder_size.h"
#include "name_pattern.h"
#include "orphan_probe.h"
#include "preview_report.h"
#include "profile_age.h"
#include "registry_cleanup.h"
#include "registry_keys.h"
#include "removal_report.h"
#include "sid_lookup.h"

namespace {

// The scan's working record of one profile. Names are kept as stored; the
// `shown` texts are their ANSI forms, which are printed and measured.
struct ProfileEntry {
  std::wstring sid;
  std::wstring imagePath;
  std::wstring guid;
  std::wstring profilePath;
  std::wstring accountName;
  std::wstring domainName;
  std::string shownSid;
  std::string shownPath;
  OwnerName owner;
  unsigned long lookupCode = 0;
  bool ownerGone = false;  ///< the account's own authority says it no longer exists
};

// The folders a removal must keep away from, read once a removal is due:
// the profiles directory, the system's folders, and every profile-list
// entry's folder by SID (an entry leaves the map when its key is deleted).
struct KeptFolders {
  bool read = false;
  std::vector<KnownFolder> roots;
  std::vector<KnownFolder> system;
  std::map<std::wstring, KnownFolder> profiles;
};

// What one scan carries from profile to profile.
struct ScanState {
  std::vector<std::wstring> foldedExclusions;
  LoadedFolderCache loaded;
  KeptFolders kept;
  AuthorityCache authorities;
};

const wchar_t profileListKeyWide[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

void say(const std::string& text) {
  fputs(text.c_str(), stdout);
}

bool fits(const std::string& text) {
  return text.size() < profileTextRoom;
}

bool fitsShown(const std::wstring& text) {
  return fits(ansiOf(text));
}

bool isStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Reads a value whatever its type, up to the first NUL: a text type as
// stored, any other type's bytes as ANSI text. A missing value is empty.
void readTextValue(HKEY key, const wchar_t* name, std::wstring* value) {
  value->clear();
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return;
  std::vector<BYTE> data(size + sizeof(wchar_t), 0);
  DWORD type = REG_NONE;
  for (;;) {
    DWORD room = static_cast<DWORD>(data.size() - sizeof(wchar_t));
    LONG code = RegQueryValueExW(key, name, nullptr, &type, data.data(), &room);
    if (code == ERROR_MORE_DATA) {
      data.assign(room + sizeof(wchar_t), 0);
      continue;
    }
    if (code != ERROR_SUCCESS)
      return;
    data.resize(room + sizeof(wchar_t));
    break;
  }
  if (isStringType(type)) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    memcpy(&text[0], data.data(), text.size() * sizeof(wchar_t));
    *value = text.c_str();
  } else {
    *value = wideOfAnsi(reinterpret_cast<const char*>(data.data()));
  }
}

// The profile's folder and GUID as stored, empty when missing.
void readProfileValues(const std::wstring& sid, std::wstring* imagePath, std::wstring* guid) {
  imagePath->clear();
  guid->clear();
  HKEY key;
  std::wstring path = std::wstring(profileListKeyWide) + L"\\" + sid;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, readAccess, &key) != ERROR_SUCCESS)
    return;
  readTextValue(key, L"ProfileImagePath", imagePath);
  readTextValue(key, L"Guid", guid);
  RegCloseKey(key);
}

const wchar_t* systemDrive() {
  static std::wstring drive;
  static bool known = false;
  static bool read = false;
  if (!read) {
    wchar_t value[MAX_PATH];
    DWORD length = GetEnvironmentVariableW(L"SystemDrive", value, MAX_PATH);
    known = length > 0 && length < MAX_PATH;
    drive.assign(value, known ? length : 0);
    read = true;
  }
  return known ? drive.c_str() : nullptr;
}

// Every environment variable in `text` expanded; `text` itself on failure.
std::wstring expandedFully(const std::wstring& text) {
  DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (size == 0)
    return text;
  std::vector<wchar_t> expanded(size + 1, L'\0');
  DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size + 1);
  return length > 0 && length <= size + 1 ? std::wstring(expanded.data()) : text;
}

FolderIdentity identityOf(const std::wstring& path) {
  unsigned long code = 0;
  return path.empty() ? FolderIdentity() : identifyFolder(path, &code);
}

// The folder of the loaded profile `sid`, as text and as the file system
// knows it.
LoadedFolder loadedFolderOf(const std::wstring& sid) {
  LoadedFolder folder;
  std::wstring imagePath, guid, expanded;
  readProfileValues(sid, &imagePath, &guid);
  if (imagePath.empty())
    return folder;
  if (fitsShown(imagePath) && expandSystemDriveWide(imagePath, systemDrive(), &expanded) &&
      fitsShown(expanded)) {
    folder.text = ansiOf(expanded);
  }
  folder.identity = identityOf(expandedFully(imagePath));
  return folder;
}

// Fills the entry; false when the profile is to be passed over: no folder, or
// a text that does not fit its room.
bool readProfile(ProfileEntry* profile, const LeadBytes& lead) {
  profile->shownSid = ansiOf(profile->sid);
  if (profile->shownSid.size() >= profileTextRoom - 1)
    return false;
  profile->lookupCode =
      lookupSidAccount(profile->sid, nullptr, &profile->accountName, &profile->domainName);
  readProfileValues(profile->sid, &profile->imagePath, &profile->guid);
  std::string shownImage = ansiOf(profile->imagePath);
  std::string shownGuid = ansiOf(profile->guid);
  if (profile->imagePath.empty() || !fits(shownImage) || !fits(shownGuid))
    return false;
  profile->owner =
      displayName(ansiOf(profile->domainName), ansiOf(profile->accountName), shownImage, lead);
  std::vector<std::string> keys;
  if (!fits(profile->owner.text) || !profileKeyPaths(profile->shownSid, shownGuid, &keys))
    return false;
  if (!expandSystemDriveWide(profile->imagePath, systemDrive(), &profile->profilePath))
    return false;
  profile->shownPath = ansiOf(profile->profilePath);
  return fits(profile->shownPath);
}

void addKnownFolder(const std::wstring& path, const LeadBytes& lead,
                    std::vector<KnownFolder>* folders) {
  if (path.empty())
    return;
  std::wstring expanded = expandedFully(path);
  folders->push_back(makeKnownFolder(identityOf(expanded), ansiOf(expanded), lead));
}

std::wstring environmentValue(const wchar_t* name) {
  wchar_t value[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

std::wstring profileListValue(const wchar_t* name) {
  HKEY key;
  std::wstring value;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, profileListKeyWide, 0, readAccess, &key) == ERROR_SUCCESS) {
    readTextValue(key, name, &value);
    RegCloseKey(key);
  }
  return value;
}

std::vector<std::wstring> subkeysOf(HKEY root, const wchar_t* path);

void readKeptFolders(KeptFolders* kept, const LeadBytes& lead) {
  kept->read = true;
  addKnownFolder(profileListValue(L"ProfilesDirectory"), lead, &kept->roots);
  for (const wchar_t* name : {L"ProgramData", L"Public", L"Default"})
    addKnownFolder(profileListValue(name), lead, &kept->system);
  for (const wchar_t* name : {L"SystemRoot", L"windir", L"ProgramFiles", L"ProgramFiles(x86)",
                              L"ProgramW6432", L"ProgramData", L"ALLUSERSPROFILE", L"PUBLIC"}) {
    addKnownFolder(environmentValue(name), lead, &kept->system);
  }
  wchar_t windows[MAX_PATH];
  UINT length = GetSystemWindowsDirectoryW(windows, MAX_PATH);
  if (length > 0 && length < MAX_PATH)
    addKnownFolder(std::wstring(windows, length), lead, &kept->system);
  for (const std::wstring& sid : subkeysOf(HKEY_LOCAL_MACHINE, profileListKeyWide)) {
    std::wstring imagePath, guid;
    readProfileValues(sid, &imagePath, &guid);
    std::vector<KnownFolder> one;
    addKnownFolder(imagePath, lead, &one);
    if (!one.empty())
      kept->profiles[sid] = one.front();
  }
}

// True when the folder is the system's or another profile's: never emptied.
bool isKept(const ProfileEntry& profile, const FolderIdentity& folder, KeptFolders* kept,
            const LeadBytes& lead) {
  if (!kept->read)
    readKeptFolders(kept, lead);
  KnownFolder candidate = makeKnownFolder(folder, profile.shownPath, lead);
  if (isKeptFolder(candidate, kept->roots, kept->system))
    return true;
  for (const auto& entry : kept->profiles) {
    if (entry.first != profile.sid && foldersOverlap(candidate, entry.second))
      return true;
  }
  return false;
}

// The line for a folder that is never emptied, or "" when it may be.
// `folder` is what the file system said of it when the profile was found not
// in use: a removal enters that folder or none.
std::string refusedFolderLine(const ProfileEntry& profile, const FolderIdentity& folder,
                              KeptFolders* kept, const LeadBytes& lead) {
  if (isDangerousFolder(profile.shownPath, lead))
    return dangerousFolderLine(profile.shownPath);
  if (isKept(profile, folder, kept, lead))
    return keptFolderLine(profile.shownPath);
  return "";
}

void removeFolder(const ProfileEntry& profile, const FolderIdentity& folder, KeptFolders* kept,
                  const LeadBytes& lead) {
  std::string refused = refusedFolderLine(profile, folder, kept, lead);
  if (!refused.empty()) {
    say(refused);
    return;
  }
  std::wstring stoppedAt;
  unsigned long code =
      deleteDirectoryTree(profile.profilePath, profile.profilePath, folder, &stoppedAt);
  if (code == folderReplacedCode) {
    say(replacedFolderLine(profile.shownPath, ansiOf(stoppedAt)));
  } else if (code != 0) {
    say(folderFailureLine(profile.shownPath, ansiOf(stoppedAt), code, systemMessage(code)));
  }
}

// The folder first, then the keys, always both, whatever the first gave.
void removeProfile(const ProfileEntry& profile, const FolderIdentity& folder, KeptFolders* kept,
                   const LeadBytes& lead) {
  removeFolder(profile, folder, kept, lead);
  std::vector<KeyFailure> failures = removeProfileRegistryEntries(profile.sid, profile.guid);
  std::wstring entryKey = std::wstring(profileListKeyWide) + L"\\" + profile.sid;
  bool entryStays = false;
  for (const KeyFailure& failure : failures) {
    say(registryFailureLine(ansiOf(failure.path), failure.code, systemMessage(failure.code)));
    entryStays = entryStays || failure.path == entryKey;
  }
  // Its folder no longer keeps another profile's removal back.
  if (!entryStays)
    kept->profiles.erase(profile.sid);
}

bool isSelected(const ScanRequest& request, const ProfileEntry& profile, LastUse* use) {
  SelectionFacts facts;
  facts.orphaned = profile.owner.accountUnknown && profile.ownerGone;
  facts.accountName = profile.accountName;
  if (!isSelectedByAccount(request.mode, facts, request.userName))
    return false;
  return !needsAgeTest(request.mode) ||
         isProfileOlderThan(profile.profilePath, request.days, readServiceTimes(profile.sid), use);
}

// The "Deleting" line with `verb` in place of "Deleting", without its break.
std::string profileLine(const char* verb, ScanMode mode, const ProfileEntry& profile) {
  if (mode == ScanMode::ByUser)
    return verb + (" " + ansiOf(profile.accountName));
  return verb + (" " + profile.shownSid) + " - " + profile.owner.text;
}

// `text` with letter case folded as file names fold it.
std::wstring foldedCase(const std::wstring& text) {
  std::wstring folded = text;
  if (!text.empty()) {
    int length = static_cast<int>(text.size());
    LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.data(), length, &folded[0], length);
  }
  return folded;
}

// The index of the first exclusion that matches the profile, or -1: by its
// account (when the owner resolves), its subkey name, its folder's name.
int exclusionOf(const ProfileEntry& profile, const ScanState& state) {
  if (state.foldedExclusions.empty())
    return -1;
  std::vector<std::wstring> names = {profile.sid, lastPathComponent(profile.imagePath)};
  if (profile.lookupCode == 0 && !profile.accountName.empty()) {
    names.push_back(profile.accountName);
    names.push_back(profile.domainName + L"\\" + profile.accountName);
  }
  for (std::wstring& name : names)
    name = foldedCase(name);
  return firstMatchingPattern(state.foldedExclusions, names);
}

UtcMinute minuteOf(uint64_t fileTime) {
  FILETIME time = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME calendar = {};
  FileTimeToSystemTime(&time, &calendar);
  UtcMinute minute;
  minute.year = calendar.wYear;
  minute.month = calendar.wMonth;
  minute.day = calendar.wDay;
  minute.hour = calendar.wHour;
  minute.minute = calendar.wMinute;
  return minute;
}

// What a removal of the profile would delete, said and not done. Access
// errors cannot be foreseen; the kept-folder rules can.
void previewRemoval(ScanMode mode, const ProfileEntry& profile, const FolderIdentity& folder,
                    const LastUse& use, KeptFolders* kept, const LeadBytes& lead) {
  say(profileLine("Would delete", mode, profile) + "\n");
  if (needsAgeTest(mode))
    say(lastUsedLine(minuteOf(use.time), use.source));
  std::string refused = refusedFolderLine(profile, folder, kept, lead);
  TreeSize size = refused.empty() ? measureFolderTree(profile.profilePath) : TreeSize();
  say(sizeLine(size.bytes, size.files));
  say(refused);
  // As after a removal, its entry no longer keeps another profile's folder;
  // the list is read first, so that a later read does not bring it back.
  if (!kept->read)
    readKeptFolders(kept, lead);
  kept->profiles.erase(profile.sid);
}

// In use by what the file system says: the folder is, holds or lies inside a
// loaded profile's folder, it exists but cannot be opened, or its hive is
// held open by someone who shares it with no one.
// `folder` receives the identity the test went by.
bool isInUseOnDisk(const ProfileEntry& profile, const LoadedProfiles& loaded,
                   FolderIdentity* folder) {
  unsigned long code = 0;
  *folder = identifyFolder(profile.profilePath, &code);
  if (!folder->known)
    return !isMissingCode(code);
  return overlapsLoadedFolder(*folder, loaded) || isHiveHeldExclusively(profile.profilePath);
}

// Lists the profile, or deletes it when selected; true when it was deleted.
bool actOnProfile(const ScanRequest& request, const ProfileEntry& profile, const LeadBytes& lead,
                  ScanState* state) {
  // Read afresh for every profile: a user may log on while the scan runs.
  LoadedProfiles loaded = readLoadedProfiles(&state->loaded);
  FolderIdentity folder;
  if (isInUse(profile.shownSid, profile.shownPath, loaded, lead) ||
      isInUseOnDisk(profile, loaded, &folder)) {
    return false;
  }
  if (request.mode == ScanMode::List) {
    say("User: " + profile.owner.text + "\nSID : " + profile.shownSid +
        "\nProfile Path: " + profile.shownPath + "\n\n");
    return false;
  }
  LastUse use;
  if (!isSelected(request, profile, &use))
    return false;
  int exclusion = exclusionOf(profile, *state);
  if (exclusion >= 0) {
    say(profileLine("Excluded", request.mode, profile) +
        " (/X:" + ansiOf(request.exclusions[exclusion]) + ")\n");
    return false;
  }
  if (request.whatIf) {
    previewRemoval(request.mode, profile, folder, use, &state->kept, lead);
    return false;
  }
  say(profileLine("Deleting", request.mode, profile) + "\n");
  removeProfile(profile, folder, &state->kept, lead);
  return true;
}

// Examines the profile `sid`: lists it, or deletes it when selected. Returns
// true when it was deleted.
bool examineProfile(const ScanRequest& request, const std::wstring& sid, const LeadBytes& lead,
                    ScanState* state) {
  ProfileEntry profile;
  profile.sid = sid;
  if (!readProfile(&profile, lead))
    return false;
  // Asked before the in-use test, which must stay right before a removal
  // (the answer may take a round over the network), and with the file-system
  // redirection on: the look-ups load DLLs of the program's own kind.
  profile.ownerGone =
      needsOwnerGone(request.mode) &&
      isOwnerGone(asciiOrQuestionMarks(profile.sid), profile.lookupCode, &state->authorities);
  Redirection redirection = redirectionOff();
  bool deleted = actOnProfile(request, profile, lead, state);
  redirectionRestore(redirection);
  return deleted;
}

// Reads the subkey name at `index`: ERROR_SUCCESS, ERROR_NO_MORE_ITEMS at the
// end of the list, or the failure's code.
LONG readSubkeyAt(HKEY key, DWORD index, std::wstring* name) {
  wchar_t buffer[256];
  DWORD length = 256;
  LONG code = RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (code == ERROR_SUCCESS)
    name->assign(buffer, length);
  return code;
}

bool subkeyAt(HKEY key, DWORD index, std::wstring* name) {
  return readSubkeyAt(key, index, name) == ERROR_SUCCESS;
}

std::vector<std::wstring> subkeysOf(HKEY root, const wchar_t* path) {
  std::vector<std::wstring> names;
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, readAccess, &key) != ERROR_SUCCESS)
    return names;
  std::wstring name;
  for (DWORD index = 0; subkeyAt(key, index, &name); ++index)
    names.push_back(name);
  RegCloseKey(key);
  return names;
}

}  // namespace

LoadedProfiles readLoadedProfiles(LoadedFolderCache* cache) {
  LoadedProfiles loaded;
  HKEY users;
  if (RegOpenKeyExW(HKEY_USERS, L"", 0, readAccess, &users) != ERROR_SUCCESS)
    return loaded;
  std::wstring name;
  LONG code = ERROR_SUCCESS;
  for (DWORD index = 0; (code = readSubkeyAt(users, index, &name)) == ERROR_SUCCESS; ++index) {
    loaded.sids.push_back(ansiOf(name));
    auto known = cache->folderOf.find(name);
    if (known == cache->folderOf.end())
      known = cache->folderOf.emplace(name, loadedFolderOf(name)).first;
    if (!known->second.text.empty())
      loaded.folders.push_back(known->second.text);
    if (known->second.identity.known)
      loaded.identities.push_back(known->second.identity);
  }
  RegCloseKey(users);
  // A list cut short by a failure may lack the very hive that matters.
  loaded.readable = code == ERROR_NO_MORE_ITEMS;
  return loaded;
}

std::string systemMessage(unsigned long code) {
  char text[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof(text), nullptr);
  return trimMessage(std::string(text, length));
}

void scanProfiles(const ScanRequest& request, const LeadBytes& lead) {
  HKEY list;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, profileListKeyWide, 0, readAccess, &list) ==
      ERROR_SUCCESS) {
    std::wstring sid;
    std::wstring lastRemoved;
    ScanState state;
    for (const std::wstring& pattern : request.exclusions)
      state.foldedExclusions.push_back(foldedCase(pattern));
    DWORD index = 0;
    while (subkeyAt(list, index, &sid)) {
      // A removed profile leaves its place to the next one; if its key stayed,
      // it is still here and is stepped over rather than examined again.
      bool survivor = sid == lastRemoved;
      lastRemoved.clear();
      if (!survivor && examineProfile(request, sid, lead, &state)) {
        lastRemoved = sid;
      } else {
        ++index;
      }
    }
    releaseAuthorityCache(&state.authorities);
    RegCloseKey(list);
  }
  say("\n\n");
}
