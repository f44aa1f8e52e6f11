#include "options.h"

RunOptions runOptions;

namespace {

using Flag = bool RunOptions::*;

// What a letter is besides the settings it makes: a print letter first
// replaces the default print set; the help letters print the help.
enum LetterKind { setting, printLetter, helpLetter };

const char invertWithReplace[] = "Cannot use inverted match (-n) while doing replacement (-r).";
const char utf8WithUnicode[] = "Options -8 and -u cannot be combined.";

// One option letter: the fields it sets to `value`, and the field whose being
// set makes it a conflict, with the conflict's message.
struct LetterEffect {
  char letter;
  LetterKind kind;
  bool value;
  Flag fields[3];
  Flag conflictsWith = nullptr;
  const char* conflict = nullptr;
};

const LetterEffect letterEffects[] = {
    {'F', setting, false, {&RunOptions::replace}},
    {'R', setting, true, {&RunOptions::replace}, &RunOptions::invert, invertWithReplace},
    {'Y', setting, false, {&RunOptions::ignoreCase}},
    {'I', setting, true, {&RunOptions::ignoreCase}},
    {'C', setting, true, {&RunOptions::ignoreCase, &RunOptions::preserveCase}},
    {'U', setting, true, {&RunOptions::unicode}, &RunOptions::utf8, utf8WithUnicode},
    {'8', setting, true, {&RunOptions::utf8}, &RunOptions::unicode, utf8WithUnicode},
    {'N', setting, true, {&RunOptions::invert}, &RunOptions::replace, invertWithReplace},
    {'V', setting, false, {&RunOptions::escapes}},
    {'W', setting, true, {&RunOptions::wholeLine}},
    {'T', printLetter, true, {&RunOptions::printTotal}},
    {'G', printLetter, true, {&RunOptions::printGroups}},
    {'M', printLetter, true, {&RunOptions::printMatches}},
    {'P', printLetter, true, {&RunOptions::printBoth}},
    {'L', printLetter, true, {&RunOptions::printLineNumbers}},
    {'D', printLetter, true, {&RunOptions::printFileNames, &RunOptions::printLineNumbers}},
    {'A',
     printLetter,
     true,
     {&RunOptions::printTotal, &RunOptions::printMatches, &RunOptions::printLineNumbers}},
    {'S', setting, true, {&RunOptions::recurse}},
    {'Z', setting, false, {&RunOptions::showProgress}},
    {'K', setting, true, {&RunOptions::backups}},
    {'X', setting, true, {&RunOptions::sortFirst}},
    {'B', setting, true, {&RunOptions::binary}},
    {'E', setting, true, {&RunOptions::countAsExitCode}},
    {'H', helpLetter, false, {}},
    {'?', helpLetter, false, {}},
};

const char* const helpLines[] = {
    "Trawlex: [<options>] <search string> [<replace string>] [<file wildcard>]+",
    "Version 1.1 - finds and replaces strings in files; free to use, no warranty.",
    "",
    "Find/Replace Options",
    "  -f : Finds strings only (DEFAULT)",
    "  -r : Finds and replaces strings (must include <replace string> argument)",
    "  -y : Case sensitive search and replace (DEFAULT)",
    "  -i : Case insensitive search and replace",
    "  -c : Case insensitive, replacement same case (lower/UPPER/Mixed) as original",
    "  -u : Unicode mode: search and replace are used as typed, as UTF-16",
    "  -8 : UTF-8 mode: search and replace are used as typed, as UTF-8",
    "  -n : Match if string is NOT found (cannot be used with -r)",
    "  -v : Verbatim mode: ignore escape sequences in input strings",
    "         (Example escapes that can be used: ^M \\r \\015 \\x0D)",
    "  -w : Match search string against entire line",
    "",
    "Output Options",
    "  -t : Print total summary",
    "  -g : Print group summaries for each file and wildcard",
    "  -m : Print matching lines (if replacing, prints after replacement)",
    "  -p : Print matching lines (if replacing, prints original and replacement)",
    "  -l : Print line number for matches",
    "  -d : Print file and line number for matches",
    "  -a : Use all common print options (equivalent to -tgm) (DEFAULT)",
    "",
    "General Options",
    "  -s : Recursively process files in subdirectories",
    "  -z : Suppress printing file progress",
    "  -k : Create backups for replaced files",
    "  -x : Fully enumerate and sort file list before searching",
    "         (Useful if replace is cyclically replacing in backup files)",
    "  -b : Force binary mode (auto-set if control chars in search/replace)",
    "  -e : Return count of matches as errorlevel to shell",
    "  -h : Prints this help",
};

// Option letters ignore case in ASCII only: no locale decides what a letter is.
char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

const LetterEffect* findLetter(char c) {
  char upper = asciiUpper(c);
  for (const LetterEffect& effect : letterEffects) {
    if (effect.letter == upper)
      return &effect;
  }
  return nullptr;
}

void applyEffect(const LetterEffect& effect, RunOptions& options) {
  if (effect.kind == printLetter)
    clearPrintDefaults(options);
  for (Flag field : effect.fields) {
    if (field)
      options.*field = effect.value;
  }
}

bool isOptionArgument(const std::string& arg) {
  return !arg.empty() && (arg[0] == '-' || arg[0] == '/');
}

}  // namespace

