// Per-file processing: one file read, searched and counted, its matches
// printed, and in replace mode its new content written beside it and put in
// its place in one atomic step.
#ifndef TRAWLEX_FILE_PROCESSOR_H_
#define TRAWLEX_FILE_PROCESSOR_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "file_listing.h"
#include "folder_walk.h"

/// The longest line that processFile holds in memory. A file with a longer
/// line is reported on standard error and left untouched. Tests lower it.
extern size_t lineLengthLimit;

/// Searches the listed `file` of `folder` for `searchText` (replacing it by
/// `replaceText` in replace mode), prints its matching lines or dumps and its
/// summary, and returns its match count. Returns 0, with an error naming the
/// file on standard error, when the file cannot be read, or, in replace mode,
/// when its new content cannot be written, backed up or put in place; the
/// file is then left as it was, and no temporary file is left behind.
/// A file that is read-only, or is a link (a symbolic link, or a file with
/// more than one name), is never rewritten: it counts 0, and when it holds
/// the search string an error names it. The file is opened, and rewritten,
/// relative to the folder's handle: a file that is not the one listed (its
/// name now leads to another file, or through a link) is named in an error
/// ("the file was replaced after its folder was listed"), counts 0 and is
/// neither read nor rewritten; so is one whose name no longer leads to it
/// when its new content is put in place.
int32_t processFile(OpenFolder& folder, const ListedFile& file, const std::string& searchText,
                    const std::string& replaceText);

/// Writes `text` and a line end to standard error, after what the report
/// holds so far and with the progress line cleared: a file's error.
void reportFileError(const std::string& text);

/// The attributes that a rewritten file gets, from those of its original:
/// hidden, system and not-content-indexed carried over, and archive set, as
/// any write sets it.
uint32_t rewrittenAttributes(uint32_t original);

#endif  // TRAWLEX_FILE_PROCESSOR_H_
