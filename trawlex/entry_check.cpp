#include "entry_check.h"

namespace {

constexpr uint32_t reparsePointAttribute = 0x400;
// Bit 29 of a reparse tag: the reparse point names another place.
constexpr uint32_t nameSurrogateBit = 0x20000000;

}  // namespace

bool isReparsePoint(const EntryIdentity& entry) {
  return (entry.attributes & reparsePointAttribute) != 0;
}

bool isLink(const EntryIdentity& entry) {
  return isReparsePoint(entry) && (entry.reparseTag == 0 || (entry.reparseTag & nameSurrogateBit));
}

OpenedEntry compareWithListing(const EntryIdentity& listed, const EntryIdentity& opened) {
  if (isLink(listed)) {
    return OpenedEntry::ListedLink;
  }
  // A file system that lists no ids (0) leaves only the reparse test. An
  // entry listed as no reparse point is opened without following one, so a
  // reparse point on its handle was put in its place.
  bool otherId = listed.fileId != 0 && opened.fileId != listed.fileId;
  if (otherId || (!isReparsePoint(listed) && isReparsePoint(opened))) {
    return OpenedEntry::Replaced;
  }
  return OpenedEntry::Listed;
}

std::wstring listingMask(const std::wstring& pattern, bool dosWildcards) {
  if (!dosWildcards) {
    return pattern;
  }
  if (pattern == L"*.*") {
    return L"*";
  }
  std::wstring mask = pattern;
  // Each rule looks at the character after as typed.
  for (size_t i = 0; i < pattern.size(); ++i) {
    wchar_t next = i + 1 < pattern.size() ? pattern[i + 1] : L'\0';
    if (pattern[i] == L'?') {
      mask[i] = L'>';
    } else if (pattern[i] == L'.' && (next == L'?' || next == L'*')) {
      mask[i] = L'"';
    } else if (pattern[i] == L'*' && next == L'.') {
      mask[i] = L'<';
    }
  }
  return mask;
}
