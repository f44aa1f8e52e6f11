#include "orphan_probe.h"

#include <dsgetdc.h>
#include <ntsecapi.h>

#include "profile_rules.h"
#include "sid_lookup.h"

namespace {

constexpr DWORD nameRoom = 256;

using FindController = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, GUID*, LPCWSTR, ULONG,
                                      PDOMAIN_CONTROLLER_INFOW*);
using FreeNetBuffer = DWORD(WINAPI*)(LPVOID);

bool partsOf(PSID sid, SidParts* parts) {
  if (sid == nullptr || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) > 8)
    return false;
  const SID_IDENTIFIER_AUTHORITY* authority = GetSidIdentifierAuthority(sid);
  for (int i = 0; i < 6; ++i)
    parts->authority[i] = authority->Value[i];
  parts->count = *GetSidSubAuthorityCount(sid);
  for (int i = 0; i < parts->count; ++i)
    parts->subAuthorities[i] = *GetSidSubAuthority(sid, i);
  return parts->count > 0;
}

// Looks the SID up on `system` (null: this computer); 0 or the error code.
unsigned long lookUp(const wchar_t* system, const SidParts& parts, std::wstring* name,
                     std::wstring* domain, SID_NAME_USE* use) {
  PSID sid = sidFromParts(parts);
  if (sid == nullptr)
    return ERROR_INVALID_PARAMETER;
  wchar_t nameText[nameRoom] = {};
  wchar_t domainText[nameRoom] = {};
  DWORD nameLength = nameRoom;
  DWORD domainLength = nameRoom;
  unsigned long code = 0;
  if (LookupAccountSidW(system, sid, nameText, &nameLength, domainText, &domainLength, use)) {
    *name = nameText;
    *domain = domainText;
  } else {
    code = GetLastError();
  }
  FreeSid(sid);
  return code;
}

// The domain's name from its SID; empty when the SID names no domain.
std::wstring domainName(const SidParts& domain) {
  std::wstring name;
  std::wstring referenced;
  SID_NAME_USE use = SidTypeUnknown;
  if (lookUp(nullptr, domain, &name, &referenced, &use) != 0 || use != SidTypeDomain)
    return L"";
  return referenced.empty() ? name : referenced;
}

// A controller of the domain `name`, looked for afresh; empty when none.
std::wstring findController(const std::wstring& name, HMODULE netApi) {
  auto find = reinterpret_cast<FindController>(
      reinterpret_cast<void*>(GetProcAddress(netApi, "DsGetDcNameW")));
  auto release = reinterpret_cast<FreeNetBuffer>(
      reinterpret_cast<void*>(GetProcAddress(netApi, "NetApiBufferFree")));
  if (find == nullptr || release == nullptr)
    return L"";
  PDOMAIN_CONTROLLER_INFOW info = nullptr;
  std::wstring controller;
  if (find(nullptr, name.c_str(), nullptr, nullptr, DS_FORCE_REDISCOVERY, &info) == ERROR_SUCCESS &&
      info != nullptr && info->DomainControllerName != nullptr) {
    controller = info->DomainControllerName;
  }
  if (info != nullptr)
    release(info);
  return controller;
}

const SidParts* ownDomainOf(AuthorityCache* cache) {
  if (!cache->ownDomainRead) {
    cache->ownDomainRead = true;
    cache->ownDomainKnown = readOwnDomain(&cache->ownDomain);
  }
  return cache->ownDomainKnown ? &cache->ownDomain : nullptr;
}

DomainRecord* domainRecordOf(const SidParts& account, AuthorityCache* cache) {
  SidParts domain;
  accountDomain(account, &domain);
  std::vector<uint32_t> key(domain.subAuthorities, domain.subAuthorities + domain.count);
  auto known = cache->domains.find(key);
  if (known != cache->domains.end())
    return &known->second;
  if (!cache->netApiTried) {
    cache->netApiTried = true;
    cache->netApi = loadNetApi();
  }
  return &cache->domains.emplace(key, probeDomain(domain, cache->netApi)).first->second;
}

}  // namespace

bool readOwnDomain(SidParts* domain) {
  LSA_OBJECT_ATTRIBUTES attributes = {};
  LSA_HANDLE policy = nullptr;
  if (LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) != 0)
    return false;
  PPOLICY_ACCOUNT_DOMAIN_INFO info = nullptr;
  bool read = LsaQueryInformationPolicy(policy, PolicyAccountDomainInformation,
                                        reinterpret_cast<void**>(&info)) == 0 &&
              info != nullptr && partsOf(info->DomainSid, domain);
  if (info != nullptr)
    LsaFreeMemory(info);
  LsaClose(policy);
  return read;
}

HMODULE loadNetApi() {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  std::wstring path = std::wstring(folder, length) + L"\\netapi32.dll";
  // A full path with the altered search order: the DLL and what it needs come
  // from the system folder, never from beside the program.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

DomainRecord probeDomain(const SidParts& domain, HMODULE netApi) {
  DomainRecord record;
  std::wstring name = domainName(domain);
  record.answer.named = !name.empty();
  if (record.answer.named && netApi != nullptr)
    record.controller = findController(name, netApi);
  record.answer.controllerFound = !record.controller.empty();
  return record;
}

unsigned long lookupOnController(const std::wstring& controller, const SidParts& account) {
  std::wstring name;
  std::wstring domain;
  SID_NAME_USE use;
  return lookUp(controller.c_str(), account, &name, &domain, &use);
}

bool isOwnerGone(const std::string& sidText, unsigned long localCode, AuthorityCache* cache) {
  OwnerEvidence evidence;
  evidence.localCode = localCode;
  SidParts account;
  if (localCode != errorNoneMapped || !parseSidText(sidText, &account))
    return false;
  evidence.authority = authorityOf(account, ownDomainOf(cache));
  if (evidence.authority == AccountAuthority::DomainController) {
    DomainRecord* record = domainRecordOf(account, cache);
    if (record->answer.named && record->answer.controllerFound) {
      evidence.controllerCode = lookupOnController(record->controller, account);
      // A controller that failed once is not asked again in this run.
      if (!controllerAnswered(evidence.controllerCode))
        record->answer.controllerFound = false;
    }
    evidence.domain = record->answer;
  }
  return isOrphaned(evidence);
}

void releaseAuthorityCache(AuthorityCache* cache) {
  if (cache->netApi != nullptr)
    FreeLibrary(cache->netApi);
  cache->netApi = nullptr;
}
