// The program entry: reads the command line, prints the help, a heading, runs
// the scan once and prints the closing line.
#ifndef KAVELL_COMMAND_LINE_H_
#define KAVELL_COMMAND_LINE_H_

#include "ansi_strings.h"

/// The lead bytes of the system's ANSI code page.
LeadBytes systemLeadBytes();

/// Prints the help text: with `full` the introduction first.
void printUsage(bool full);

/// Runs one command from the program's `argc` and `argv` (as the wide entry
/// point hands them over) and returns the exit code, which is always 0. The
/// switches are read from the arguments' ANSI form; a user name is compared
/// as typed.
int runKavell(int argc, const wchar_t* const* argv);

#endif  // KAVELL_COMMAND_LINE_H_
