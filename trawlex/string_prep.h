// Search and replacement strings: the typed arguments turned into the byte
// strings that the matcher works with (escapes, the ANSI bytes or the UTF-8 or
// UTF-16 encoding of the characters typed, the line-break check).
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

/// Encodes `typed`, the UTF-16 units the command line gave, as UTF-16LE
/// (`utf16`: each unit as it is, a surrogate pair as its two units) or as
/// UTF-8 (an unpaired surrogate, which no valid UTF-8 text holds, as its own
/// three bytes). With `escapes`, each escape is read as expandEscapes reads
/// it and gives one byte, under `utf16` one unit of that byte's value.
/// Returns true with `bytes` set, or false at the first invalid escape with
/// `invalidEscape` set to its introducer and the whole typed character after
/// it (a NUL character when the text ends there); `bytes` is then unfinished.
bool encodeTyped(const std::wstring& typed, bool utf16, bool escapes, std::string& bytes,
                 std::wstring& invalidEscape);

/// True if a line feed has a byte after it, or a carriage return has two or
/// more bytes after it: the search could then never match within one line.
bool hasLineBreakInMiddle(const std::string& searchText);

/// Builds `searchText` and `replaceText` from the ANSI form of the typed
/// arguments: escape expansion (setting `binary`) or, under verbatim mode, the
/// verbatim notice on `out`; the line-break check. Returns goOn(), or ends
/// with exit code 2 (invalid escape) or 3 (line break inside the search
/// string) after writing the message to `err`.
Outcome prepareStrings(const CommandLine& commandLine, RunOptions& options, std::string& searchText,
                       std::string& replaceText, FILE* out, FILE* err);

/// prepareStrings for the runs that take the strings as typed (`utf8` or
/// `unicode`): `search` and `replacement` are the arguments as the command
/// line gave them, encoded by encodeTyped (as UTF-16LE under `unicode`). The
/// one difference: an invalid escape is not written but ends with exit code 2
/// and `invalidEscape` set, since only the caller can show a typed character
/// in the ANSI code page.
Outcome prepareTypedStrings(const std::wstring& search, const std::wstring& replacement,
                            RunOptions& options, std::string& searchText, std::string& replaceText,
                            std::wstring& invalidEscape, FILE* out, FILE* err);

#endif  // TRAWLEX_STRING_PREP_H_
