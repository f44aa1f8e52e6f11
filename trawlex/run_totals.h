// The end of a run: the grand total over the wildcards, the total line and
// the exit code.
#ifndef TRAWLEX_RUN_TOTALS_H_
#define TRAWLEX_RUN_TOTALS_H_

#include <cstdint>
#include <string>

#include "options.h"

/// `total` plus one wildcard's `count`, held at the largest 32-bit value
/// instead of wrapping to a negative total.
int32_t addToTotal(int32_t total, int32_t count);

/// The total line without its line end: the total, the unit word, and the
/// search (and, when replacing, the replacement) argument quoted as typed.
std::string totalLine(const RunOptions& options, int32_t total, const CommandLine& commandLine);

/// The process exit code for a finished run: the total under
/// `countAsExitCode`, 0 otherwise.
int exitCodeFor(const RunOptions& options, int32_t total);

#endif  // TRAWLEX_RUN_TOTALS_H_
