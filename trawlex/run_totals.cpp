#include "run_totals.h"

int32_t addToTotal(int32_t total, int32_t count) {
  int64_t sum = static_cast<int64_t>(total) + count;
  if (sum > INT32_MAX)
    return INT32_MAX;
  if (sum < INT32_MIN)
    return INT32_MIN;
  return static_cast<int32_t>(sum);
}

std::string totalLine(const RunOptions& options, int32_t total, const CommandLine& commandLine) {
  std::string line = ">> Total: " + std::to_string(total) + " ";
  line += options.wholeLine ? "line(s)" : "instance(s)";
  line += " of \"" + commandLine.searchArgument;
  if (options.replace)
    return line + "\" replaced with \"" + commandLine.replaceArgument + "\".";
  return line + (options.invert ? "\" not found." : "\" found.");
}

int exitCodeFor(const RunOptions& options, int32_t total) {
  return options.countAsExitCode ? total : 0;
}
