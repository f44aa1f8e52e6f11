#include "sid_lookup.h"

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

unsigned long lookupSidAccount(const std::string& sidText, const char* machineName,
                               std::string* accountName, std::string* domainName) {
  accountName->clear();
  domainName->clear();
  PSID sid = sidFromString(sidText);
  if (sid == nullptr)
    return ERROR_INVALID_PARAMETER;
  char account[nameRoom] = {};
  char domain[nameRoom] = {};
  DWORD accountRoom = nameRoom;
  DWORD domainRoom = nameRoom;
  SID_NAME_USE use;
  unsigned long result = 0;
  if (LookupAccountSidA(machineName, sid, account, &accountRoom, domain, &domainRoom, &use)) {
    *accountName = account;
    *domainName = domain;
  } else {
    result = GetLastError();
  }
  FreeSid(sid);
  return result;
}
