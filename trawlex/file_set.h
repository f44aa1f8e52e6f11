// File sets: the files that one wildcard argument names, walked and handed to
// the file processor, and the wildcard's summary.
#ifndef TRAWLEX_FILE_SET_H_
#define TRAWLEX_FILE_SET_H_

#include <cstdint>
#include <string>

/// Processes every file that `wildcard` names (and, with `recurse`, those in
/// the folders below), prints the wildcard summary, and returns the sum of
/// the files' match counts. Never ends the process.
int32_t processWildcard(const std::string& wildcard, const std::string& searchText,
                        const std::string& replaceText);

#endif  // TRAWLEX_FILE_SET_H_
