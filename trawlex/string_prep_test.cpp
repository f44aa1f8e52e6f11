#include "string_prep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace std::string_literals;

// The expansion of `typed`, or "<error>" followed by the message.
std::string expanded(const std::string& typed) {
  std::string text = typed, message;
  if (!expandEscapes(text, message)) {
    EXPECT_EQ(text, typed) << "a failed expansion leaves the text as it was";
    return "<error>" + message;
  }
  EXPECT_EQ(message, "");
  return text;
}

// `typed` encoded by encodeTyped, or "<error>" followed by the invalid escape
// in UTF-8.
std::string encoded(const std::wstring& typed, bool utf16, bool escapes = true) {
  std::string bytes;
  std::wstring invalid;
  if (!encodeTyped(typed, utf16, escapes, bytes, invalid)) {
    std::string shown;
    std::wstring none;
    encodeTyped(invalid, false, false, shown, none);
    return "<error>" + shown;
  }
  EXPECT_EQ(invalid, L"");
  return bytes;
}

// `text`, each byte a character of the same value, typed in UTF-16 mode.
std::string widened(const std::string& text) {
  std::wstring typed;
  for (char c : text)
    typed += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return encoded(typed, true, false);
}

TEST(ExpandEscapes, TextWithoutEscapesIsCopied) {
  EXPECT_EQ(expanded(""), "");
  EXPECT_EQ(expanded("plain text"), "plain text");
  EXPECT_EQ(expanded("a\0b\xFF"s), "a\0b\xFF"s);
}

TEST(ExpandEscapes, BackslashLetters) {
  EXPECT_EQ(expanded("\\a\\b\\t\\n\\v\\f\\r"), "\x07\x08\x09\x0A\x0B\x0C\x0D");
  EXPECT_EQ(expanded("\\\\"), "\\");
  EXPECT_EQ(expanded("\\'"), "'");
  EXPECT_EQ(expanded("\\\""), "\"");
  EXPECT_EQ(expanded("a\\tb"), "a\tb");
}

TEST(ExpandEscapes, EscapeLettersAreCaseSensitive) {
  EXPECT_EQ(expanded("\\N"), "<error>Invalid escape character (\\N)");
  EXPECT_EQ(expanded("\\R"), "<error>Invalid escape character (\\R)");
  EXPECT_EQ(expanded("\\X41"), "<error>Invalid escape character (\\X)");
  EXPECT_EQ(expanded("\\T"), "<error>Invalid escape character (\\T)");
}

TEST(ExpandEscapes, HexTakesEveryHexDigitAndKeepsTheLowByte) {
  EXPECT_EQ(expanded("\\x41"), "A");
  EXPECT_EQ(expanded("\\x0D"), "\r");
  EXPECT_EQ(expanded("\\x0d"), "\r");
  EXPECT_EQ(expanded("\\x100"), "\0"s);
  EXPECT_EQ(expanded("\\x4"), "\x04");
  EXPECT_EQ(expanded("\\x41g"), "Ag");
  // All hex digits are read: "\x0Ab" is 0xAB, not a line feed and "b".
  EXPECT_EQ(expanded("\\x0Ab"), "\xAB");
  EXPECT_EQ(expanded("\\x00000041"), "A");
}

TEST(ExpandEscapes, HexWithoutDigitsGivesNulAndGoesOnAfterTheX) {
  EXPECT_EQ(expanded("\\x"), "\0"s);
  EXPECT_EQ(expanded("\\xg"), "\0g"s);
  EXPECT_EQ(expanded("\\x  g"), "\0  g"s);
  EXPECT_EQ(expanded("\\x-g"), "\0-g"s);
  EXPECT_EQ(expanded("\\x\\t"), "\0\t"s);
}

