// Kavell's profile path rules: expandSystemDrive and the display name, under a
// single-byte code page and one with lead bytes, each compared with a plain
// character-by-character walk written here.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_code_pages.h"
#include "profile_rules.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

const std::string token = "%SystemDrive%";

// Walks the path a character at a time (a lead byte and the byte after it are
// one character) and replaces the token wherever one starts.
bool walkExpand(const std::string& path, const char* drive, std::string* expanded,
                const LeadBytes& lead) {
  std::string result;
  for (size_t pos = 0; pos < path.size();) {
    if (path.compare(pos, token.size(), token) == 0) {
      if (drive == nullptr)
        return false;
      result += drive;
      pos += token.size();
      continue;
    }
    unsigned char byte = static_cast<unsigned char>(path[pos]);
    size_t length = lead.isLead[byte] && pos + 1 < path.size() ? 2 : 1;
    result.append(path, pos, length);
    pos += length;
  }
  *expanded = result;
  return true;
}

// The last component of the path after a backslash that is a character of its
// own, and whether there was one.
bool lastComponent(const std::string& path, std::string* component, const LeadBytes& lead) {
  bool found = false;
  for (size_t pos = 0; pos < path.size();) {
    unsigned char byte = static_cast<unsigned char>(path[pos]);
    size_t length = lead.isLead[byte] && pos + 1 < path.size() ? 2 : 1;
    if (length == 1 && path[pos] == '\\') {
      found = true;
      *component = path.substr(pos + 1);
    }
    pos += length;
  }
  return found;
}

void checkExpansion(const std::string& path, const char* drive, const LeadBytes& lead) {
  std::string expanded = "untouched";
  std::string expected;
  bool done = expandSystemDrive(path, drive, &expanded, lead);
  require(done == walkExpand(path, drive, &expected, lead));
  if (done) {
    require(expanded == expected);
  } else {
    require(expanded == "untouched");
  }
}

void checkDisplayName(const std::string& domain, const std::string& account,
                      const std::string& path, const LeadBytes& lead) {
  OwnerName owner = displayName(domain, account, path, lead);
  if (!domain.empty() || !account.empty()) {
    require(!owner.accountUnknown && owner.text == domain + "\\" + account);
    return;
  }
  std::string component;
  require(owner.accountUnknown);
  if (lastComponent(path, &component, lead)) {
    require(owner.text == "Account Unknown\\" + component);
  } else {
    require(owner.text == "Account Unknown\\");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  LeadBytes lead = consumeCodePage(input);
  bool driveKnown = input.ConsumeBool();
  std::string drive = input.ConsumeRandomLengthString(8);
  std::string domain = input.ConsumeRandomLengthString(32);
  std::string account = input.ConsumeRandomLengthString(32);
  std::string path = input.ConsumeRemainingBytesAsString();
  checkExpansion(path, driveKnown ? drive.c_str() : nullptr, lead);
  checkDisplayName(domain, account, path, lead);
  return 0;
}
