// Trawlex: finds, and optionally replaces, a string in the files that one or
// more wildcards name.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_set.h"
#include "names.h"
#include "options.h"
#include "progress.h"
#include "report.h"
#include "run_totals.h"
#include "string_prep.h"

// Wildcards reach main as typed: the file-set walk expands them itself, so
// the C runtime must not do it first.
extern "C" {
int _dowildcard = 0;
}

// An exception that nothing catches ends the program through abort() alone.
// The standard library's own handler would print the exception's type, and
// its type-name demangler alone is over 40 KB of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

namespace {

// A console shows each line as it is written; a file, pipe or NUL gets big
// blocks, which is what makes long runs with many printed lines fast.
// GetConsoleMode tells a real console apart: _isatty is true for NUL too.
// The report's blocks go through a binary stream on the same handle: the C
// runtime's text-mode translation of each line end costs more than the search.
void setOutputBuffering() {
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode))
    return;
  setvbuf(stdout, nullptr, _IOFBF, 1 << 16);
  int binary = _dup(_fileno(stdout));
  // The translation belongs to the descriptor, not to the stream.
  if (binary < 0 || _setmode(binary, _O_BINARY) < 0)
    return;
  reportBinaryStream = _fdopen(binary, "wb");
  if (reportBinaryStream != nullptr)
    setvbuf(reportBinaryStream, nullptr, _IONBF, 0);
}

// The wildcards, as typed, are the last arguments.
int32_t runWildcards(const std::vector<std::wstring>& wideArgs, const CommandLine& commandLine,
                     const std::string& searchText, const std::string& replaceText) {
  int32_t total = 0;
  for (size_t i = wideArgs.size() - commandLine.wildcards.size(); i < wideArgs.size(); ++i) {
    total = addToTotal(total, processWildcard(wideArgs[i], searchText, replaceText));
  }
  return total;
}

std::string inexactStringMessage(const char* role, const std::string& shownArgument) {
  return std::string(role) + " string argument \"" + shownArgument +
         "\" holds a character that the ANSI code page does not have.";
}

// Without -8 and -u the search and replacement strings are matched as ANSI
// bytes. A character with no exact ANSI form would become a look-alike or
// "?", and the run would find or write something other than what was typed.
Outcome refuseInexactStrings(const std::vector<std::wstring>& wideArgs,
                             const CommandLine& commandLine, const RunOptions& options) {
  size_t search = commandLine.searchIndex;
  if (!hasExactAnsiForm(wideArgs[search])) {
    return failWith(stdout, stderr, inexactStringMessage("Search", commandLine.searchArgument), 1);
  }
  if (options.replace && !hasExactAnsiForm(wideArgs[search + 1])) {
    return failWith(stdout, stderr,
                    inexactStringMessage("Replacement", commandLine.replaceArgument), 1);
  }
  return goOn();
}

Outcome prepareAnsiStrings(const std::vector<std::wstring>& wideArgs,
                           const CommandLine& commandLine, RunOptions& options,
                           std::string& searchText, std::string& replaceText) {
  Outcome outcome = refuseInexactStrings(wideArgs, commandLine, options);
  if (outcome.endProcess)
    return outcome;
  return prepareStrings(commandLine, options, searchText, replaceText, stdout, stderr);
}

// Under -8 and -u the strings are encoded from the characters typed. An
// invalid escape names its typed character as every printed string is shown.
Outcome prepareStringsAsTyped(const std::vector<std::wstring>& wideArgs,
                              const CommandLine& commandLine, RunOptions& options,
                              std::string& searchText, std::string& replaceText) {
  size_t search = commandLine.searchIndex;
  const std::wstring& replacement = wideArgs[options.replace ? search + 1 : search];
  std::wstring invalidEscape;
  Outcome outcome = prepareTypedStrings(wideArgs[search], replacement, options, searchText,
                                        replaceText, invalidEscape, stdout, stderr);
  if (!invalidEscape.empty()) {
    return failWith(stdout, stderr, "Invalid escape character (" + shownForm(invalidEscape) + ")",
                    2);
  }
  return outcome;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  setOutputBuffering();
  // A program started with an empty command line may get argc 0. The
  // arguments are read and printed in their ANSI form; the wildcards, and the
  // strings under -8 and -u, are used as typed.
  std::vector<std::wstring> wideArgs;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    wideArgs.push_back(argv[i]);
    args.push_back(shownForm(wideArgs.back()));
  }
  CommandLine commandLine;
  std::string searchText, replaceText;
  Outcome outcome = scanCommandLine(args, runOptions, commandLine, stdout, stderr);
  if (!outcome.endProcess && (runOptions.utf8 || runOptions.unicode)) {
    outcome = prepareStringsAsTyped(wideArgs, commandLine, runOptions, searchText, replaceText);
  } else if (!outcome.endProcess) {
    outcome = prepareAnsiStrings(wideArgs, commandLine, runOptions, searchText, replaceText);
  }
  if (outcome.endProcess) {
    fflush(stdout);
    return outcome.exitCode;
  }
  int32_t total = runWildcards(wideArgs, commandLine, searchText, replaceText);
  clearProgress();
  if (runOptions.printTotal) {
    std::string line = totalLine(runOptions, total, commandLine) + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
  }
  fflush(stdout);
  return exitCodeFor(runOptions, total);
}
