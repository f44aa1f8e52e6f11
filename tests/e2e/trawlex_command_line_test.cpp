// Trawlex's command line, help and string preparation, seen from outside: the
// exact bytes on standard output and standard error and the exit code. Most
// runs name no wildcard, so no file is searched and the total line is the
// only output of a run that goes on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace {

using namespace std::string_literals;

const char helpText[] =
    "Trawlex: [<options>] <search string> [<replace string>] [<file wildcard>]+\n"
    "Version 1.1 - finds and replaces strings in files; free to use, no warranty.\n"
    "\n"
    "Find/Replace Options\n"
    "  -f : Finds strings only (DEFAULT)\n"
    "  -r : Finds and replaces strings (must include <replace string> argument)\n"
    "  -y : Case sensitive search and replace (DEFAULT)\n"
    "  -i : Case insensitive search and replace\n"
    "  -c : Case insensitive, replacement same case (lower/UPPER/Mixed) as original\n"
    "  -u : Unicode mode: search and replace are used as typed, as UTF-16\n"
    "  -8 : UTF-8 mode: search and replace are used as typed, as UTF-8\n"
    "  -n : Match if string is NOT found (cannot be used with -r)\n"
    "  -v : Verbatim mode: ignore escape sequences in input strings\n"
    "         (Example escapes that can be used: ^M \\r \\015 \\x0D)\n"
    "  -w : Match search string against entire line\n"
    "\n"
    "Output Options\n"
    "  -t : Print total summary\n"
    "  -g : Print group summaries for each file and wildcard\n"
    "  -m : Print matching lines (if replacing, prints after replacement)\n"
    "  -p : Print matching lines (if replacing, prints original and replacement)\n"
    "  -l : Print line number for matches\n"
    "  -d : Print file and line number for matches\n"
    "  -a : Use all common print options (equivalent to -tgm) (DEFAULT)\n"
    "\n"
    "General Options\n"
    "  -s : Recursively process files in subdirectories\n"
    "  -z : Suppress printing file progress\n"
    "  -k : Create backups for replaced files\n"
    "  -x : Fully enumerate and sort file list before searching\n"
    "         (Useful if replace is cyclically replacing in backup files)\n"
    "  -b : Force binary mode (auto-set if control chars in search/replace)\n"
    "  -e : Return count of matches as errorlevel to shell\n"
    "  -h : Prints this help\n";

const char verbatimNotice[] =
    "Verbatim mode: \\ and ^ processing not performed on search/replace strings.\n";

const char lineBreakError[] =
    "Error: \\r or \\n found in middle of search string.  Trawlex cannot find strings\n"
    "that span multiple lines, even in binary mode.\n";

const char conflictError[] = "Cannot use inverted match (-n) while doing replacement (-r).\n";

// Each test runs in a folder of its own, which it removes at the end.
class TrawlexCommandLine : public ::testing::Test {
 protected:
  void SetUp() override { folder = makeTempFolder("trawlex-cli"); }
  void TearDown() override { removeTree(folder); }

  RunResult run(const std::vector<std::string>& args) {
    return runProgram(programUnderTest(), args, folder);
  }

  // Checks a run's exact output, error output and exit code.
  void expectRun(const std::vector<std::string>& args, const std::string& out,
                 const std::string& err, unsigned long exitCode) {
    std::string shown;
    for (const std::string& arg : args)
      shown += " [" + arg + "]";
    RunResult result = run(args);
    EXPECT_EQ(result.out, crlf(out)) << shown;
    EXPECT_EQ(result.err, crlf(err)) << shown;
    EXPECT_EQ(result.exitCode, exitCode) << shown;
  }

  std::string folder;
};

TEST_F(TrawlexCommandLine, EmptyCommandLinePrintsHelpAndExitsZero) {
  expectRun({}, helpText, "", 0);
}

