#include "preview_report.h"

#include <cstdio>

const char whatIfNotice[] = "(what-if: nothing is deleted)\n";

std::string lastUsedLine(const UtcMinute& when, AgeSource source) {
  char text[40];
  snprintf(text, sizeof(text), "%04d-%02d-%02d %02d:%02d", when.year, when.month, when.day,
           when.hour, when.minute);
  return std::string("  Last used: ") + text + " UTC " +
         (source == AgeSource::ProfileService ? "(profile service)\n" : "(hive written)\n");
}

uint64_t wholeMebibytes(uint64_t bytes) {
  const uint64_t mebibyte = 1024 * 1024;
  return bytes / mebibyte + (bytes % mebibyte != 0 ? 1 : 0);
}

std::string sizeLine(uint64_t bytes, uint64_t files) {
  return "  Size: " + std::to_string(wholeMebibytes(bytes)) + " MB in " + std::to_string(files) +
         " files\n";
}
