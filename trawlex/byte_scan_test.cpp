#include "byte_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace {

// The plain definitions the scans must agree with.
bool agrees(char a, char b, bool ignoreCase) {
  auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return a == b || (ignoreCase && fold(a) == fold(b));
}

size_t naiveFind(const std::string& data, size_t start, const std::string& needle,
                 bool ignoreCase) {
  for (size_t p = start; p + needle.size() <= data.size(); ++p) {
    size_t i = 0;
    while (i < needle.size() && agrees(data[p + i], needle[i], ignoreCase)) {
      ++i;
    }
    if (i == needle.size()) {
      return p;
    }
  }
  return data.size();
}

size_t naiveLineEnds(const std::string& data) {
  size_t count = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    count += data[i] == '\n' || (data[i] == '\r' && (i + 1 == data.size() || data[i + 1] != '\n'));
  }
  return count;
}

std::string randomBytes(std::mt19937& random, size_t size, const std::string& alphabet) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) {
    bytes.push_back(alphabet[random() % alphabet.size()]);
  }
  return bytes;
}

const std::string alphabet("aAbB\r\n\0\xe4\xc4[{ ", 12);

TEST(ByteScan, FindsLikeTheNaiveSearchInBothForms) {
  std::mt19937 random(1234);
  for (int round = 0; round < 4000; ++round) {
    std::string data = randomBytes(random, random() % 80, alphabet);
    std::string needle = randomBytes(random, 1 + random() % 4, alphabet);
    size_t start = random() % (data.size() + 2);
    bool ignoreCase = random() % 2;
    size_t expected =
        start > data.size() ? data.size() : naiveFind(data, start, needle, ignoreCase);
    ASSERT_EQ(expected,
              findNeedle(data.data(), data.size(), start, needle.data(), needle.size(), ignoreCase))
        << "round " << round;
    ASSERT_EQ(expected, findNeedleScalar(data.data(), data.size(), start, needle.data(),
                                         needle.size(), ignoreCase))
        << "round " << round;
  }
}

TEST(ByteScan, FoldsOnlyAsciiLetters) {
  std::string data("x[\xe4Z", 4);
  EXPECT_EQ(4u, findNeedle(data.data(), data.size(), 0, "{", 1, true));
  EXPECT_EQ(4u, findNeedle(data.data(), data.size(), 0, "\xc4", 1, true));
  EXPECT_EQ(3u, findNeedle(data.data(), data.size(), 0, "z", 1, true));
  EXPECT_EQ(4u, findNeedle(data.data(), data.size(), 0, "z", 1, false));
}

TEST(ByteScan, FindsAnOccurrenceThatEndsTheBufferAfterManyBlocks) {
  std::string data(100, 'a');
  data += "needle";
  EXPECT_EQ(100u, findNeedle(data.data(), data.size(), 3, "needle", 6, false));
  EXPECT_EQ(100u, findNeedle(data.data(), data.size(), 3, "NEEDLE", 6, true));
  EXPECT_EQ(data.size() - 1, findNeedle(data.data(), data.size() - 1, 3, "needle", 6, false));
}

TEST(ByteScan, FindsLineBreaksAndCountsLineEnds) {
  std::mt19937 random(99);
  for (int round = 0; round < 2000; ++round) {
    std::string data = randomBytes(random, random() % 300, std::string("ab\r\n", 4));
    size_t start = data.empty() ? 0 : random() % data.size();
    size_t expected = data.find_first_of("\r\n", start);
    ASSERT_EQ(expected == std::string::npos ? data.size() : expected,
              findLineBreak(data.data(), data.size(), start));
    ASSERT_EQ(naiveLineEnds(data), countLineEnds(data.data(), data.size())) << "round " << round;
  }
}

TEST(ByteScan, FindsLineStartsAndDotsControlBytesLikeTheNaiveScans) {
  std::mt19937 random(31);
  for (int round = 0; round < 2000; ++round) {
    std::string data = randomBytes(random, random() % 100, alphabet + "\a\t\x0b");
    size_t end = random() % (data.size() + 1);
    size_t floor = random() % (end + 1);
    size_t lastBreak = data.substr(floor, end - floor).find_last_of("\r\n");
    ASSERT_EQ(lastBreak == std::string::npos ? floor : floor + lastBreak + 1,
              findLineStart(data.data(), floor, end))
        << "round " << round;
    // The readable form: control bytes dotted up to the first NUL, which
    // half the rounds lack.
    if (round % 2 == 0) {
      data.erase(std::remove(data.begin(), data.end(), '\0'), data.end());
    }
    size_t nul = std::min(data.find('\0'), data.size());
    std::string dotted = data.substr(0, nul);
    for (char& c : dotted) {
      c = std::string("\a\t\n\r").find(c) == std::string::npos ? c : '.';
    }
    std::string copy(data.size(), '#');
    ASSERT_EQ(nul, copyDotted(&copy[0], data.data(), data.size())) << "round " << round;
    ASSERT_EQ(dotted, copy.substr(0, nul)) << "round " << round;
  }
}

TEST(ByteScan, CountsCrLfOnceAndACrAtTheEnd) {
  EXPECT_EQ(4u, countLineEnds("a\r\nb\nc\rd\r", 10));
  EXPECT_EQ(0u, countLineEnds("", 0));
  std::string manyPairs;
  for (int i = 0; i < 5000; ++i) {
    manyPairs += "\r\n";
  }
  EXPECT_EQ(5000u, countLineEnds(manyPairs.data(), manyPairs.size()));
}

}  // namespace
