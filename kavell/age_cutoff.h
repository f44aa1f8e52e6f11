// Day arithmetic on file-time values (100-nanosecond intervals since
// 1 January 1601, UTC).
#ifndef KAVELL_AGE_CUTOFF_H_
#define KAVELL_AGE_CUTOFF_H_

#include <cstdint>

/// One day in file-time intervals.
constexpr uint64_t fileTimeDay = 864000000000ull;

/// The largest file time the system converts to a calendar time.
constexpr uint64_t largestFileTime = 0x7FFFFFFFFFFFFFFFull;

/// Moves `fileTime` by `shift` intervals into `result`, dropping what lies
/// below a whole millisecond (a calendar time keeps no more). Returns false
/// when the result would fall before 1601 or beyond largestFileTime.
bool shiftFileTime(uint64_t fileTime, int64_t shift, uint64_t* result);

/// The cut-off `days` whole days before `now`, in whole milliseconds. Returns
/// false when it would fall before 1601, when `days` is negative, or when
/// `now` is beyond largestFileTime: then no hive counts as old enough.
bool ageCutoff(uint64_t now, int32_t days, uint64_t* cutoff);

/// True when a hive last written at `lastWrite` is older than `cutoff`, that
/// is written strictly before it.
bool isBeforeCutoff(uint64_t lastWrite, uint64_t cutoff);

#endif  // KAVELL_AGE_CUTOFF_H_
