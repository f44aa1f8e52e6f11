// The command line: option letters, the settings they make, the help text and
// the positional arguments.
#ifndef TRAWLEX_OPTIONS_H_
#define TRAWLEX_OPTIONS_H_

/// The settings of one run, filled from the option letters before any file is
/// touched and only read afterwards (string preparation may still set
/// `binary`).
struct RunOptions {
  bool replace = false;
  bool ignoreCase = false;
  bool preserveCase = false;
  bool unicode = false;
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

/// If no print letter has been applied yet, clears the six print settings and
/// `printDefaults`; otherwise does nothing.
void clearPrintDefaults(RunOptions& options);

#endif  // TRAWLEX_OPTIONS_H_