TEST(ExpandEscapes, HexAcceptsWhatStrtoulAcceptsBeforeTheDigits) {
  EXPECT_EQ(expanded("\\x 41"), "A");
  EXPECT_EQ(expanded("\\x\t\n\v\f\r 41|"), "A|");
  EXPECT_EQ(expanded("\\x+41"), "A");
  EXPECT_EQ(expanded("\\x0x41"), "A");
  EXPECT_EQ(expanded("\\x0X41"), "A");
  EXPECT_EQ(expanded("\\x -0x41"), "\xBF");
  // A negative number wraps around 32 bits before the low byte is taken.
  EXPECT_EQ(expanded("\\x-1"), "\xFF");
  EXPECT_EQ(expanded("\\x-F6z"), "\nz");
  // "0x" without a hex digit after it is no number: the walk goes on after "\x".
  EXPECT_EQ(expanded("\\x0xg"),
            "\0"
            "0xg"s);
  EXPECT_EQ(expanded("\\x 0x"), "\0 0x"s);
  EXPECT_EQ(expanded("\\x0x0x1"), "\0x1"s);
  // A sign is no number on its own, nor is white space.
  EXPECT_EQ(expanded("\\x+ 1"), "\0+ 1"s);
}

TEST(ExpandEscapes, HexTooBigForThirtyTwoBitsGivesTheLargestValue) {
  EXPECT_EQ(expanded("\\xFFFFFFFF"), "\xFF");
  // Wrapping would give 0x00 here; the runtime saturates instead.
  EXPECT_EQ(expanded("\\x100000000"), "\xFF");
  // The sign applies after the overflow check: -(0xFFFFFFFF) is 1.
  EXPECT_EQ(expanded("\\x-100000000"), "\x01");
  EXPECT_EQ(expanded("\\x-FFFFFFFF"), "\x01");
  EXPECT_EQ(expanded("\\x10000000000000000000000000000041|"), "\xFF|");
}

#ifdef _WIN32
// On the target, numbers in escapes must read exactly as its runtime's
// strtoul reads them (the native build has another runtime, so only here).
TEST(ExpandEscapes, NumbersAgreeWithTheTargetRuntime) {
  const char* hexTails[] = {"41",
                            "0x41",
                            "0xg",
                            "0x",
                            " -0x41",
                            "-41",
                            "+",
                            "- 1",
                            "100000000",
                            "-100000000",
                            "-FFFFFFFF",
                            "1FFFFFFFF",
                            "0x0x1",
                            "\v\f\r\n1",
                            "0x 1",
                            "ffz",
                            "",
                            "\xA0"
                            "41",
                            "\x85"
                            "41",
                            "\x1C"
                            "41"};
  for (const char* tail : hexTails) {
    char* end = nullptr;
    unsigned long number = strtoul(tail, &end, 16);
    EXPECT_EQ(expanded("\\x"s + tail), static_cast<char>(number & 0xFF) + std::string(end)) << tail;
  }
  for (const char* digits : {"0101", "0", "377", "3777", "377777777777", "08", "1234"}) {
    char* end = nullptr;
    unsigned long number = strtoul(digits, &end, 8);
    EXPECT_EQ(expanded("\\"s + digits), static_cast<char>(number & 0xFF) + std::string(end))
        << digits;
  }
}
#endif

TEST(ExpandEscapes, OctalReadsEveryOctalDigit) {
  EXPECT_EQ(expanded("\\015"), "\r");
  EXPECT_EQ(expanded("\\101"), "A");
  EXPECT_EQ(expanded("\\0101"), "A");
  EXPECT_EQ(expanded("\\377"), "\xFF");
  EXPECT_EQ(expanded("\\3777"), "\xFF");
  EXPECT_EQ(expanded("\\1234"), "\x9C");
  EXPECT_EQ(expanded("\\12x"), "\nx");
  EXPECT_EQ(expanded("\\0"), "\0"s);
  EXPECT_EQ(expanded("\\08"),
            "\0"
            "8"s);
  EXPECT_EQ(expanded("\\0x41"), "\0x41"s);
  EXPECT_EQ(expanded("\\2"), "\x02");
  EXPECT_EQ(expanded("\\377777777777777"), "\xFF");
}

