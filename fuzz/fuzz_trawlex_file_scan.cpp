// The file scan (line reader, matching, replacement, counting, printing)
// under every option combination, fed in windows of fuzzed sizes, compared
// with the plain reference model: the same count, the same rewritten bytes
// and the same printed text, byte for byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "file_scan.h"
#include "options.h"
#include "reference_model.h"
#include "report.h"
#include "string_prep.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

RunOptions fuzzedOptions(FuzzedDataProvider& input) {
  RunOptions options;
  options.showProgress = false;
  options.replace = input.ConsumeBool();
  options.ignoreCase = input.ConsumeBool();
  options.preserveCase = input.ConsumeBool();
  // The command line refuses "-n" together with "-r".
  options.invert = !options.replace && input.ConsumeBool();
  options.wholeLine = input.ConsumeBool();
  options.binary = input.ConsumeBool();
  options.printMatches = input.ConsumeBool();
  options.printBoth = input.ConsumeBool();
  options.printLineNumbers = input.ConsumeBool();
  options.printFileNames = input.ConsumeBool();
  return options;
}

// Runs `work` with standard output going to memory and returns what it wrote.
template <typename Work>
std::string captured(Work work) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* real = stdout;
  stdout = open_memstream(&buffer, &size);
  require(stdout != nullptr);
  work();
  flushReport();
  fclose(stdout);
  stdout = real;
  std::string text(buffer, size);
  free(buffer);
  return text;
}

struct ScanResult {
  int32_t count = 0;
  std::string output;
};

// Feeds the file the way the file processor does: each window holds what the
// last one left over, followed by the next piece.
ScanResult scanInPieces(const std::string& file, const std::string& search,
                        const std::string& replacement, bool quiet, FuzzedDataProvider& pieces) {
  FileScan scan;
  startFileScan(scan, "dir\\f.txt", search, replacement);
  scan.quiet = quiet;
  ScanResult result;
  std::string window;
  size_t given = 0;
  bool final = false;
  while (!final) {
    size_t piece = std::min(file.size() - given, pieces.ConsumeIntegralInRange<size_t>(1, 64));
    window.append(file, given, piece);
    given += piece;
    final = given == file.size();
    size_t used = scanWindow(scan, window, final);
    require(used <= window.size());
    window.erase(0, used);
    result.output += scan.output;
    takeOutput(scan);
  }
  require(window.empty());
  // The unchanged start of a rewritten file is the file's own.
  require(scan.firstChange <= static_cast<int64_t>(file.size()));
  if (runOptions.replace) {
    result.output = scan.firstChange < 0 ? file : file.substr(0, scan.firstChange) + result.output;
  }
  result.count = scan.matchCount;
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  RunOptions options = fuzzedOptions(input);
  reportBuffered = input.ConsumeBool();
  // A count-only pass prints nothing but must count and rewrite the same.
  bool quiet = input.ConsumeBool();
  std::string search = input.ConsumeRandomLengthString(12);
  std::string replacement = input.ConsumeRandomLengthString(12);
  std::string file = input.ConsumeRandomLengthString(4096);
  // The string preparation lets through no other search text.
  if (search.empty() || hasLineBreakInMiddle(search))
    return 0;

  runOptions = options;
  ReferenceResult expected;
  std::string expectedPrinted =
      captured([&] { expected = referenceProcessFile(file, search, replacement, "dir\\f.txt"); });
  runOptions = options;
  ScanResult actual;
  std::string actualPrinted =
      captured([&] { actual = scanInPieces(file, search, replacement, quiet, input); });
  require(runOptions.replace == options.replace && runOptions.binary == options.binary);
  require(expected.count == actual.count && actual.count >= 0);
  require(actual.output == (options.replace ? expected.output : std::string()));
  require(actualPrinted == (quiet ? std::string() : expectedPrinted));
  return 0;
}
