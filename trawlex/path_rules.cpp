#include "path_rules.h"

#include <cctype>
#include <cstdio>

namespace {

bool isDriveLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string temporaryStem(uint32_t processId) {
  char stem[32];
  snprintf(stem, sizeof stem, "~trawlex-%lx-", static_cast<unsigned long>(processId));
  return stem;
}

}  // namespace

void splitWildcard(const std::string& wildcard, std::string& directory, std::string& pattern) {
  size_t separator = wildcard.find_last_of("\\/");
  if (separator != std::string::npos) {
    directory = wildcard.substr(0, separator + 1);
    for (char& c : directory) {
      c = c == '/' ? '\\' : c;
    }
    pattern = wildcard.substr(separator + 1);
  } else if (wildcard.size() >= 2 && wildcard[1] == ':' && isDriveLetter(wildcard[0])) {
    directory = wildcard.substr(0, 2);
    pattern = wildcard.substr(2);
  } else {
    directory = ".\\";
    pattern = wildcard;
  }
}

std::string folderPrefixOf(const std::string& path) {
  size_t separator = path.find_last_of("\\/");
  if (separator != std::string::npos) {
    return path.substr(0, separator + 1);
  }
  if (path.size() >= 2 && path[1] == ':' && isDriveLetter(path[0])) {
    return path.substr(0, 2);
  }
  return "";
}

std::string temporaryNameFor(const std::string& path, uint32_t processId, uint32_t serial) {
  char tail[32];
  snprintf(tail, sizeof tail, "%lx.tmp", static_cast<unsigned long>(serial));
  return folderPrefixOf(path) + temporaryStem(processId) + tail;
}

bool isTemporaryName(const std::string& name, uint32_t processId) {
  std::string stem = temporaryStem(processId);
  if (name.size() <= stem.size() + 4 || name.compare(0, stem.size(), stem) != 0 ||
      name.compare(name.size() - 4, 4, ".tmp") != 0) {
    return false;
  }
  for (size_t i = stem.size(); i < name.size() - 4; ++i) {
    if (!isxdigit(static_cast<unsigned char>(name[i]))) {
      return false;
    }
  }
  return true;
}
