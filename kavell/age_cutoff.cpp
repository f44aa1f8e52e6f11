#include "age_cutoff.h"

namespace {

constexpr uint64_t intervalsPerMillisecond = 10000;

}  // namespace

bool shiftFileTime(uint64_t fileTime, int64_t shift, uint64_t* result) {
  uint64_t moved = 0;
  if (shift < 0) {
    // Negating INT64_MIN would overflow; its magnitude is taken unsigned.
    uint64_t back = static_cast<uint64_t>(-(shift + 1)) + 1;
    if (back > fileTime)
      return false;
    moved = fileTime - back;
  } else {
    uint64_t forward = static_cast<uint64_t>(shift);
    if (forward > largestFileTime || fileTime > largestFileTime - forward)
      return false;
    moved = fileTime + forward;
  }
  // A start beyond the range stays beyond it after a short step back.
  if (moved > largestFileTime)
    return false;
  *result = moved - moved % intervalsPerMillisecond;
  return true;
}

bool ageCutoff(uint64_t now, int32_t days, uint64_t* cutoff) {
  // A clock beyond the largest file time is no clock to measure ages by.
  if (days < 0 || now > largestFileTime)
    return false;
  // A day count this large reaches back past 1601; the product would also
  // overflow a signed 64-bit count.
  if (static_cast<uint64_t>(days) > now / fileTimeDay)
    return false;
  int64_t shift = -static_cast<int64_t>(static_cast<uint64_t>(days) * fileTimeDay);
  return shiftFileTime(now, shift, cutoff);
}

bool isBeforeCutoff(uint64_t lastWrite, uint64_t cutoff) {
  return lastWrite < cutoff;
}
