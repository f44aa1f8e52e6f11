// The program entry: reads the command line, prints the help, a heading, runs
// the scan once and prints the closing line.
#ifndef KAVELL_COMMAND_LINE_H_
#define KAVELL_COMMAND_LINE_H_

#include "ansi_strings.h"

/// The lead bytes of the system's ANSI code page.
LeadBytes systemLeadBytes();

/// Prints the help text: with `full` the introduction first.
void printUsage(bool full);

/// Runs one command from the program's `argc` and `argv` and returns the exit
/// code, which is always 0.
int runKavell(int argc, const char* const* argv);

#endif  // KAVELL_COMMAND_LINE_H_
