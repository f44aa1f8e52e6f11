#include "profile_scan.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "folder_removal.h"
#include "orphan_probe.h"
#include "profile_age.h"
#include "registry_cleanup.h"
#include "registry_keys.h"
#include "removal_report.h"
#include "sid_lookup.h"

namespace {

// The scan's working record of one profile.
struct ProfileEntry {
  std::string sid;
  std::string imagePath;
  std::string guid;
  std::string profilePath;
  std::string accountName;
  std::string domainName;
  OwnerName owner;
  unsigned long lookupCode = 0;
  bool ownerGone = false;  ///< the account's own authority says it no longer exists
};

void say(const std::string& text) {
  fputs(text.c_str(), stdout);
}

bool fits(const std::string& text) {
  return text.size() < profileTextRoom;
}

// Reads a value's bytes whatever its type, up to the first NUL. A missing
// value is empty; false when the value does not fit the profile room.
bool readTextValue(HKEY key, const char* name, std::string* value) {
  value->clear();
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
    return true;
  std::vector<char> data(size + 1, '\0');
  while (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                          &size) == ERROR_MORE_DATA) {
    data.assign(size + 1, '\0');
  }
  *value = std::string(data.data());
  return fits(*value);
}

// The profile's folder and GUID as stored. False when a value does not fit.
bool readProfileValues(const std::string& sid, std::string* imagePath, std::string* guid) {
  imagePath->clear();
  guid->clear();
  HKEY key;
  std::string path = std::string(profileListKey) + "\\" + sid;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, readAccess, &key) != ERROR_SUCCESS) {
    return true;
  }
  bool fit = readTextValue(key, "ProfileImagePath", imagePath) && readTextValue(key, "Guid", guid);
  RegCloseKey(key);
  return fit;
}

// The expanded folder of the profile `sid`; false when it has none that fits.
bool profileFolder(const std::string& sid, std::string* folder, const LeadBytes& lead) {
  std::string imagePath;
  std::string guid;
  if (!readProfileValues(sid, &imagePath, &guid) || imagePath.empty())
    return false;
  return expandSystemDrive(imagePath, getenv("SystemDrive"), folder, lead) && fits(*folder);
}

// Fills the entry; false when the profile is to be passed over: no folder, or
// a text that does not fit its room.
bool readProfile(ProfileEntry* profile, const LeadBytes& lead) {
  if (profile->sid.size() >= profileTextRoom - 1)
    return false;
  profile->lookupCode =
      lookupSidAccount(profile->sid, nullptr, &profile->accountName, &profile->domainName);
  if (!readProfileValues(profile->sid, &profile->imagePath, &profile->guid))
    return false;
  if (profile->imagePath.empty())
    return false;
  profile->owner = displayName(profile->domainName, profile->accountName, profile->imagePath, lead);
  std::vector<std::string> keys;
  return fits(profile->owner.text) && profileKeyPaths(profile->sid, profile->guid, &keys) &&
         expandSystemDrive(profile->imagePath, getenv("SystemDrive"), &profile->profilePath,
                           lead) &&
         fits(profile->profilePath);
}

void removeFolder(const std::string& folder, const LeadBytes& lead) {
  if (isDangerousFolder(folder, lead)) {
    say(dangerousFolderLine(folder));
    return;
  }
  std::string stoppedAt;
  unsigned long code = deleteDirectoryTree(folder, folder, &stoppedAt);
  if (code != 0)
    say(folderFailureLine(folder, stoppedAt, code, systemMessage(code)));
}

// The folder first, then the keys, always both, whatever the first gave.
void removeProfile(const ProfileEntry& profile, const LeadBytes& lead) {
  removeFolder(profile.profilePath, lead);
  for (const KeyFailure& failure : removeProfileRegistryEntries(profile.sid, profile.guid)) {
    say(registryFailureLine(failure.path, failure.code, systemMessage(failure.code)));
  }
}

