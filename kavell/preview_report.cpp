#include "preview_report.h"

const char whatIfNotice[] = "(what-if: nothing is deleted)\n";

namespace {

// `value` in `width` digits, with leading zeros. The C runtime's formatted
// printing is not used: it alone would add tens of KB to the program.
std::string digits(int value, int width) {
  std::string text(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
    text[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
  return text;
}

}  // namespace

std::string lastUsedLine(const UtcMinute& when, AgeSource source) {
  return "  Last used: " + digits(when.year, 4) + "-" + digits(when.month, 2) + "-" +
         digits(when.day, 2) + " " + digits(when.hour, 2) + ":" + digits(when.minute, 2) + " UTC " +
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
