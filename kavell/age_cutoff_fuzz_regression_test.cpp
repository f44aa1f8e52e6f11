// Inputs the fuzzer found that once broke a promise of age_cutoff.h.
#include <gtest/gtest.h>

#include "age_cutoff.h"

namespace {

TEST(AgeCutoffFuzzRegression, BackwardShiftFromBeyondTheLargestFileTimeIsRefused) {
  // Moving back by one interval from the top of the 64-bit range still lands
  // beyond the largest file time a calendar time can hold.
  uint64_t result = 0;
  EXPECT_FALSE(shiftFileTime(0xFFFFFFFFFFFFFFFFull, -1, &result));
  EXPECT_FALSE(shiftFileTime(largestFileTime + 20000, -10000, &result));
}

TEST(AgeCutoffFuzzRegression, BackwardShiftOntoTheLargestFileTimeIsKept) {
  uint64_t result = 0;
  ASSERT_TRUE(shiftFileTime(largestFileTime + 1, -1, &result));
  EXPECT_EQ(largestFileTime - largestFileTime % 10000, result);
}

TEST(AgeCutoffFuzzRegression, CutoffFromAClockBeyondTheRangeIsRefused) {
  uint64_t cutoff = 0;
  EXPECT_FALSE(ageCutoff(0xFFFFFFFFFFFFFFFFull, 1, &cutoff));
}

TEST(AgeCutoffFuzzRegression, AClockBeyondTheLargestFileTimeGivesNoCutoff) {
  uint64_t cutoff = 0;
  // One day past the range, one day back: would land on the largest file time.
  EXPECT_FALSE(ageCutoff(largestFileTime + fileTimeDay, 1, &cutoff));
  // A day count whose product passes the signed 64-bit range.
  EXPECT_FALSE(ageCutoff(0xFF80FB1D30000000ull, 16777215, &cutoff));
}

}  // namespace
