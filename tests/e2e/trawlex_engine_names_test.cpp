// Trawlex reaches files by their real names: a name with a character that
// the ANSI code page would turn into a separator or a wildcard, a name
// outside the code page, a file past 260 characters; it takes typed
// wildcards as typed and, without -8 and -u, refuses search or replacement
// strings that have no exact ANSI form, which -8 takes as UTF-8 and -u as
// UTF-16; and it never rewrites a file through a link.
#include <gtest/gtest.h>
#include <windows.h>

#include "trawlex_e2e_util.h"

namespace {

using namespace std::string_literals;

TrawlexOutcome runOnFilesUtf8(const FileTree& files, const std::vector<std::string>& args) {
  std::string folder = makeTempFolder("trawlex");
  makeTreeUtf8(folder, files);
  TrawlexOutcome outcome;
  outcome.run = runTrawlexUtf8(folder, args);
  outcome.after = readTreeUtf8(folder);
  removeTreeUtf8(folder);
  return outcome;
}

const char kFullwidthBackslashName[] = u8"d\\..\uFF3Csecret.txt";

}  // namespace

TEST(TrawlexNames, NameThatBestFitWouldMakeAPathIsAFileOfItsOwnFolder) {
  // Through the ANSI calls "..＼secret.txt" reads as "..\secret.txt": the
  // file outside the folder was rewritten and the one inside was not.
  FileTree files = {
      {"d\\a.txt", "gizmo\n"}, {kFullwidthBackslashName, "gizmo\n"}, {"secret.txt", "gizmo\n"}};
  FileTree expected = {
      {"d\\a.txt", "widget\n"}, {kFullwidthBackslashName, "widget\n"}, {"secret.txt", "gizmo\n"}};
  TrawlexOutcome direct = runOnFilesUtf8(files, {"-r", "-t", "-z", "gizmo", "widget", "d\\*.txt"});
  EXPECT_EQ(direct.run.out,
            crlf(">> Total: 2 instance(s) of \"gizmo\" replaced with \"widget\".\n"));
  EXPECT_EQ(direct.run.err, "");
  EXPECT_EQ(direct.after, expected);

  TrawlexOutcome sorted = runOnFilesUtf8(files, {"-x", "-g", "-z", "gizmo", "d\\*.txt"});
  EXPECT_EQ(sorted.run.out, crlf(">> Within d\\..?secret.txt: 1 match(es)\n"
                                 ">> Within d\\a.txt: 1 match(es)\n"
                                 ">> Within d\\*.txt: 2 match(es) in 2 file(s)\n"));
  EXPECT_EQ(sorted.after, files);
}

