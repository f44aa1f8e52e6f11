#include "path_rules.h"

#include <cctype>
#include <cstdio>

namespace {

template <typename Character>
bool isDriveLetter(Character c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool startsWith(const std::wstring& text, const std::wstring& head) {
  return text.compare(0, head.size(), head) == 0;
}

std::string temporaryStem(uint32_t processId) {
  char stem[32];
  snprintf(stem, sizeof stem, "~trawlex-%lx-", static_cast<unsigned long>(processId));
  return stem;
}

}  // namespace

template <typename Text>
void splitWildcard(const Text& wildcard, Text& directory, Text& pattern) {
  size_t separator = wildcard.find_last_of(Text{'\\', '/'});
  if (separator != Text::npos) {
    directory = wildcard.substr(0, separator + 1);
    for (auto& c : directory) {
      c = c == '/' ? '\\' : c;
    }
    pattern = wildcard.substr(separator + 1);
  } else if (wildcard.size() >= 2 && wildcard[1] == ':' && isDriveLetter(wildcard[0])) {
    directory = wildcard.substr(0, 2);
    pattern = wildcard.substr(2);
  } else {
    directory = Text{'.', '\\'};
    pattern = wildcard;
  }
}

template void splitWildcard(const std::string&, std::string&, std::string&);
template void splitWildcard(const std::wstring&, std::wstring&, std::wstring&);

std::wstring longPathOf(const std::wstring& fullPath) {
  if (startsWith(fullPath, L"\\\\?\\") || startsWith(fullPath, L"\\\\.\\")) {
    return fullPath;
  }
  if (startsWith(fullPath, L"\\\\")) {
    return L"\\\\?\\UNC\\" + fullPath.substr(2);
  }
  return L"\\\\?\\" + fullPath;
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

FileName temporaryNameFor(const FileName& file, uint32_t processId, uint32_t serial) {
  FileName temporary;
  temporary.shown = temporaryNameFor(file.shown, processId, serial);
  // The name alone, which is plain ASCII: a path without a folder has none.
  std::string name = temporaryNameFor(std::string(), processId, serial);
  temporary.real = file.real.substr(0, file.real.rfind(L'\\') + 1);
  temporary.real.append(name.begin(), name.end());
  return temporary;
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

bool isFolderEntry(const std::wstring& resolvedName, const std::wstring& folderResolvedName,
                   const std::wstring& name) {
  if (resolvedName.empty() || folderResolvedName.empty()) {
    return false;
  }
  // A root folder's resolved name already ends in its separator.
  std::wstring entry = folderResolvedName;
  if (entry.back() != L'\\') {
    entry += L'\\';
  }
  return resolvedName == entry + name;
}
