#include "registry_keys.h"

#include "ansi_strings.h"

const char profileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool profileKeyPaths(const std::string& sid, const std::string& guid,
                     std::vector<std::string>* paths) {
  if (sid.empty())
    return false;
  const std::string policy = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\";
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
  std::vector<std::string> prefixes = {std::string(profileListKey) + "\\", policy,
                                       policy + "State\\"};
  std::vector<std::string> names = {sid, sid, sid};
  if (!guid.empty()) {
    prefixes.insert(prefixes.end(), {nt + "ProfileGuid\\", nt + "PolicyGuid\\"});
    names.insert(names.end(), {guid, guid});
  }
  std::vector<std::string> result;
  for (size_t i = 0; i < prefixes.size(); ++i) {
    std::string path = prefixes[i];
    if (!appendWithin(path, names[i], keyPathRoom))
      return false;
    result.push_back(path);
  }
  *paths = result;
  return true;
}
