// The progress line on standard error: exactly 75 characters and a carriage
// return, naming each file and each subfolder entered, blanked before
// anything else is written, so that the two streams never run into each
// other. Most cases run with both streams in one file, which shows the
// order in which the program wrote them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

namespace {

// Runs Trawlex with `arguments` (none needing quotes) in `folder`, its
// standard output a pipe that is read slowly, about 200 KB a second, and its
// standard error a file.
RunResult runWithSlowReader(const std::string& folder, const std::string& arguments) {
  RunResult result;
  std::string errPath = folder + "\\..\\" + folder.substr(folder.rfind('\\') + 1) + ".err";
  PipedRun run = startPiped(folder, arguments, errPath);
  char block[4096];
  DWORD got = 0;
  while (ReadFile(run.output, block, sizeof block, &got, nullptr) && got > 0) {
    result.out.append(block, got);
    Sleep(20);
  }
  CloseHandle(run.output);
  WaitForSingleObject(run.process.hProcess, INFINITE);
  GetExitCodeProcess(run.process.hProcess, &result.exitCode);
  CloseHandle(run.process.hThread);
  CloseHandle(run.process.hProcess);
  result.err = readFile(errPath);
  DeleteFileA(errPath.c_str());
  return result;
}

}  // namespace

TEST(TrawlexProgress, MatchesWrittenToASlowReaderShowHowFarTheFileHasGot) {
  // 600 KB of matching lines, read in one piece but taking seconds to write:
  // the percentage shows after each second of writing and is blanked before
  // the next match is printed.
  std::string content, printed;
  for (int i = 0; i < 20000; ++i) {
    std::string line = "foo " + std::to_string(100000 + i) + " and some more text";
    content += line + "\n";
    printed += line + ".\r\n";
  }
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"big.txt", content}});
  RunResult run = runWithSlowReader(folder, "-m foo big.txt");
  removeTree(folder);
  EXPECT_EQ(run.out, printed);
  EXPECT_EQ(run.exitCode, 0u);
  // The file's line, blanked at the first match, then each update blanked.
  const std::string start = progressLine(".\\big.txt") + progressCleared();
  const std::string cleared = progressCleared();
  ASSERT_EQ(run.err.compare(0, start.size(), start), 0) << run.err;
  int shown = 0, previous = 0;
  for (size_t at = start.size(); at < run.err.size(); at += 2 * cleared.size(), ++shown) {
    std::string update = run.err.substr(at, cleared.size());
    ASSERT_NE(update.find("%)"), std::string::npos) << run.err;
    int value = std::stoi(update.substr(update.find('(') + 1));
    EXPECT_EQ(update, progressLine(".\\big.txt (" + std::to_string(value) + "%)"));
    EXPECT_GE(value, previous);
    EXPECT_LT(value, 100);
    EXPECT_EQ(run.err.substr(at + cleared.size(), cleared.size()), cleared) << run.err;
    previous = value;
  }
  EXPECT_GE(shown, 1) << run.err;
}
