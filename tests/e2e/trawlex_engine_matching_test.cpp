// How Trawlex splits files into lines and finds the search string in them:
// every terminator kind, NUL and high bytes, case rules, whole lines, inverted
// matches and 16-bit text. Find mode never writes, so every test also checks
// that the folder is left exactly as it was made.
#include <gtest/gtest.h>

#include "trawlex_e2e_util.h"

using namespace std::string_literals;

TEST(TrawlexMatching, EachTerminatorEndsALineAndPrintsAsDots) {
  FileTree files = {{"a.txt", "one\r\ntwo\nthree\rfour"}, {"b.txt", "o\r\r\no\n\ro"}};
  TrawlexOutcome result = runOnFiles(files, {"-x", "-ad", "-z", "o", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(".\\a.txt(1): one..\n"
                                 ".\\a.txt(2): two.\n"
                                 ".\\a.txt(4): four\n"
                                 ".\\b.txt(1): o.\n"
                                 ".\\b.txt(3): o.\n"
                                 ".\\b.txt(5): o\n"
                                 ">> Total: 6 instance(s) of \"o\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.run.exitCode, 0u);
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexMatching, InstancesNeverOverlapAndALinePrintsOnce) {
  FileTree files = {{"a.txt", "aaaa\nxaaax\nbab\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-a", "-z", "aa", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): aaaa.\n"
                                 "(2): xaaax.\n"
                                 ">> Total: 3 instance(s) of \"aa\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexMatching, IgnoringCaseFoldsOnlyAsciiLetters) {
  FileTree words = {{"a.txt", "HeLLo hello HELLO\nHELL\n"}};
  TrawlexOutcome result = runOnFiles(words, {"-i", "-a", "-z", "hello", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): HeLLo hello HELLO.\n"
                                 ">> Total: 3 instance(s) of \"hello\" found.\n"));
  EXPECT_EQ(result.after, words);

  // 0xC4 and 0xE4 are the two cases of one letter in Latin-1, but only ASCII
  // letters have case here; '[' and '{' differ by the case bit and are no letters.
  FileTree highBytes = {{"a.txt", "\xC4\n\xE4\n{[{\n"}};
  result = runOnFiles(highBytes, {"-i", "-t", "-z", "\\xe4", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"\\xe4\" found.\n"));
  result = runOnFiles(highBytes, {"-i", "-t", "-z", "[", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"[\" found.\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexMatching, NulBytesAreOrdinaryContent) {
  FileTree files = {{"a.txt", "ab\0cd\nAB\0CD\n"s}};
  // A printed line drops its NUL bytes; the search runs past them.
  TrawlexOutcome result = runOnFiles(files, {"-i", "-a", "-z", "cd", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): abcd.\n"
                                 "(2): ABCD.\n"
                                 ">> Total: 2 instance(s) of \"cd\" found.\n"));
  result = runOnFiles(files, {"-t", "-z", "b\\0c", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"b\\0c\" found.\n"));
  result = runOnFiles(files, {"-i", "-t", "-z", "b\\0c", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"b\\0c\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexMatching, SearchEndingInALineEndMatchesOnlyThatTerminator) {
  FileTree files = {{"a.txt", "the END\nend\r\nend\r"}};
  struct Case {
    std::vector<std::string> args;
    std::string total;
  } cases[] = {
      {{"-i", "end\\n"}, ">> Total: 1 instance(s) of \"end\\n\" found.\n"},
      {{"end\\r\\n"}, ">> Total: 1 instance(s) of \"end\\r\\n\" found.\n"},
      {{"end\\r"}, ">> Total: 2 instance(s) of \"end\\r\" found.\n"},
      {{"end"}, ">> Total: 2 instance(s) of \"end\" found.\n"},
      {{"\\r"}, ">> Total: 2 instance(s) of \"\\r\" found.\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"-t", "-z"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("*.txt");
    TrawlexOutcome result = runOnFiles(files, args);
    EXPECT_EQ(result.run.out, crlf(c.total)) << c.args.back();
    EXPECT_EQ(result.run.err, "") << c.args.back();
  }
}

TEST(TrawlexMatching, WholeLineComparesTheTerminatorToo) {
  FileTree files = {{"a.txt", "abc\nabc\r\nxabc\nabc"}};
  TrawlexOutcome result = runOnFiles(files, {"-w", "-a", "-z", "abc", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(4): abc\n"
                                 ">> Total: 1 line(s) of \"abc\" found.\n"));
  result = runOnFiles(files, {"-w", "-i", "-a", "-z", "ABC", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(4): abc\n"
                                 ">> Total: 1 line(s) of \"ABC\" found.\n"));
  result = runOnFiles(files, {"-w", "-t", "-z", "abc\\r\\n", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 line(s) of \"abc\\r\\n\" found.\n"));
  result = runOnFiles(files, {"-w", "-n", "-a", "-z", "abc", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): abc.\n"
                                 "(2): abc..\n"
                                 "(3): xabc.\n"
                                 ">> Total: 3 line(s) of \"abc\" not found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexMatching, InvertCountsTheLinesWithoutTheString) {
  // Two terminated lines without the string count 2 (no empty third line);
  // a line holding the string twice counts nothing; an empty file counts 0.
  FileTree files = {{"a.txt", "a\nfoo foo\nb\n"}, {"e.txt", ""}};
  TrawlexOutcome result = runOnFiles(files, {"-n", "-x", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("a.\n"
                                 "b.\n"
                                 ">> Within .\\a.txt: 2 match(es)\n"
                                 "\n"
                                 ">> Within *.txt: 2 match(es) in 2 file(s)\n"
                                 "\n"
                                 ">> Total: 2 instance(s) of \"foo\" not found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexMatching, EmptyLinesAreLinesOfTheirOwn) {
  FileTree files = {{"a.txt", "\n\r\n\rx"}};
  TrawlexOutcome result = runOnFiles(files, {"-n", "-a", "-z", "q", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): .\n"
                                 "(2): ..\n"
                                 "(3): .\n"
                                 "(4): x\n"
                                 ">> Total: 4 instance(s) of \"q\" not found.\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexMatching, UnicodeModeMatchesWidenedTextAtAnyByteOffset) {
  // In 16-bit text a "\r" is followed by a zero byte, so it ends a line by
  // itself; the "\n" and its zero byte then form a line of their own, and the
  // zero byte after that starts the next line, where "LINE" is found at an
  // odd offset.
  FileTree files = {{"u.txt", "\xFF\xFE" + utf16("hello world\r\nsecond line\r\n")}};
  TrawlexOutcome result = runOnFiles(files, {"-u", "-a", "-z", "world", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(1): \xFF\xFEhello world.\n"
                                 ">> Total: 1 instance(s) of \"world\" found.\n"));
  result = runOnFiles(files, {"-u", "-i", "-a", "-z", "LINE", "*.txt"});
  EXPECT_EQ(result.run.out, crlf("(3): second line.\n"
                                 ">> Total: 1 instance(s) of \"LINE\" found.\n"));
  result = runOnFiles(files, {"-u", "-t", "-z", "d", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"d\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, files);
}

namespace {

// Lines of "x" whose carriage return is the last byte before each
// power-of-two offset from 64 KiB to 4 MiB, followed by a line feed or by
// the next line's first byte, so that a reader working in blocks meets it
// split; each is followed by the line "foo\n". `printed` receives the lines
// that "-a" prints for "foo", with `word` in the place of "foo".
std::string straddlingLines(const std::string& word, std::string* printed) {
  std::string content;
  int lineNumber = 0;
  for (size_t boundary = 1 << 16; boundary <= (1 << 22); boundary <<= 1) {
    bool crlfEnd = lineNumber % 4 == 0;
    content += std::string(boundary - 1 - content.size(), 'x') + (crlfEnd ? "\r\n" : "\r");
    content += "foo\n";
    lineNumber += 2;
    *printed += "(" + std::to_string(lineNumber) + "): " + word + ".\n";
  }
  return content;
}

}  // namespace

TEST(TrawlexMatching, LinesHoldWhereALineEndStraddlesLargeBlocks) {
  std::string printed;
  FileTree files = {{"big.txt", straddlingLines("foo", &printed)}};
  TrawlexOutcome result = runOnFiles(files, {"-a", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(printed + ">> Total: 7 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_TRUE(result.after == files);

  struct Case {
    std::vector<std::string> options;
    std::string search;
    int total;
  } cases[] = {
      {{"-n"}, "foo", 7},     // the seven long lines
      {{"-w"}, "foo\\n", 7},  // the seven short ones
      {{}, "\\r\\n", 4},      // the long lines that end in CR LF
      {{}, "\\r", 7},         // every long line
      {{}, "\\n", 11},        // CR LF lines and "foo" lines
      {{"-i"}, "X\\r", 7},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-t", "-z", c.search, "*.txt"});
    result = runOnFiles(files, args);
    std::string unit = c.options == std::vector<std::string>{"-w"} ? "line(s)" : "instance(s)";
    std::string verdict = c.options == std::vector<std::string>{"-n"} ? "not found" : "found";
    EXPECT_EQ(result.run.out, crlf(">> Total: " + std::to_string(c.total) + " " + unit + " of \"" +
                                   c.search + "\" " + verdict + ".\n"))
        << c.search;
  }
}

TEST(TrawlexMatching, ReplaceHoldsWhereALineEndStraddlesLargeBlocks) {
  std::string printed;
  std::string before = straddlingLines("bar", &printed);
  TrawlexOutcome result =
      runOnFiles({{"big.txt", before}}, {"-r", "-a", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf(printed + ">> Total: 7 instance(s) of \"foo\" replaced with \"bar\".\n"));
  int count = 0;
  EXPECT_TRUE(result.after == (FileTree{{"big.txt", replaceEach(before, "foo", "bar", &count)}}));

  // A search that ends in a carriage return must not run into the next line.
  result = runOnFiles({{"big.txt", before}}, {"-r", "-t", "-z", "x\\r", "Yz\\r", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 7 instance(s) of \"x\\r\" replaced with \"Yz\\r\".\n"));
  EXPECT_TRUE(result.after == (FileTree{{"big.txt", replaceEach(before, "x\r", "Yz\r", &count)}}));
  EXPECT_EQ(count, 7);
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexMatching, CarriageReturnInsideTheSearchNeverMatchesAcrossLines) {
  // A lone CR ends its line, so "a\rb" and "\r\r" can never lie within one.
  FileTree files = {{"a.txt", "xa\rbx\nx\r\r\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-t", "-z", "a\\rb", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 0 instance(s) of \"a\\rb\" found.\n"));
  result = runOnFiles(files, {"-t", "-z", "\\r\\r", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 0 instance(s) of \"\\r\\r\" found.\n"));
  result = runOnFiles(files, {"-r", "-t", "-z", "a\\rb", "Q", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 0 instance(s) of \"a\\rb\" replaced with \"Q\".\n"));
  EXPECT_EQ(result.after, files);
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexMatching, FileWithoutAnyLineBreakIsOneLine) {
  std::string filler(3 << 19, 'x');
  std::string before = "foo" + filler + "foo" + filler + "foo";
  TrawlexOutcome result = runOnFiles({{"one.txt", before}}, {"-w", "-n", "-a", "-z", "x", "*.txt"});
  EXPECT_TRUE(result.run.out ==
              crlf("(1): " + before + "\n" + ">> Total: 1 line(s) of \"x\" not found.\n"));
  result = runOnFiles({{"one.txt", before}}, {"-r", "-t", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 3 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_TRUE(result.after == (FileTree{{"one.txt", "bar" + filler + "bar" + filler + "bar"}}));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexMatching, LongMatchingLinePrintsWhole) {
  std::string line = std::string(3 << 20, 'x') + "foo" + std::string(1 << 20, 'y');
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "first\r\n" + line + "\r\n"}}, {"-a", "-z", "foo", "*.txt"});
  EXPECT_TRUE(result.run.out ==
              crlf("(2): " + line + "..\n>> Total: 1 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
}
