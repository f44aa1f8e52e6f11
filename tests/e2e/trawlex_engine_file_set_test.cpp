// Which files a wildcard names and in what order Trawlex processes them: the
// ".\" naming, folder parts, the root of the drive, "-s" (files of a folder
// before its subfolders, dot-folders skipped), "-x" (byte order of the full
// paths), "/" separators and a drive prefix without a backslash.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

#include "trawlex_e2e_util.h"

TEST(TrawlexFileSet, CurrentFolderFilesAreNamedWithDotBackslash) {
  // A folder whose name matches the pattern is no file; hidden, system and
  // read-only files are files like any other.
  std::string folder = makeTempFolder("trawlex");
  FileTree files = {{"a.txt", "foo\n"}, {"dir.txt\\inner.txt", "foo\n"}, {"sys.txt", "foo\n"}};
  makeTree(folder, files);
  SetFileAttributesA((folder + "\\sys.txt").c_str(),
                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  RunResult run = runTrawlex(folder, {"-x", "-md", "-g", "-z", "foo", "*.txt"});
  EXPECT_EQ(run.out, crlf(".\\a.txt(1): foo.\n"
                          ">> Within .\\a.txt: 1 match(es)\n"
                          "\n"
                          ".\\sys.txt(1): foo.\n"
                          ">> Within .\\sys.txt: 1 match(es)\n"
                          "\n"
                          ">> Within *.txt: 2 match(es) in 2 file(s)\n"
                          "\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(readTree(folder), files);
  removeTree(folder);
}

TEST(TrawlexFileSet, FolderPartNamesTheFilesAndNoSubfolderIsEnteredWithoutS) {
  FileTree files = {{"docs\\a.txt", "foo\n"}, {"docs\\sub\\b.txt", "foo\n"}, {"c.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-md", "-g", "foo", "docs\\*.txt"});
  EXPECT_EQ(result.run.out, crlf("docs\\a.txt(1): foo.\n"
                                 ">> Within docs\\a.txt: 1 match(es)\n"
                                 "\n"
                                 ">> Within docs\\*.txt: 1 match(es) in 1 file(s)\n"
                                 "\n"));
  // No progress line names docs\sub: it is never entered.
  EXPECT_EQ(result.run.err, progressLine("docs\\a.txt") + progressCleared());
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexFileSet, AbsoluteWildcardNamesFilesByTheirFullPath) {
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"a.txt", "foo\n"}, {"sub\\b.txt", "foo\n"}});
  RunResult run = runTrawlex(folder, {"-s", "-md", "-z", "foo", folder + "\\*.txt"});
  EXPECT_EQ(run.out, crlf(folder + "\\a.txt(1): foo.\n" + folder + "\\sub\\b.txt(1): foo.\n"));
  EXPECT_EQ(run.err, "");

  // The same folder written with forward slashes, from another current folder.
  std::string slashed = folder;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  std::string elsewhere = makeTempFolder("trawlex");
  run = runTrawlex(elsewhere, {"-s", "-r", "-t", "-z", "foo", "bar", slashed + "/*.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 2 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(readTree(folder), (FileTree{{"a.txt", "bar\n"}, {"sub\\b.txt", "bar\n"}}));
  EXPECT_EQ(readTree(elsewhere), FileTree{});
  removeTree(folder);
  removeTree(elsewhere);
}

TEST(TrawlexFileSet, LeadingBackslashNamesTheRootOfTheCurrentDrive) {
  std::string folder = makeTempFolder("trawlex");
  ASSERT_EQ(folder.substr(0, 2), "C:");
  std::string name = "trawlex-e2e-root-" + std::to_string(GetCurrentProcessId()) + ".txt";
  writeFile("C:\\" + name, "foo\n");
  RunResult run = runTrawlex(folder, {"-md", "-z", "foo", "\\" + name});
  EXPECT_EQ(run.out, crlf("\\" + name + "(1): foo.\n"));
  EXPECT_EQ(run.err, "");
  DeleteFileA(("C:\\" + name).c_str());
  removeTree(folder);
}

TEST(TrawlexFileSet, WildcardThatMatchesNothingStillGetsItsSummary) {
  // "docs" names a folder, which is no file.
  FileTree files = {{"a.txt", "foo\n"}, {"docs\\b.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-z", "foo", "*.none", "nodir\\*.txt", "docs"});
  EXPECT_EQ(result.run.out, crlf(">> Within *.none: 0 match(es) in 0 file(s)\n"
                                 "\n"
                                 ">> Within nodir\\*.txt: 0 match(es) in 0 file(s)\n"
                                 "\n"
                                 ">> Within docs: 0 match(es) in 0 file(s)\n"
                                 "\n"
                                 ">> Total: 0 instance(s) of \"foo\" found.\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.run.exitCode, 0u);
}

namespace {

// True when `lines` is `first` followed by the blocks in some order, each
// block whole: the order in which a folder yields its subfolders is the
// platform's, but each subfolder is walked completely before the next.
bool isFirstThenBlocksInSomeOrder(const std::string& lines, const std::string& first,
                                  std::vector<std::string> blocks) {
  std::sort(blocks.begin(), blocks.end());
  do {
    std::string candidate = first;
    for (const std::string& block : blocks)
      candidate += block;
    if (crlf(candidate) == lines)
      return true;
  } while (std::next_permutation(blocks.begin(), blocks.end()));
  return false;
}

}  // namespace

TEST(TrawlexFileSet, RecursionWalksFilesBeforeSubfoldersDepthFirst) {
  // Subfolders are entered whatever their names ("notes.txt" included), at
  // any depth; folders whose names begin with a dot are skipped.
  FileTree files = {
      {"z.txt", "foo\n"},
      {"a\\y.txt", "foo\n"},
      {"a\\b\\x.txt", "foo\n"},
      {"a\\b\\c\\w.txt", "foo\n"},
      {"c\\v.txt", "foo\n"},
      {"notes.txt\\u.txt", "foo\n"},
      {"notes.txt\\skip.doc", "foo\n"},
      {".git\\t.txt", "foo\n"},
      {"a\\.cache\\s.txt", "foo\n"},
  };
  TrawlexOutcome result = runOnFiles(files, {"-s", "-md", "-z", "foo", "*.txt"});
  EXPECT_TRUE(isFirstThenBlocksInSomeOrder(
      result.run.out, ".\\z.txt(1): foo.\n",
      {".\\a\\y.txt(1): foo.\n.\\a\\b\\x.txt(1): foo.\n.\\a\\b\\c\\w.txt(1): foo.\n",
       ".\\c\\v.txt(1): foo.\n", ".\\notes.txt\\u.txt(1): foo.\n"}))
      << result.run.out;
  EXPECT_EQ(result.run.err, "");

  result = runOnFiles(files, {"-s", "-g", "-z", "foo", "*.txt"});
  EXPECT_TRUE(endsWith(result.run.out, crlf(">> Within *.txt: 6 match(es) in 6 file(s)\n")))
      << result.run.out;
  EXPECT_EQ(result.after, files);
}

TEST(TrawlexFileSet, DotFolderNamedInTheWildcardIsWalked) {
  // Only subfolders met by the walk are skipped for a leading dot.
  FileTree files = {
      {".cfg\\a.txt", "foo\n"}, {".cfg\\.inner\\b.txt", "foo\n"}, {".cfg\\sub\\c.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-s", "-md", "-z", "foo", ".cfg\\*.txt"});
  EXPECT_EQ(result.run.out, crlf(".cfg\\a.txt(1): foo.\n"
                                 ".cfg\\sub\\c.txt(1): foo.\n"));
  EXPECT_EQ(result.run.err, "");
}

TEST(TrawlexFileSet, SortedOrderIsTheByteOrderOfTheFullPaths) {
  // Upper case sorts before the backslash, which sorts before lower case.
  FileTree files = {{"b.txt", "foo\n"},  {"C.txt", "foo\n"},     {"a.txt", "foo\n"},
                    {"Qa.txt", "foo\n"}, {"Q\\x.txt", "foo\n"},  {"QZ.txt", "foo\n"},
                    {"z.txt", "foo\n"},  {"sub\\c.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-s", "-x", "-md", "-z", "foo", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(".\\C.txt(1): foo.\n"
                                 ".\\QZ.txt(1): foo.\n"
                                 ".\\Q\\x.txt(1): foo.\n"
                                 ".\\Qa.txt(1): foo.\n"
                                 ".\\a.txt(1): foo.\n"
                                 ".\\b.txt(1): foo.\n"
                                 ".\\sub\\c.txt(1): foo.\n"
                                 ".\\z.txt(1): foo.\n"));
  EXPECT_EQ(result.run.err, "");

  // A path that is a prefix of another comes first.
  result = runOnFiles({{"ab", "foo\n"}, {"abc", "foo\n"}, {"ab-", "foo\n"}},
                      {"-x", "-md", "-z", "foo", "*"});
  EXPECT_EQ(result.run.out, crlf(".\\ab(1): foo.\n.\\ab-(1): foo.\n.\\abc(1): foo.\n"));

  // Without "-s" the sorted list holds the folder's own files only.
  result = runOnFiles(files, {"-x", "-g", "-z", "foo", "*.txt"});
  EXPECT_TRUE(endsWith(result.run.out, crlf(">> Within *.txt: 6 match(es) in 6 file(s)\n")))
      << result.run.out;
}

TEST(TrawlexFileSet, SortedOrderTakesHighBytesAsUnsigned) {
  // 0xE9 sorts after every ASCII byte, not before "." as a signed char would.
  std::string folder = makeTempFolder("trawlex");
  makeTree(folder, {{"z.txt", "foo\n"}, {"\xE9t\xE9.txt", "foo\n"}, {"a.txt", "foo\n"}});
  RunResult run = runTrawlex(folder, {"-x", "-md", "-z", "foo", "*.txt"});
  EXPECT_EQ(run.out, crlf(".\\a.txt(1): foo.\n"
                          ".\\z.txt(1): foo.\n"
                          ".\\\xE9t\xE9.txt(1): foo.\n"));
  EXPECT_EQ(run.err, "");
  removeTree(folder);
}

TEST(TrawlexFileSet, SlashSeparatesFoldersLikeBackslash) {
  FileTree files = {{"c.txt", "foo\n"}, {"docs\\a.txt", "foo\n"}, {"docs\\sub\\b.txt", "foo\n"}};
  TrawlexOutcome result = runOnFiles(files, {"-r", "-g", "-z", "foo", "bar", "docs/*.txt"});
  EXPECT_TRUE(
      endsWith(result.run.out, crlf(">> Within docs/*.txt: 1 replacement(s) in 1 file(s)\n")))
      << result.run.out;
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(
      result.after,
      (FileTree{{"c.txt", "foo\n"}, {"docs\\a.txt", "bar\n"}, {"docs\\sub\\b.txt", "foo\n"}}));

  result = runOnFiles(files, {"-s", "-r", "-t", "-z", "foo", "bar", "docs/*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Total: 2 instance(s) of \"foo\" replaced with \"bar\".\n"));
  EXPECT_EQ(
      result.after,
      (FileTree{{"c.txt", "foo\n"}, {"docs\\a.txt", "bar\n"}, {"docs\\sub\\b.txt", "bar\n"}}));

  result = runOnFiles(files, {"-md", "-z", "foo", "docs/sub/*.txt", "./c.txt"});
  EXPECT_EQ(result.run.err, "");
  EXPECT_NE(result.run.out.find("b.txt(1): foo.\r\n"), std::string::npos) << result.run.out;
  EXPECT_NE(result.run.out.find("c.txt(1): foo.\r\n"), std::string::npos) << result.run.out;
}

TEST(TrawlexFileSet, DrivePrefixWithoutBackslashNamesThatDrivesCurrentFolder) {
  std::string folder = makeTempFolder("trawlex");
  ASSERT_EQ(folder.substr(0, 2), "C:");
  makeTree(folder, {{"a.txt", "foo\n"}, {"b.txt", "nothing\n"}});
  RunResult run = runTrawlex(folder, {"-r", "-g", "-z", "foo", "bar", "C:*.txt"});
  EXPECT_TRUE(endsWith(run.out, crlf(">> Within C:*.txt: 1 replacement(s) in 2 file(s)\n")))
      << run.out;
  EXPECT_NE(run.out.find("a.txt: 1 replacement(s)\r\n"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(readTree(folder), (FileTree{{"a.txt", "bar\n"}, {"b.txt", "nothing\n"}}));
  removeTree(folder);
}
