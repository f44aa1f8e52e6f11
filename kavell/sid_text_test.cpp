#include "sid_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

SidParts parse(const std::string& text) {
  SidParts parts;
  EXPECT_TRUE(parseSidText(text, &parts)) << text;
  return parts;
}

std::vector<uint32_t> subAuthorities(const SidParts& parts) {
  return std::vector<uint32_t>(parts.subAuthorities, parts.subAuthorities + parts.count);
}

std::vector<int> authority(const SidParts& parts) {
  return std::vector<int>(parts.authority, parts.authority + 6);
}

TEST(SidText, LocalSystem) {
  SidParts parts = parse("S-1-5-18");
  EXPECT_EQ(authority(parts), std::vector<int>({0, 0, 0, 0, 0, 5}));
  EXPECT_EQ(subAuthorities(parts), std::vector<uint32_t>({18}));
}

TEST(SidText, DomainUserHasFiveSubAuthorities) {
  SidParts parts = parse("S-1-5-21-1004336348-1177238915-682003330-1001");
  EXPECT_EQ(subAuthorities(parts),
            std::vector<uint32_t>({21, 1004336348u, 1177238915u, 682003330u, 1001}));
}

TEST(SidText, BakSuffixReadsAsTheSameSid) {
  SidParts plain = parse("S-1-5-21-1-2-3-1001");
  SidParts bak = parse("S-1-5-21-1-2-3-1001.bak");
  EXPECT_EQ(subAuthorities(bak), subAuthorities(plain));
  EXPECT_EQ(authority(bak), authority(plain));
}

TEST(SidText, NineOrMoreSubAuthoritiesKeepTheFirstEight) {
  SidParts parts = parse("S-1-5-1-2-3-4-5-6-7-8-9-10");
  EXPECT_EQ(subAuthorities(parts), std::vector<uint32_t>({1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(SidText, HexAuthoritySetsAllSixBytes) {
  SidParts parts = parse("S-1-0x123456789ABC-7");
  EXPECT_EQ(authority(parts), std::vector<int>({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}));
  EXPECT_EQ(subAuthorities(parts), std::vector<uint32_t>({7}));
}

TEST(SidText, DecimalAuthorityFillsTheLastFourBytes) {
  SidParts parts = parse("S-1-4294967295-1");
  EXPECT_EQ(authority(parts), std::vector<int>({0, 0, 255, 255, 255, 255}));
  EXPECT_EQ(authority(parse("S-1-16-8192")), std::vector<int>({0, 0, 0, 0, 0, 16}));
}

TEST(SidText, RevisionFieldIsNotRead) {
  EXPECT_EQ(subAuthorities(parse("X-anything-5-18")), std::vector<uint32_t>({18}));
}

TEST(SidText, FieldWithoutNumberLeavesZero) {
  EXPECT_EQ(subAuthorities(parse("S-1-5-21-x-7")), std::vector<uint32_t>({21, 0, 7}));
  EXPECT_EQ(subAuthorities(parse("S-1-5-")), std::vector<uint32_t>({0}));
}

TEST(SidText, RefusesTextsThatAreNoSid) {
  SidParts parts;
  for (const char* bad : {"", "S", "S-1", "S-1-5", ".DEFAULT", "S-1-abc-18", "S-1-0x-18"}) {
    EXPECT_FALSE(parseSidText(bad, &parts)) << bad;
  }
  std::string longest = "S-1-5-" + std::string(longestSidText - 6, '1');
  EXPECT_TRUE(parseSidText(longest, &parts));
  EXPECT_FALSE(parseSidText(longest + "1", &parts));
}

}  // namespace
