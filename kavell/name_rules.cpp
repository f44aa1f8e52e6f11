#include "name_rules.h"

#include <vector>

namespace {

const wchar_t systemDriveToken[] = L"%SystemDrive%";
const wchar_t longPrefix[] = L"\\\\?\\";
const wchar_t longUncPrefix[] = L"\\\\?\\UNC\\";
// IsReparseTagNameSurrogate: bit 29 of the tag.
constexpr uint32_t nameSurrogateBit = 0x20000000;

wchar_t asciiLower(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wstring(prefix).size(), prefix) == 0;
}

}  // namespace

std::vector<std::wstring> finalPathComponents(const std::wstring& path) {
  std::vector<std::wstring> parts(1);
  for (wchar_t c : withoutLongPrefix(path)) {
    if (c == L'\\') {
      if (!parts.back().empty())
        parts.emplace_back();
    } else {
      parts.back() += asciiLower(c);
    }
  }
  if (parts.back().empty())
    parts.pop_back();
  return parts;
}

bool equalsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i]))
      return false;
  }
  return true;
}

std::string asciiOrQuestionMarks(const std::wstring& text) {
  std::string ascii;
  for (wchar_t c : text)
    ascii += static_cast<uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?';
  return ascii;
}

bool expandSystemDriveWide(const std::wstring& path, const wchar_t* systemDrive,
                           std::wstring* expanded) {
  const std::wstring token = systemDriveToken;
  std::wstring result = path;
  for (size_t pos = result.find(token); pos != std::wstring::npos; pos = result.find(token, pos)) {
    // A profile whose drive cannot be known is not one to delete or show.
    if (systemDrive == nullptr)
      return false;
    result.replace(pos, token.size(), systemDrive);
    pos += std::wstring(systemDrive).size();
  }
  *expanded = result;
  return true;
}

std::wstring longPathOf(const std::wstring& fullPath) {
  if (startsWith(fullPath, longPrefix) || startsWith(fullPath, L"\\\\.\\"))
    return fullPath;
  if (startsWith(fullPath, L"\\\\"))
    return longUncPrefix + fullPath.substr(2);
  return longPrefix + fullPath;
}

std::wstring withoutLongPrefix(const std::wstring& path) {
  if (startsWith(path, longUncPrefix))
    return L"\\\\" + path.substr(std::wstring(longUncPrefix).size());
  if (startsWith(path, longPrefix))
    return path.substr(std::wstring(longPrefix).size());
  return path;
}

bool isLinkEntry(uint32_t attributes, uint32_t reparseTag) {
  if ((attributes & reparsePointAttribute) == 0)
    return false;
  return reparseTag == 0 || (reparseTag & nameSurrogateBit) != 0;
}

bool isSameFolder(const FolderIdentity& a, const FolderIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.index == b.index;
}

bool folderHolds(const FolderIdentity& outer, const FolderIdentity& inner) {
  if (isSameFolder(outer, inner))
    return true;
  if (!outer.known || !inner.known || outer.finalPath.empty() || inner.finalPath.empty())
    return false;
  std::vector<std::wstring> base = finalPathComponents(outer.finalPath);
  std::vector<std::wstring> candidate = finalPathComponents(inner.finalPath);
  if (base.empty() || base.size() > candidate.size())
    return false;
  for (size_t i = 0; i < base.size(); ++i) {
    if (base[i] != candidate[i])
      return false;
  }
  return true;
}
