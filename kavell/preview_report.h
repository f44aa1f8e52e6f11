// The lines a what-if run prints for a profile it would delete, in place of
// deleting it.
#ifndef KAVELL_PREVIEW_REPORT_H_
#define KAVELL_PREVIEW_REPORT_H_

#include <cstdint>
#include <string>

#include "age_source.h"

/// The line right after the heading of a what-if run.
extern const char whatIfNotice[];

/// A moment in UTC, to the minute.
struct UtcMinute {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

/// "  Last used: yyyy-mm-dd hh:mm UTC (profile service)" or "(hive written)",
/// with its line break.
std::string lastUsedLine(const UtcMinute& when, AgeSource source);

/// Whole MiB that hold `bytes`, rounded up: 0 only for 0 bytes.
uint64_t wholeMebibytes(uint64_t bytes);

/// "  Size: <N> MB in <F> files" with its line break; N is wholeMebibytes.
std::string sizeLine(uint64_t bytes, uint64_t files);

#endif  // KAVELL_PREVIEW_REPORT_H_
