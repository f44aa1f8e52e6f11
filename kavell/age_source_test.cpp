#include "age_source.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t day = 864000000000ull;
constexpr uint64_t now = earliestServiceTime + 3000 * day;
constexpr uint64_t hive = now - day;

DwordValue dword(uint64_t time, bool high) {
  DwordValue value;
  value.present = true;
  value.value = static_cast<uint32_t>(high ? time >> 32 : time);
  return value;
}

ServiceTimes recorded(uint64_t load, uint64_t unload) {
  ServiceTimes times;
  times.loadLow = dword(load, false);
  times.loadHigh = dword(load, true);
  times.unloadLow = dword(unload, false);
  times.unloadHigh = dword(unload, true);
  return times;
}

TEST(AgeSource, TrustedUnloadDecides) {
  LastUse use = decideLastUse(recorded(now - 201 * day, now - 200 * day), hive, now);
  EXPECT_EQ(use.source, AgeSource::ProfileService);
  EXPECT_EQ(use.time, now - 200 * day);
  // Bounds are inclusive: loaded and unloaded at once, now, or at the floor.
  EXPECT_EQ(decideLastUse(recorded(now, now), hive, now).time, now);
  EXPECT_EQ(decideLastUse(recorded(earliestServiceTime, earliestServiceTime), hive, now).time,
            earliestServiceTime);
}

TEST(AgeSource, UntrustedRecordsFallBackToTheHive) {
  const ServiceTimes untrusted[] = {
      ServiceTimes(), recorded(now - 2 * day, now - 3 * day),      // unload before load
      recorded(now - 2 * day, now + 1),                            // in the future
      recorded(earliestServiceTime - 2, earliestServiceTime - 1),  // before 2018
  };
  for (const ServiceTimes& times : untrusted) {
    LastUse use = decideLastUse(times, hive, now);
    EXPECT_EQ(use.source, AgeSource::HiveWritten);
    EXPECT_EQ(use.time, hive);
  }
}

TEST(AgeSource, AnyMissingHalfIsNotRecordedRatherThanZero) {
  for (int missing = 0; missing < 4; ++missing) {
    ServiceTimes times = recorded(now - 2 * day, now - day);
    DwordValue* values[] = {&times.loadLow, &times.loadHigh, &times.unloadLow, &times.unloadHigh};
    *values[missing] = DwordValue();
    EXPECT_EQ(decideLastUse(times, hive, now).source, AgeSource::HiveWritten) << missing;
  }
}

}  // namespace