TEST_F(TrawlexCommandLine, HelpAloneIsFollowedByMissingSearchString) {
  expectRun({"-h"}, helpText, "No search string argument.\n", 1);
  expectRun({"/?"}, helpText, "No search string argument.\n", 1);
  expectRun({"-H"}, helpText, "No search string argument.\n", 1);
}

TEST_F(TrawlexCommandLine, HelpComesBeforeTheErrorInOneStream) {
  RunResult result = runProgram(programUnderTest(), {"-h"}, folder, true);
  EXPECT_EQ(result.both, crlf(helpText + "No search string argument.\n"s));
}

TEST_F(TrawlexCommandLine, HelpWhereItStandsThenTheRunGoesOn) {
  expectRun({"-h", "foo"}, helpText + ">> Total: 0 instance(s) of \"foo\" found.\n"s, "", 0);
  expectRun({"-h?", "foo"},
            std::string(helpText) + helpText + ">> Total: 0 instance(s) of \"foo\" found.\n"s, "",
            0);
}

TEST_F(TrawlexCommandLine, UnknownLetterNamesTheRestOfTheArgument) {
  expectRun({"-tq", "foo"}, "", "Unknown argument: q\n", 1);
  expectRun({"-qt", "foo"}, "", "Unknown argument: qt\n", 1);
  expectRun({"-iQz", "foo"}, "", "Unknown argument: Qz\n", 1);
  expectRun({"/j", "foo"}, "", "Unknown argument: j\n", 1);
  expectRun({"-hq", "foo"}, helpText, "Unknown argument: q\n", 1);
}

TEST_F(TrawlexCommandLine, UnknownLetterEndsTheScanBeforeLaterArguments) {
  expectRun({"-q", "-h"}, "", "Unknown argument: q\n", 1);
}

TEST_F(TrawlexCommandLine, InvertedMatchCannotGoWithReplace) {
  expectRun({"-rn", "a", "b"}, "", conflictError, 1);
  expectRun({"-nr", "a", "b"}, "", conflictError, 1);
  expectRun({"-r", "-n", "a", "b"}, "", conflictError, 1);
  expectRun({"-N", "/R", "a", "b"}, "", conflictError, 1);
}

