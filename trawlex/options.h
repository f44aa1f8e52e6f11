// The command line: option letters, the settings they make, the help text and
// the positional arguments.
#ifndef TRAWLEX_OPTIONS_H_
#define TRAWLEX_OPTIONS_H_

#include <cstdio>
#include <string>
#include <vector>

/// The settings of one run, filled from the option letters before any file is
/// touched and only read afterwards (string preparation may still set
/// `binary`).
struct RunOptions {
  bool replace = false;
  bool ignoreCase = false;
  bool preserveCase = false;
  bool unicode = false;
  bool utf8 = false;
  bool invert = false;
  bool escapes = true;
  bool wholeLine = false;
  bool binary = false;
  bool printTotal = true;
  bool printGroups = true;
  bool printMatches = true;
  bool printBoth = false;
  bool printLineNumbers = false;
  bool printFileNames = false;
  bool printDefaults = true;
  bool recurse = false;
  bool showProgress = true;
  bool backups = false;
  bool sortFirst = false;
  bool countAsExitCode = false;
};

/// The process-wide settings.
extern RunOptions runOptions;

/// The positional arguments exactly as typed. When not replacing,
/// `replaceArgument` is a copy of `searchArgument`. `searchIndex` is the
/// position of the search argument in the argument list; the replacement
/// argument (when replacing) and the wildcards follow it there.
struct CommandLine {
  std::string searchArgument;
  std::string replaceArgument;
  std::vector<std::string> wildcards;
  size_t searchIndex = 0;
};

/// What a stage before the run decided: go on, or end the process at once
/// with `exitCode`. Only main acts on it.
struct Outcome {
  bool endProcess = false;
  int exitCode = 0;
};

/// The outcome that lets the run go on.
Outcome goOn();

/// Writes `message` and a line end to `err` after flushing `out` (so it lands
/// after everything written there before), and returns the outcome that ends
/// the process with `exitCode`. `message` may hold any byte, NUL included.
Outcome failWith(FILE* out, FILE* err, const std::string& message, int exitCode);

/// If no print letter has been applied yet, clears the six print settings and
/// `printDefaults`; otherwise does nothing.
void clearPrintDefaults(RunOptions& options);

/// Writes the 34 lines of the help text to `out`. Never ends the process.
void printHelp(FILE* out);

/// Applies the characters of one option argument (the text after its "-" or
/// "/"), left to right and ignoring case, to `options`; "h" and "?" print the
/// help to `out` where they stand. Returns goOn(), or, after writing the
/// message to `err`, exit code 1 for an unknown letter (the rest of `letters`
/// from it is named), for "n" together with "r" or for "8" together with "u".
/// Letters before the bad one keep their effect.
Outcome applyOptionLetters(const std::string& letters, RunOptions& options, FILE* out, FILE* err);

/// Scans the arguments after the program name: the option arguments into
/// `options`, then the search argument, the replacement argument (when
/// replacing) and the wildcards into `commandLine`. No arguments at all prints
/// the help and ends with exit code 0. A missing or empty search argument or a
/// missing replacement argument is written to `err` and ends with exit code 1.
Outcome scanCommandLine(const std::vector<std::string>& args, RunOptions& options,
                        CommandLine& commandLine, FILE* out, FILE* err);

#endif  // TRAWLEX_OPTIONS_H_
