// Search and replacement strings: the typed arguments turned into the byte
// strings that the matcher works with (escapes, 16-bit widening, the
// line-break check).
#ifndef TRAWLEX_STRING_PREP_H_
#define TRAWLEX_STRING_PREP_H_

#include <cstdio>
#include <string>

#include "options.h"

/// Expands the backslash and caret escapes of `text` in one pass. Returns
/// true with `text` rewritten, or false at the first invalid escape with
/// `text` unchanged and `message` set to its error text ("Invalid escape
/// character (...)", with a NUL byte inside the parentheses when the escape
/// is cut off at the end). Never stops at a NUL byte.
bool expandEscapes(std::string& text, std::string& message);

/// Puts a zero byte after every byte of `text`: each byte becomes the
/// little-endian 16-bit unit of the same value, with no code-page translation.
void widenToUnicode(std::string& text);

/// True if a line feed has a byte after it, or a carriage return has two or
/// more bytes after it: the search could then never match within one line.
bool hasLineBreakInMiddle(const std::string& searchText);

/// Builds `searchText` and `replaceText` from the typed arguments: escape
/// expansion (setting `binary`) or, under verbatim mode, the verbatim notice on
/// `out`; widening under `unicode`; the line-break check. Returns goOn(), or
/// ends with exit code 2 (invalid escape) or 3 (line break inside the search
/// string) after writing the message to `err`.
Outcome prepareStrings(const CommandLine& commandLine, RunOptions& options, std::string& searchText,
                       std::string& replaceText, FILE* out, FILE* err);

#endif  // TRAWLEX_STRING_PREP_H_
