#include "age_cutoff.h"

#include <gtest/gtest.h>

namespace {

// 2026-01-01 00:00:00.000 UTC as a file time.
constexpr uint64_t newYear2026 = 134116992000000000ull;
constexpr uint64_t millisecond = 10000;

TEST(AgeCutoff, MovesBackWholeDays) {
  uint64_t cutoff = 0;
  ASSERT_TRUE(ageCutoff(newYear2026, 7, &cutoff));
  EXPECT_EQ(cutoff, newYear2026 - 7 * fileTimeDay);
  ASSERT_TRUE(ageCutoff(newYear2026, 0, &cutoff));
  EXPECT_EQ(cutoff, newYear2026);
}

TEST(AgeCutoff, ExactlyDaysOldDoesNotCountOneMillisecondMoreDoes) {
  uint64_t cutoff = 0;
  ASSERT_TRUE(ageCutoff(newYear2026, 30, &cutoff));
  uint64_t exactly = newYear2026 - 30 * fileTimeDay;
  EXPECT_FALSE(isBeforeCutoff(exactly, cutoff));
  EXPECT_TRUE(isBeforeCutoff(exactly - millisecond, cutoff));
  EXPECT_TRUE(isBeforeCutoff(exactly - 1, cutoff));
  EXPECT_FALSE(isBeforeCutoff(exactly + 1, cutoff));
}

TEST(AgeCutoff, KeepsWholeMillisecondsOnly) {
  uint64_t cutoff = 0;
  ASSERT_TRUE(ageCutoff(newYear2026 + 9999, 1, &cutoff));
  EXPECT_EQ(cutoff, newYear2026 - fileTimeDay);
  uint64_t shifted = 0;
  ASSERT_TRUE(shiftFileTime(123456789, -5, &shifted));
  EXPECT_EQ(shifted, 123450000u);
}

TEST(AgeCutoff, BeforeSixteenOhOneSelectsNothing) {
  uint64_t cutoff = 12345;
  uint64_t daysSince1601 = newYear2026 / fileTimeDay;
  ASSERT_TRUE(ageCutoff(newYear2026, static_cast<int32_t>(daysSince1601), &cutoff));
  EXPECT_LT(cutoff, fileTimeDay);
  EXPECT_FALSE(ageCutoff(newYear2026, static_cast<int32_t>(daysSince1601 + 1), &cutoff));
  EXPECT_FALSE(ageCutoff(newYear2026, INT32_MAX, &cutoff));
  EXPECT_FALSE(ageCutoff(newYear2026, -1, &cutoff));
}

TEST(AgeCutoff, ShiftRefusesTheEndsOfTheRange) {
  uint64_t result = 0;
  EXPECT_FALSE(shiftFileTime(5, -6, &result));
  EXPECT_TRUE(shiftFileTime(5, -5, &result));
  EXPECT_EQ(result, 0u);
  EXPECT_FALSE(shiftFileTime(largestFileTime, 1, &result));
  EXPECT_FALSE(shiftFileTime(0, INT64_MIN, &result));
  EXPECT_FALSE(shiftFileTime(largestFileTime, INT64_MIN, &result));
  EXPECT_FALSE(shiftFileTime(UINT64_MAX, -1, &result));
  EXPECT_FALSE(ageCutoff(UINT64_MAX, 1, &result));
  EXPECT_TRUE(shiftFileTime(largestFileTime + 1, -1, &result));
  EXPECT_EQ(result, largestFileTime - largestFileTime % 10000);
  EXPECT_TRUE(shiftFileTime(largestFileTime, -INT64_MAX, &result));
  EXPECT_EQ(result, 0u);
}

}  // namespace
