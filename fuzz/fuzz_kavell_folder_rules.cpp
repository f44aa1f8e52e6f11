// Kavell's guard against removing the wrong folder, and the in-use test. A
// folder the guard lets through must hold no component that Windows would
// read as another name (it drops trailing dots and blanks, and steps on "."
// and ".."), so that it cannot reach a drive root or the folder above every
// profile, and it must lie below a drive root or a share ("/" counting as
// "\" throughout).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_code_pages.h"
#include "profile_rules.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

bool isLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The path's components as Windows separates them ("\" or "/"), a lead byte
// and the byte after it making one character; empty components left out.
// `slash` tells whether a "/" separated anything.
std::vector<std::string> windowsComponents(const std::string& path, const LeadBytes& lead,
                                           bool* slash) {
  std::vector<std::string> parts(1);
  *slash = false;
  for (size_t pos = 0; pos < path.size();) {
    unsigned char byte = static_cast<unsigned char>(path[pos]);
    size_t length = lead.isLead[byte] && pos + 1 < path.size() ? 2 : 1;
    if (length == 1 && (path[pos] == '\\' || path[pos] == '/')) {
      *slash = *slash || path[pos] == '/';
      parts.emplace_back();
    } else {
      parts.back().append(path, pos, length);
    }
    pos += length;
  }
  std::vector<std::string> nonEmpty;
  for (const std::string& part : parts) {
    if (!part.empty())
      nonEmpty.push_back(part);
  }
  return nonEmpty;
}

// True when Windows would read the component as another name: "." or "..",
// or one ending in a single-byte dot or blank, which Windows drops.
bool changesUnderNormalization(const std::string& part, const LeadBytes& lead) {
  size_t last = 0;
  for (size_t pos = 0; pos < part.size();) {
    last = pos;
    unsigned char byte = static_cast<unsigned char>(part[pos]);
    pos += lead.isLead[byte] && pos + 1 < part.size() ? 2 : 1;
  }
  return last + 1 == part.size() && (part[last] == '.' || part[last] == ' ');
}

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

void checkGuard(const std::string& path, const LeadBytes& lead) {
  if (isDangerousFolder(path, lead))
    return;
  bool slash = false;
  std::vector<std::string> parts = windowsComponents(path, lead, &slash);
  for (const std::string& part : parts)
    require(!changesUnderNormalization(part, lead));
  bool drive = path.size() >= 3 && isLetter(path[0]) && path[1] == ':' && isSeparator(path[2]);
  bool share = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
  require(drive || share);
  size_t rootParts = drive ? 1 : 2;
  // "\\?\UNC\server\share" and "\\?\C:" name roots too.
  if (share && (parts[0] == "?" || parts[0] == "."))
    rootParts = parts.size() > 1 && (parts[1] == "UNC" || parts[1] == "unc") ? 4 : 2;
  require(parts.size() > rootParts);
  require(secondCharIsLetter(path) == false);
}

// The folder Windows opens for a drive path, as lower-case components below
// the drive: "/" taken for "\\", empty and "." steps dropped, ".." stepping up,
// trailing dots and blanks dropped. False for anything but a drive path.
bool openedFolder(const std::string& path, std::vector<std::string>* folder) {
  if (path.size() < 3 || !isLetter(path[0]) || path[1] != ':' ||
      (path[2] != '\\' && path[2] != '/'))
    return false;
  bool slash = false;
  folder->clear();
  for (std::string part : windowsComponents(path, LeadBytes(), &slash)) {
    for (char& c : part)
      c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    size_t end = part.find_last_not_of(". ");
    if (part == "..") {
      if (folder->size() > 1)
        folder->pop_back();
    } else if (end != std::string::npos) {
      folder->push_back(part.substr(0, end + 1));
    }
  }
  return true;
}

bool nestedFolders(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  size_t common = std::min(a.size(), b.size());
  return std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin());
}

void checkInUse(const std::string& sid, const std::string& path, const std::string& loadedFolder,
                const LeadBytes& lead) {
  LoadedProfiles loaded;
  require(isInUse(sid, path, loaded, lead));
  loaded.readable = true;
  loaded.sids = {sid};
  require(isInUse(sid, path, loaded, lead));
  loaded.sids = {sid + "_Classes"};
  loaded.folders = {loadedFolder};
  bool nested =
      folderContains(path, loadedFolder, lead) || folderContains(loadedFolder, path, lead);
  bool inUse = isInUse(sid, path, loaded, lead);
  require(inUse == nested);
  // However the two paths are spelled, the same folder, one above it or one
  // inside it is in use.
  // (Under a single-byte code page, where every byte is a character.)
  std::vector<std::string> profileFolder, usedFolder;
  if (!lead.isLead[0x81] && openedFolder(path, &profileFolder) &&
      openedFolder(loadedFolder, &usedFolder) && profileFolder.size() > 1 &&
      nestedFolders(profileFolder, usedFolder))
    require(inUse || isDangerousFolder(path, LeadBytes()));
  // A folder that may be removed always contains itself, whatever its
  // trailing backslashes (a backslash after a lone lead byte would be its
  // trail byte instead).
  if (!isDangerousFolder(path, lead) && !lead.isLead[static_cast<unsigned char>(path.back())])
    require(folderContains(path, path + "\\", lead));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  LeadBytes lead = consumeCodePage(input);
  std::string sid = input.ConsumeRandomLengthString(64);
  std::string loadedFolder = input.ConsumeRandomLengthString(128);
  std::string path = input.ConsumeRemainingBytesAsString();
  checkGuard(path, lead);
  checkInUse(sid, path, loadedFolder, lead);
  return 0;
}