TEST(TrawlexNames, TypedWildcardOutsideTheCodePageNamesOnlyThatFile) {
  // Best-fit made it "?????.txt", which also matches notes.txt.
  TrawlexOutcome result = runOnFilesUtf8({{u8"Отчёт.txt", "gizmo\n"}, {"notes.txt", "gizmo\n"}},
                                         {"-r", "-z", "gizmo", "widget", u8"Отчёт.txt"});
  EXPECT_EQ(result.run.out,
            crlf("widget.\n"
                 ">> Within .\\?????.txt: 1 replacement(s)\n"
                 "\n"
                 ">> Within ?????.txt: 1 replacement(s) in 1 file(s)\n"
                 "\n"
                 ">> Total: 1 instance(s) of \"gizmo\" replaced with \"widget\".\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.run.exitCode, 0u);
  EXPECT_EQ(result.after, (FileTree{{u8"Отчёт.txt", "widget\n"}, {"notes.txt", "gizmo\n"}}));
}

TEST(TrawlexNames, RecursionFindsAndRewritesNamesOutsideTheCodePageAndDeepFiles) {
  std::string deep;
  for (int level = 0; level < 6; ++level)
    deep += std::string(50, static_cast<char>('a' + level)) + "\\";
  deep += "deep.txt";
  ASSERT_GT(deep.size(), 300u);
  TrawlexOutcome result =
      runOnFilesUtf8({{u8"Папка\\Отчёт.txt", "gizmo\n"}, {deep, "gizmo\n"}},
                     {"-s", "-x", "-r", "-g", "-z", "gizmo", "widget", "*.txt"});
  EXPECT_EQ(result.run.out, crlf(">> Within .\\?????\\?????.txt: 1 replacement(s)\n"
                                 ">> Within .\\" +
                                 deep +
                                 ": 1 replacement(s)\n"
                                 ">> Within *.txt: 2 replacement(s) in 2 file(s)\n"));
  EXPECT_EQ(result.run.err, "");
  EXPECT_EQ(result.after, (FileTree{{u8"Папка\\Отчёт.txt", "widget\n"}, {deep, "widget\n"}}));
}

TEST(TrawlexNames, StringWithoutAnExactAnsiFormIsRefusedBeforeAnyFile) {
  FileTree files = {{"a.txt", "gizmo\n"}};
  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      // The look-alike of U+FF3C would be a backslash, an escape.
      {{u8"\uFF3C", "*.txt"}, "Search string argument \"?\""},
      // ó is in the code page, Ł and ź are not.
      {{"-r", u8"Łódź", "x", "*.txt"},
       "Search string argument \"?\xF3"
       "d?\""},
      {{"-r", "gizmo", u8"Отчёт", "*.txt"}, "Replacement string argument \"?????\""},
  };
  for (const Case& c : cases) {
    TrawlexOutcome result = runOnFilesUtf8(files, c.args);
    EXPECT_EQ(result.run.out, "");
    EXPECT_EQ(result.run.err,
              c.message + " holds a character that the ANSI code page does not have.\r\n");
    EXPECT_EQ(result.run.exitCode, 1u);
    EXPECT_EQ(result.after, files);
  }
  // A character the code page holds is written as its ANSI byte, as before.
  TrawlexOutcome accepted = runOnFilesUtf8(files, {"-r", "-t", "-z", "gizmo", u8"café", "*.txt"});
  EXPECT_EQ(accepted.run.err, "");
  EXPECT_EQ(accepted.after, (FileTree{{"a.txt", "caf\xE9\n"}}));
}

TEST(TrawlexNames, Utf8ModeMatchesTheUtf8BytesAndPlainModeTheAnsiOnes) {
  FileTree files = {{"a.txt", "Herr M\xFCller\n"}, {"u.txt", "Herr M\xC3\xBCller\n"}};
  TrawlexOutcome utf8 =
      runOnFilesUtf8(files, {"-8", "-r", "-x", "-z", u8"Müller", "Mueller", "*.txt"});
  EXPECT_EQ(utf8.run.out,
            crlf("Herr Mueller.\n"
                 ">> Within .\\u.txt: 1 replacement(s)\n"
                 "\n"
                 ">> Within *.txt: 1 replacement(s) in 2 file(s)\n"
                 "\n"
                 ">> Total: 1 instance(s) of \"M\xFCller\" replaced with \"Mueller\".\n"));
  EXPECT_EQ(utf8.after, (FileTree{{"a.txt", "Herr M\xFCller\n"}, {"u.txt", "Herr Mueller\n"}}));
  // A matched line prints its bytes; an escape names one byte, and dumps.
  TrawlexOutcome shown = runOnFilesUtf8(files, {"-8", "-m", "-z", u8"Müller", "u.txt"});
  EXPECT_EQ(shown.run.out, crlf("Herr M\xC3\xBCller.\n"));
  TrawlexOutcome escaped = runOnFilesUtf8(files, {"-8", "-t", "-z", "M\\xC3\\xBCller", "*.txt"});
  EXPECT_EQ(escaped.run.out, crlf(">> Total: 1 instance(s) of \"M\\xC3\\xBCller\" found.\n"));
  TrawlexOutcome plain = runOnFilesUtf8(files, {"-g", "-x", "-z", u8"Müller", "*.txt"});
  EXPECT_EQ(plain.run.out, crlf(">> Within .\\a.txt: 1 match(es)\n"
                                ">> Within *.txt: 1 match(es) in 2 file(s)\n"));
}

TEST(TrawlexNames, Utf8ModeFindsAndReplacesTextOutsideTheCodePage) {
  TrawlexOutcome cyrillic = runOnFilesUtf8({{"r.txt", u8"Отчёт; 報告書\n"}},
                                           {"-8", "-r", "-t", "-z", u8"Отчёт", u8"Звіт", "r.txt"});
  EXPECT_EQ(cyrillic.run.out,
            crlf(">> Total: 1 instance(s) of \"?????\" replaced with \"????\".\n"));
  EXPECT_EQ(cyrillic.after, (FileTree{{"r.txt", u8"Звіт; 報告書\n"}}));
  TrawlexOutcome cjk = runOnFilesUtf8({{"r.txt", u8"Отчёт; 報告書\n"}},
                                      {"-8", "-r", "-t", "-z", u8"報告書", u8"レポート", "r.txt"});
  EXPECT_EQ(cjk.run.out, crlf(">> Total: 1 instance(s) of \"???\" replaced with \"????\".\n"));
  EXPECT_EQ(cjk.after, (FileTree{{"r.txt", u8"Отчёт; レポート\n"}}));
  // An invalid escape names the whole typed character as it is shown.
  TrawlexOutcome invalid = runOnFilesUtf8({}, {"-8", u8"\\ü^Ж"});
  EXPECT_EQ(invalid.run.err, "Invalid escape character (\\\xFC)\r\n");
  EXPECT_EQ(invalid.run.exitCode, 2u);
}

TEST(TrawlexNames, Utf8ModeFoldsAndKeepsTheCaseOfAsciiLettersOnly) {
  FileTree files = {{"s.txt", u8"STRAßE straße Straße MÜLLER\n"}};
  TrawlexOutcome kept =
      runOnFilesUtf8(files, {"-8", "-c", "-r", "-t", "-z", u8"straße", "Road", "s.txt"});
  EXPECT_EQ(kept.after, (FileTree{{"s.txt", u8"ROAD road Road MÜLLER\n"}}));
  TrawlexOutcome folded = runOnFilesUtf8(files, {"-8", "-i", "-t", "-z", u8"müller", "s.txt"});
  EXPECT_EQ(folded.run.out, crlf(">> Total: 0 instance(s) of \"m\xFCller\" found.\n"));
}

TEST(TrawlexNames, UnicodeModeWidensTheCharactersTyped) {
  std::string price = "5\0 \0\xAC\x20 \0\x16\x04\r\0\n\0"s;
  TrawlexOutcome euro =
      runOnFilesUtf8({{"p.txt", price}}, {"-u", "-r", "-t", "-z", u8"€", u8"Ж", "p.txt"});
  EXPECT_EQ(euro.run.out, crlf(">> Total: 1 instance(s) of \"\x80\" replaced with \"?\".\n"));
  EXPECT_EQ(euro.after, (FileTree{{"p.txt", "5\0 \0\x16\x04 \0\x16\x04\r\0\n\0"s}}));
}

TEST(TrawlexNames, Utf8WithUnicodeIsRefusedBeforeAnyFile) {
  FileTree files = {{"a.txt", "gizmo\n"}};
  for (const char* options : {"-8u", "-u8"}) {
    TrawlexOutcome result = runOnFilesUtf8(files, {options, "-r", "gizmo", "x", "*.txt"});
    EXPECT_EQ(result.run.out, "");
    EXPECT_EQ(result.run.err, "Options -8 and -u cannot be combined.\r\n");
    EXPECT_EQ(result.run.exitCode, 1u);
    EXPECT_EQ(result.after, files);
  }
}

class TrawlexLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = makeTempFolder("trawlex");
    outside_ = makeTempFolder("trawlex");
  }
  void TearDown() override {
    // Removing a link from Windows under Wine would reach its target.
    for (const std::string& link : links_)
      EXPECT_TRUE(runUnixUntil("/bin/rm -f " + unixPath(link), link, false)) << link;
    removeTree(folder_);
    removeTree(outside_);
  }

  // Links `link` to `target` with Unix ln (with "-s" for a symbolic link).
  void link(const std::string& options, const std::string& target, const std::string& link) {
    std::string unixLink = unixPath(link);
    ASSERT_EQ(unixLink.find(' '), std::string::npos) << unixLink;
    ASSERT_TRUE(runUnixUntil("/bin/ln " + options + target + " " + unixLink, link, true)) << link;
    links_.push_back(link);
  }

  std::string folder_;
  std::string outside_;
  std::vector<std::string> links_;
};

