#include "options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The names of the settings that are on, in declaration order: one string
// shows every field at once when a test fails.
std::string setFields(const RunOptions& o) {
  const std::pair<bool, const char*> fields[] = {
      {o.replace, "replace"},
      {o.ignoreCase, "ignoreCase"},
      {o.preserveCase, "preserveCase"},
      {o.unicode, "unicode"},
      {o.utf8, "utf8"},
      {o.invert, "invert"},
      {o.escapes, "escapes"},
      {o.wholeLine, "wholeLine"},
      {o.binary, "binary"},
      {o.printTotal, "printTotal"},
      {o.printGroups, "printGroups"},
      {o.printMatches, "printMatches"},
      {o.printBoth, "printBoth"},
      {o.printLineNumbers, "printLineNumbers"},
      {o.printFileNames, "printFileNames"},
      {o.printDefaults, "printDefaults"},
      {o.recurse, "recurse"},
      {o.showProgress, "showProgress"},
      {o.backups, "backups"},
      {o.sortFirst, "sortFirst"},
      {o.countAsExitCode, "countAsExitCode"},
  };
  std::string names;
  for (const auto& field : fields) {
    if (field.first)
      names += std::string(names.empty() ? "" : " ") + field.second;
  }
  return names;
}

const char defaultFields[] =
    "escapes printTotal printGroups printMatches printDefaults showProgress";

class OptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    out = tmpfile();
    err = tmpfile();
    ASSERT_NE(out, nullptr);
    ASSERT_NE(err, nullptr);
  }
  void TearDown() override {
    if (out)
      fclose(out);
    if (err)
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

  std::string outText() { return contents(out); }
  std::string errText() { return contents(err); }

  // The settings after scanning `args` from the defaults; the scan must go on.
  std::string fieldsAfter(const std::vector<std::string>& args) {
    RunOptions options;
    CommandLine commandLine;
    Outcome outcome = scanCommandLine(args, options, commandLine, out, err);
    EXPECT_FALSE(outcome.endProcess) << errText();
    return setFields(options);
  }

  Outcome scan(const std::vector<std::string>& args) {
    return scanCommandLine(args, options, commandLine, out, err);
  }

  std::string helpText() {
    FILE* help = tmpfile();
    printHelp(help);
    std::string text = contents(help);
    fclose(help);
    return text;
  }

  FILE* out = nullptr;
  FILE* err = nullptr;
  RunOptions options;
  CommandLine commandLine;
};

TEST_F(OptionsTest, DefaultsBeforeAnyLetter) {
  EXPECT_EQ(setFields(RunOptions()), defaultFields);
  EXPECT_EQ(fieldsAfter({"foo"}), defaultFields);
}

TEST_F(OptionsTest, EachLetterAloneSetsExactlyItsFields) {
  const std::pair<const char*, const char*> cases[] = {
      {"-f", defaultFields},
      {"-r", "replace escapes printTotal printGroups printMatches printDefaults showProgress"},
      {"-y", defaultFields},
      {"-i", "ignoreCase escapes printTotal printGroups printMatches printDefaults showProgress"},
      {"-c",
       "ignoreCase preserveCase escapes printTotal printGroups printMatches printDefaults "
       "showProgress"},
      {"-u", "unicode escapes printTotal printGroups printMatches printDefaults showProgress"},
      {"-8", "utf8 escapes printTotal printGroups printMatches printDefaults showProgress"},
      {"-n", "invert escapes printTotal printGroups printMatches printDefaults showProgress"},
      {"-v", "printTotal printGroups printMatches printDefaults showProgress"},
      {"-w", "escapes wholeLine printTotal printGroups printMatches printDefaults showProgress"},
      {"-t", "escapes printTotal showProgress"},
      {"-g", "escapes printGroups showProgress"},
      {"-m", "escapes printMatches showProgress"},
      {"-p", "escapes printBoth showProgress"},
      {"-l", "escapes printLineNumbers showProgress"},
      {"-d", "escapes printLineNumbers printFileNames showProgress"},
      {"-a", "escapes printTotal printMatches printLineNumbers showProgress"},
      {"-s", "escapes printTotal printGroups printMatches printDefaults recurse showProgress"},
      {"-z", "escapes printTotal printGroups printMatches printDefaults"},
      {"-k", "escapes printTotal printGroups printMatches printDefaults showProgress backups"},
      {"-x", "escapes printTotal printGroups printMatches printDefaults showProgress sortFirst"},
      {"-b", "escapes binary printTotal printGroups printMatches printDefaults showProgress"},
      {"-e",
       "escapes printTotal printGroups printMatches printDefaults showProgress countAsExitCode"},
      {"-h", defaultFields},
      {"-?", defaultFields},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fieldsAfter({c.first, "foo", "bar"}), c.second) << c.first;
  }
}

