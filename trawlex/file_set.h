// File sets: the files that one wildcard argument names, walked and handed to
// the file processor, and the wildcard's summary.
#ifndef TRAWLEX_FILE_SET_H_
#define TRAWLEX_FILE_SET_H_

#include <cstdint>
#include <string>

/// Processes every file that `wildcard` names (and, with `recurse`, those in
/// the folders below), prints the wildcard summary, and returns the sum of
/// the files' match counts. Never ends the process.
/// The wildcard is matched as typed, every character kept; it is printed in
/// the ANSI code page, "?" for a character the code page lacks.
int32_t processWildcard(const std::wstring& wildcard, const std::string& searchText,
                        const std::string& replaceText);

#endif  // TRAWLEX_FILE_SET_H_
