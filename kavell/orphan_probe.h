// Asks the authority that keeps an account whether a profile's owner is gone:
// this computer's own account database, or a controller of the owner's domain.
#ifndef KAVELL_ORPHAN_PROBE_H_
#define KAVELL_ORPHAN_PROBE_H_

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "orphan_rules.h"

/// A domain as this run found it.
struct DomainRecord {
  DomainAnswer answer;
  std::wstring controller;  ///< the controller's name as found ("\\name"), if any
};

/// What this run learned of the authorities, so that each is asked once.
struct AuthorityCache {
  bool ownDomainRead = false;
  bool ownDomainKnown = false;
  SidParts ownDomain;
  bool netApiTried = false;
  HMODULE netApi = nullptr;
  std::map<std::vector<uint32_t>, DomainRecord> domains;  ///< by the domain's sub-authorities
};

/// True when the owner of the profile `sidText`, whose local look-up answered
/// `localCode`, is gone (see isOrphaned). Asks nobody else unless that answer
/// was 1332. Reads this computer's domain once, and probes each other domain
/// once, per cache; a controller that stops answering is not asked again.
bool isOwnerGone(const std::string& sidText, unsigned long localCode, AuthorityCache* cache);

/// Releases what the cache holds (NETAPI32, when it was loaded).
void releaseAuthorityCache(AuthorityCache* cache);

/// This computer's account domain, from its local security policy. False when
/// it cannot be read.
bool readOwnDomain(SidParts* domain);

/// NETAPI32 from the system folder by its full path, never found by a search
/// that could start beside the program; null when it does not load.
HMODULE loadNetApi();

/// Asks about `domain`: its name from its SID (the answer must be a domain),
/// then one of its controllers, found with a forced rediscovery so that no
/// remembered controller stands in. Without `netApi` no controller is found.
DomainRecord probeDomain(const SidParts& domain, HMODULE netApi);

/// Looks `account` up on `controller` itself, so that no local cache answers:
/// 0, or the look-up's Win32 error code.
unsigned long lookupOnController(const std::wstring& controller, const SidParts& account);

#endif  // KAVELL_ORPHAN_PROBE_H_
