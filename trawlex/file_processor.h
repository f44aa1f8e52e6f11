// Per-file processing: one file read, searched and counted, its matches
// printed, and in replace mode its new content written beside it and put in
// its place in one atomic step.
#ifndef TRAWLEX_FILE_PROCESSOR_H_
#define TRAWLEX_FILE_PROCESSOR_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "path_rules.h"

/// The longest line that processFile holds in memory. A file with a longer
/// line is reported on standard error and left untouched. Tests lower it.
extern size_t lineLengthLimit;

/// Searches the file at `path` for `searchText` (replacing it by
/// `replaceText` in replace mode), prints its matching lines or dumps and its
/// summary, and returns its match count. Returns 0, with an error naming the
/// file on standard error, when the file cannot be read, or, in replace mode,
/// when its new content cannot be written, backed up or put in place; the
/// file is then left as it was, and no temporary file is left behind.
/// A file that is read-only, or is a link (a symbolic link, or a file with
/// more than one name), is never rewritten: it counts 0, and when it holds
/// the search string an error names it.
int32_t processFile(const FileName& path, const std::string& searchText,
                    const std::string& replaceText);

/// The attributes that a rewritten file gets, from those of its original:
/// hidden, system and not-content-indexed carried over, and archive set, as
/// any write sets it.
uint32_t rewrittenAttributes(uint32_t original);

#endif  // TRAWLEX_FILE_PROCESSOR_H_
