// How Trawlex rewrites files: only the replaced stretches change, every line
// end and NUL byte stays in place, a replacement is never searched again,
// case patterns carry over under "-c", and "-k" keeps the old content.
// Every test compares the whole folder afterwards, so a temporary file or a
// stray backup left behind fails it.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

using namespace std::string_literals;

TEST(TrawlexReplace, RewritesOnlyTheReplacedBytes) {
  FileTree files = {
      {"mixed.txt", "one\r\ntwo\nthree\rfour"},
      {"cr.txt", "go\r"},
      {"crlf.txt", "go\r\n"},
      {"zeros.txt", "\0o\0\n\0"s},
      {"other.txt", "nothing here\n"},
  };
  TrawlexOutcome result = runOnFiles(files, {"-r", "-t", "-z", "o", "u", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 7 instance(s) of \"o\" replaced with \"u\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.run.exitCode, 0u);
  FileTree expected = {
      {"mixed.txt", "une\r\ntwu\nthree\rfuur"},
      {"cr.txt", "gu\r"},
      {"crlf.txt", "gu\r\n"},
      {"zeros.txt", "\0u\0\n\0"s},
      {"other.txt", "nuthing here\n"},
  };
  EXPECT_EQ(result.after, expected);
}

TEST(TrawlexReplace, NeverSearchesItsOwnReplacement) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "abab\n"}}, {"-x", "-r", "-t", "-z", "ab", "abab", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"ab\" replaced with \"abab\".\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "abababab\n"}}));

  result = runOnFiles({{"a.txt", "aaaa\n"}}, {"-r", "-t", "-z", "aa", "a", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"aa\" replaced with \"a\".\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "aa\n"}}));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexReplace, EmptyReplacementRemovesTheString) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "a foo b\nfoofoo\n"}}, {"-r", "-t", "-z", "foo", "", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 3 instance(s) of \"foo\" replaced with \"\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "a  b\n\n"}}));
}

namespace {

int64_t lastWriteTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    return -1;
  return (static_cast<int64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

void setLastWriteTime(const std::string& path, int64_t time) {
  HANDLE file =
      CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME stamp = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &stamp)) << path;
  CloseHandle(file);
}

}  // namespace

TEST(TrawlexReplace, FilesWithoutAReplacementAreNotTouched) {
  std::string folder = makeTempFolder("trawlex");
  FileTree files = {{"none.txt", "nothing\n"}, {"empty.txt", ""}, {"hit.txt", "foo\n"}};
  makeTree(folder, files);
  const int64_t year2001 = 126227808000000000;  // 2001-01-01, far from today
  for (const auto& entry : files)
    setLastWriteTime(folder + "\\" + entry.first, year2001);

  RunResult run = runTrawlex(folder, {"-r", "-g", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Within .\\hit.txt: 1 replacement(s)\n"
                          ">> Within *.txt: 1 replacement(s) in 3 file(s)\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(readTree(folder),
            (FileTree{{"none.txt", "nothing\n"}, {"empty.txt", ""}, {"hit.txt", "bar\n"}}));
  EXPECT_EQ(lastWriteTime(folder + "\\none.txt"), year2001);
  EXPECT_EQ(lastWriteTime(folder + "\\empty.txt"), year2001);
  EXPECT_NE(lastWriteTime(folder + "\\hit.txt"), year2001);
  removeTree(folder);
}

TEST(TrawlexReplace, PreserveCaseFollowsEachOccurrence) {
  struct Case {
    std::vector<std::string> options;
    std::string search, replacement, before, after;
  } cases[] = {
      {{"-c"}, "gizmo", "Widget", "gizmo GIZMO Gizmo gIZMO\n", "widget WIDGET Widget Widget\n"},
      // No letters at all count as upper case.
      {{"-c"}, "2.0", "new", "v2.0\n", "vNEW\n"},
      // "-c" then "-y": case-sensitive search, case still carried over.
      {{"-c", "-y"}, "old", "NeW", "old OLD Old\n", "new OLD Old\n"},
      {{"-c", "-y"}, "OLD", "NeW", "old OLD Old\n", "old NEW Old\n"},
      {{"-c", "-y"}, "Old", "NeW", "old OLD Old\n", "old OLD NeW\n"},
      // "-i" alone inserts the replacement as typed.
      {{"-i"}, "old", "NeW", "old OLD Old\n", "NeW NeW NeW\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-r", "-z", "-m", c.search, c.replacement, "*.txt"});
    TrawlexOutcome result = runOnFiles({{"a.txt", c.before}}, args);
    std::string printed = c.after;
    printed.back() = '.';
    EXPECT_EQ(result.run.out, crlf(printed + "\n")) << c.search << " " << c.before;
    EXPECT_EQ(result.run.err, "");
    EXPECT_EQ(result.after, (FileTree{{"a.txt", c.after}})) << c.search << " " << c.before;
  }
}

TEST(TrawlexReplace, WholeLineReplacesTheLineWithItsTerminator) {
  TrawlexOutcome result =
      runOnFiles({{"a.txt", "abc\nabc\r\nabc"}}, {"-w", "-r", "-t", "-z", "abc", "xyz", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 line(s) of \"abc\" replaced with \"xyz\".\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "abc\nabc\r\nxyz"}}));

  result = runOnFiles({{"a.txt", "abc\nabc\r\nabc\n"}},
                      {"-w", "-r", "-t", "-z", "abc\\n", "X", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 line(s) of \"abc\\n\" replaced with \"X\".\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "Xabc\r\nX"}}));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexReplace, WholeLineCaseClassIgnoresTheTerminator) {
  TrawlexOutcome result = runOnFiles({{"a.txt", "abc\nABC\nAbc\nabcd\n"}},
                                     {"-w", "-c", "-r", "-t", "-z", "abc\\n", "Xyz\\n", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 3 line(s) of \"abc\\n\" replaced with \"Xyz\\n\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "xyz\nXYZ\nXyz\nabcd\n"}}));
}

TEST(TrawlexReplace, UnicodeModeRewritesSixteenBitText) {
  FileTree files = {{"u.txt", "\xFF\xFE" + utf16("hello world\r\nHELLO WORLD\r\n")}};
  TrawlexOutcome result =
      runOnFiles(files, {"-u", "-c", "-r", "-t", "-z", "world", "planet", "*.txt"});
  EXPECT_EQ(result.run.out,
            crlf(">> Total: 2 instance(s) of \"world\" replaced with \"planet\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after,
            (FileTree{{"u.txt", "\xFF\xFE" + utf16("hello planet\r\nHELLO PLANET\r\n")}}));
}

TEST(TrawlexReplace, BackupKeepsTheOldContentUnderItsFullNamePlusBak) {
  FileTree files = {
      {"notes.txt", "foo\n"},
      {"old.txt", "foo 2\n"},
      {"old.txt.bak", "stale backup\n"},
      {"plain.txt", "nothing\n"},
  };
  TrawlexOutcome result = runOnFiles(files, {"-k", "-r", "-t", "-z", "foo", "bar", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(result.run.err, "");
  FileTree expected = {
      {"notes.txt", "bar\n"},     {"notes.txt.bak", "foo\n"}, {"old.txt", "bar 2\n"},
      {"old.txt.bak", "foo 2\n"}, {"plain.txt", "nothing\n"},
  };
  EXPECT_EQ(result.after, expected);
}

TEST(TrawlexReplace, FindModeWritesNothingEvenWithBackups) {
  FileTree files = {{"notes.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-k", "-t", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexReplace, SortedRunNeverProcessesItsOwnBackups) {
  FileTree files = {{"one", "a\n"}, {"two", "a\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-x", "-k", "-r", "-g", "-z", "a", "aa", "*"});
  EXPECT_EQ(result.run.out, crlf(">> Within .\\one: 1 replacement(s)\n"
                                 ">> Within .\\two: 1 replacement(s)\n"
                                 ">> Within *: 2 replacement(s) in 2 file(s)\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after,
            (FileTree{{"one", "aa\n"}, {"one.bak", "a\n"}, {"two", "aa\n"}, {"two.bak", "a\n"}}));
}

TEST(TrawlexReplace, LargeFileIsRewrittenByteForByte) {
  // Lines of every terminator kind, with occurrences at line starts, line
  // ends and next to NUL bytes, over several MiB so that any block size a
  // reader or writer uses is crossed many times.
  std::string before;
  for (int i = 0; before.size() < (5u << 20); ++i) {
    std::string line = std::string(i % 97, 'a') + "foo" + std::string(i % 13, 'b');
    line += i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r";
    if (i % 11 == 0)
      line.insert(line.size() / 2, 1, '\0');
    before += line;
  }
  int count = 0;
  std::string after = replaceEach(before, "foo", "BARXY", &count);
  TrawlexOutcome result =
      runOnFiles({{"big.txt", before}}, {"-r", "-t", "-z", "foo", "BARXY", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: " + std::to_string(count) +
                                 " instance(s) of \"foo\" replaced with \"BARXY\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_TRUE(result.after == (FileTree{{"big.txt", after}}));
}
