// Kavell on a profile list that years of logons and failed clean-ups have
// left in a bad state: 2,000 entries mixing resolved, unresolved and loaded
// owners, ".bak" and malformed names, names past the room, empty, missing and
// oversized paths, values of the wrong type, policy keys, subkeys of their
// own, and one entry that cannot be deleted. The listing shows exactly the
// entries it should, "/A" deletes exactly the ones it may (unmapped accounts of
// this computer's own domain, not those of other authorities), says what
// it could not delete, and ends; the second listing shows the rest.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "kavell_fixtures.h"

namespace {

const char kListHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";
const char kOrphanHeading[] = "Deleting User Profiles with no valid user associations:\n\n";
constexpr int kEntries = 2000;
// The one unmapped entry whose profile-list key cannot be deleted.
const char kLocked[] = "S-1-5-21-0-0-0-72019";
// The longest profile name whose keys all fit a registry path of 255
// characters: the longest parent is the group-policy state key.
const size_t kLongestName =
    255 - std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\").size();

// What the test made for one entry and what Kavell must do with it.
struct Entry {
  std::string name;
  std::string shownPath;  ///< the path as listed (after expansion)
  std::string owner;      ///< the display name
  std::string folder;     ///< a real folder made for it, or empty
  std::string guid;       ///< policy keys made for it, or empty
  bool listed = false;    ///< shown by "/LIST"
  bool deleted = false;   ///< deleted by "/A"
};

void setRawValue(const std::string& keyPath, const char* name, DWORD type,
                 const std::string& bytes) {
  createKey(HKEY_LOCAL_MACHINE, keyPath);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS)
      << keyPath;
  LONG code = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  ASSERT_EQ(code, ERROR_SUCCESS) << keyPath;
}

std::string resolvedOwner(const std::string& sidText) {
  PSID sid = nullptr;
  typedef BOOL(WINAPI * FromText)(LPCSTR, PSID*);
  FromText convert = reinterpret_cast<FromText>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("advapi32.dll"), "ConvertStringSidToSidA")));
  if (convert == nullptr || !convert(sidText.c_str(), &sid))
    return "<unparsable>";
  char account[256] = "", domain[256] = "";
  DWORD accountSize = sizeof(account), domainSize = sizeof(domain);
  SID_NAME_USE use;
  BOOL found = LookupAccountSidA(nullptr, sid, account, &accountSize, domain, &domainSize, &use);
  LocalFree(sid);
  return found ? std::string(domain) + "\\" + account : "<unresolved>";
}

std::string guidFor(int i) {
  char text[64];
  snprintf(text, sizeof(text), "{0000%04X-1111-2222-3333-444455556666}", i);
  return text;
}

std::string paddedName(const std::string& start, size_t length) {
  std::string name = start;
  while (name.size() < length)
    name += name.size() + 2 <= length ? "-1" : "1";
  return name.substr(0, length);
}

