#include "registry_keys.h"

#include "name_rules.h"
#include "sid_text.h"

const char profileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

namespace {

bool readsAsSid(const std::string& sid) {
  SidParts parts;
  return parseSidText(sid, &parts);
}

bool readsAsSid(const std::wstring& sid) {
  return readsAsSid(asciiOrQuestionMarks(sid));
}

// One rule for both forms of the texts: the byte form decides what fits,
// the wide form names the keys that are opened and deleted.
template <typename Text>
bool keyPathsOf(const Text& sid, const Text& guid, std::vector<Text>* paths) {
  if (sid.empty())
    return false;
  const std::string policy = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Group Policy\\";
  const std::string nt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\";
  bool isSid = readsAsSid(sid);
  // A value with a backslash would name a key further down, not a GUID's.
  bool isGuid = guid.find('\\') == Text::npos;
  struct Row {
    std::string prefix;
    const Text& name;
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
  std::vector<Text> result;
  for (const Row& row : rows) {
    Text path(row.prefix.begin(), row.prefix.end());
    if (path.size() + row.name.size() > keyPathRoom - 1)
      return false;
    path += row.name;
    if (row.used)
      result.push_back(path);
  }
  *paths = result;
  return true;
}

}  // namespace

bool profileKeyPaths(const std::string& sid, const std::string& guid,
                     std::vector<std::string>* paths) {
  return keyPathsOf(sid, guid, paths);
}

bool profileKeyPaths(const std::wstring& sid, const std::wstring& guid,
                     std::vector<std::wstring>* paths) {
  return keyPathsOf(sid, guid, paths);
}
