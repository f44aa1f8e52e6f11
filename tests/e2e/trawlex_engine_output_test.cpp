// What Trawlex prints on standard output: matching lines in each form the
// print letters choose, "Original"/"REPLACED" pairs, file and wildcard
// summaries, the total line, binary dumps with their offsets, and the exit
// code under "-e".
#include <gtest/gtest.h>

#include "trawlex_e2e_util.h"

using namespace std::string_literals;

namespace {

// Two files, one with three matches on two lines and one without.
const FileTree twoFiles = {{"a.txt", "foo\nbar foo foo\n"}, {"b.txt", "nothing\n"}};

std::vector<std::string> withTail(std::vector<std::string> args,
                                  const std::vector<std::string>& tail) {
  args.insert(args.end(), tail.begin(), tail.end());
  return args;
}

}  // namespace

TEST(TrawlexOutput, DefaultPrintSetShowsLinesSummariesAndTotal) {
  TrawlexOutcome result = runOnFiles(twoFiles, {"-x", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("foo.\n"
                                 "bar foo foo.\n"
                                 ">> Within .\\a.txt: 3 match(es)\n"
                                 "\n"
                                 ">> Within *.txt: 3 match(es) in 2 file(s)\n"
                                 "\n"
                                 ">> Total: 3 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.run.exitCode, 0u);
  EXPECT_EQ(result.after, twoFiles);
}

TEST(TrawlexOutput, ReplaceSummariesCountReplacements) {
  TrawlexOutcome result = runOnFiles(twoFiles, {"-r", "-x", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("bar.\n"
                                 "bar bar bar.\n"
                                 ">> Within .\\a.txt: 3 replacement(s)\n"
                                 "\n"
                                 ">> Within *.txt: 3 replacement(s) in 2 file(s)\n"
                                 "\n"
                                 ">> Total: 3 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "bar\nbar bar bar\n"}, {"b.txt", "nothing\n"}}));
}

TEST(TrawlexOutput, PrintLettersChooseWhatIsPrinted) {
  const std::string total = ">> Total: 3 instance(s) of \"foo\" found.\n";
  const std::string fileSummary = ">> Within .\\a.txt: 3 match(es)\n";
  const std::string wildcardSummary = ">> Within *.txt: 3 match(es) in 2 file(s)\n";
  struct Case {
    std::vector<std::string> options;
    std::string out;
  } cases[] = {
      {{"-g"}, fileSummary + wildcardSummary},
      {{"-m"}, "foo.\nbar foo foo.\n"},
      {{"-t"}, total},
      {{"-g", "-t"}, fileSummary + wildcardSummary + total},
      // "-l", "-d" and "-p" only shape lines that "-m" or "-a" lets through.
      {{"-l"}, ""},
      {{"-d"}, ""},
      {{"-p"}, ""},
      {{"-ml"}, "(1): foo.\n(2): bar foo foo.\n"},
      {{"-md"}, ".\\a.txt(1): foo.\n.\\a.txt(2): bar foo foo.\n"},
      {{"-mp"}, "foo.\nbar foo foo.\n"},
      {{"-a"}, "(1): foo.\n(2): bar foo foo.\n" + total},
      {{"-a", "-g"},
       "(1): foo.\n(2): bar foo foo.\n" + fileSummary + "\n" + wildcardSummary + "\n" + total},
  };
  for (const Case& c : cases) {
    TrawlexOutcome result = runOnFiles(twoFiles, withTail(c.options, {"-x", "-z", "foo", "*.txt"}));
    EXPECT_EQ(result.run.out, crlf(c.out)) << c.options.front();
    EXPECT_EQ(result.run.err, "") << c.options.front();
    EXPECT_EQ(result.run.exitCode, 0u) << c.options.front();
  }
}

TEST(TrawlexOutput, ReplacePrintsOriginalAndReplacedPairs) {
  const FileTree replaced = {{"a.txt", "bar\nbar bar bar\n"}, {"b.txt", "nothing\n"}};
  struct Case {
    std::vector<std::string> options;
    std::string out;
  } cases[] = {
      {{"-mp"}, "Original: foo.\nREPLACED: bar.\nOriginal: bar foo foo.\nREPLACED: bar bar bar.\n"},
      {{"-a", "-p"},
       "Original: (1): foo.\nREPLACED: (1): bar.\n"
       "Original: (2): bar foo foo.\nREPLACED: (2): bar bar bar.\n"
       ">> Total: 3 instance(s) of \"foo\" replaced with \"bar\".\n"},
      {{"-mdp"},
       "Original: .\\a.txt(1): foo.\nREPLACED: .\\a.txt(1): bar.\n"
       "Original: .\\a.txt(2): bar foo foo.\nREPLACED: .\\a.txt(2): bar bar bar.\n"},
      {{"-m"}, "bar.\nbar bar bar.\n"},
      // "-p" without "-m" prints no line, yet the files are rewritten.
      {{"-p"}, ""},
  };
  for (const Case& c : cases) {
    TrawlexOutcome result =
        runOnFiles(twoFiles, withTail(c.options, {"-r", "-x", "-z", "foo", "bar", "*.txt"}));
    EXPECT_EQ(result.run.out, crlf(c.out)) << c.options.front();
    EXPECT_EQ(result.run.err, "") << c.options.front();
    EXPECT_EQ(result.after, replaced) << c.options.front();
  }
}

TEST(TrawlexOutput, LinesShowControlBytesAsDotsAndOtherBytesAsThey) {
  // Tab, bell, CR and LF become dots, NUL vanishes, everything else is kept.
  FileTree files = {{"a.txt", "a\tb\a\0c\x1b\x0c\x7f\xE9\r\n"s}};
  TrawlexOutcome result = runOnFiles(files, {"-m", "-z", "b", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("a.b.c\x1b\x0c\x7f\xE9..\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, FindDumpsShowEachMatchAtItsFileOffset) {
  FileTree files = {{"a.txt", "xxfoo\nfoo"}};
  TrawlexOutcome result = runOnFiles(files, {"-b", "-z", "foo", "*.txt"});
  std::string row = "66 6f 6f " + blanks(39) + "  foo\n";
  EXPECT_EQ(result.run.out, crlf("00000002 : " + row + "\n" + "00000006 : " + row + "\n" +
                                 ">> Within .\\a.txt: 2 match(es)\n"
                                 "\n"
                                 ">> Within *.txt: 2 match(es) in 1 file(s)\n"
                                 "\n"
                                 ">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexOutput, DumpRowsHoldSixteenBytes) {
  FileTree files = {{"a.txt", std::string(32, 'x') + "0123456789abcdefXY\n"}};
  const std::string fullRow =
      "00000020 : 30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66   0123456789abcdef\n";
  TrawlexOutcome result = runOnFiles(files, {"-b", "-m", "-z", "0123456789abcdef", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(fullRow + "\n"));
  result = runOnFiles(files, {"-b", "-m", "-z", "0123456789abcdefX", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(fullRow + "00000030 : 58 " + blanks(45) + "  X\n\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, DumpCharacterColumnShowsControlBytesAsDots) {
  // NUL, bell, tab, CR and LF show as dots; ESC, DEL and high bytes as they are.
  FileTree files = {{"a.txt", "abc\0\a\t\x1b\x7f\xE9\r\n"s}};
  TrawlexOutcome result =
      runOnFiles(files, {"-m", "-z", "\\x00\\a\\t\\x1b\\x7f\\xe9\\r\\n", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf("00000003 : 00 07 09 1b 7f e9 0d 0a " + blanks(24) + "  ...\x1b\x7f\xE9..\n\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, UnicodeDumpShowsTheWidenedBytes) {
  FileTree files = {{"u.txt", "\xFF\xFE" + utf16("hello world\r\n")}};
  TrawlexOutcome result = runOnFiles(files, {"-u", "-b", "-m", "-z", "world", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf("0000000e : 77 00 6f 00 72 00 6c 00 64 00 " + blanks(18) + "  w.o.r.l.d.\n\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, AnEscapeInEitherStringSwitchesToDumps) {
  // Only the replacement holds an escape (an escaped backslash), yet the
  // match is dumped instead of printed as a line.
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "a foo\n"}}, {"-r", "-m", "-z", "foo", "x\\\\y", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("00000002 : 78 5c 79 " + blanks(39) + "  x\\y\n\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "a x\\y\n"}}));

  // Verbatim mode keeps the typed characters and prints lines.
  result = runOnFiles({{"a.txt", "x a^Mb y\n"}}, {"-v", "-m", "-z", "a^Mb", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf("Verbatim mode: \\ and ^ processing not performed on search/replace strings.\n"
                 "x a^Mb y.\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, CaseInsensitiveDumpShowsTheSearchText) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "xABC\n"}}, {"-i", "-b", "-m", "-z", "abc", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("00000001 : 61 62 63 " + blanks(39) + "  abc\n\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, ReplaceDumpsShowWhereEachReplacementStands) {
  TrawlexOutcome result = runOnFiles({{"a.txt", "xxfoo\nfoo foo\n"}},
                                     {"-r", "-b", "-m", "-z", "foo", "barbaz", "*.txt"});
  std::string row = "62 61 72 62 61 7a " + blanks(30) + "  barbaz\n\n";
  EXPECT_EQ(result.run.out, crlf("00000002 : " + row + "00000009 : " + row + "00000010 : " + row));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "xxbarbaz\nbarbaz barbaz\n"}}));

  // The dump shows the replacement as typed, before its case is adjusted.
  result = runOnFiles({{"a.txt", "FOO\n"}}, {"-c", "-r", "-b", "-m", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("00000000 : 62 61 72 " + blanks(39) + "  bar\n\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "BAR\n"}}));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, WholeLineReplaceDumpsTheReplacementAtItsLine) {
  TrawlexOutcome result = runOnFiles({{"a.txt", "abc\nx\nabc\n"}},
                                     {"-w", "-r", "-m", "-z", "abc\\n", "xyz\\r\\n", "*.txt"});
  std::string row = "78 79 7a 0d 0a " + blanks(33) + "  xyz..\n\n";
  EXPECT_EQ(result.run.out, crlf("00000000 : " + row + "00000007 : " + row));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "xyz\r\nx\nxyz\r\n"}}));
}

TEST(TrawlexOutput, BinaryModePrintsNoLinesEvenWithPairsRequested) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "foo\n"}}, {"-b", "-r", "-a", "-p", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("00000000 : 62 61 72 " + blanks(39) + "  bar\n\n" +
                                 ">> Total: 1 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, DumpOffsetsPastSixteenBitsKeepEightDigits) {
  FileTree files = {{"a.txt", std::string(0x12345, 'x') + "foo"}};
  TrawlexOutcome result = runOnFiles(files, {"-b", "-m", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("00012345 : 66 6f 6f " + blanks(39) + "  foo\n\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, DumpOffsetsHoldAcrossMebibytes) {
  // Each line of "x" is 1 MiB long; the second replacement lands 3 bytes
  // later in the rewritten file than in the original, for each one before it.
  std::string filler = std::string((1 << 20) - 1, 'x') + "\n";
  FileTree files = {{"a.txt", "foo" + filler + filler + filler + "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-b", "-m", "-z", "foo", "*.txt"});
  std::string findRow = "66 6f 6f " + blanks(39) + "  foo\n\n";
  EXPECT_EQ(result.run.out, crlf("00000000 : " + findRow + "00300003 : " + findRow));

  result = runOnFiles(files, {"-r", "-b", "-m", "-z", "foo", "barbaz", "*.txt"});
  std::string replaceRow = "62 61 72 62 61 7a " + blanks(30) + "  barbaz\n\n";
  EXPECT_EQ(result.run.out, crlf("00000000 : " + replaceRow + "00300006 : " + replaceRow));
  EXPECT_TRUE(result.after ==
              (FileTree{{"a.txt", "barbaz" + filler + filler + filler + "barbaz\n"}}));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, WholeLineDumpShowsTheSearchTextAtTheLineStart) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "abc\nxabc\nabc\n"}}, {"-w", "-m", "-z", "abc\\n", "*.txt"});
  std::string row = "61 62 63 0a " + blanks(36) + "  abc.\n\n";
  EXPECT_EQ(result.run.out, crlf("00000000 : " + row + "00000009 : " + row));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, InvertedDumpsShowEachCountedLineWhole) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "a\nfoo\nbc\n"}}, {"-n", "-b", "-a", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf("00000000 : 61 0a " + blanks(42) + "  a.\n\n" + "00000006 : 62 63 0a " +
                 blanks(39) + "  bc.\n\n" + ">> Total: 2 instance(s) of \"foo\" not found.\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexOutput, ExitCodeIsTheTotalOnlyUnderE) {
  FileTree files = {{"a.txt", "foo foo\nfoo\n"}, {"b.txt", "foofoo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-e", "-t", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 5 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.exitCode, 5u);
  result = runOnFiles(files, {"-e", "-t", "-z", "absent", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 0 instance(s) of \"absent\" found.\n"));
  EXPECT_EQ(result.run.exitCode, 0u);
  result = runOnFiles(files, {"-t", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.exitCode, 0u);
  result = runOnFiles(files, {"-e", "-r", "-t", "-z", "foo", "x", "*.txt"});
  EXPECT_EQ(result.run.exitCode, 5u);
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "x x\nx\n"}, {"b.txt", "xx\n"}}));
}

TEST(TrawlexOutput, TwoWildcardsNamingOneFileSearchItTwice) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "foo\n"}}, {"-g", "-t", "-z", "foo", "a.txt", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Within .\\a.txt: 1 match(es)\n"
                                 ">> Within a.txt: 1 match(es) in 1 file(s)\n"
                                 ">> Within .\\a.txt: 1 match(es)\n"
                                 ">> Within *.txt: 1 match(es) in 1 file(s)\n"
                                 ">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
}
