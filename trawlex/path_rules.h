// The path rules of the file walk: how a wildcard splits into the folder it
// names and a name pattern, and how the replace step names and recognises
// its temporary files.
#ifndef TRAWLEX_PATH_RULES_H_
#define TRAWLEX_PATH_RULES_H_

#include <cstdint>
#include <string>

/// Splits `wildcard` at its last "\" or "/" into the folder prefix (up to and
/// including that separator, written as "\") and the name pattern after it.
/// With no separator the prefix is ".\", except after a drive letter and
/// colon ("C:*.txt"), which name the current folder of that drive and stay
/// the prefix as typed. A file's path is always the prefix and its name.
void splitWildcard(const std::string& wildcard, std::string& directory, std::string& pattern);

/// The folder prefix of the file at `path`: everything up to and including
/// its last separator or its drive colon; empty when it has neither.
std::string folderPrefixOf(const std::string& path);

/// The name of a temporary file in the same folder as `path`, unique to this
/// process (`processId`) and `serial`.
std::string temporaryNameFor(const std::string& path, uint32_t processId, uint32_t serial);

/// True when `name` (a bare file name) is a temporary file name that
/// temporaryNameFor gives for `processId`.
bool isTemporaryName(const std::string& name, uint32_t processId);

#endif  // TRAWLEX_PATH_RULES_H_