class KavellBadRegistry : public KavellTest {
 protected:
  // Makes entry `i`: its kind is chosen by i % 20, spread over the whole
  // list so that every kind meets every other in the walk.
  Entry make(int i) {
    static const char* const resolvable[] = {"S-1-5-18",           "S-1-5-19",
                                             "S-1-5-20",           "S-1-5-21-0-0-0-500",
                                             "S-1-5-21-0-0-0-501", "S-1-5-32-544"};
    Entry e;
    std::string tail = "p" + std::to_string(i);
    std::string path = work + "\\" + tail;
    e.name = "S-1-5-21-0-0-0-7" + std::to_string(1000 + i);
    e.shownPath = path;
    e.owner = "Account Unknown\\" + tail;
    e.listed = true;
    e.deleted = true;
    std::string key;
    switch (i % 20) {
      case 0:  // a real profile folder
      case 19:
        e.folder = path;
        if (i % 100 == 0) {
          makeProfileTree(path);
        } else {
          makeFolder(path);
          makeFile(path + "\\NTUSER.DAT", "hive", FILE_ATTRIBUTE_HIDDEN);
          makeFile(path + "\\notes.txt", "notes", FILE_ATTRIBUTE_READONLY);
        }
        addProfile(e.name, path);
        break;
      case 1:  // the usual stored form
        addProfile(e.name, "%SystemDrive%" + path.substr(2));
        break;
      case 2:  // with its group-policy and GUID keys
        e.guid = guidFor(i);
        addProfile(e.name, path, REG_EXPAND_SZ, e.guid);
        addPolicyKeys(e.name, e.guid);
        break;
      case 3:  // loaded (one in ten of these): never shown, never touched
        if (i % 200 != 3) {
          addProfile(e.name, "%SystemDrive%\\" + path.substr(3), REG_SZ);
          break;
        }
        e.listed = e.deleted = false;
        e.folder = path;
        e.guid = guidFor(i);
        makeFolder(path);
        makeFile(path + "\\NTUSER.DAT", "in use");
        addProfile(e.name, path, REG_EXPAND_SZ, e.guid);
        addPolicyKeys(e.name, e.guid);
        markLoaded(e.name);
        break;
      case 4:  // an empty path
        e.listed = e.deleted = false;
        addProfile(e.name, "");
        break;
      case 5:  // no path at all, only a GUID
        e.listed = e.deleted = false;
        setStringValue(HKEY_LOCAL_MACHINE, profileKey(e.name), "Guid", guidFor(i));
        break;
      case 6:  // the path as binary bytes without a terminator
        setRawValue(profileKey(e.name), "ProfileImagePath", REG_BINARY, path);
        break;
      case 7:  // the path as the first string of a multi-string
        setRawValue(profileKey(e.name), "ProfileImagePath", REG_MULTI_SZ,
                    path + std::string(1, '\0') + "C:\\elsewhere" + std::string(2, '\0'));
        break;
      case 8:  // a number where the path should be
        e.listed = e.deleted = false;
        setRawValue(profileKey(e.name), "ProfileImagePath", REG_DWORD, std::string(4, '\0'));
        break;
      case 9: {  // a stale entry inside the loaded Wine user's own folder
        e.listed = e.deleted = false;
        std::string own =
            readStringValue(HKEY_LOCAL_MACHINE, profileKey(kWineUserSid), "ProfileImagePath");
        addProfile(e.name, own + "\\fault-stale-" + tail);
        break;
      }
      case 10:  // a ".bak" copy names the same unmapped account
        e.name += ".bak";
        e.folder = path;
        makeFolder(path);
        makeFile(path + "\\NTUSER.DAT", "backup");
        addProfile(e.name, path);
        break;
      case 11:  // a name past the room: passed over
        e.name = paddedName(e.name, 255);
        e.listed = e.deleted = false;
        addProfile(e.name, path);
        break;
      case 12:  // a path past the room: passed over
        e.listed = e.deleted = false;
        addProfile(e.name, paddedName(path + "\\long", 300));
        break;
      case 13:  // a resolvable owner where there is one left, else unmapped
        if (i / 20 < 6) {
          e.name = resolvable[i / 20];
          e.owner = resolvedOwner(e.name);
          e.deleted = false;
        }
        addProfile(e.name, path, REG_SZ);
        break;
      case 14:  // no SID at all: unknown owner, but nobody said it is gone
        e.name = "NotASid-" + std::to_string(i);
        e.deleted = false;
        addProfile(e.name, path);
        break;
      case 15:  // no SID, and a name at the limit: the longest key path built
        // from it ("...\\Group Policy\\State\\" and the name) must fit 255
        // characters, or the entry is passed over rather than cut short.
        e.name = "NotASid-" + std::to_string(i) + "-";
        e.name.resize(i % 40 == 15 ? kLongestName : kLongestName + 1, 'x');
        e.listed = i % 40 == 15;
        e.deleted = false;
        addProfile(e.name, path);
        break;
      case 16:  // a GUID value that is a number: no GUID keys to remove
        addProfile(e.name, path);
        setRawValue(profileKey(e.name), "Guid", REG_DWORD, std::string(4, '\0'));
        break;
      case 17:  // an entry with subkeys of its own
        addProfile(e.name, path);
        createKey(HKEY_LOCAL_MACHINE, profileKey(e.name) + "\\Extra\\Deeper");
        break;
      case 18:  // another domain, or a cloud directory: unmapped here, but
                // nobody whose word counts said the account is gone
        e.name = (i % 40 == 18 ? "S-1-5-21-777-888-999-" : "S-1-12-1-1111-2222-3333-") +
                 std::to_string(50000 + i);
        e.deleted = false;
        e.folder = path;
        e.guid = guidFor(i);
        makeFolder(path);
        makeFile(path + "\\NTUSER.DAT", "kept");
        addProfile(e.name, path, REG_EXPAND_SZ, e.guid);
        addPolicyKeys(e.name, e.guid);
        break;
    }
    return e;
  }

