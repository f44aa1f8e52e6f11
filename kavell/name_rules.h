// Rules on names and paths held as UTF-16 (wide) text, the form in which the
// file system, the registry and the account database store them: letter case,
// the long-path form, links, and where one folder lies against another.
#ifndef KAVELL_NAME_RULES_H_
#define KAVELL_NAME_RULES_H_

#include <cstdint>
#include <string>
#include <vector>

/// True when the texts are equal with ASCII letter case ignored; every other
/// character must be the same.
bool equalsIgnoringAsciiCase(const std::wstring& a, const std::wstring& b);

/// `text` with every character outside ASCII replaced by '?', for parsers of
/// texts that are ASCII when valid (SID texts).
std::string asciiOrQuestionMarks(const std::wstring& text);

/// `path` with every "%SystemDrive%" (exact case) replaced by `systemDrive`.
/// Returns false when the token is present but the variable is missing
/// (`systemDrive` null); a path without the token is returned unchanged.
bool expandSystemDriveWide(const std::wstring& path, const wchar_t* systemDrive,
                           std::wstring* expanded);

/// The long-path form ("\\?\C:\x", "\\?\UNC\server\share\x") of a full,
/// normalized path; a path already in that form, or a device path ("\\.\"),
/// is returned unchanged. Names are kept exactly, trailing dots and blanks too.
std::wstring longPathOf(const std::wstring& fullPath);

/// `path` as the user knows it: the long-path prefix taken off again
/// ("\\?\UNC\server\share" gives "\\server\share").
std::wstring withoutLongPrefix(const std::wstring& path);

/// FILE_ATTRIBUTE_REPARSE_POINT.
constexpr uint32_t reparsePointAttribute = 0x400;

/// True when an entry with these attributes and reparse tag is a link, never
/// to be entered: a reparse point whose tag has the name-surrogate bit
/// (junctions, mount points, symbolic links). A tag of 0 is no tag the system
/// hands out; such a reparse point (as some systems report for every link)
/// is taken as a link too. Any other reparse point (cloud placeholders,
/// deduplicated files, app execution aliases) holds its data itself and is
/// an ordinary entry.
bool isLinkEntry(uint32_t attributes, uint32_t reparseTag);

/// What the file system says a folder is.
struct FolderIdentity {
  bool known = false;      ///< the folder was opened and its identity read
  uint32_t volume = 0;     ///< volume serial number
  uint64_t index = 0;      ///< file index on that volume
  std::wstring finalPath;  ///< the path the system resolved it to; may be empty
};

/// True when both are known and name the same directory (same volume serial
/// number and file index).
bool isSameFolder(const FolderIdentity& a, const FolderIdentity& b);

/// The components of a final path, the long-path prefix left out, ASCII
/// letters in lower case, empty components dropped.
std::vector<std::wstring> finalPathComponents(const std::wstring& path);

/// True when both are known and `outer` is the same directory as `inner` or
/// `inner` lies below it, by their final paths compared component by
/// component (ASCII case ignored), or by identity.
bool folderHolds(const FolderIdentity& outer, const FolderIdentity& inner);

#endif  // KAVELL_NAME_RULES_H_
