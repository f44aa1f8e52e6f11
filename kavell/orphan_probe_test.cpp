#include "orphan_probe.h"

#include <gtest/gtest.h>

namespace {

// Wine's fixed account domain for this computer.
const char ownDomainText[] = "S-1-5-21-0-0-0";

SidParts sid(const std::string& text) {
  SidParts parts;
  EXPECT_TRUE(parseSidText(text, &parts)) << text;
  return parts;
}

TEST(OrphanProbe, ReadsTheComputersOwnAccountDomain) {
  SidParts own;
  ASSERT_TRUE(readOwnDomain(&own));
  EXPECT_TRUE(sameSid(own, sid(ownDomainText)));
}

TEST(OrphanProbe, LoadsNetApiFromTheSystemFolder) {
  HMODULE netApi = loadNetApi();
  ASSERT_NE(netApi, nullptr);
  wchar_t loaded[MAX_PATH] = {};
  wchar_t folder[MAX_PATH] = {};
  GetModuleFileNameW(netApi, loaded, MAX_PATH);
  GetSystemDirectoryW(folder, MAX_PATH);
  EXPECT_EQ(lstrcmpiW(loaded, (std::wstring(folder) + L"\\netapi32.dll").c_str()), 0);
  FreeLibrary(netApi);
}

TEST(OrphanProbe, ADomainIsNamedFromItsSidAndHasNoControllerHere) {
  HMODULE netApi = loadNetApi();
  DomainRecord own = probeDomain(sid(ownDomainText), netApi);
  EXPECT_TRUE(own.answer.named);  // the computer's name
  EXPECT_FALSE(own.answer.controllerFound);
  EXPECT_EQ(own.controller, L"");
  DomainRecord unknown = probeDomain(sid("S-1-5-21-777-888-999"), netApi);
  EXPECT_FALSE(unknown.answer.named);
  EXPECT_FALSE(probeDomain(sid("S-1-5-21-0-0-0-1000"), netApi).answer.named);  // an account
  FreeLibrary(netApi);
  EXPECT_NE(lookupOnController(L"\\\\kv-no-such-controller", sid("S-1-5-21-7-8-9-1001")), 1332u);
}

TEST(OrphanProbe, OnlyTheComputersOwnUnmappedAccountsAreGone) {
  AuthorityCache cache;
  EXPECT_TRUE(isOwnerGone("S-1-5-21-0-0-0-1001", 1332, &cache));
  EXPECT_TRUE(isOwnerGone("S-1-5-21-0-0-0-1001.bak", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-5-21-0-0-0-1001", 1789, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-5-21-777-888-999-4242", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-5-21-777-888-999-4243", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-5-21-1-2-3-4444", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("S-1-12-1-1111-2222-3333-4444", 1332, &cache));
  EXPECT_FALSE(isOwnerGone("NotASid", 1332, &cache));
  // One probe per other domain, however many of its accounts were asked about.
  EXPECT_EQ(cache.domains.size(), 2u);
  releaseAuthorityCache(&cache);
}

}  // namespace
