#include "profile_age.h"

#include "age_cutoff.h"
#include "ansi_strings.h"
#include "ansi_text.h"
#include "folder_identity.h"
#include "profile_rules.h"

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

}  // namespace

bool isProfileOlderThan(const std::wstring& profilePath, int32_t days) {
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
  uint64_t cutoff = 0;
  if (!ageCutoff(toNumber(nowFileTime), days, &cutoff))
    return false;
  return isBeforeCutoff(lastWrite, cutoff);
}
