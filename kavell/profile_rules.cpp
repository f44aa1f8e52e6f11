#include "profile_rules.h"

namespace {

const char systemDriveToken[] = "%SystemDrive%";

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isSeparator(const std::string& text, size_t pos, const LeadBytes& lead) {
  return charLength(text, pos, lead) == 1 && (text[pos] == '\\' || text[pos] == '/');
}

// The components between separators ("\" or "/"), empty ones left out: the
// system reads repeated separators as one.
std::vector<std::string> components(const std::string& path, const LeadBytes& lead) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t pos = 0; pos < path.size();) {
    size_t length = charLength(path, pos, lead);
    if (isSeparator(path, pos, lead)) {
      if (!current.empty())
        parts.push_back(current);
      current.clear();
    } else {
      current.append(path, pos, length);
    }
    pos += length;
  }
  if (!current.empty())
    parts.push_back(current);
  return parts;
}

bool endsInDotOrBlank(const std::string& part, const LeadBytes& lead) {
  size_t last = 0;
  for (size_t pos = 0; pos < part.size(); pos += charLength(part, pos, lead))
    last = pos;
  return charLength(part, last, lead) == 1 && (part[last] == '.' || part[last] == ' ');
}

// A component as the system opens it: trailing dots and blanks dropped.
std::string openedName(const std::string& part, const LeadBytes& lead) {
  std::string name = part;
  while (!name.empty() && endsInDotOrBlank(name, lead))
    name.pop_back();
  return name;
}

bool isDriveName(const std::string& part) {
  return part.size() == 2 && isAsciiLetter(part[0]) && part[1] == ':';
}

// A folder path as its root ("C:" or "\\server\share") and the folders below
// it, the way the system reads it. `full` is false for a relative path.
struct FolderPath {
  bool full = false;
  std::string root;
  std::vector<std::string> parts;
};

// How many leading components make the root, 0 for a relative path.
size_t rootLength(const std::string& path, const std::vector<std::string>& parts,
                  const LeadBytes& lead) {
  bool twoSeparators = path.size() >= 2 && isSeparator(path, 0, lead) && isSeparator(path, 1, lead);
  if (!twoSeparators)
    return (path.size() >= 3 && isDriveName(path.substr(0, 2)) && isSeparator(path, 2, lead)) ? 1
                                                                                              : 0;
  // "\\?\C:\x", "\\?\UNC\server\share\x", and "\\server\share\x".
  bool device = !parts.empty() && (parts[0] == "?" || parts[0] == ".");
  if (!device)
    return parts.size() >= 2 ? 2 : 0;
  if (parts.size() >= 2 && isDriveName(parts[1]))
    return 2;
  bool unc = parts.size() >= 4 && equalsIgnoreCase(parts[1], "UNC", lead);
  return unc ? 4 : 0;
}

FolderPath parseFolder(const std::string& path, const LeadBytes& lead) {
  FolderPath folder;
  std::vector<std::string> parts = components(path, lead);
  size_t rootParts = rootLength(path, parts, lead);
  folder.full = rootParts > 0;
  if (rootParts == 1 || rootParts == 2) {
    folder.root = (rootParts == 1 || isDriveName(parts[1])) ? parts[rootParts - 1]
                                                            : "\\\\" + parts[0] + "\\" + parts[1];
  } else if (rootParts == 4) {
    folder.root = "\\\\" + parts[2] + "\\" + parts[3];
  }
  for (size_t i = rootParts; i < parts.size(); ++i) {
    std::string name = openedName(parts[i], lead);
    if (parts[i] == "..") {
      if (!folder.parts.empty())
        folder.parts.pop_back();
    } else if (!name.empty()) {
      folder.parts.push_back(name);
    }
  }
  return folder;
}

// A text with the ASCII letters of its single-byte characters in lower case.
std::string foldedText(const std::string& text, const LeadBytes& lead) {
  std::string folded = text;
  for (size_t pos = 0; pos < folded.size(); pos += charLength(folded, pos, lead)) {
    if (charLength(folded, pos, lead) == 1 && folded[pos] >= 'A' && folded[pos] <= 'Z')
      folded[pos] = static_cast<char>(folded[pos] - 'A' + 'a');
  }
  return folded;
}

}  // namespace

OwnerName displayName(const std::string& domainName, const std::string& accountName,
                      const std::string& imagePath, const LeadBytes& lead) {
  OwnerName owner;
  owner.text = domainName + "\\" + accountName;
  if (owner.text != "\\")
    return owner;
  owner.accountUnknown = true;
  owner.text = "Account Unknown\\";
  size_t lastBackslash = findLastChar(imagePath, '\\', lead);
  if (lastBackslash != notFound)
    owner.text += imagePath.substr(lastBackslash + 1);
  return owner;
}

bool expandSystemDrive(const std::string& path, const char* systemDrive, std::string* expanded,
                       const LeadBytes& lead) {
  std::string rest = path;
  std::string result;
  for (size_t pos = findText(rest, systemDriveToken, lead); pos != notFound;
       pos = findText(rest, systemDriveToken, lead)) {
    // A profile whose drive cannot be known is not one to delete or show.
    if (systemDrive == nullptr)
      return false;
    result += rest.substr(0, pos) + systemDrive;
    rest.erase(0, pos + sizeof(systemDriveToken) - 1);
  }
  *expanded = result + rest;
  return true;
}

