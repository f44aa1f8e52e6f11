#include "orphan_rules.h"

#include "profile_rules.h"

namespace {

constexpr unsigned long nameTooLong = 122;

// Identifier authority 5, "NT authority".
bool isNtAuthority(const SidParts& sid) {
  static const uint8_t nt[6] = {0, 0, 0, 0, 0, 5};
  for (int i = 0; i < 6; ++i) {
    if (sid.authority[i] != nt[i])
      return false;
  }
  return true;
}

// S-1-5-21, three numbers naming the domain, and the account's relative ID.
bool isDomainAccount(const SidParts& sid) {
  return isNtAuthority(sid) && sid.count == 5 && sid.subAuthorities[0] == 21;
}

}  // namespace

bool accountDomain(const SidParts& account, SidParts* domain) {
  if (account.count < 2)
    return false;
  *domain = account;
  domain->count = account.count - 1;
  domain->subAuthorities[domain->count] = 0;
  return true;
}

bool sameSid(const SidParts& first, const SidParts& second) {
  if (first.count != second.count)
    return false;
  for (int i = 0; i < 6; ++i) {
    if (first.authority[i] != second.authority[i])
      return false;
  }
  for (int i = 0; i < first.count; ++i) {
    if (first.subAuthorities[i] != second.subAuthorities[i])
      return false;
  }
  return true;
}

AccountAuthority authorityOf(const SidParts& account, const SidParts* ownDomain) {
  SidParts domain;
  if (ownDomain != nullptr && accountDomain(account, &domain) && sameSid(domain, *ownDomain))
    return AccountAuthority::ThisComputer;
  return isDomainAccount(account) ? AccountAuthority::DomainController : AccountAuthority::None;
}

bool isOrphaned(const OwnerEvidence& evidence) {
  if (evidence.localCode != errorNoneMapped)
    return false;
  switch (evidence.authority) {
    case AccountAuthority::ThisComputer:
      return true;
    case AccountAuthority::DomainController:
      return evidence.domain.named && evidence.domain.controllerFound &&
             evidence.controllerCode == errorNoneMapped;
    case AccountAuthority::None:
      break;
  }
  return false;
}

bool controllerAnswered(unsigned long code) {
  return code == 0 || code == nameTooLong || code == errorNoneMapped;
}