Outcome goOn() {
  return Outcome();
}

Outcome failWith(FILE* out, FILE* err, const std::string& message, int exitCode) {
  fflush(out);
  fwrite(message.data(), 1, message.size(), err);
  fputc('\n', err);
  fflush(err);
  return Outcome{true, exitCode};
}

void clearPrintDefaults(RunOptions& options) {
  if (!options.printDefaults)
    return;
  options.printTotal = false;
  options.printGroups = false;
  options.printMatches = false;
  options.printBoth = false;
  options.printLineNumbers = false;
  options.printFileNames = false;
  options.printDefaults = false;
}

void printHelp(FILE* out) {
  for (const char* line : helpLines) {
    fputs(line, out);
    fputc('\n', out);
  }
}

Outcome applyOptionLetters(const std::string& letters, RunOptions& options, FILE* out, FILE* err) {
  for (size_t i = 0; i < letters.size(); ++i) {
    const LetterEffect* effect = findLetter(letters[i]);
    if (!effect)
      return failWith(out, err, "Unknown argument: " + letters.substr(i), 1);
    if (effect->conflictsWith && options.*(effect->conflictsWith))
      return failWith(out, err, effect->conflict, 1);
    if (effect->kind == helpLetter)
      printHelp(out);
    applyEffect(*effect, options);
  }
  return goOn();
}

Outcome scanCommandLine(const std::vector<std::string>& args, RunOptions& options,
                        CommandLine& commandLine, FILE* out, FILE* err) {
  if (args.empty()) {
    printHelp(out);
    return Outcome{true, 0};
  }
  size_t next = 0;
  // Options come first; the first argument that is not one starts the
  // positional arguments, even if a later one begins with "-" or "/".
  for (; next < args.size() && isOptionArgument(args[next]); ++next) {
    Outcome outcome = applyOptionLetters(args[next].substr(1), options, out, err);
    if (outcome.endProcess)
      return outcome;
  }
  if (next == args.size())
    return failWith(out, err, "No search string argument.", 1);
  commandLine.searchIndex = next;
  commandLine.searchArgument = args[next++];
  if (options.replace) {
    if (next == args.size())
      return failWith(out, err, "No replacement string argument.", 1);
    commandLine.replaceArgument = args[next++];
  } else {
    commandLine.replaceArgument = commandLine.searchArgument;
  }
  commandLine.wildcards.assign(args.begin() + static_cast<std::ptrdiff_t>(next), args.end());
  // An empty search string would match everywhere without ever moving on.
  if (commandLine.searchArgument.empty()) {
    return failWith(out, err, "Empty search string argument.", 1);
  }
  return goOn();
}