  std::vector<Entry> entries_;
};

std::string listing(const std::vector<std::string>& order, const std::map<std::string, Entry>& by,
                    bool afterDeletion) {
  std::string body;
  for (const std::string& name : order) {
    auto it = by.find(name);
    if (it == by.end())
      continue;
    const Entry& e = it->second;
    bool stays = !e.deleted || e.name == kLocked;
    if (e.listed && (!afterDeletion || stays))
      body += listedProfile(e.owner, e.name, e.shownPath);
  }
  return body;
}

}  // namespace

TEST_F(KavellBadRegistry, TwoThousandEntriesAreListedAndDeletedExactly) {
  std::map<std::string, Entry> byName;
  for (int i = 0; i < kEntries; ++i) {
    Entry e = make(i);
    ASSERT_FALSE(HasFatalFailure()) << "making entry " << i;
    ASSERT_TRUE(byName.emplace(e.name, e).second) << "two entries named " << e.name;
  }
  // One unmapped entry with a real folder cannot be deleted from the registry.
  const std::string locked = kLocked;
  ASSERT_TRUE(byName.count(locked) && byName[locked].deleted);
  lockKey(profileKey(locked));

  // The walk's order is the registry's own; the test takes it from there.
  std::vector<std::string> order = subkeyNames(HKEY_LOCAL_MACHINE, kProfileList);
  ASSERT_EQ(order.size(), byName.size() + 1);

  DWORD started = GetTickCount();
  RunResult list = runKavell({"/LIST"}, work);
  DWORD listMs = GetTickCount() - started;
  EXPECT_EQ(list.out,
            expectedRun(kListHeading, listing(order, byName, false), "Process Completed.\n\n"));

  std::string deletions;
  size_t deletedCount = 0;
  for (const std::string& name : order) {
    auto it = byName.find(name);
    if (it == byName.end() || !it->second.deleted)
      continue;
    deletions += "Deleting " + name + " - " + it->second.owner + "\n";
    ++deletedCount;
    if (name == locked) {
      deletions += "  Registry key left behind: HKEY_LOCAL_MACHINE\\" + profileKey(locked) +
                   " - error 5: " + win32ErrorText(ERROR_ACCESS_DENIED) + "\n";
    }
  }
  started = GetTickCount();
  RunResult removal = runKavell({"/A"}, work);
  DWORD removalMs = GetTickCount() - started;
  EXPECT_EQ(removal.exitCode, 0u);
  EXPECT_EQ(removal.out, expectedRun(kOrphanHeading, deletions, "Process Completed.\n\n"));

  // Exactly the selected entries are gone, with their folders and keys.
  std::vector<std::string> expectedLeft;
  for (const std::string& name : order) {
    auto it = byName.find(name);
    if (it == byName.end() || !it->second.deleted || name == locked)
      expectedLeft.push_back(name);
  }
  EXPECT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), expectedLeft);
  size_t wrongFolders = 0, wrongKeys = 0;
  for (const auto& item : byName) {
    const Entry& e = item.second;
    if (!e.folder.empty() && folderExists(e.folder) == e.deleted && ++wrongFolders <= 5)
      ADD_FAILURE() << e.folder << (e.deleted ? " survived" : " was removed");
    if (!e.guid.empty()) {
      for (const std::string& key : {groupPolicyKey(e.name), groupPolicyStateKey(e.name),
                                     profileGuidKey(e.guid), policyGuidKey(e.guid)}) {
        if (keyExists(HKEY_LOCAL_MACHINE, key) == e.deleted && ++wrongKeys <= 5)
          ADD_FAILURE() << key << (e.deleted ? " survived" : " was removed");
      }
    }
  }
  EXPECT_EQ(wrongFolders, 0u);
  EXPECT_EQ(wrongKeys, 0u);

  RunResult rest = runKavell({"/LIST"}, work);
  EXPECT_EQ(rest.out, expectedRun(kListHeading, listing(expectedLeft, byName, true),
                                  "Process Completed.\n\n"));
  printf("[ timing ] 2,000 entries: /LIST %lu ms, /A %lu ms (%zu deleted)\n",
         static_cast<unsigned long>(listMs), static_cast<unsigned long>(removalMs), deletedCount);
}
