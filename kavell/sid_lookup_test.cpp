#include "sid_lookup.h"

#include <gtest/gtest.h>

namespace {

struct Lookup {
  unsigned long code;
  std::string account;
  std::string domain;
};

std::string narrow(const std::wstring& text) {
  return std::string(text.begin(), text.end());
}

Lookup lookUp(const std::wstring& sid) {
  std::wstring account = L"stale", domain = L"stale";
  unsigned long code = lookupSidAccount(sid, nullptr, &account, &domain);
  return Lookup{code, narrow(account), narrow(domain)};
}

Lookup lookUp(const std::string& sid) {
  return lookUp(std::wstring(sid.begin(), sid.end()));
}

TEST(SidLookup, ResolvesWellKnownAccounts) {
  Lookup system = lookUp("S-1-5-18");
  EXPECT_EQ(system.code, 0u);
  EXPECT_EQ(system.account, "SYSTEM");
  EXPECT_EQ(system.domain, "NT AUTHORITY");
  Lookup admins = lookUp("S-1-5-32-544");
  EXPECT_EQ(admins.account, "Administrators");
  EXPECT_EQ(admins.domain, "BUILTIN");
}

TEST(SidLookup, BakEntryResolvesToTheSameAccount) {
  Lookup bak = lookUp("S-1-5-32-544.bak");
  EXPECT_EQ(bak.code, 0u);
  EXPECT_EQ(bak.account, "Administrators");
}

TEST(SidLookup, UnmappedSidGives1332AndEmptyNames) {
  Lookup gone = lookUp("S-1-5-21-1-2-3-4444");
  EXPECT_EQ(gone.code, 1332u);
  EXPECT_EQ(gone.account, "");
  EXPECT_EQ(gone.domain, "");
}

TEST(SidLookup, TextThatIsNoSidGives87) {
  for (const char* bad : {"S-1-5", ".DEFAULT", ""}) {
    Lookup result = lookUp(bad);
    EXPECT_EQ(result.code, 87u) << bad;
    EXPECT_EQ(result.account, "");
    EXPECT_EQ(result.domain, "");
  }
}

bool sameSid(const std::string& a, const std::string& b) {
  PSID first = sidFromString(a);
  PSID second = sidFromString(b);
  bool same = first != nullptr && second != nullptr && EqualSid(first, second);
  if (first != nullptr)
    FreeSid(first);
  if (second != nullptr)
    FreeSid(second);
  return same;
}

TEST(SidLookup, BuildsTheSidTheTextNames) {
  EXPECT_TRUE(sameSid("S-1-0x000000000005-18", "S-1-5-18"));
  EXPECT_TRUE(sameSid("S-1-5-1-2-3-4-5-6-7-8-9", "S-1-5-1-2-3-4-5-6-7-8"));
  EXPECT_FALSE(sameSid("S-1-5-18", "S-1-5-19"));
  PSID sid = sidFromString("S-1-5-21-1-2-3-1001");
  ASSERT_NE(sid, nullptr);
  EXPECT_EQ(*GetSidSubAuthorityCount(sid), 5);
  EXPECT_EQ(*GetSidSubAuthority(sid, 4), 1001u);
  FreeSid(sid);
}

}  // namespace
