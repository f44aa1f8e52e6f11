// The patterns of "/X:": which profiles a run never deletes, by a name.
#ifndef KAVELL_NAME_PATTERN_H_
#define KAVELL_NAME_PATTERN_H_

#include <cstddef>
#include <string>
#include <vector>

/// True when `pattern` matches the whole of `text`, both UTF-16: '*' stands
/// for any run of characters (none included), '?' for exactly one character
/// (a surrogate pair is one); every other unit must be equal, so letter case
/// is the caller's to fold. Takes at most (pattern length + 1) × (text length
/// + 1) steps, whatever the stars; `steps`, when given, gets their number.
bool matchesPattern(const std::wstring& pattern, const std::wstring& text, size_t* steps = nullptr);

/// The characters after the last backslash of `path`, trailing backslashes
/// ignored; all of `path` when it has none.
std::wstring lastPathComponent(const std::wstring& path);

/// The index of the first of `patterns` that matches one of `names`, or -1.
int firstMatchingPattern(const std::vector<std::wstring>& patterns,
                         const std::vector<std::wstring>& names);

#endif  // KAVELL_NAME_PATTERN_H_
