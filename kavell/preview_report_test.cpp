#include "preview_report.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewReport, SizeRoundsUpToWholeMebibytes) {
  const uint64_t mebibyte = 1 << 20;
  EXPECT_EQ(wholeMebibytes(0), 0u);
  EXPECT_EQ(wholeMebibytes(1), 1u);
  EXPECT_EQ(wholeMebibytes(mebibyte), 1u);
  EXPECT_EQ(wholeMebibytes(mebibyte + 1), 2u);
  EXPECT_EQ(wholeMebibytes(UINT64_MAX), UINT64_MAX / mebibyte + 1);
  EXPECT_EQ(sizeLine(3 * mebibyte - 1, 12), "  Size: 3 MB in 12 files\n");
}

TEST(PreviewReport, LastUsedNamesItsSource) {
  UtcMinute when;
  when.year = 2025;
  when.month = 3;
  when.day = 2;
  when.hour = 7;
  when.minute = 5;
  EXPECT_EQ(lastUsedLine(when, AgeSource::ProfileService),
            "  Last used: 2025-03-02 07:05 UTC (profile service)\n");
  EXPECT_EQ(lastUsedLine(when, AgeSource::HiveWritten),
            "  Last used: 2025-03-02 07:05 UTC (hive written)\n");
}

}  // namespace
