// Trawlex's wildcard split and temporary-file names: the prefix and the name
// pattern put together give the wildcard back (with "/" written as "\"), the
// pattern holds no separator, and every temporary name lies in the file's own
// folder and is recognised for its own process only.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "path_rules.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

bool namesDrive(const std::string& text) {
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

std::string backslashed(std::string text) {
  for (char& c : text)
    c = c == '/' ? '\\' : c;
  return text;
}

void checkSplit(const std::string& wildcard) {
  std::string directory = "stale";
  std::string pattern = "stale";
  splitWildcard(wildcard, directory, pattern);
  require(pattern.find_first_of("\\/") == std::string::npos);
  require(directory.find('/') == std::string::npos);
  if (wildcard.find_first_of("\\/") != std::string::npos) {
    require(directory.back() == '\\');
    require(directory + pattern == backslashed(wildcard));
  } else if (namesDrive(wildcard)) {
    require(directory == wildcard.substr(0, 2) && directory + pattern == wildcard);
  } else {
    require(directory == ".\\" && pattern == wildcard);
  }
  // A file found under the wildcard has the same folder prefix.
  std::string file = directory + "name.txt";
  require(folderPrefixOf(file) == directory);
}

void checkTemporaryName(const std::string& path, uint32_t processId, uint32_t serial,
                        uint32_t otherProcess) {
  std::string prefix = folderPrefixOf(path);
  require(path.compare(0, prefix.size(), prefix) == 0);
  std::string temporary = temporaryNameFor(path, processId, serial);
  require(folderPrefixOf(temporary) == prefix);
  std::string name = temporary.substr(prefix.size());
  require(isTemporaryName(name, processId));
  if (otherProcess != processId)
    require(!isTemporaryName(name, otherProcess));
  // Each serial gives a name of its own.
  require(temporaryNameFor(path, processId, serial + 1) != temporary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  uint32_t processId = input.ConsumeIntegral<uint32_t>();
  uint32_t serial = input.ConsumeIntegral<uint32_t>();
  uint32_t otherProcess = input.ConsumeIntegral<uint32_t>();
  std::string bareName = input.ConsumeRandomLengthString(40);
  std::string text = input.ConsumeRemainingBytesAsString();
  checkSplit(text);
  checkTemporaryName(text, processId, serial, otherProcess);
  // A name that is not of the temporary form is never taken for one.
  if (bareName.compare(0, 9, "~trawlex-") != 0)
    require(!isTemporaryName(bareName, processId));
  return 0;
}
