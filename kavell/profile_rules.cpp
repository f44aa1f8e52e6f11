#include "profile_rules.h"

namespace {

const char systemDriveToken[] = "%SystemDrive%";

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string withoutTrailingBackslashes(const std::string& path) {
  size_t end = path.find_last_not_of('\\');
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

// The components between backslashes, empty ones left out.
std::vector<std::string> components(const std::string& path, const LeadBytes& lead) {
  std::vector<std::string> parts;
  std::string current;
  for (size_t pos = 0; pos < path.size();) {
    size_t length = charLength(path, pos, lead);
    if (length == 1 && path[pos] == '\\') {
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

bool isDriveAbsolute(const std::string& path) {
  return path.size() >= 3 && isAsciiLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

bool isUncPath(const std::string& path) {
  return path.compare(0, 2, "\\\\") == 0;
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
  std::string base = withoutTrailingBackslashes(outer);
  std::string candidate = withoutTrailingBackslashes(inner);
  if (base.empty() || !startsWithIgnoreCase(candidate, base, base.size(), lead))
    return false;
  return candidate.size() == base.size() || candidate[base.size()] == '\\';
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

bool isSelectedByAccount(ScanMode mode, const SelectionFacts& facts, const std::string& userName,
                         const LeadBytes& lead) {
  switch (mode) {
    case ScanMode::Orphaned:
    case ScanMode::OrphanedByAge:
      return facts.orphaned;
    case ScanMode::ByAge:
      return true;
    case ScanMode::ByUser:
      return !facts.accountName.empty() && equalsIgnoreCase(facts.accountName, userName, lead);
    case ScanMode::List:
      break;
  }
  return false;
}

bool needsAgeTest(ScanMode mode) {
  return mode == ScanMode::ByAge || mode == ScanMode::OrphanedByAge;
}

bool secondCharIsLetter(const std::string& path) {
  return path.size() >= 2 && isAsciiLetter(path[1]);
}

bool isDangerousFolder(const std::string& path, const LeadBytes& lead) {
  std::vector<std::string> parts = components(path, lead);
  for (const std::string& part : parts) {
    if (part == "." || part == "..")
      return true;
  }
  // A drive path needs a folder below the root; a share path needs one below
  // the share (its first two components are server and share).
  if (isDriveAbsolute(path))
    return parts.size() < 2;
  if (isUncPath(path))
    return parts.size() < 3;
  return true;
}