bool isSelected(ScanMode mode, int32_t days, const std::string& userName,
                const ProfileEntry& profile, const LeadBytes& lead) {
  SelectionFacts facts;
  facts.orphaned = profile.owner.accountUnknown && profile.ownerGone;
  facts.accountName = profile.accountName;
  if (!isSelectedByAccount(mode, facts, userName, lead))
    return false;
  return !needsAgeTest(mode) || isProfileOlderThan(profile.profilePath, days);
}

std::string deletingLine(ScanMode mode, const ProfileEntry& profile) {
  if (mode == ScanMode::ByUser)
    return "Deleting " + profile.accountName + "\n";
  return "Deleting " + profile.sid + " - " + profile.owner.text + "\n";
}

// Examines the profile `sid`: lists it, or deletes it when selected. Returns
// true when it was deleted.
bool examineProfile(ScanMode mode, int32_t days, const std::string& userName,
                    const std::string& sid, const LeadBytes& lead, LoadedFolderCache* cache,
                    AuthorityCache* authorities) {
  ProfileEntry profile;
  profile.sid = sid;
  if (!readProfile(&profile, lead))
    return false;
  // Asked before the in-use test, which must stay right before a removal: the
  // answer may take a round over the network.
  profile.ownerGone =
      needsOwnerGone(mode) && isOwnerGone(profile.sid, profile.lookupCode, authorities);
  // Read afresh for every profile: a user may log on while the scan runs.
  if (isInUse(sid, profile.profilePath, readLoadedProfiles(lead, cache), lead))
    return false;
  if (mode == ScanMode::List) {
    say("User: " + profile.owner.text + "\nSID : " + sid +
        "\nProfile Path: " + profile.profilePath + "\n\n");
    return false;
  }
  if (!isSelected(mode, days, userName, profile, lead))
    return false;
  say(deletingLine(mode, profile));
  removeProfile(profile, lead);
  return true;
}

// The subkey name at `index`; false at the end of the list or on any failure.
// Reads the subkey name at `index`: ERROR_SUCCESS, ERROR_NO_MORE_ITEMS at the
// end of the list, or the failure's code.
LONG readSubkeyAt(HKEY key, DWORD index, std::string* name) {
  char buffer[256];
  DWORD length = sizeof(buffer);
  LONG code = RegEnumKeyExA(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (code == ERROR_SUCCESS)
    name->assign(buffer, length);
  return code;
}

bool subkeyAt(HKEY key, DWORD index, std::string* name) {
  return readSubkeyAt(key, index, name) == ERROR_SUCCESS;
}

}  // namespace

LoadedProfiles readLoadedProfiles(const LeadBytes& lead, LoadedFolderCache* cache) {
  LoadedProfiles loaded;
  HKEY users;
  if (RegOpenKeyExA(HKEY_USERS, "", 0, readAccess, &users) != ERROR_SUCCESS)
    return loaded;
  std::string name;
  LONG code = ERROR_SUCCESS;
  for (DWORD index = 0; (code = readSubkeyAt(users, index, &name)) == ERROR_SUCCESS; ++index) {
    loaded.sids.push_back(name);
    auto known = cache->folderOf.find(name);
    if (known == cache->folderOf.end()) {
      std::string folder;
      if (!profileFolder(name, &folder, lead))
        folder.clear();
      known = cache->folderOf.emplace(name, folder).first;
    }
    if (!known->second.empty())
      loaded.folders.push_back(known->second);
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

void scanProfiles(ScanMode mode, int32_t days, const std::string& userName, const LeadBytes& lead) {
  HKEY list;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, profileListKey, 0, readAccess, &list) == ERROR_SUCCESS) {
    std::string sid;
    std::string lastRemoved;
    LoadedFolderCache cache;
    AuthorityCache authorities;
    DWORD index = 0;
    while (subkeyAt(list, index, &sid)) {
      // A removed profile leaves its place to the next one; if its key stayed,
      // it is still here and is stepped over rather than examined again.
      bool survivor = sid == lastRemoved;
      lastRemoved.clear();
      if (!survivor && examineProfile(mode, days, userName, sid, lead, &cache, &authorities)) {
        lastRemoved = sid;
      } else {
        ++index;
      }
    }
    releaseAuthorityCache(&authorities);
    RegCloseKey(list);
  }
  say("\n\n");
}
