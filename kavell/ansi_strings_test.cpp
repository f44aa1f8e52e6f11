#include "ansi_strings.h"

#include <gtest/gtest.h>

namespace {

// A code page in the manner of Shift-JIS: 0x81 to 0x9F open a double-byte
// character whose trail byte may be a backslash or an ASCII letter.
LeadBytes doubleByteCodePage() {
  LeadBytes lead;
  for (int byte = 0x81; byte <= 0x9F; ++byte)
    lead.isLead[byte] = true;
  return lead;
}

const LeadBytes single = singleByteCodePage();
const LeadBytes dbcs = doubleByteCodePage();

// "\x95\x5C" is one character whose trail byte is a backslash.
const std::string trailBackslash = "ab\x95\\cd";

TEST(AnsiStrings, FindCharStepsOverTrailBytes) {
  EXPECT_EQ(findChar(trailBackslash, '\\', dbcs), notFound);
  EXPECT_EQ(findChar(trailBackslash, '\\', single), 3u);
  EXPECT_EQ(findChar("a\\b\\c", '\\', dbcs), 1u);
  EXPECT_EQ(findChar("", 'x', dbcs), notFound);
}

TEST(AnsiStrings, FindLastCharStepsOverTrailBytes) {
  EXPECT_EQ(findLastChar("C:\\a\\b", '\\', dbcs), 4u);
  EXPECT_EQ(findLastChar("C:\\a" + trailBackslash, '\\', dbcs), 2u);
  EXPECT_EQ(findLastChar("C:\\a" + trailBackslash, '\\', single), 7u);
  EXPECT_EQ(findLastChar("none", '\\', dbcs), notFound);
}

TEST(AnsiStrings, LeadByteAtTheEndIsOneCharacter) {
  std::string text = "a\x95";
  EXPECT_EQ(charLength(text, 1, dbcs), 1u);
  EXPECT_EQ(findChar(text, '\x95', dbcs), 1u);
}

TEST(AnsiStrings, FindTextStartsOnlyOnCharacterBoundaries) {
  EXPECT_EQ(findText("x%SystemDrive%y", "%SystemDrive%", dbcs), 1u);
  // "\x95S" is one character; the "S" inside it is no match for "S".
  EXPECT_EQ(findText("\x95Sab", "Sab", dbcs), notFound);
  EXPECT_EQ(findText("\x95Sab", "Sab", single), 1u);
  EXPECT_EQ(findText("abc", "", dbcs), 0u);
  EXPECT_EQ(findText("ab", "abc", dbcs), notFound);
}

TEST(AnsiStrings, ReverseKeepsDoubleByteCharactersWhole) {
  EXPECT_EQ(reverseText("abc", dbcs), "cba");
  EXPECT_EQ(reverseText("a\x95\\b", dbcs), "b\x95\\a");
  EXPECT_EQ(reverseText("a\x95\\b", single),
            "b\\\x95"
            "a");
  EXPECT_EQ(reverseText("", dbcs), "");
}

TEST(AnsiStrings, AppendWithinNeverCuts) {
  std::string text = "abc";
  EXPECT_TRUE(appendWithin(text, "de", 6));
  EXPECT_EQ(text, "abcde");
  EXPECT_FALSE(appendWithin(text, "f", 6));
  EXPECT_EQ(text, "abcde");
  EXPECT_FALSE(appendWithin(text, "", 0));
}

TEST(AnsiStrings, EqualsIgnoreCaseFoldsOnlyAsciiLetters) {
  EXPECT_TRUE(equalsIgnoreCase("/List", "/LIST", dbcs));
  EXPECT_FALSE(equalsIgnoreCase("/LIST", "/LISTX", dbcs));
  EXPECT_FALSE(equalsIgnoreCase("\xE4", "\xC4", single));
  // The trail byte "a" of a double-byte character is not folded to "A".
  EXPECT_FALSE(
      equalsIgnoreCase("\x95"
                       "a",
                       "\x95"
                       "A",
                       dbcs));
  EXPECT_TRUE(
      equalsIgnoreCase("\x95"
                       "a",
                       "\x95"
                       "A",
                       single));
  EXPECT_TRUE(equalsExactly("abc", "abc"));
  EXPECT_FALSE(equalsExactly("abc", "ABC"));
}

TEST(AnsiStrings, StartsWithIgnoreCaseComparesTheFirstBytes) {
  EXPECT_TRUE(startsWithIgnoreCase("/d:7", "/D:", 3, dbcs));
  EXPECT_TRUE(startsWithIgnoreCase("/D:", "/D:", 3, dbcs));
  EXPECT_FALSE(startsWithIgnoreCase("/D", "/D:", 3, dbcs));
  EXPECT_FALSE(startsWithIgnoreCase("/A:5", "/AD:", 4, dbcs));
  // Three bytes would split the character "\x95:".
  EXPECT_FALSE(startsWithIgnoreCase("/D\x95:", "/D\x95", 3, dbcs));
}

}  // namespace
