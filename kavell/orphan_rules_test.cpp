#include "orphan_rules.h"

#include <gtest/gtest.h>

namespace {

SidParts sid(const std::string& text) {
  SidParts parts;
  EXPECT_TRUE(parseSidText(text, &parts)) << text;
  return parts;
}

const SidParts ownDomain = sid("S-1-5-21-0-0-0");

TEST(OrphanRules, EachSidHasItsAuthority) {
  for (const char* own : {"S-1-5-21-0-0-0-1001", "S-1-5-21-0-0-0-500.bak"})
    EXPECT_EQ(authorityOf(sid(own), &ownDomain), AccountAuthority::ThisComputer) << own;
  for (const char* domain :
       {"S-1-5-21-777-888-999-4242", "S-1-5-21-0-0-1-1001", "S-1-0x000000000005-21-1-2-3-4"}) {
    EXPECT_EQ(authorityOf(sid(domain), &ownDomain), AccountAuthority::DomainController) << domain;
  }
  // Without the computer's own domain, its accounts too need a controller.
  EXPECT_EQ(authorityOf(sid("S-1-5-21-0-0-0-1001"), nullptr), AccountAuthority::DomainController);
  for (const char* none : {"S-1-12-1-1111-2222-3333-4444", "S-1-5-18", "S-1-5-32-544",
                           "S-1-5-21-0-0-0", "S-1-5-21-1-2-3-4-5", "S-1-5-22-1-2-3-4",
                           "S-1-0x010000000005-21-1-2-3-4", "S-1-5-21-0-0-0-1001-7", "S-1-5-21"}) {
    EXPECT_EQ(authorityOf(sid(none), &ownDomain), AccountAuthority::None) << none;
  }
}

OwnerEvidence evidence(AccountAuthority authority, bool named, bool found, unsigned long code) {
  OwnerEvidence result;
  result.localCode = 1332;
  result.authority = authority;
  result.domain.named = named;
  result.domain.controllerFound = found;
  result.controllerCode = code;
  return result;
}

TEST(OrphanRules, OnlyTheAccountsOwnAuthorityCanSayItIsGone) {
  const AccountAuthority controller = AccountAuthority::DomainController;
  EXPECT_TRUE(isOrphaned(evidence(controller, true, true, 1332)));
  for (unsigned long other : {0ul, 5ul, 122ul, 1722ul, 1789ul})
    EXPECT_FALSE(isOrphaned(evidence(controller, true, true, other))) << other;
  EXPECT_FALSE(isOrphaned(evidence(controller, true, false, 1332)));   // no controller found
  EXPECT_FALSE(isOrphaned(evidence(controller, false, false, 1332)));  // domain SID not named
  EXPECT_TRUE(isOrphaned(evidence(AccountAuthority::ThisComputer, false, false, 0)));
  EXPECT_FALSE(isOrphaned(evidence(AccountAuthority::None, true, true, 1332)));
  for (AccountAuthority any : {controller, AccountAuthority::ThisComputer}) {
    OwnerEvidence mappedElsewise = evidence(any, true, true, 1332);
    mappedElsewise.localCode = 1789;
    EXPECT_FALSE(isOrphaned(mappedElsewise));
  }
}

TEST(OrphanRules, AControllerThatFailsHasStoppedAnswering) {
  for (unsigned long answer : {0ul, 122ul, 1332ul})
    EXPECT_TRUE(controllerAnswered(answer)) << answer;
  for (unsigned long failure : {5ul, 53ul, 1722ul, 1789ul})
    EXPECT_FALSE(controllerAnswered(failure)) << failure;
}

}  // namespace
