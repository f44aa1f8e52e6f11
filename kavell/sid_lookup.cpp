#include "sid_lookup.h"

#include "name_rules.h"
#include "sid_text.h"

namespace {

constexpr DWORD nameRoom = 255;

}  // namespace

PSID sidFromParts(const SidParts& parts) {
  SID_IDENTIFIER_AUTHORITY authority;
  for (int i = 0; i < 6; ++i)
    authority.Value[i] = parts.authority[i];
  const uint32_t* sub = parts.subAuthorities;
  PSID sid = nullptr;
  if (!AllocateAndInitializeSid(&authority, static_cast<BYTE>(parts.count), sub[0], sub[1], sub[2],
                                sub[3], sub[4], sub[5], sub[6], sub[7], &sid)) {
    return nullptr;
  }
  return sid;
}

PSID sidFromString(const std::string& text) {
  SidParts parts;
  if (!parseSidText(text, &parts))
    return nullptr;
  return sidFromParts(parts);
}

unsigned long lookupSidAccount(const std::wstring& sidText, const wchar_t* machineName,
                               std::wstring* accountName, std::wstring* domainName) {
  accountName->clear();
  domainName->clear();
  // A SID text is ASCII; any other character is no digit and stops a field
  // as it always did, never a look-alike digit.
  PSID sid = sidFromString(asciiOrQuestionMarks(sidText));
  if (sid == nullptr)
    return ERROR_INVALID_PARAMETER;
  wchar_t account[nameRoom] = {};
  wchar_t domain[nameRoom] = {};
  DWORD accountRoom = nameRoom;
  DWORD domainRoom = nameRoom;
  SID_NAME_USE use;
  unsigned long result = 0;
  if (LookupAccountSidW(machineName, sid, account, &accountRoom, domain, &domainRoom, &use)) {
    *accountName = account;
    *domainName = domain;
  } else {
    result = GetLastError();
  }
  FreeSid(sid);
  return result;
}