TEST(ExpandEscapes, BackslashWithDigitFourToNineIsInvalid) {
  EXPECT_EQ(expanded("\\400"), "<error>Invalid escape character (\\4)");
  EXPECT_EQ(expanded("\\9"), "<error>Invalid escape character (\\9)");
}

TEST(ExpandEscapes, CaretGivesControlBytesInEitherCase) {
  EXPECT_EQ(expanded("^M"), "\r");
  EXPECT_EQ(expanded("^m"), "\r");
  EXPECT_EQ(expanded("^@"), "\0"s);
  EXPECT_EQ(expanded("^["), "\x1B");
  EXPECT_EQ(expanded("^\\"), "\x1C");
  EXPECT_EQ(expanded("^]^^^_"), "\x1D\x1E\x1F");
  EXPECT_EQ(expanded("^a^z^A^Z"), "\x01\x1A\x01\x1A");
  EXPECT_EQ(expanded("a^Mb"), "a\rb");
}

TEST(ExpandEscapes, CaretWithCharacterOutsideTheRangeIsInvalid) {
  EXPECT_EQ(expanded("^1"), "<error>Invalid escape character (^1)");
  EXPECT_EQ(expanded("^?"), "<error>Invalid escape character (^?)");
  EXPECT_EQ(expanded("^`"), "<error>Invalid escape character (^`)");
  EXPECT_EQ(expanded("^{"), "<error>Invalid escape character (^{)");
  EXPECT_EQ(expanded("^ "), "<error>Invalid escape character (^ )");
  EXPECT_EQ(expanded("^\xE9"), "<error>Invalid escape character (^\xE9)");
}

TEST(ExpandEscapes, InvalidEscapeNamesTheCharacterAsTyped) {
  EXPECT_EQ(expanded("\\q"), "<error>Invalid escape character (\\q)");
  EXPECT_EQ(expanded("ok\\ "), "<error>Invalid escape character (\\ )");
  EXPECT_EQ(expanded("\\\xE9"), "<error>Invalid escape character (\\\xE9)");
}

TEST(ExpandEscapes, EscapeCutOffAtTheEndNamesANulByte) {
  EXPECT_EQ(expanded("abc\\"), "<error>Invalid escape character (\\\0)"s);
  EXPECT_EQ(expanded("abc^"), "<error>Invalid escape character (^\0)"s);
  EXPECT_EQ(expanded("\\"), "<error>Invalid escape character (\\\0)"s);
}

TEST(ExpandEscapes, OnlyTheFirstInvalidEscapeIsReported) {
  EXPECT_EQ(expanded("\\t\\q\\z^1"), "<error>Invalid escape character (\\q)");
  EXPECT_EQ(expanded("^1\\q"), "<error>Invalid escape character (^1)");
}

TEST(ExpandEscapes, OnePassNeverRereadsAProducedByte) {
  EXPECT_EQ(expanded("\\x5Cn"), "\\n");
  EXPECT_EQ(expanded("\\\\n"), "\\n");
  EXPECT_EQ(expanded("\\x5E"
                     "M"),
            "^M");
  EXPECT_EQ(expanded("^\\n"), "\x1Cn");
}

TEST(ExpandEscapes, NulBytesAreOrdinaryContent) {
  EXPECT_EQ(expanded("a\0\\tb\0"s), "a\0\tb\0"s);
  EXPECT_EQ(expanded("\\x41\0"
                     "42"s),
            "A\0"
            "42"s);
  EXPECT_EQ(expanded("\\\0x"s), "<error>Invalid escape character (\\\0)"s);
  EXPECT_EQ(expanded("^\0"s), "<error>Invalid escape character (^\0)"s);
}

