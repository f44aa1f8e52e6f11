// A reference for the file scan: the line reader, the matcher and the
// per-file loop written as plainly as possible, one byte at a time, printing
// through the same report operations. Tests and fuzz targets compare the fast
// scan with it; the program itself never calls it.
#ifndef TRAWLEX_REFERENCE_MODEL_H_
#define TRAWLEX_REFERENCE_MODEL_H_

#include <cstdint>
#include <string>

/// What the reference makes of one file.
struct ReferenceResult {
  int32_t count = 0;   ///< the file's match count
  std::string output;  ///< the rewritten bytes (replace mode only)
};

/// Processes the bytes of a whole file named `path` under the current
/// `runOptions`, printing matching lines and dumps as the scan does. The
/// search text must not be empty (an empty one would be found forever at the
/// same place).
ReferenceResult referenceProcessFile(const std::string& input, const std::string& searchText,
                                     const std::string& replaceText, const std::string& path);

#endif  // TRAWLEX_REFERENCE_MODEL_H_
