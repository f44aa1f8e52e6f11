#include "orphan_rules.h"

#include <gtest/gtest.h>

namespace {

SidParts sid(const std::string& text) {
  SidParts parts;
  EXPECT_TRUE(parseSidText(text, &parts)) << text;
  return parts;
}

const SidParts ownDomain = sid("S-1-5-21-0-0-0");

AccountAuthority authority(const std::string& text) {
  return authorityOf(sid(text), &ownDomain);
}

TEST(OrphanRules, TheComputersOwnAccountsAreAnsweredLocally) {
  EXPECT_EQ(authority("S-1-5-21-0-0-0-1001"), AccountAuthority::ThisComputer);
  EXPECT_EQ(authority("S-1-5-21-0-0-0-500.bak"), AccountAuthority::ThisComputer);
  // Without the computer's own domain, its accounts are asked of a controller.
  EXPECT_EQ(authorityOf(sid("S-1-5-21-0-0-0-1001"), nullptr), AccountAuthority::DomainController);
}

TEST(OrphanRules, OtherDomainsAreAnsweredByTheirControllers) {
  EXPECT_EQ(authority("S-1-5-21-777-888-999-4242"), AccountAuthority::DomainController);
  EXPECT_EQ(authority("S-1-5-21-0-0-1-1001"), AccountAuthority::DomainController);
  EXPECT_EQ(authority("S-1-0x000000000005-21-1-2-3-4"), AccountAuthority::DomainController);
}

TEST(OrphanRules, EveryOtherAuthorityOrShapeHasNobodyToAsk) {
  for (const char* text :
       {"S-1-12-1-1111-2222-3333-4444", "S-1-5-18", "S-1-5-32-544", "S-1-5-21-0-0-0",
        "S-1-5-21-1-2-3", "S-1-5-21-1-2-3-4-5", "S-1-5-22-1-2-3-4", "S-1-0x010000000005-21-1-2-3-4",
        "S-1-5-21-0-0-0-1001-7"}) {
    EXPECT_EQ(authority(text), AccountAuthority::None) << text;
  }
}

TEST(OrphanRules, DomainIsTheSidWithoutItsLastPart) {
  SidParts domain;
  ASSERT_TRUE(accountDomain(sid("S-1-5-21-1-2-3-1001"), &domain));
  EXPECT_TRUE(sameSid(domain, sid("S-1-5-21-1-2-3")));
  EXPECT_FALSE(sameSid(domain, sid("S-1-5-21-1-2-4")));
  EXPECT_FALSE(sameSid(domain, sid("S-1-5-21-1-2-3-0")));
  EXPECT_FALSE(accountDomain(sid("S-1-5-21"), &domain));
}

OwnerEvidence domainAccount(bool named, bool controllerFound, unsigned long controllerCode) {
  OwnerEvidence evidence;
  evidence.localCode = 1332;
  evidence.authority = AccountAuthority::DomainController;
  evidence.domain.named = named;
  evidence.domain.controllerFound = controllerFound;
  evidence.controllerCode = controllerCode;
  return evidence;
}

TEST(OrphanRules, ADomainAccountIsGoneOnlyWhenItsControllerSaysSo) {
  EXPECT_TRUE(isOrphaned(domainAccount(true, true, 1332)));
  for (unsigned long other : {0ul, 5ul, 122ul, 1722ul, 1789ul})
    EXPECT_FALSE(isOrphaned(domainAccount(true, true, other))) << other;
  EXPECT_FALSE(isOrphaned(domainAccount(true, false, 1332)));   // no controller found
  EXPECT_FALSE(isOrphaned(domainAccount(false, false, 1332)));  // domain SID not resolvable
  OwnerEvidence mappedHere = domainAccount(true, true, 1332);
  mappedHere.localCode = 1789;
  EXPECT_FALSE(isOrphaned(mappedHere));
}

TEST(OrphanRules, OwnAccountsFollowTheLocalAnswerAndOthersAreNeverGone) {
  OwnerEvidence own;
  own.authority = AccountAuthority::ThisComputer;
  own.localCode = 1332;
  EXPECT_TRUE(isOrphaned(own));
  own.localCode = 1789;
  EXPECT_FALSE(isOrphaned(own));
  OwnerEvidence cloud = domainAccount(true, true, 1332);
  cloud.authority = AccountAuthority::None;
  EXPECT_FALSE(isOrphaned(cloud));
}

TEST(OrphanRules, AControllerThatFailsHasStoppedAnswering) {
  for (unsigned long answer : {0ul, 122ul, 1332ul})
    EXPECT_TRUE(controllerAnswered(answer)) << answer;
  for (unsigned long failure : {5ul, 53ul, 1722ul, 1789ul})
    EXPECT_FALSE(controllerAnswered(failure)) << failure;
}

}  // namespace
