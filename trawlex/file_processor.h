// Per-file processing: one file read, searched and counted, its matches
// printed, and in replace mode its new content written beside it and put in
// its place in one atomic step.
#ifndef TRAWLEX_FILE_PROCESSOR_H_
#define TRAWLEX_FILE_PROCESSOR_H_

#include <cstddef>
#include <cstdint>
#include <string>

/// The longest line that processFile holds in memory. A file with a longer
/// line is reported on standard error and left untouched. Tests lower it.
extern size_t lineLengthLimit;

/// Searches the file at `path` for `searchText` (replacing it by
/// `replaceText` in replace mode), prints its matching lines or dumps and its
/// summary, and returns its match count. Returns 0, with an error naming the
/// file on standard error, when the file cannot be read, or, in replace mode,
/// when its new content cannot be written, backed up or put in place; the
/// file is then left as it was, and no temporary file is left behind.
int32_t processFile(const std::string& path, const std::string& searchText,
                    const std::string& replaceText);

#endif  // TRAWLEX_FILE_PROCESSOR_H_
