// Which time ages a profile: the last unload the profile service recorded in
// the profile-list entry, where it recorded one that can be trusted, else the
// hive file's last write. Windows rewrites the hives of users who are not
// logged on (feature updates, app provisioning), so the hive alone makes
// every profile young after an update.
#ifndef KAVELL_AGE_SOURCE_H_
#define KAVELL_AGE_SOURCE_H_

#include <cstdint>

/// One 32-bit registry value as read: `present` only when it exists as a
/// REG_DWORD of exactly four bytes.
struct DwordValue {
  bool present = false;
  uint32_t value = 0;
};

/// The profile service's four values of one profile-list entry.
struct ServiceTimes {
  DwordValue loadLow, loadHigh, unloadLow, unloadHigh;
};

/// Where the time that ages a profile came from.
enum class AgeSource { ProfileService, HiveWritten };

/// The time that ages a profile, as a file time, and its source.
struct LastUse {
  AgeSource source = AgeSource::HiveWritten;
  uint64_t time = 0;
};

/// 2018-01-01 00:00 UTC: no profile service wrote these values before it.
constexpr uint64_t earliestServiceTime = 131592384000000000ull;

/// The profile's last use: the recorded unload time when all four values are
/// present, the unload is not before the load, not after `now` and not
/// before earliestServiceTime; otherwise `hiveWritten`. A value that is
/// missing or of another type never counts as a time of 0.
LastUse decideLastUse(const ServiceTimes& times, uint64_t hiveWritten, uint64_t now);

#endif  // KAVELL_AGE_SOURCE_H_