TEST_F(OptionsTest, LettersIgnoreCaseAndEitherPrefix) {
  for (char letter : std::string("frycinvwtgmpldaszkxbe")) {
    std::string lower(1, letter);
    std::string upper(1, static_cast<char>(letter - 'a' + 'A'));
    std::string expected = fieldsAfter({"-" + lower, "foo", "bar"});
    EXPECT_EQ(fieldsAfter({"-" + upper, "foo", "bar"}), expected) << letter;
    EXPECT_EQ(fieldsAfter({"/" + lower, "foo", "bar"}), expected) << letter;
    EXPECT_EQ(fieldsAfter({"/" + upper, "foo", "bar"}), expected) << letter;
  }
}

TEST_F(OptionsTest, LaterLetterOverridesEarlierOne) {
  EXPECT_EQ(fieldsAfter({"-r", "-f", "foo"}), defaultFields);
  EXPECT_EQ(fieldsAfter({"-f", "-r", "foo", "bar"}),
            "replace escapes printTotal printGroups printMatches printDefaults showProgress");
  EXPECT_EQ(fieldsAfter({"-i", "-y", "foo"}), defaultFields);
  // "y" clears only ignoreCase: the case pattern rule stays chosen.
  EXPECT_EQ(fieldsAfter({"-c", "-y", "foo"}),
            "preserveCase escapes printTotal printGroups printMatches printDefaults showProgress");
}

TEST_F(OptionsTest, FirstPrintLetterReplacesDefaultsLaterOnesAdd) {
  EXPECT_EQ(fieldsAfter({"-g", "-t", "foo"}), "escapes printTotal printGroups showProgress");
  EXPECT_EQ(fieldsAfter({"-a", "-g", "foo"}),
            "escapes printTotal printGroups printMatches printLineNumbers showProgress");
  EXPECT_EQ(fieldsAfter({"-m", "-d", "foo"}),
            "escapes printMatches printLineNumbers printFileNames showProgress");
  EXPECT_EQ(fieldsAfter({"-p", "-l", "-t", "foo"}),
            "escapes printTotal printBoth printLineNumbers showProgress");
}

TEST_F(OptionsTest, SeveralLettersInOneArgumentActLikeSeparateOnes) {
  EXPECT_EQ(fieldsAfter({"-rik", "foo", "bar"}), fieldsAfter({"-r", "-i", "-k", "foo", "bar"}));
  EXPECT_EQ(fieldsAfter({"-tgsz", "foo"}), "escapes printTotal printGroups recurse");
  EXPECT_EQ(fieldsAfter({"-ii", "foo"}), fieldsAfter({"-i", "foo"}));
}

TEST_F(OptionsTest, ClearPrintDefaultsActsOnlyOnce) {
  RunOptions o;
  clearPrintDefaults(o);
  EXPECT_EQ(setFields(o), "escapes showProgress");
  o.printTotal = true;
  clearPrintDefaults(o);
  EXPECT_EQ(setFields(o), "escapes printTotal showProgress");
}

TEST_F(OptionsTest, InvertedMatchConflictsWithReplaceInEitherOrder) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-rn", "a", "b"}, {"-nr", "a", "b"}, {"-r", "-n", "a", "b"}, {"-n", "-r", "a", "b"}}) {
    RunOptions fresh;
    CommandLine line;
    Outcome outcome = scanCommandLine(args, fresh, line, out, err);
    EXPECT_TRUE(outcome.endProcess) << args[0];
    EXPECT_EQ(outcome.exitCode, 1) << args[0];
  }
  std::string message = "Cannot use inverted match (-n) while doing replacement (-r).\n";
  EXPECT_EQ(errText(), message + message + message + message);
}

TEST_F(OptionsTest, Utf8ConflictsWithUnicodeInEitherOrderAndGroup) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-8u", "a"}, {"/U8", "a"}, {"-u", "-i8", "a"}, {"-8", "/u", "a"}}) {
    RunOptions fresh;
    CommandLine line;
    Outcome outcome = scanCommandLine(args, fresh, line, out, err);
    EXPECT_TRUE(outcome.endProcess) << args[0];
    EXPECT_EQ(outcome.exitCode, 1) << args[0];
  }
  std::string message = "Options -8 and -u cannot be combined.\n";
  EXPECT_EQ(errText(), message + message + message + message);
}