bool folderContains(const std::string& outer, const std::string& inner, const LeadBytes& lead) {
  FolderPath base = parseFolder(outer, lead);
  FolderPath candidate = parseFolder(inner, lead);
  if (base.root.empty() && base.parts.empty())
    return false;
  if (base.full != candidate.full || !equalsIgnoreCase(base.root, candidate.root, lead) ||
      base.parts.size() > candidate.parts.size()) {
    return false;
  }
  for (size_t i = 0; i < base.parts.size(); ++i) {
    if (!equalsIgnoreCase(base.parts[i], candidate.parts[i], lead))
      return false;
  }
  return true;
}

KnownFolder makeKnownFolder(const FolderIdentity& identity, const std::string& text,
                            const LeadBytes& lead) {
  KnownFolder folder;
  folder.identity = identity;
  folder.text = text;
  FolderPath parsed = parseFolder(text, lead);
  if (!parsed.root.empty() || !parsed.parts.empty()) {
    folder.textKey = std::string(parsed.full ? "F" : "R") + foldedText(parsed.root, lead) + "\\";
    for (const std::string& part : parsed.parts)
      folder.textKey += foldedText(part, lead) + "\\";
  }
  if (identity.known && !identity.finalPath.empty()) {
    for (const std::wstring& part : finalPathComponents(identity.finalPath))
      folder.finalKey += part + L"\\";
  }
  return folder;
}

bool knownFolderHolds(const KnownFolder& outer, const KnownFolder& inner) {
  if (isSameFolder(outer.identity, inner.identity))
    return true;
  bool byFinalPath = !outer.finalKey.empty() && !inner.finalKey.empty() &&
                     inner.finalKey.compare(0, outer.finalKey.size(), outer.finalKey) == 0;
  bool byText = !outer.textKey.empty() && !inner.textKey.empty() &&
                inner.textKey.compare(0, outer.textKey.size(), outer.textKey) == 0;
  return byFinalPath || byText;
}

bool foldersOverlap(const KnownFolder& a, const KnownFolder& b) {
  return knownFolderHolds(a, b) || knownFolderHolds(b, a);
}

bool isKeptFolder(const KnownFolder& candidate, const std::vector<KnownFolder>& roots,
                  const std::vector<KnownFolder>& kept) {
  for (const KnownFolder& root : roots) {
    if (knownFolderHolds(candidate, root))
      return true;
  }
  for (const KnownFolder& folder : kept) {
    if (foldersOverlap(candidate, folder))
      return true;
  }
  return false;
}

bool overlapsLoadedFolder(const FolderIdentity& candidate, const LoadedProfiles& loaded) {
  for (const FolderIdentity& folder : loaded.identities) {
    if (folderHolds(folder, candidate) || folderHolds(candidate, folder))
      return true;
  }
  return false;
}

bool isInUse(const std::string& sid, const std::string& profilePath, const LoadedProfiles& loaded,
             const LeadBytes& lead) {
  // Without the list of loaded hives nothing can be shown to be free.
  if (!loaded.readable)
    return true;
  for (const std::string& loadedSid : loaded.sids) {
    if (equalsExactly(loadedSid, sid))
      return true;
  }
  for (const std::string& folder : loaded.folders) {
    // Same, above or below a logged-on user's folder: removing it would take
    // their files.
    if (folderContains(profilePath, folder, lead) || folderContains(folder, profilePath, lead)) {
      return true;
    }
  }
  return false;
}

bool isSelectedByAccount(ScanMode mode, const SelectionFacts& facts, const std::wstring& userName) {
  switch (mode) {
    case ScanMode::Orphaned:
    case ScanMode::OrphanedByAge:
      return facts.orphaned;
    case ScanMode::ByAge:
      return true;
    case ScanMode::ByUser:
      return !facts.accountName.empty() && equalsIgnoringAsciiCase(facts.accountName, userName);
    case ScanMode::List:
      break;
  }
  return false;
}

bool needsAgeTest(ScanMode mode) {
  return mode == ScanMode::ByAge || mode == ScanMode::OrphanedByAge;
}

bool needsOwnerGone(ScanMode mode) {
  return mode == ScanMode::Orphaned || mode == ScanMode::OrphanedByAge;
}

bool secondCharIsLetter(const std::string& path) {
  return path.size() >= 2 && isAsciiLetter(path[1]);
}

bool isDangerousFolder(const std::string& path, const LeadBytes& lead) {
  std::vector<std::string> parts = components(path, lead);
  // A name the system would shorten ("x.", "x ", ".", "..") may lead elsewhere
  // than it reads; such a path is never removed.
  for (const std::string& part : parts) {
    if (endsInDotOrBlank(part, lead))
      return true;
  }
  FolderPath folder = parseFolder(path, lead);
  return !folder.full || folder.parts.empty();
}
