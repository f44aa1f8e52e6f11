#include "entry_check.h"

#include <algorithm>

namespace {

bool isFolder(const EntryFacts& facts) {
  return (facts.attributes & directoryAttribute) != 0;
}

bool isLink(const EntryFacts& facts) {
  return isLinkEntry(facts.attributes, facts.reparseTag);
}

const wchar_t longPrefix[] = L"\\\\?\\";
const wchar_t longUncPrefix[] = L"\\\\?\\UNC\\";

// How many names `folder` holds after the long-path prefix.
size_t namesAfter(const std::wstring& folder, size_t prefix) {
  if (folder.size() <= prefix)
    return 0;
  return 1 + static_cast<size_t>(std::count(folder.begin() + prefix, folder.end(), L'\\'));
}

}  // namespace

EntryAction checkOpenedEntry(const EntryFacts& listed, const EntryFacts& opened) {
  if (listed.fileId != opened.fileId || isFolder(listed) != isFolder(opened))
    return EntryAction::stop;
  if (isLink(listed) && !isLink(opened))
    return EntryAction::stop;
  if (isLink(listed) || isLink(opened) || !isFolder(opened))
    return EntryAction::remove;
  return EntryAction::enter;
}

EntryAction checkTopFolder(const EntryFacts& listed, const EntryFacts& opened, uint32_t volume,
                           const FolderIdentity& expected) {
  EntryAction action = checkOpenedEntry(listed, opened);
  if (action != EntryAction::enter)
    return action;
  bool same = expected.known && expected.volume == volume && expected.index == opened.fileId;
  return same ? EntryAction::enter : EntryAction::stop;
}

bool splitLastName(const std::wstring& longPath, std::wstring* parent, std::wstring* name) {
  size_t last = longPath.rfind(L'\\');
  if (last == std::wstring::npos || last + 1 == longPath.size())
    return false;
  std::wstring component = longPath.substr(last + 1);
  if (component == L"." || component == L".." ||
      component.find_first_of(L"*?<>\"") != std::wstring::npos) {
    return false;
  }
  std::wstring folder = longPath.substr(0, last);
  // A drive ("C:") or a share ("server\share") is the least a folder names.
  bool unc = folder.compare(0, std::wstring(longUncPrefix).size(), longUncPrefix) == 0;
  size_t names = namesAfter(folder, std::wstring(unc ? longUncPrefix : longPrefix).size());
  if (names < (unc ? 2u : 1u))
    return false;
  if (names == (unc ? 2u : 1u))
    folder += L'\\';
  *parent = folder;
  *name = component;
  return true;
}
