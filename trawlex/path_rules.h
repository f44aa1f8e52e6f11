// The path rules of the file walk: how a wildcard splits into the folder it
// names and a name pattern, how a file found is named (the long path it is
// opened by and the form it is printed in), how the replace step names and
// recognises its temporary files, and how it tells a link from the file itself.
#ifndef TRAWLEX_PATH_RULES_H_
#define TRAWLEX_PATH_RULES_H_

#include <cstdint>
#include <string>

/// A file or folder of the walk: `real`, the full "\\?\" path it is opened by
/// (a folder's ends in "\"), built from the names the platform listed, never
/// normalized; `shown`, the same path as it is printed: the folder as typed
/// and each name found in the ANSI code page, "?" for a character it lacks.
struct FileName {
  std::wstring real;
  std::string shown;
};

/// Splits `wildcard` at its last "\" or "/" into the folder prefix (up to and
/// including that separator, written as "\") and the name pattern after it.
/// With no separator the prefix is ".\", except after a drive letter and
/// colon ("C:*.txt"), which name the current folder of that drive and stay
/// the prefix as typed. A file's path is always the prefix and its name.
/// `Text` is std::string or std::wstring.
template <typename Text>
void splitWildcard(const Text& wildcard, Text& directory, Text& pattern);

/// `fullPath` (a full, normalized path) in the "\\?\" form that switches off
/// every further normalization and the length limit: "C:\x" gives
/// "\\?\C:\x", "\\server\share\x" gives "\\?\UNC\server\share\x"; a path
/// already in a "\\?\" or "\\.\" form is returned as it is.
std::wstring longPathOf(const std::wstring& fullPath);

/// The folder prefix of the file at `path`: everything up to and including
/// its last separator or its drive colon; empty when it has neither.
std::string folderPrefixOf(const std::string& path);

/// The name of a temporary file in the same folder as `path`, unique to this
/// process (`processId`) and `serial`.
std::string temporaryNameFor(const std::string& path, uint32_t processId, uint32_t serial);

/// The temporary file for `file` (both forms): beside it, as the one above.
FileName temporaryNameFor(const FileName& file, uint32_t processId, uint32_t serial);

/// True when `name` (a bare file name) is a temporary file name that
/// temporaryNameFor gives for `processId`.
bool isTemporaryName(const std::string& name, uint32_t processId);

/// True when `resolvedName`, the name the system resolved for a file opened
/// as `name` in a folder whose resolved name is `folderResolvedName`, is that
/// folder's entry `name` itself: false for a symbolic link (it resolves
/// elsewhere) and when either resolved name is unknown (empty).
bool isFolderEntry(const std::wstring& resolvedName, const std::wstring& folderResolvedName,
                   const std::wstring& name);

#endif  // TRAWLEX_PATH_RULES_H_
