#include "profile_age.h"

#include "age_cutoff.h"
#include "ansi_strings.h"
#include "ansi_text.h"
#include "folder_identity.h"
#include "profile_rules.h"
#include "registry_keys.h"

namespace {

uint64_t toNumber(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The hive's last-write time; false when the file cannot be opened or read.
bool hiveLastWrite(const std::wstring& hivePath, uint64_t* lastWrite) {
  // Read sharing alone: a hive that someone holds open for writing is in use.
  HANDLE file = CreateFileW(hivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  FILETIME written;
  bool read = GetFileTime(file, nullptr, nullptr, &written) != FALSE;
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
  if (read)
    *lastWrite = toNumber(written);
  return read;
}

DwordValue readDword(HKEY key, const wchar_t* name) {
  DwordValue value;
  DWORD type = REG_NONE;
  DWORD data = 0;
  DWORD size = sizeof(data);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && size == sizeof(data)) {
    value.present = true;
    value.value = data;
  }
  return value;
}

}  // namespace

ServiceTimes readServiceTimes(const std::wstring& sid) {
  ServiceTimes times;
  std::string list = profileListKey;
  std::wstring path = std::wstring(list.begin(), list.end()) + L"\\" + sid;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, readAccess, &key) != ERROR_SUCCESS)
    return times;
  times.loadLow = readDword(key, L"LocalProfileLoadTimeLow");
  times.loadHigh = readDword(key, L"LocalProfileLoadTimeHigh");
  times.unloadLow = readDword(key, L"LocalProfileUnloadTimeLow");
  times.unloadHigh = readDword(key, L"LocalProfileUnloadTimeHigh");
  RegCloseKey(key);
  return times;
}

bool isProfileOlderThan(const std::wstring& profilePath, int32_t days, const ServiceTimes& times,
                        LastUse* use) {
  std::string shownPath = ansiOf(profilePath);
  if (!appendWithin(shownPath, "\\NTUSER.DAT", profileTextRoom))
    return false;
  uint64_t lastWrite = 0;
  if (!hiveLastWrite(fullLongPath(profilePath) + L"\\NTUSER.DAT", &lastWrite))
    return false;
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME nowFileTime;
  if (!SystemTimeToFileTime(&now, &nowFileTime))
    return false;
  LastUse last = decideLastUse(times, lastWrite, toNumber(nowFileTime));
  if (use)
    *use = last;
  uint64_t cutoff = 0;
  if (!ageCutoff(toNumber(nowFileTime), days, &cutoff))
    return false;
  return isBeforeCutoff(last.time, cutoff);
}