TEST(EncodeTyped, LatinOneUnitsGetAZeroByteAfterThemInUtf16) {
  EXPECT_EQ(widened(""), "");
  EXPECT_EQ(widened("ab"), "a\0b\0"s);
  EXPECT_EQ(widened("\xE9\x80"), "\xE9\0\x80\0"s);
  EXPECT_EQ(widened("\0"s), "\0\0"s);
  EXPECT_EQ(widened(std::string(1000, 'x')).size(), 2000u);
}

TEST(HasLineBreakInMiddle, LineEndsAtTheEndPass) {
  for (const std::string& text :
       {""s, "\r"s, "\n"s, "x\n"s, "x\r"s, "x\r\n"s, "\r\n"s, "x\rA"s, "\rA"s, "abc"s, "a\0b"s}) {
    EXPECT_FALSE(hasLineBreakInMiddle(text)) << text;
  }
}

TEST(HasLineBreakInMiddle, LineBreakFollowedByMoreIsRefused) {
  for (const std::string& text :
       {"a\nb"s, "\n\r"s, "\nx"s, "\n\n"s, "x\rab"s, "\r\r\n"s, "\r\n\n"s, "\n\0"s}) {
    EXPECT_TRUE(hasLineBreakInMiddle(text)) << text;
  }
}

TEST(HasLineBreakInMiddle, WidenedTextRefusesAnyLineFeed) {
  EXPECT_TRUE(hasLineBreakInMiddle(widened("x\n")));
  EXPECT_TRUE(hasLineBreakInMiddle(widened("\n")));
  EXPECT_TRUE(hasLineBreakInMiddle(widened("x\r\n")));
  EXPECT_FALSE(hasLineBreakInMiddle(widened("x\r")));
  EXPECT_TRUE(hasLineBreakInMiddle(widened("\rx")));
}

TEST(EncodeTyped, Utf8GivesCharactersTheirBytesAndUtf16KeepsEachUnit) {
  EXPECT_EQ(encoded(L"M\u00FCller \u0416\u20AC\u4E2D", false),
            "M\xC3\xBCller \xD0\x96\xE2\x82\xAC\xE4\xB8\xAD");
  EXPECT_EQ(encoded({L'a', 0xD83D, 0xDE00, 0xDE00}, false), "a\xF0\x9F\x98\x80\xED\xB8\x80");
  EXPECT_EQ(encoded({0x20AC, 0xD83D, 0xDE00}, true), "\xAC\x20\x3D\xD8\x00\xDE"s);
}

TEST(EncodeTyped, EachEscapeNamesOneByteOrOneUnitOfItsValue) {
  EXPECT_EQ(encoded(L"\\xC3\\xBC", false), encoded(L"\u00FC", false));
  EXPECT_EQ(encoded(L"M\\xFCller^M\\x 41\\3777", false), "M\xFCller\rA\xFF");
  EXPECT_EQ(encoded(L"\\x80^M\u20AC", true), "\x80\0\r\0\xAC\x20"s);
  EXPECT_EQ(encoded(L"a\\q^1", false, false), "a\\q^1");
}

TEST(EncodeTyped, InvalidEscapeNamesTheWholeTypedCharacterNeverItsLowByte) {
  // U+0131 ends in 0x31 ("1"), U+0174 in 0x74 ("t"), U+0141 in 0x41 ("A").
  EXPECT_EQ(encoded(L"\\x4\u0131", false), "\x04\xC4\xB1");
  EXPECT_EQ(encoded(L"ok\\\u0174", false), "<error>\\\xC5\xB4");
  EXPECT_EQ(encoded({L'^', 0xD83D, 0xDE00}, true), "<error>^\xF0\x9F\x98\x80");
  EXPECT_EQ(encoded(L"^\u0141", true), "<error>^\xC5\x81");
  EXPECT_EQ(encoded(L"\\t\\q\\z", true), "<error>\\q");
  EXPECT_EQ(encoded(L"ab\\", false), "<error>\\\0"s);
}

class PrepareStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    out = tmpfile();
    err = tmpfile();
    ASSERT_TRUE(out && err);
  }
  void TearDown() override {
    fclose(out);
    fclose(err);
  }

  static std::string contents(FILE* file) {
    fflush(file);
    rewind(file);
    std::string bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
      bytes.append(buffer, got);
    return bytes;
  }

  Outcome prepare(const std::string& search, const std::string& replacement) {
    CommandLine commandLine;
    commandLine.searchArgument = search;
    commandLine.replaceArgument = replacement;
    return prepareStrings(commandLine, options, searchText, replaceText, out, err);
  }

  Outcome prepareTyped(const std::wstring& search, const std::wstring& replacement) {
    return prepareTypedStrings(search, replacement, options, searchText, replaceText, invalidEscape,
                               out, err);
  }

  FILE* out = nullptr;
  FILE* err = nullptr;
  RunOptions options;
  std::string searchText, replaceText;
  std::wstring invalidEscape;
};

const char verbatimNotice[] =
    "Verbatim mode: \\ and ^ processing not performed on search/replace strings.\n";
const char lineBreakError[] =
    "Error: \\r or \\n found in middle of search string.  Trawlex cannot find strings\n"
    "that span multiple lines, even in binary mode.\n";

TEST_F(PrepareStrings, PlainArgumentsPassUnchanged) {
  EXPECT_FALSE(prepare("foo", "bar").endProcess);
  EXPECT_EQ(searchText, "foo");
  EXPECT_EQ(replaceText, "bar");
  EXPECT_FALSE(options.binary);
  EXPECT_EQ(contents(out), "");
  EXPECT_EQ(contents(err), "");
}

TEST_F(PrepareStrings, ExpansionSetsBinary) {
  EXPECT_FALSE(prepare("a\\tb", "a\\tb").endProcess);
  EXPECT_EQ(searchText, "a\tb");
  EXPECT_EQ(replaceText, "a\tb");
  EXPECT_TRUE(options.binary);
}

TEST_F(PrepareStrings, EscapeInReplacementAloneExpandsBothAndSetsBinary) {
  EXPECT_FALSE(prepare("ab", "a\\\\b").endProcess);
  EXPECT_EQ(searchText, "ab");
  EXPECT_EQ(replaceText, "a\\b");
  EXPECT_TRUE(options.binary);
}

TEST_F(PrepareStrings, VerbatimModeKeepsArgumentsAndSaysSoOnce) {
  options.escapes = false;
  EXPECT_FALSE(prepare("a^Mb", "x\\ty").endProcess);
  EXPECT_EQ(searchText, "a^Mb");
  EXPECT_EQ(replaceText, "x\\ty");
  EXPECT_FALSE(options.binary);
  EXPECT_EQ(contents(out), verbatimNotice);
}

TEST_F(PrepareStrings, VerbatimModeWithoutEscapeCharactersSaysNothing) {
  options.escapes = false;
  EXPECT_FALSE(prepare("ab", "cd").endProcess);
  EXPECT_EQ(contents(out), "");
}

TEST_F(PrepareStrings, VerbatimModeLeavesAForcedBinaryOn) {
  options.escapes = false;
  options.binary = true;
  EXPECT_FALSE(prepare("a\\b", "a\\b").endProcess);
  EXPECT_TRUE(options.binary);
}

TEST_F(PrepareStrings, UnicodeWidensAfterExpansion) {
  options.unicode = true;
  EXPECT_FALSE(prepareTyped(L"\\x0D", L"ab").endProcess);
  EXPECT_EQ(searchText, "\x0D\0"s);
  EXPECT_EQ(replaceText, "a\0b\0"s);
  EXPECT_TRUE(options.binary);
}

TEST_F(PrepareStrings, UnicodeAloneDoesNotSetBinary) {
  options.unicode = true;
  EXPECT_FALSE(prepareTyped(L"ab", L"ab").endProcess);
  EXPECT_EQ(searchText, "a\0b\0"s);
  EXPECT_FALSE(options.binary);
}

