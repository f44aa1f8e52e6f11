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

}  // namespace