TEST_F(OptionsTest, InvertAfterReplaceWasTurnedOffIsAccepted) {
  EXPECT_EQ(fieldsAfter({"-r", "-f", "-n", "foo"}),
            "invert escapes printTotal printGroups printMatches printDefaults showProgress");
  // "f" turns replace off, but "r" still meets the invert that "n" set.
  Outcome outcome = scan({"-n", "-f", "-r", "a", "b"});
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outcome.exitCode, 1);
}

TEST_F(OptionsTest, UnknownLetterNamesTheRestOfItsArgument) {
  const std::pair<const char*, const char*> cases[] = {
      {"-tq", "Unknown argument: q\n"},   {"-qt", "Unknown argument: qt\n"},
      {"-iQz", "Unknown argument: Qz\n"}, {"/j", "Unknown argument: j\n"},
      {"--", "Unknown argument: -\n"},    {"-\xE9", "Unknown argument: \xE9\n"},
  };
  for (const auto& c : cases) {
    RunOptions fresh;
    CommandLine line;
    FILE* messages = tmpfile();
    Outcome outcome = scanCommandLine({c.first, "foo"}, fresh, line, out, messages);
    EXPECT_TRUE(outcome.endProcess) << c.first;
    EXPECT_EQ(outcome.exitCode, 1) << c.first;
    EXPECT_EQ(contents(messages), c.second);
    fclose(messages);
  }
  EXPECT_EQ(outText(), "");
}

TEST_F(OptionsTest, LettersBeforeAnUnknownOneHaveTakenEffect) {
  Outcome outcome = applyOptionLetters("tq", options, out, err);
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(setFields(options), "escapes printTotal showProgress");
}

TEST_F(OptionsTest, NoArgumentsPrintsHelpAndEndsWithZero) {
  Outcome outcome = scan({});
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outText(), helpText());
  EXPECT_EQ(errText(), "");
}

TEST_F(OptionsTest, HelpLetterPrintsWhereItStandsAndScanGoesOn) {
  Outcome outcome = scan({"-h?", "foo"});
  EXPECT_FALSE(outcome.endProcess);
  EXPECT_EQ(outText(), helpText() + helpText());
  EXPECT_EQ(commandLine.searchArgument, "foo");
}

TEST_F(OptionsTest, HelpAloneThenNoSearchString) {
  Outcome outcome = scan({"-h"});
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_EQ(outText(), helpText());
  EXPECT_EQ(errText(), "No search string argument.\n");
}

TEST_F(OptionsTest, HelpBeforeUnknownLetterStaysPrinted) {
  Outcome outcome = scan({"-hq"});
  EXPECT_TRUE(outcome.endProcess);
  EXPECT_EQ(outText(), helpText());
  EXPECT_EQ(errText(), "Unknown argument: q\n");
}

TEST_F(OptionsTest, HelpHasThirtyFourLinesAndOwnNotice) {
  std::string help = helpText();
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = help.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(help.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 34u);
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(lines[1].rfind("Version 1.1", 0), 0u);
  EXPECT_GT(lines[1].size(), std::string("Version 1.1").size());
  EXPECT_EQ(lines[9], "  -u : Unicode mode: search and replace are used as typed, as UTF-16");
  EXPECT_EQ(lines[10], "  -8 : UTF-8 mode: search and replace are used as typed, as UTF-8");
  EXPECT_EQ(lines[13], "         (Example escapes that can be used: ^M \\r \\015 \\x0D)");
  for (size_t empty : {2, 15, 24})
    EXPECT_EQ(lines[empty], "") << empty;
}

TEST_F(OptionsTest, OptionArgumentAloneChangesNothing) {
  EXPECT_EQ(fieldsAfter({"-", "/", "foo"}), defaultFields);
  EXPECT_EQ(scan({"-", "foo"}).endProcess, false);
  EXPECT_EQ(commandLine.searchArgument, "foo");
}

TEST_F(OptionsTest, FindModeUsesSearchAsReplacementAndRestAsWildcards) {
  EXPECT_FALSE(scan({"-i", "foo", "*.txt", "-i", "/s"}).endProcess);
  EXPECT_EQ(commandLine.searchArgument, "foo");
  EXPECT_EQ(commandLine.replaceArgument, "foo");
  EXPECT_EQ(commandLine.wildcards, (std::vector<std::string>{"*.txt", "-i", "/s"}));
  // Options after the search string are wildcards, not settings.
  EXPECT_FALSE(options.recurse);
}