TEST_F(TrawlexCommandLine, InvertAfterReplaceTurnedOffIsAccepted) {
  expectRun({"-r", "-f", "-n", "foo"}, ">> Total: 0 instance(s) of \"foo\" not found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, MissingPositionalArguments) {
  expectRun({"-i"}, "", "No search string argument.\n", 1);
  expectRun({"-r", "foo"}, "", "No replacement string argument.\n", 1);
  expectRun({"-R", "-z", "foo"}, "", "No replacement string argument.\n", 1);
}

TEST_F(TrawlexCommandLine, ReplaceTurnedOffMakesTheSecondArgumentAWildcard) {
  writeFile(folder + "\\bar", "foo foo\n");
  expectRun({"-t", "-z", "-r", "-f", "foo", "bar"}, ">> Total: 2 instance(s) of \"foo\" found.\n",
            "", 0);
  EXPECT_EQ(readFile(folder + "\\bar"), "foo foo\n");
}

TEST_F(TrawlexCommandLine, DashOrSlashAloneIsSkipped) {
  expectRun({"-", "foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"/", "-", "-w", "foo"}, ">> Total: 0 line(s) of \"foo\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, OptionsAfterTheSearchStringArePositional) {
  // "-i" after the search is a second wildcard: the search stays case-sensitive.
  writeFile(folder + "\\a.txt", "FOO\nfoo\n");
  expectRun({"-t", "-z", "foo", "*.txt", "-i"}, ">> Total: 1 instance(s) of \"foo\" found.\n", "",
            0);
  // As a wildcard "-h" matches nothing; as an option it would print the help.
  expectRun({"-t", "-z", "foo", "-h"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-r", "foo", "-i"}, ">> Total: 0 instance(s) of \"foo\" replaced with \"-i\".\n", "",
            0);
  expectRun({"-r", "-w", "foo", "/n"}, ">> Total: 0 line(s) of \"foo\" replaced with \"/n\".\n", "",
            0);
}

TEST_F(TrawlexCommandLine, WildcardsArriveAsTyped) {
  // Were the runtime to expand "*.txt", the replacement would read "a.txt".
  writeFile(folder + "\\a.txt", "foo\n");
  expectRun({"-r", "foo", "*.txt"}, ">> Total: 0 instance(s) of \"foo\" replaced with \"*.txt\".\n",
            "", 0);
  EXPECT_EQ(readFile(folder + "\\a.txt"), "foo\n");
}

TEST_F(TrawlexCommandLine, EmptySearchArgumentIsRefused) {
  expectRun({""}, "", "Empty search string argument.\n", 1);
  expectRun({"-i", "", "-r"}, "", "Empty search string argument.\n", 1);
}

TEST_F(TrawlexCommandLine, EmptySearchTouchesNoFile) {
  writeFile(folder + "\\a.txt", "abc\r\nabc\n");
  expectRun({"-r", "", "x", "*.txt"}, "", "Empty search string argument.\n", 1);
  // The refusal comes before the replacement string is even looked at.
  expectRun({"-r", "", "\\q", "*.txt"}, "", "Empty search string argument.\n", 1);
  EXPECT_EQ(readFile(folder + "\\a.txt"), "abc\r\nabc\n");
  EXPECT_EQ(listFolder(folder), std::vector<std::string>{"a.txt"});
}

TEST_F(TrawlexCommandLine, InvalidEscapesEndWithTwo) {
  expectRun({"\\q"}, "", "Invalid escape character (\\q)\n", 2);
  expectRun({"a\\Nb"}, "", "Invalid escape character (\\N)\n", 2);
  expectRun({"\\400"}, "", "Invalid escape character (\\4)\n", 2);
  expectRun({"^1"}, "", "Invalid escape character (^1)\n", 2);
  expectRun({"^{"}, "", "Invalid escape character (^{)\n", 2);
}

TEST_F(TrawlexCommandLine, EscapeCutOffAtTheEndNamesANulByte) {
  expectRun({"ab\\"}, "", "Invalid escape character (\\\0)\n"s, 2);
  expectRun({"ab^"}, "", "Invalid escape character (^\0)\n"s, 2);
}

TEST_F(TrawlexCommandLine, FirstInvalidEscapeOfSearchThenReplacement) {
  expectRun({"-r", "\\q", "\\z"}, "", "Invalid escape character (\\q)\n", 2);
  expectRun({"-r", "\\t", "x^?"}, "", "Invalid escape character (^?)\n", 2);
  expectRun({"-r", "\\z\\q", "x"}, "", "Invalid escape character (\\z)\n", 2);
}

TEST_F(TrawlexCommandLine, InvalidEscapeTouchesNoFile) {
  writeFile(folder + "\\a.txt", "q\n");
  expectRun({"-r", "q", "\\q", "*.txt"}, "", "Invalid escape character (\\q)\n", 2);
  EXPECT_EQ(readFile(folder + "\\a.txt"), "q\n");
  EXPECT_EQ(listFolder(folder), std::vector<std::string>{"a.txt"});
}

TEST_F(TrawlexCommandLine, LineBreakInsideSearchEndsWithThree) {
  expectRun({"a\\nb"}, "", lineBreakError, 3);
  expectRun({"\\n\\r"}, "", lineBreakError, 3);
  expectRun({"x\\rab"}, "", lineBreakError, 3);
  expectRun({"^Jx"}, "", lineBreakError, 3);
  expectRun({"^jx"}, "", lineBreakError, 3);
  expectRun({"\\012x"}, "", lineBreakError, 3);
  expectRun({"\\12x"}, "", lineBreakError, 3);
}

TEST_F(TrawlexCommandLine, LineBreakAtTheEndOfSearchIsAccepted) {
  expectRun({"-t", "\\r"}, ">> Total: 0 instance(s) of \"\\r\" found.\n", "", 0);
  expectRun({"-t", "x\\r\\n"}, ">> Total: 0 instance(s) of \"x\\r\\n\" found.\n", "", 0);
  expectRun({"-t", "x\\n"}, ">> Total: 0 instance(s) of \"x\\n\" found.\n", "", 0);
  // A carriage return with exactly one byte after it still passes.
  expectRun({"-t", "x\\ry"}, ">> Total: 0 instance(s) of \"x\\ry\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, ReplacementMayHoldLineBreaks) {
  expectRun({"-r", "-t", "a", "b\\nc"},
            ">> Total: 0 instance(s) of \"a\" replaced with \"b\\nc\".\n", "", 0);
}

TEST_F(TrawlexCommandLine, HexEscapeReadsLikeStrtoul) {
  // All hex digits count: "\x0Ab" is the one byte 0xAB, no line feed.
  expectRun({"-t", "\\x0Ab"}, ">> Total: 0 instance(s) of \"\\x0Ab\" found.\n", "", 0);
  expectRun({"\\x0Ag"}, "", lineBreakError, 3);
  expectRun({"\\x 0Ag"}, "", lineBreakError, 3);
  expectRun({"\\x+0Ag"}, "", lineBreakError, 3);
  expectRun({"\\x0x0Ag"}, "", lineBreakError, 3);
  expectRun({"\\x-F6g"}, "", lineBreakError, 3);
  expectRun({"\\x10Ag"}, "", lineBreakError, 3);
  // Without digits the byte is 0 and the walk goes on after the "x".
  expectRun({"-t", "\\xg\\n"}, ">> Total: 0 instance(s) of \"\\xg\\n\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, OctalEscapeReadsEveryOctalDigit) {
  // "\0012" is octal 12, a line feed; "\00012" too.
  expectRun({"\\0012g"}, "", lineBreakError, 3);
  expectRun({"\\00012g"}, "", lineBreakError, 3);
  // The first digit that is not octal ends the number.
  expectRun({"\\0128"}, "", lineBreakError, 3);
}

TEST_F(TrawlexCommandLine, UnicodeWidensBeforeTheLineBreakCheck) {
  expectRun({"-u", "x\\n"}, "", lineBreakError, 3);
  expectRun({"-u", "x\\r\\n"}, "", lineBreakError, 3);
  expectRun({"-u", "-t", "x\\r"}, ">> Total: 0 instance(s) of \"x\\r\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, VerbatimModeKeepsTheArgumentsAsTyped) {
  expectRun({"-v", "a^Mb"}, verbatimNotice + ">> Total: 0 instance(s) of \"a^Mb\" found.\n"s, "",
            0);
  // Not expanded, so neither invalid nor a line break.
  expectRun({"-v", "-t", "\\q\\n^"},
            verbatimNotice + ">> Total: 0 instance(s) of \"\\q\\n^\" found.\n"s, "", 0);
  expectRun({"-v", "-r", "ab", "c\\d"},
            verbatimNotice + ">> Total: 0 instance(s) of \"ab\" replaced with \"c\\d\".\n"s, "", 0);
}

TEST_F(TrawlexCommandLine, VerbatimNoticeOnlyWhenThereIsSomethingToSkip) {
  expectRun({"-v", "ab"}, ">> Total: 0 instance(s) of \"ab\" found.\n", "", 0);
  expectRun({"-v", "-m", "a^b"}, verbatimNotice, "", 0);
}

TEST_F(TrawlexCommandLine, RealLineBreakInArgumentIsRefusedEvenVerbatim) {
  expectRun({"a\nb"}, "", lineBreakError, 3);
  expectRun({"-v", "a\nb"}, "", lineBreakError, 3);
}

TEST_F(TrawlexCommandLine, TotalLineForms) {
  expectRun({"foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-w", "foo"}, ">> Total: 0 line(s) of \"foo\" found.\n", "", 0);
  expectRun({"-n", "foo"}, ">> Total: 0 instance(s) of \"foo\" not found.\n", "", 0);
  expectRun({"-n", "-w", "foo"}, ">> Total: 0 line(s) of \"foo\" not found.\n", "", 0);
  expectRun({"-r", "foo", "bar"}, ">> Total: 0 instance(s) of \"foo\" replaced with \"bar\".\n", "",
            0);
  expectRun({"-r", "foo", ""}, ">> Total: 0 instance(s) of \"foo\" replaced with \"\".\n", "", 0);
  expectRun({"two words"}, ">> Total: 0 instance(s) of \"two words\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, TotalLineQuotesArgumentsAsTyped) {
  expectRun({"a^Mb"}, ">> Total: 0 instance(s) of \"a^Mb\" found.\n", "", 0);
  expectRun({"-r", "a\\tb", "\\x41^@"},
            ">> Total: 0 instance(s) of \"a\\tb\" replaced with \"\\x41^@\".\n", "", 0);
  expectRun({"-u", "-c", "Ab"}, ">> Total: 0 instance(s) of \"Ab\" found.\n", "", 0);
}

TEST_F(TrawlexCommandLine, TotalLineOnlyWithTotalPrinting) {
  expectRun({"-t", "foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-a", "foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-g", "-t", "foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-m", "foo"}, "", "", 0);
  expectRun({"-g", "foo"}, "", "", 0);
  expectRun({"-d", "-l", "-p", "foo"}, "", "", 0);
}

TEST_F(TrawlexCommandLine, CountAsExitCodeWithoutWildcardIsZero) {
  expectRun({"-e", "foo"}, ">> Total: 0 instance(s) of \"foo\" found.\n", "", 0);
  expectRun({"-e", "-t", "-z", "-r", "foo", "bar"},
            ">> Total: 0 instance(s) of \"foo\" replaced with \"bar\".\n", "", 0);
}

TEST_F(TrawlexCommandLine, EveryLetterIsAcceptedInEitherCaseAndPrefix) {
  expectRun({"-fycuvwsZkxbe", "/FYCUVWSzKXBE", "-T", "foo"},
            ">> Total: 0 line(s) of \"foo\" found.\n", "", 0);
}

// The prepared strings at work on a file: "-m -z" prints only the matches.
TEST_F(TrawlexCommandLine, ExpandedEscapesSwitchToByteDumps) {
  writeFile(folder + "\\a.txt", "xa\tbx\nab\n");
  expectRun({"-m", "-z", "a\\tb", "a.txt"},
            "00000001 : 61 09 62 " + std::string(13 * 3, ' ') + "  a.b\n\n", "", 0);
}

TEST_F(TrawlexCommandLine, EscapeInReplacementAloneSwitchesToByteDumps) {
  writeFile(folder + "\\a.txt", "ab\n");
  expectRun({"-r", "-m", "-z", "ab", "c\\\\d", "a.txt"},
            "00000000 : 63 5c 64 " + std::string(13 * 3, ' ') + "  c\\d\n\n", "", 0);
  EXPECT_EQ(readFile(folder + "\\a.txt"), "c\\d\n");
}

TEST_F(TrawlexCommandLine, VerbatimSearchMatchesTheTypedCharacters) {
  writeFile(folder + "\\a.txt", "a^Mb\na\rb\n");
  expectRun({"-v", "-m", "-z", "a^Mb", "a.txt"}, verbatimNotice + "a^Mb.\n"s, "", 0);
}

TEST_F(TrawlexCommandLine, UnicodeSearchMatchesWideTextAndPrintsLines) {
  writeFile(folder + "\\w.txt", "a\0b\0\r\0\n\0"s);
  // Lines end at the byte level: the wide carriage return ends the first line.
  expectRun({"-u", "-m", "-z", "ab", "w.txt"}, "ab.\n", "", 0);
}

}  // namespace
