// Profile age: the time since the profile's hive file was last written.
#ifndef KAVELL_PROFILE_AGE_H_
#define KAVELL_PROFILE_AGE_H_

#include <windows.h>

#include <cstdint>
#include <string>

/// True when "NTUSER.DAT" in `profilePath` was last written strictly before
/// the moment of the test moved back by `days` whole days. False on every
/// failure: no hive file, one that does not open with read sharing, a path
/// whose ANSI form does not fit 255 characters, or a cut-off before 1601.
/// The file is opened by its long path, with the folder's name as stored.
/// Prints nothing.
bool isProfileOlderThan(const std::wstring& profilePath, int32_t days);

#endif  // KAVELL_PROFILE_AGE_H_
