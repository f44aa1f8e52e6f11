#include "sid_text.h"

#include <algorithm>
#include <vector>

namespace {

bool isDecimalDigit(char c) {
  return c >= '0' && c <= '9';
}

int hexValue(char c) {
  if (isDecimalDigit(c))
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// Reads the decimal number at the start of `field` as an unsigned 32-bit value
// the way "%lu" does: leading blanks skipped, reading stops at the first
// non-digit. Gives false when no digit is there.
bool readDecimal(const std::string& field, uint32_t* value) {
  size_t pos = field.find_first_not_of(" \t\n\v\f\r");
  if (pos == std::string::npos || !isDecimalDigit(field[pos]))
    return false;
  uint32_t number = 0;
  for (; pos < field.size() && isDecimalDigit(field[pos]); ++pos) {
    number = number * 10u + static_cast<uint32_t>(field[pos] - '0');
  }
  *value = number;
  return true;
}

// "0x" followed by six groups of up to two hex digits; groups that are absent
// leave their bytes zero, as the original format read did.
bool readHexAuthority(const std::string& field, uint8_t authority[6]) {
  size_t pos = 2;
  int groups = 0;
  for (; groups < 6 && pos < field.size() && hexValue(field[pos]) >= 0; ++groups) {
    int value = hexValue(field[pos++]);
    if (pos < field.size() && hexValue(field[pos]) >= 0)
      value = value * 16 + hexValue(field[pos++]);
    authority[groups] = static_cast<uint8_t>(value);
  }
  return groups > 0;
}

bool readAuthority(const std::string& field, uint8_t authority[6]) {
  if (field.size() >= 2 && field[0] == '0' && field[1] == 'x') {
    return readHexAuthority(field, authority);
  }
  uint32_t value = 0;
  if (!readDecimal(field, &value))
    return false;
  for (int i = 0; i < 4; ++i)
    authority[5 - i] = static_cast<uint8_t>(value >> (8 * i));
  return true;
}

}  // namespace

bool parseSidText(const std::string& text, SidParts* parts) {
  if (text.size() > longestSidText)
    return false;
  std::vector<size_t> dashes;
  for (size_t pos = text.find('-'); pos != std::string::npos; pos = text.find('-', pos + 1)) {
    dashes.push_back(pos);
  }
  if (dashes.size() < 3)
    return false;
  SidParts result;
  std::string authority = text.substr(dashes[1] + 1, dashes[2] - dashes[1] - 1);
  if (!readAuthority(authority, result.authority))
    return false;
  // The third dash opens the first sub-authority; at most eight are read.
  result.count = static_cast<int>(std::min<size_t>(dashes.size() - 2, 8));
  for (int i = 0; i < result.count; ++i) {
    size_t start = dashes[i + 2] + 1;
    size_t end = (static_cast<size_t>(i) + 3 < dashes.size()) ? dashes[i + 3] : text.size();
    readDecimal(text.substr(start, end - start), &result.subAuthorities[i]);
  }
  *parts = result;
  return true;
}
