#include "age_source.h"

namespace {

uint64_t joined(const DwordValue& low, const DwordValue& high) {
  return (static_cast<uint64_t>(high.value) << 32) | low.value;
}

bool allPresent(const ServiceTimes& times) {
  return times.loadLow.present && times.loadHigh.present && times.unloadLow.present &&
         times.unloadHigh.present;
}

}  // namespace

LastUse decideLastUse(const ServiceTimes& times, uint64_t hiveWritten, uint64_t now) {
  LastUse hive;
  hive.time = hiveWritten;
  if (!allPresent(times))
    return hive;
  uint64_t load = joined(times.loadLow, times.loadHigh);
  uint64_t unload = joined(times.unloadLow, times.unloadHigh);
  if (unload < load || unload > now || unload < earliestServiceTime)
    return hive;
  LastUse service;
  service.source = AgeSource::ProfileService;
  service.time = unload;
  return service;
}
