// Profile age: the time since the profile was last used, as the profile
// service recorded it in the profile list, else as its hive file was written.
#ifndef KAVELL_PROFILE_AGE_H_
#define KAVELL_PROFILE_AGE_H_

#include <windows.h>

#include <cstdint>
#include <string>

#include "age_source.h"

/// The profile service's load and unload times in the profile-list entry of
/// `sid`; a value is present only as a REG_DWORD of four bytes. Prints
/// nothing.
ServiceTimes readServiceTimes(const std::wstring& sid);

/// True when the profile in `profilePath` was last used (decideLastUse over
/// `times` and the last-write time of its "NTUSER.DAT") strictly before the
/// moment of the test moved back by `days` whole days; `use`, when given,
/// gets the time compared. False on every failure, whatever `times` hold: no
/// hive file, one that does not open with read sharing, a path whose ANSI
/// form does not fit 255 characters, or a cut-off before 1601. The hive is
/// opened by its long path, with the folder's name as stored. Prints nothing.
bool isProfileOlderThan(const std::wstring& profilePath, int32_t days,
                        const ServiceTimes& times = ServiceTimes(), LastUse* use = nullptr);

#endif  // KAVELL_PROFILE_AGE_H_
