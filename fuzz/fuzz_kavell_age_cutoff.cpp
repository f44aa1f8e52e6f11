// Kavell's cut-off arithmetic on file times, checked against exact 128-bit
// arithmetic: every result within 1601 and the largest file time, truncated
// to whole milliseconds, and refused exactly when it would leave that range.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>

#include "age_cutoff.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

using Wide = __int128;

// The exact result of moving `fileTime` by `shift`, and whether it is a file
// time the system converts.
bool exactShift(uint64_t fileTime, Wide shift, uint64_t* result) {
  Wide moved = static_cast<Wide>(fileTime) + shift;
  if (moved < 0 || moved > static_cast<Wide>(largestFileTime))
    return false;
  *result = static_cast<uint64_t>(moved) - static_cast<uint64_t>(moved) % 10000;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  uint64_t fileTime = input.ConsumeIntegral<uint64_t>();
  int64_t shift = input.ConsumeIntegral<int64_t>();
  int32_t days = input.ConsumeIntegral<int32_t>();
  uint64_t lastWrite = input.ConsumeIntegral<uint64_t>();
  // Real clocks read well inside the range; half the inputs stay there.
  if (input.ConsumeBool())
    fileTime %= largestFileTime + 1;

  uint64_t expected = 0;
  uint64_t result = 1;
  bool shifted = shiftFileTime(fileTime, shift, &result);
  require(shifted == exactShift(fileTime, shift, &expected));
  if (shifted)
    require(result == expected && result % 10000 == 0 && result <= largestFileTime);

  uint64_t cutoff = 1;
  bool known = ageCutoff(fileTime, days, &cutoff);
  // A clock beyond the largest file time is no clock: no hive is old enough.
  bool reachable = days >= 0 && fileTime <= largestFileTime &&
                   exactShift(fileTime, -static_cast<Wide>(days) * fileTimeDay, &expected);
  require(known == reachable);
  if (known) {
    require(cutoff == expected && cutoff <= fileTime);
    require(isBeforeCutoff(lastWrite, cutoff) == (lastWrite < cutoff));
    // A hive written at the cut-off itself is not older than it.
    require(!isBeforeCutoff(cutoff, cutoff));
  }
  return 0;
}
