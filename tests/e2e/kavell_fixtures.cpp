#include "kavell_fixtures.h"

#include <aclapi.h>

#include <algorithm>

const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char kWineUserSid[] = "S-1-5-21-0-0-0-1000";
const char kOrphanSid[] = "S-1-5-21-0-0-0-94444";
const char kOrphanSid2[] = "S-1-5-21-0-0-0-1001";

namespace {

// Keys that fixtures made outside the profile list; the test's TearDown
// deletes them, the profile list itself is emptied wholesale.
std::vector<std::pair<HKEY, std::string>> madeKeys;

std::wstring widen(const std::string& text) {
  std::wstring wide;
  for (unsigned char c : text)
    wide += static_cast<wchar_t>(c);
  return wide;
}

std::string narrow(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text)
    bytes += static_cast<char>(c);
  return bytes;
}

// Gives a key emptied by lockKey its access back: WRITE_DAC stays granted to
// the owner, and a null DACL allows everything.
void unlockKey(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExW(root, widen(path).c_str(), 0, WRITE_DAC, &key) != ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
  RegCloseKey(key);
}

// Long-path form for the wide calls, so trees deeper than MAX_PATH work.
std::wstring longPath(const std::string& path) {
  return L"\\\\?\\" + widen(path);
}

void listTreeInto(const std::string& folder, const std::string& prefix,
                  std::vector<std::string>* names) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((longPath(folder) + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return;
  do {
    std::string name = narrow(entry.cFileName);
    if (name == "." || name == "..")
      continue;
    bool isFolder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    names->push_back(prefix + name + (isFolder ? "\\" : ""));
    if (isFolder && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      listTreeInto(folder + "\\" + name, prefix + name + "\\", names);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace

// ---- Registry ----

void createKey(HKEY root, const std::string& path) {
  HKEY key;
  LONG code = RegCreateKeyExW(root, widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
  ASSERT_EQ(code, ERROR_SUCCESS) << "cannot make key " << path;
  RegCloseKey(key);
}

void setStringValue(HKEY root, const std::string& path, const std::string& name,
                    const std::string& value, DWORD type) {
  setRawValue(root, path, name, type, std::string(value.c_str(), value.size() + 1));
}

void setRawValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
                 const std::string& bytes) {
  HKEY key;
  LONG code = RegCreateKeyExW(root, widen(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr);
  ASSERT_EQ(code, ERROR_SUCCESS) << "cannot make key " << path;
  code = RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
  ASSERT_EQ(code, ERROR_SUCCESS) << "cannot set " << path << "\\" << name;
}

bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExW(root, widen(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

std::string readStringValue(HKEY root, const std::string& path, const std::string& name) {
  char value[4096];
  DWORD size = sizeof(value);
  LONG code =
      RegGetValueA(root, path.c_str(), name.c_str(),
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value, &size);
  return code == ERROR_SUCCESS ? std::string(value) : "<missing>";
}

std::vector<std::string> subkeyNames(HKEY root, const std::string& path) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExW(root, widen(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  wchar_t name[512];
  for (DWORD index = 0;; ++index) {
    DWORD size = 512;
    if (RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(narrow(name));
  }
  RegCloseKey(key);
  return names;
}

void deleteKeyTree(HKEY root, const std::string& path) {
  unlockKey(root, path);
  for (const std::string& name : subkeyNames(root, path))
    deleteKeyTree(root, path + "\\" + name);
  // A key whose DACL is empty does not even enumerate: unlock its known child.
  unlockKey(root, path + "\\Locked");
  for (const std::string& name : subkeyNames(root, path))
    deleteKeyTree(root, path + "\\" + name);
  RegDeleteKeyW(root, widen(path).c_str());
}

void addWideProfile(const std::string& sid, const std::wstring& imagePath) {
  createKey(HKEY_LOCAL_MACHINE, profileKey(sid));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, profileKey(sid).c_str(), 0, KEY_SET_VALUE, &key),
            ERROR_SUCCESS);
  RegSetValueExW(key, L"ProfileImagePath", 0, REG_EXPAND_SZ,
                 reinterpret_cast<const BYTE*>(imagePath.c_str()),
                 static_cast<DWORD>((imagePath.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::string profileKey(const std::string& sid) {
  return std::string(kProfileList) + "\\" + sid;
}

std::string groupPolicyKey(const std::string& sid) {
  return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\" + sid;
}

std::string groupPolicyStateKey(const std::string& sid) {
  return "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\State\\" + sid;
}

std::string profileGuidKey(const std::string& guid) {
  return "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileGuid\\" + guid;
}

std::string policyGuidKey(const std::string& guid) {
  return "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\PolicyGuid\\" + guid;
}

void addProfile(const std::string& sid, const std::string& imagePath, DWORD type,
                const std::string& guid) {
  setStringValue(HKEY_LOCAL_MACHINE, profileKey(sid), "ProfileImagePath", imagePath, type);
  if (!guid.empty())
    setStringValue(HKEY_LOCAL_MACHINE, profileKey(sid), "Guid", guid);
}

void addPolicyKeys(const std::string& sid, const std::string& guid) {
  for (const std::string& key :
       {groupPolicyKey(sid), groupPolicyStateKey(sid), profileGuidKey(guid), policyGuidKey(guid)}) {
    createKey(HKEY_LOCAL_MACHINE, key + "\\Sub");
    madeKeys.emplace_back(HKEY_LOCAL_MACHINE, key);
  }
  setStringValue(HKEY_LOCAL_MACHINE, profileGuidKey(guid), "SidString", sid);
}

void markLoaded(const std::string& name) {
  createKey(HKEY_USERS, name);
  madeKeys.emplace_back(HKEY_USERS, name);
}

void lockKey(const std::string& path) {
  createKey(HKEY_LOCAL_MACHINE, path + "\\Locked\\Inner");
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (path + "\\Locked").c_str(), 0, WRITE_DAC, &key),
            ERROR_SUCCESS);
  ACL emptyAcl;
  InitializeAcl(&emptyAcl, sizeof(emptyAcl), ACL_REVISION);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyAcl, FALSE);
  LONG code = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
  RegCloseKey(key);
  ASSERT_EQ(code, ERROR_SUCCESS);
}

// ---- Files ----

void makeFile(const std::string& path, const std::string& bytes, DWORD attributes) {
  writeFile(path, bytes);
  if (attributes != 0) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << "cannot set attributes " << path;
  }
}

void makeFolder(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << "cannot make " << path;
  if (attributes != 0) {
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << "cannot set attributes " << path;
  }
}

void makeProfileTree(const std::string& folder) {
  makeFolder(folder);
  makeFile(folder + "\\NTUSER.DAT", "regf hive");
  makeFile(folder + "\\ntuser.ini", "ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  makeFile(folder + "\\readonly.txt", "ro", FILE_ATTRIBUTE_READONLY);
  makeFile(folder + "\\.profile", "dot file", FILE_ATTRIBUTE_READONLY);
  makeFolder(folder + "\\.config", FILE_ATTRIBUTE_HIDDEN);
  makeFile(folder + "\\.config\\settings", "s", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  makeFolder(folder + "\\AppData", FILE_ATTRIBUTE_HIDDEN);
  makeFolder(folder + "\\AppData\\Local");
  makeFolder(folder + "\\AppData\\Local\\Deep");
  makeFile(folder + "\\AppData\\Local\\Deep\\cache.bin", "c",
           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  makeFile(folder + "\\AppData\\Local\\.lock", "l");
  makeFolder(folder + "\\Documents", FILE_ATTRIBUTE_SYSTEM);
  makeFile(folder + "\\Documents\\letter.doc", "letter", FILE_ATTRIBUTE_READONLY);
  makeFolder(folder + "\\Documents\\Empty");
}

void makeLongFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot write " << path;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

void makeLongFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(longPath(path).c_str(), nullptr)) << "cannot make " << path;
}

void setLastWriteTime(const std::string& path, const FILETIME& time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "cannot open " << path;
  BOOL ok = SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
  ASSERT_TRUE(ok) << "cannot set the time of " << path;
}

FILETIME hoursFromNow(long long hours) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER value;
  value.LowPart = now.dwLowDateTime;
  value.HighPart = now.dwHighDateTime;
  value.QuadPart += hours * 36000000000LL;
  FILETIME moved;
  moved.dwLowDateTime = value.LowPart;
  moved.dwHighDateTime = value.HighPart;
  return moved;
}

FILETIME fileTimeOf(WORD year, WORD month, WORD day) {
  SYSTEMTIME date = {};
  date.wYear = year;
  date.wMonth = month;
  date.wDay = day;
  FILETIME time = {};
  EXPECT_TRUE(SystemTimeToFileTime(&date, &time));
  return time;
}

HANDLE holdOpenExclusively(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "cannot hold " << path;
  return file;
}

std::vector<std::string> listTree(const std::string& folder) {
  std::vector<std::string> names;
  listTreeInto(folder, "", &names);
  std::sort(names.begin(), names.end());
  return names;
}

void removeLongTree(const std::string& folder) {
  WIN32_FIND_DATAW entry;
  std::wstring wide = longPath(folder);
  HANDLE search = FindFirstFileW((wide + L"\\*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..")
        continue;
      std::wstring full = wide + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      bool isFolder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      if (isFolder && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        removeLongTree(folder + "\\" + narrow(name));
      } else if (isFolder) {
        // A link: remove only the link itself, from the Unix side, because
        // Wine's RemoveDirectory would act on a target that is empty.
        runUnix("/bin/rm -f " + unixPath(folder + "\\" + narrow(name)));
        waitForPath(folder + "\\" + narrow(name), false);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
  }
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(wide.c_str());
}

// ---- Unix side of the prefix ----

void runUnix(const std::string& commandLine) {
  if (!startUnix(commandLine)) {
    ADD_FAILURE() << "cannot run " << commandLine << ": error " << GetLastError();
  }
}

std::string winePrefix() {
  char value[MAX_PATH * 4];
  DWORD length = GetEnvironmentVariableA("WINEPREFIX", value, sizeof(value));
  return length > 0 && length < sizeof(value) ? std::string(value, length) : "";
}

bool waitForPath(const std::string& path, bool present) {
  // Wine signals a Unix child's handle before the child is done: watch the
  // result instead, for at most five seconds.
  for (int round = 0; round < 250; ++round) {
    if ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present)
      return true;
    Sleep(20);
  }
  return false;
}

bool makeUnixLink(const std::string& link, const std::string& target) {
  std::string parent = link.substr(0, link.rfind('\\'));
  std::string name = link.substr(link.rfind('\\') + 1);
  std::string unixParent = unixPath(parent), unixTarget = unixPath(target);
  if (unixParent.empty() || unixTarget.empty())
    return false;
  runUnix("/bin/ln -s " + unixTarget + " " + unixParent + "/" + name);
  waitForPath(link, true);
  return GetFileAttributesA(link.c_str()) ==
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

// ---- Running Kavell ----

RunResult runKavell(const std::vector<std::string>& args, const std::string& workDir) {
  return runProgram(programUnderTest(), args, workDir);
}

std::string expectedRun(const std::string& heading, const std::string& body,
                        const std::string& closing) {
  return crlf("\n\n" + heading + body + "\n\n" + closing);
}

std::string listedProfile(const std::string& user, const std::string& sid,
                          const std::string& path) {
  return "User: " + user + "\nSID : " + sid + "\nProfile Path: " + path + "\n\n";
}

std::string win32ErrorText(DWORD code) {
  char text[512] = "";
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof(text), nullptr);
  std::string message(text, length);
  while (!message.empty() && strchr("\r\n \t", message.back()) != nullptr)
    message.pop_back();
  return message;
}

std::string localDomain() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof(name);
  if (!GetComputerNameA(name, &size))
    return "<unknown>";
  return name;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool hasSuffix(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

size_t countOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
    ++count;
  }
  return count;
}

// ---- The test fixture ----

namespace {

void emptyProfileList() {
  for (const std::string& sid : subkeyNames(HKEY_LOCAL_MACHINE, kProfileList)) {
    if (sid != kWineUserSid)
      deleteKeyTree(HKEY_LOCAL_MACHINE, profileKey(sid));
  }
}

}  // namespace

void KavellTest::SetUp() {
  emptyProfileList();
  ASSERT_EQ(subkeyNames(HKEY_LOCAL_MACHINE, kProfileList), std::vector<std::string>{kWineUserSid});
  work = folder("work");
}

void KavellTest::TearDown() {
  emptyProfileList();
  for (const auto& key : madeKeys)
    deleteKeyTree(key.first, key.second);
  madeKeys.clear();
  for (const auto& key : keys_)
    deleteKeyTree(key.first, key.second);
  keys_.clear();
  for (const std::string& path : folders_) {
    removeLongTree(path);
    // A dangling link is invisible to the enumeration yet keeps its folder:
    // the Unix side removes what is left of this test's own folder (rm never
    // follows links).
    if (folderExists(path) && path.rfind("C:\\users\\kv-e2e-", 0) == 0) {
      runUnix("/bin/rm -rf " + unixPath(path));
      waitForPath(path, false);
    }
  }
  folders_.clear();
}

std::string KavellTest::folder(const std::string& tag) {
  // Beside the real profiles, not in the temp folder: that lies inside the
  // Wine user's loaded profile, where Kavell touches nothing.
  static unsigned counter = 0;
  for (;;) {
    std::string path = "C:\\users\\kv-e2e-" + tag + "-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(++counter);
    if (CreateDirectoryA(path.c_str(), nullptr)) {
      folders_.push_back(path);
      return path;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot make " << path << ": error " << GetLastError();
      return path;
    }
  }
}

void KavellTest::removeLater(const std::string& path, bool users) {
  keys_.emplace_back(users ? HKEY_USERS : HKEY_LOCAL_MACHINE, path);
}

namespace {

// The Wine user's profile is loaded and resolvable: no mode may touch it.
// Its entry, its loaded hive and its folder must outlive the whole suite.
class WineUserSurvives : public ::testing::Environment {
 public:
  void SetUp() override {
    imagePath_ = readStringValue(HKEY_LOCAL_MACHINE, profileKey(kWineUserSid), "ProfileImagePath");
    ASSERT_NE(imagePath_, "<missing>") << "the Wine user's profile entry is missing";
    entries_ = listFolder(imagePath_);
    ASSERT_FALSE(entries_.empty());
  }
  void TearDown() override {
    EXPECT_EQ(readStringValue(HKEY_LOCAL_MACHINE, profileKey(kWineUserSid), "ProfileImagePath"),
              imagePath_);
    EXPECT_TRUE(keyExists(HKEY_USERS, kWineUserSid));
    EXPECT_EQ(listFolder(imagePath_), entries_);
  }

 private:
  std::string imagePath_;
  std::vector<std::string> entries_;
};

::testing::Environment* const wineUserSurvives =
    ::testing::AddGlobalTestEnvironment(new WineUserSurvives);

}  // namespace
