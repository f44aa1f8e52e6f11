#include "orphan_probe.h"

#include <gtest/gtest.h>

namespace {

SidParts sid(const std::string& text) {
  SidParts parts;
  EXPECT_TRUE(parseSidText(text, &parts)) << text;
  return parts;
}

TEST(OrphanProbe, ReadsWinesOwnAccountDomainAndNetApiFromTheSystemFolder) {
  SidParts own;
  ASSERT_TRUE(readOwnDomain(&own));
  EXPECT_TRUE(sameSid(own, sid("S-1-5-21-0-0-0")));
  HMODULE netApi = loadNetApi();
  ASSERT_NE(netApi, nullptr);
  wchar_t loaded[MAX_PATH] = {};
  wchar_t folder[MAX_PATH] = {};
  GetModuleFileNameW(netApi, loaded, MAX_PATH);
  GetSystemDirectoryW(folder, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(loaded, (std::wstring(folder) + L"\\netapi32.dll").c_str()), 0);
  // The computer's own domain is named (after the computer), but no
  // controller of it can be found; an unknown domain is not even named.
  DomainRecord named = probeDomain(own, netApi);
  EXPECT_TRUE(named.answer.named);
  EXPECT_FALSE(named.answer.controllerFound);
  EXPECT_FALSE(probeDomain(sid("S-1-5-21-777-888-999"), netApi).answer.named);
  EXPECT_FALSE(probeDomain(sid("S-1-5-21-0-0-0-1000"), netApi).answer.named);  // an account
  FreeLibrary(netApi);
  EXPECT_FALSE(
      controllerAnswered(lookupOnController(L"\\\\kv-no-such-dc", sid("S-1-5-21-7-8-9-1"))));
}

TEST(OrphanProbe, OnlyTheComputersOwnUnmappedAccountsAreGoneHere) {
  AuthorityCache cache;
  EXPECT_TRUE(isOwnerGone("S-1-5-21-0-0-0-1001", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-5-21-0-0-0-1001", 1789, &cache));
  for (const char* kept : {"S-1-5-21-777-888-999-4242", "S-1-5-21-777-888-999-4243",
                           "S-1-5-21-1-2-3-4444", "S-1-12-1-1111-2222-3333-4444", "NotASid"}) {
    EXPECT_FALSE(isOwnerGone(kept, 1332, &cache)) << kept;
  }
  // One probe per other domain, however many of its accounts were asked about.
  EXPECT_EQ(cache.domains.size(), 2u);
  releaseAuthorityCache(&cache);
}

}  // namespace
