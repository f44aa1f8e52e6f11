// The progress line on standard error: exactly 75 characters and a carriage
// return, naming each file and each subfolder entered, blanked before
// anything else is written, so that the two streams never run into each
// other. Most cases run with both streams in one file, which shows the
// order in which the program wrote them.
#include <gtest/gtest.h>

#include "trawlex_e2e_util.h"

TEST(TrawlexProgress, NamesEachFileAndIsBlankedBeforeOutput) {
  FileTree files = {{"a.txt", "foo\n"}, {"b.txt", "nothing\n"}, {"c.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-x", "foo", "*.txt"}, true);
  // b.txt has no match: its line stays until c.txt's line overwrites it.
  EXPECT_EQ(result.run.both, progressLine(".\\a.txt") + progressCleared() +
                                 crlf("foo.\n"
                                      ">> Within .\\a.txt: 1 match(es)\n"
                                      "\n") +
                                 progressLine(".\\b.txt") + progressLine(".\\c.txt") +
                                 progressCleared() +
                                 crlf("foo.\n"
                                      ">> Within .\\c.txt: 1 match(es)\n"
                                      "\n"
                                      ">> Within *.txt: 2 match(es) in 3 file(s)\n"
                                      "\n"
                                      ">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.exitCode, 0u);
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexProgress, StandingLineIsBlankedBeforeTheWildcardSummaryAndTheTotal) {
  FileTree files = {{"a.txt", "foo\n"}, {"z.txt", "nothing\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-x", "-g", "foo", "*.txt"}, true);
  EXPECT_EQ(result.run.both, progressLine(".\\a.txt") + progressCleared() +
                                 crlf(">> Within .\\a.txt: 1 match(es)\n") +
                                 progressLine(".\\z.txt") + progressCleared() +
                                 crlf(">> Within *.txt: 1 match(es) in 2 file(s)\n"));

  // A line that counts blanks the progress line even when no line is printed.
  result = runOnFiles(files, {"-x", "-t", "foo", "*.txt"}, true);
  EXPECT_EQ(result.run.both, progressLine(".\\a.txt") + progressCleared() +
                                 progressLine(".\\z.txt") + progressCleared() +
                                 crlf(">> Total: 1 instance(s) of \"foo\" found.\n"));
}

TEST(TrawlexProgress, ErrorMessageComesAfterTheLineIsBlanked) {
  std::string folder = makeTempFolder("trawlex");
  FileTree files = {{"a.txt", "foo\n"}, {"b.txt", "foo\n"}, {"c.txt", "foo\n"}};
  makeTree(folder, files);
  void* held = holdFileExclusively(folder + "\\b.txt");
  RunResult run = runTrawlex(folder, {"-x", "foo", "*.txt"}, true);
  releaseFile(held);
  EXPECT_EQ(run.both, progressLine(".\\a.txt") + progressCleared() +
                          crlf("foo.\n"
                               ">> Within .\\a.txt: 1 match(es)\n"
                               "\n") +
                          progressLine(".\\b.txt") + progressCleared() +
                          crlf("Error opening \".\\b.txt\" for input.\n") +
                          progressLine(".\\c.txt") + progressCleared() +
                          crlf("foo.\n"
                               ">> Within .\\c.txt: 1 match(es)\n"
                               "\n"
                               ">> Within *.txt: 2 match(es) in 3 file(s)\n"
                               "\n"
                               ">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(readTree(folder), files);
  removeTree(folder);
}

TEST(TrawlexProgress, EachSubfolderEnteredShowsItsPathAndThePattern) {
  FileTree files = {{"z.txt", "foo\n"}, {"a\\y.txt", "foo\n"}, {"a\\b\\x.txt", "nothing\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-s", "-t", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, progressLine(".\\z.txt") + progressCleared() +
                                progressLine(".\\a\\*.txt") + progressLine(".\\a\\y.txt") +
                                progressCleared() + progressLine(".\\a\\b\\*.txt") +
                                progressLine(".\\a\\b\\x.txt") + progressCleared());

  result = runOnFiles(files, {"-s", "-t", "foo", "a\\*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, progressLine("a\\y.txt") + progressCleared() +
                                progressLine("a\\b\\*.txt") + progressLine("a\\b\\x.txt") +
                                progressCleared());
}

TEST(TrawlexProgress, SortedRunShowsTheWalkFirstThenEachFileInOrder) {
  FileTree files = {{"z.txt", "foo\n"}, {"a\\y.txt", "nothing\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-s", "-x", "-t", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 1 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, progressLine(".\\a\\*.txt") + progressLine(".\\a\\y.txt") +
                                progressLine(".\\z.txt") + progressCleared());
}

TEST(TrawlexProgress, LongPathKeepsItsLastSeventyFiveCharacters) {
  std::string name = std::string(76, 'p') + ".txt";
  TrawlexOutcome result = runOnFiles({{name, "nothing\n"}}, {"-t", "foo", "*.txt"});
  EXPECT_EQ(result.run.err, std::string(71, 'p') + ".txt\r" + progressCleared());
  EXPECT_EQ(result.run.out, crlf(">> Total: 0 instance(s) of \"foo\" found.\n"));

  // A path of exactly 75 characters is shown whole, without padding.
  name = std::string(69, 'q') + ".txt";
  result = runOnFiles({{name, "nothing\n"}}, {"-t", "foo", "*.txt"});
  EXPECT_EQ(result.run.err, ".\\" + name + "\r" + progressCleared());
}

TEST(TrawlexProgress, ReplaceModeShowsTheSameLine) {
  FileTree files = {{"a.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-r", "-m", "foo", "bar", "*.txt"}, true);
  EXPECT_EQ(result.run.both, progressLine(".\\a.txt") + progressCleared() + crlf("bar.\n"));
  EXPECT_EQ(result.after, (FileTree{{"a.txt", "bar\n"}}));
}

TEST(TrawlexProgress, DumpComesAfterTheLineIsBlanked) {
  TrawlexOutcome result = runOnFiles({{"a.txt", "xfoo\n"}}, {"-b", "-m", "foo", "*.txt"}, true);
  EXPECT_EQ(result.run.both, progressLine(".\\a.txt") + progressCleared() +
                                 crlf("00000001 : 66 6f 6f " + blanks(39) + "  foo\n\n"));
}