TEST_F(PrepareStrings, InvalidEscapeEndsWithTwoSearchFirst) {
  Outcome outcome = prepare("\\q", "\\z");
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_EQ(contents(err), "Invalid escape character (\\q)\n");
  EXPECT_FALSE(options.binary);
}

TEST_F(PrepareStrings, InvalidEscapeInReplacementIsReportedWhenSearchIsValid) {
  Outcome outcome = prepare("\\t", "^1");
  EXPECT_EQ(outcome.exitCode, 2);
  EXPECT_EQ(contents(err), "Invalid escape character (^1)\n");
}

TEST_F(PrepareStrings, TrailingEscapeMessageCarriesANulByte) {
  EXPECT_EQ(prepare("ab\\", "ab\\").exitCode, 2);
  EXPECT_EQ(contents(err), "Invalid escape character (\\\0)\n"s);
}

TEST_F(PrepareStrings, LineBreakInsideSearchEndsWithThree) {
  Outcome outcome = prepare("a\\nb", "a\\nb");
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outcome.exitCode, 3);
  EXPECT_EQ(contents(err), lineBreakError);
}

TEST_F(PrepareStrings, LineBreakIsCheckedEvenInVerbatimMode) {
  options.escapes = false;
  EXPECT_EQ(prepare("a\nb", "a\nb").exitCode, 3);
}

TEST_F(PrepareStrings, LineBreakAtTheEndOfSearchIsAccepted) {
  for (const char* search : {"\\r", "x\\r\\n", "x\\n", "x\\r", "^M^J"}) {
    RunOptions fresh;
    options = fresh;
    EXPECT_FALSE(prepare(search, search).endProcess) << search;
  }
  EXPECT_EQ(contents(err), "");
}

TEST_F(PrepareStrings, UnicodeLineFeedAtTheEndIsRefused) {
  options.unicode = true;
  EXPECT_EQ(prepareTyped(L"x\\n", L"x\\n").exitCode, 3);
}

TEST_F(PrepareStrings, Utf8EncodesBothAndOnlyAnEscapeSetsBinary) {
  options.utf8 = true;
  EXPECT_FALSE(prepareTyped(L"M\u00FCller", L"\u041C").endProcess);
  EXPECT_EQ(searchText + replaceText, "M\xC3\xBCller\xD0\x9C");
  EXPECT_FALSE(options.binary);
  EXPECT_FALSE(prepareTyped(L"\u00FC", L"\\xFC").endProcess);
  EXPECT_EQ(searchText + replaceText, "\xC3\xBC\xFC");
  EXPECT_TRUE(options.binary);
}

TEST_F(PrepareStrings, TypedInvalidEscapeIsReturnedNotWritten) {
  options.utf8 = true;
  EXPECT_EQ(prepareTyped(L"ok", L"\\\u00FC").exitCode, 2);
  EXPECT_EQ(invalidEscape, L"\\\u00FC");
  EXPECT_EQ(contents(err), "");
}

TEST_F(PrepareStrings, TypedVerbatimModeKeepsIntroducersAndSaysSo) {
  options.utf8 = true;
  options.escapes = false;
  EXPECT_FALSE(prepareTyped(L"\\\u00FC", L"^1").endProcess);
  EXPECT_EQ(searchText + replaceText, "\\\xC3\xBC^1");
  EXPECT_EQ(contents(out), verbatimNotice);
  EXPECT_EQ(prepareTyped(L"a\nb", L"a").exitCode, 3);
}

TEST_F(PrepareStrings, ReplacementIsNotCheckedForLineBreaks) {
  options.replace = true;
  EXPECT_FALSE(prepare("a", "b\\nc\\r\\nd").endProcess);
  EXPECT_EQ(replaceText, "b\nc\r\nd");
}

TEST_F(PrepareStrings, EmptySearchPassesUnchanged) {
  EXPECT_FALSE(prepare("", "").endProcess);
  EXPECT_EQ(searchText, "");
}

}  // namespace
