// Whether a profile's owner is gone. A failed look-up proves nothing by itself:
// only the authority that keeps the account may say that it no longer exists.
#ifndef KAVELL_ORPHAN_RULES_H_
#define KAVELL_ORPHAN_RULES_H_

#include "sid_text.h"

/// Who can tell that an account is gone.
enum class AccountAuthority {
  ThisComputer,      ///< this computer's own account domain: the local look-up
  DomainController,  ///< another domain (S-1-5-21-a-b-c-rid): one of its controllers
  None,              ///< any other authority: nobody this program can ask
};

/// The domain of an account SID: the SID without its last sub-authority.
/// False when the SID has only one sub-authority.
bool accountDomain(const SidParts& account, SidParts* domain);

/// True when both are the same SID (authority and every sub-authority in use).
bool sameSid(const SidParts& first, const SidParts& second);

/// Whom to ask about `account`. `ownDomain` is this computer's account domain;
/// null when it could not be read, and then no account counts as the
/// computer's own. Only a SID of the form S-1-5-21-a-b-c-rid belongs to a
/// domain; any other shape or authority has none.
AccountAuthority authorityOf(const SidParts& account, const SidParts* ownDomain);

/// What this run learned of a domain, asked once.
struct DomainAnswer {
  bool named = false;            ///< its domain SID resolved to a domain's name
  bool controllerFound = false;  ///< a forced rediscovery found a controller, still answering
};

/// What is known of the owner of one profile.
struct OwnerEvidence {
  unsigned long localCode = 0;  ///< the local look-up's answer (0: mapped)
  AccountAuthority authority = AccountAuthority::None;
  DomainAnswer domain;               ///< only for DomainController
  unsigned long controllerCode = 0;  ///< the look-up on that controller (0: mapped)
};

/// True when the owner is gone: the local look-up found no mapping (1332) and
/// either the account is this computer's own, or its domain was named, a
/// controller of it was found, and that controller found no mapping either.
/// Every other answer, and every other authority, keeps the profile.
bool isOrphaned(const OwnerEvidence& evidence);

/// True when a controller's answer to a look-up shows that it still answers:
/// mapped (0), a name too long for the room (122) or not mapped (1332). Any
/// other code (unreachable, access denied) means it has stopped answering.
bool controllerAnswered(unsigned long code);

#endif  // KAVELL_ORPHAN_RULES_H_
