// Names at the edge of the program: UTF-16 text turned into the ANSI code
// page only to be printed (never with best-fit look-alikes), and the full
// long path of a folder that a wildcard names.
#ifndef TRAWLEX_NAMES_H_
#define TRAWLEX_NAMES_H_

#include <string>

/// `text` in the ANSI code page as it is printed: each character the code
/// page holds as its exact bytes, every other one as "?", never as a
/// look-alike ("\uFF3C" is "?", not "\").
std::string shownForm(const std::wstring& text);

/// True when every character of `text` has an exact form in the ANSI code
/// page, so that shownForm(text) is `text` itself and not an approximation.
bool hasExactAnsiForm(const std::wstring& text);

/// The full "\\?\" path of the folder that `typed` (a wildcard's folder
/// prefix, relative or full, "C:" for that drive's current folder) names,
/// ending in "\"; empty when it cannot be made.
std::wstring fullFolderPath(const std::wstring& typed);

#endif  // TRAWLEX_NAMES_H_
