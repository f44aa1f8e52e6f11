#include "registry_keys.h"

#include "ansi_strings.h"
#include "sid_text.h"

const char profileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool profileKeyPaths(const std::string& sid, const std::string& guid,
                     std::vector<std::string>* paths) {
  if (sid.empty())
    return false;
  const std::string policy = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\";
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
  SidParts parts;
  bool isSid = parseSidText(sid, &parts);
  // A value with a backslash would name a key further down, not a GUID's.
  bool isGuid = guid.find('\\') == std::string::npos;
  struct Row {
    std::string prefix;
    const std::string& name;
    bool used;
  };
  // The policy keys are named by real SIDs only: a stray entry such as
  // "State" would otherwise name the parent of every user's policy state.
  // Every row is still built, so a name fits the same rooms whatever it is.
  std::vector<Row> rows = {{std::string(profileListKey) + "\\", sid, true},
                           {policy, sid, isSid},
                           {policy + "State\\", sid, isSid}};
  if (!guid.empty()) {
    rows.push_back({nt + "ProfileGuid\\", guid, isGuid});
    rows.push_back({nt + "PolicyGuid\\", guid, isGuid});
  }
  std::vector<std::string> result;
  for (const Row& row : rows) {
    std::string path = row.prefix;
    if (!appendWithin(path, row.name, keyPathRoom))
      return false;
    if (row.used)
      result.push_back(path);
  }
  *paths = result;
  return true;
}