TEST_F(TrawlexLinks, FileWithASecondHardLinkIsRefusedAndKeepsOneContent) {
  makeTree(folder_, {{"d\\a.txt", "gizmo\n"}, {"d\\b.txt", "gizmo\n"}, {"e\\", ""}});
  link("", unixPath(folder_ + "\\d\\a.txt"), folder_ + "\\e\\other.txt");
  RunResult run = runTrawlex(folder_, {"-r", "-k", "-z", "gizmo", "widget", "d\\*.txt"});
  EXPECT_EQ(run.out, crlf("widget.\n"
                          ">> Within d\\b.txt: 1 replacement(s)\n"
                          "\n"
                          ">> Within d\\*.txt: 1 replacement(s) in 2 file(s)\n"
                          "\n"
                          ">> Total: 1 instance(s) of \"gizmo\" replaced with \"widget\".\n"));
  EXPECT_EQ(run.err, crlf("Error replacing \"d\\a.txt\": the file has more than one name (a hard "
                          "link).\n"));
  EXPECT_EQ(readTree(folder_), (FileTree{{"d\\a.txt", "gizmo\n"},
                                         {"d\\b.txt", "widget\n"},
                                         {"d\\b.txt.bak", "gizmo\n"},
                                         {"e\\other.txt", "gizmo\n"}}));
  // Still one file under two names.
  writeFile(folder_ + "\\e\\other.txt", "changed\n");
  EXPECT_EQ(readFile(folder_ + "\\d\\a.txt"), "changed\n");
}