TEST_F(OptionsTest, ReplaceModeTakesTheNextArgumentAsReplacement) {
  EXPECT_FALSE(scan({"-r", "foo", "-bar", "a.txt", "b.txt"}).endProcess);
  EXPECT_EQ(commandLine.searchArgument, "foo");
  EXPECT_EQ(commandLine.replaceArgument, "-bar");
  EXPECT_EQ(commandLine.wildcards, (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_FALSE(options.binary);
}

TEST_F(OptionsTest, SearchIndexIsWhereTheSearchArgumentStands) {
  EXPECT_FALSE(scan({"-r", "/", "-i", "foo", "bar", "a.txt"}).endProcess);
  EXPECT_EQ(commandLine.searchIndex, 3u);
}

TEST_F(OptionsTest, ReplaceTurnedOffAgainLeavesSecondArgumentAWildcard) {
  EXPECT_FALSE(scan({"-r", "-f", "foo", "bar"}).endProcess);
  EXPECT_EQ(commandLine.replaceArgument, "foo");
  EXPECT_EQ(commandLine.wildcards, (std::vector<std::string>{"bar"}));
}

TEST_F(OptionsTest, SearchWithoutWildcardsIsAccepted) {
  EXPECT_FALSE(scan({"foo"}).endProcess);
  EXPECT_TRUE(commandLine.wildcards.empty());
  EXPECT_EQ(errText(), "");
}

TEST_F(OptionsTest, MissingPositionalArgumentsEndWithOne) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"-i"}, "No search string argument.\n"},
      {{"-"}, "No search string argument.\n"},
      {{"-r", "foo"}, "No replacement string argument.\n"},
      {{"-r", "-i", "foo"}, "No replacement string argument.\n"},
      {{"-r", ""}, "No replacement string argument.\n"},
  };
  for (const auto& c : cases) {
    RunOptions fresh;
    CommandLine line;
    FILE* messages = tmpfile();
    Outcome outcome = scanCommandLine(c.first, fresh, line, out, messages);
    EXPECT_TRUE(outcome.endProcess) << c.second;
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(contents(messages), c.second);
    fclose(messages);
  }
}

TEST_F(OptionsTest, EmptySearchArgumentIsRefused) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{""}, {"-i", "", "*.txt"}, {"-r", "", "x", "*.txt"}}) {
    RunOptions fresh;
    CommandLine line;
    FILE* messages = tmpfile();
    Outcome outcome = scanCommandLine(args, fresh, line, out, messages);
    EXPECT_TRUE(outcome.endProcess);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(contents(messages), "Empty search string argument.\n");
    fclose(messages);
  }
  EXPECT_EQ(outText(), "");
}

TEST_F(OptionsTest, EmptyArgumentEndsTheOptions) {
  Outcome outcome = scan({"", "-i"});
  EXPECT_EQ(outcome.exitCode, 1);
  EXPECT_FALSE(options.ignoreCase);
  EXPECT_EQ(errText(), "Empty search string argument.\n");
}

// A file in the temp folder: TEMP on Windows, TMPDIR or /tmp elsewhere.
std::string tempPath(const std::string& name) {
  const char* folder = getenv("TEMP");
  if (!folder)
    folder = getenv("TMPDIR");
  return std::string(folder ? folder : "/tmp") + "/" + name;
}

TEST_F(OptionsTest, ErrorComesAfterOutputWrittenBefore) {
  // Two streams appending to one file: unless the scan flushes the buffered
  // output before writing the error, the error would land first.
  std::string path = tempPath("trawlex_options_order.txt");
  remove(path.c_str());
  FILE* buffered = fopen(path.c_str(), "ab");
  FILE* unbuffered = fopen(path.c_str(), "ab");
  ASSERT_TRUE(buffered && unbuffered);
  setvbuf(buffered, nullptr, _IOFBF, 1 << 16);
  setvbuf(unbuffered, nullptr, _IONBF, 0);
  Outcome outcome = scanCommandLine({"-h"}, options, commandLine, buffered, unbuffered);
  EXPECT_EQ(outcome.exitCode, 1);
  fclose(buffered);
  fclose(unbuffered);
  FILE* written = fopen(path.c_str(), "rb");
  ASSERT_NE(written, nullptr);
  EXPECT_EQ(contents(written), helpText() + "No search string argument.\n");
  fclose(written);
  remove(path.c_str());
}

}  // namespace
