// Kavell's SID text parsing. Half the inputs are raw texts, checked against
// the rules of the field split; the other half are SIDs built from the input,
// written out as text and read back, which must give the same parts.
#include <fuzzer/FuzzedDataProvider.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "orphan_rules.h"
#include "sid_text.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

std::string sidTextOf(const SidParts& parts, bool hexAuthority) {
  uint64_t authority = 0;
  for (uint8_t byte : parts.authority)
    authority = authority << 8 | byte;
  char number[32];
  if (hexAuthority) {
    snprintf(number, sizeof number, "0x%012" PRIX64, authority);
  } else {
    snprintf(number, sizeof number, "%" PRIu64, authority);
  }
  std::string text = std::string("S-1-") + number;
  for (int i = 0; i < parts.count; ++i)
    text += "-" + std::to_string(parts.subAuthorities[i]);
  return text;
}

void roundTrip(FuzzedDataProvider& input) {
  SidParts parts;
  bool hexAuthority = input.ConsumeBool();
  // A decimal authority is read as a 32-bit number, so only hex carries all six bytes.
  for (int i = hexAuthority ? 0 : 2; i < 6; ++i)
    parts.authority[i] = input.ConsumeIntegral<uint8_t>();
  parts.count = input.ConsumeIntegralInRange<int>(1, 8);
  for (int i = 0; i < parts.count; ++i)
    parts.subAuthorities[i] = input.ConsumeIntegral<uint32_t>();
  std::string text = sidTextOf(parts, hexAuthority);
  SidParts read;
  require(parseSidText(text, &read));
  require(sameSid(parts, read));
  // A ".bak" copy of an entry names the same SID.
  SidParts backup;
  require(parseSidText(text + ".bak", &backup) && sameSid(parts, backup));
}

// Plain decimal field: digits only, no more than fit 32 bits.
bool plainNumber(const std::string& field, uint32_t* value) {
  if (field.empty() || field.size() > 10 || field.find_first_not_of("0123456789") != field.npos)
    return false;
  uint64_t number = std::stoull(field);
  *value = static_cast<uint32_t>(number);
  return number <= UINT32_MAX;
}

void rawText(const std::string& text) {
  SidParts parts;
  parts.count = -7;
  bool parsed = parseSidText(text, &parts);
  std::vector<std::string> fields;
  for (size_t start = 0;;) {
    size_t dash = text.find('-', start);
    fields.push_back(text.substr(start, dash == text.npos ? dash : dash - start));
    if (dash == text.npos)
      break;
    start = dash + 1;
  }
  if (text.size() > longestSidText || fields.size() < 4) {
    require(!parsed && parts.count == -7);
    return;
  }
  uint32_t value = 0;
  if (plainNumber(fields[2], &value))
    require(parsed);
  if (!parsed) {
    require(parts.count == -7);
    return;
  }
  require(parts.count >= 1 && parts.count <= 8);
  require(static_cast<size_t>(parts.count) == std::min<size_t>(fields.size() - 3, 8));
  for (int i = 0; i < parts.count; ++i) {
    if (plainNumber(fields[static_cast<size_t>(i) + 3], &value))
      require(parts.subAuthorities[i] == value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  if (input.ConsumeBool()) {
    roundTrip(input);
  } else {
    rawText(input.ConsumeRemainingBytesAsString());
  }
  return 0;
}