TEST_F(TrawlexLinks, SymbolicLinkIsReadThroughButNeverRewritten) {
  makeTree(folder_, {{"target.txt", "gizmo\n"}, {"d\\b.txt", "gizmo\n"}});
  link("-s ", "../target.txt", folder_ + "\\d\\link.txt");
  RunResult find = runTrawlex(folder_, {"-t", "-z", "gizmo", "d\\*.txt"});
  EXPECT_EQ(find.out, crlf(">> Total: 2 instance(s) of \"gizmo\" found.\n"));
  RunResult replace = runTrawlex(folder_, {"-r", "-k", "-t", "-z", "gizmo", "widget", "d\\*.txt"});
  EXPECT_EQ(replace.out, crlf(">> Total: 1 instance(s) of \"gizmo\" replaced with \"widget\".\n"));
  EXPECT_EQ(replace.err, crlf("Error replacing \"d\\link.txt\": the file is a symbolic link.\n"));
  EXPECT_EQ(readTree(folder_), (FileTree{{"d\\b.txt", "widget\n"},
                                         {"d\\b.txt.bak", "gizmo\n"},
                                         {"d\\link.txt", "gizmo\n"},
                                         {"target.txt", "gizmo\n"}}));
  // Still a link to the target.
  writeFile(folder_ + "\\target.txt", "changed\n");
  EXPECT_EQ(readFile(folder_ + "\\d\\link.txt"), "changed\n");
}

TEST_F(TrawlexLinks, RecursionNeverEntersAFolderLink) {
  makeTree(folder_, {{"a.txt", "gizmo\n"}});
  makeTree(outside_, {{"s.txt", "gizmo\n"}});
  link("-s ", unixPath(outside_), folder_ + "\\linked");
  RunResult run = runTrawlex(folder_, {"-s", "-r", "-t", "-z", "gizmo", "widget", "*.txt"});
  EXPECT_EQ(run.out, crlf(">> Total: 1 instance(s) of \"gizmo\" replaced with \"widget\".\n"));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(readTree(outside_), (FileTree{{"s.txt", "gizmo\n"}}));
  EXPECT_EQ(readFile(folder_ + "\\a.txt"), "widget\n");
}
