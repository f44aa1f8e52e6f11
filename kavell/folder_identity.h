// What the file system says about a folder, whatever spelling names it: its
// identity, the hive file held by a logged-on user, and the 32-bit program's
// view of the system folder.
#ifndef KAVELL_FOLDER_IDENTITY_H_
#define KAVELL_FOLDER_IDENTITY_H_

#include <string>

#include "name_rules.h"

/// The full long-path form of `path` (made full against the current folder,
/// then "\\?\"); a path already in that form is returned unchanged.
std::wstring fullLongPath(const std::wstring& path);

/// The identity of the folder `path` names (links on the way followed), with
/// `known` false when it cannot be opened; `code` then holds the error (2 or 3
/// when nothing is there).
FolderIdentity identifyFolder(const std::wstring& path, unsigned long* code);

/// True when nothing at all is at `path` (error 2 or 3), so that it cannot
/// be in anyone's use.
bool isMissingCode(unsigned long code);

/// True when "NTUSER.DAT" in `profileFolder` is held open by a process that
/// shares it with no one: opening it to read, with every share mode, fails
/// with a sharing violation.
bool isHiveHeldExclusively(const std::wstring& profileFolder);

/// File-system redirection of the 32-bit program on 64-bit Windows: off while
/// folders are examined and removed, so that a stored "System32" path names
/// System32. Does nothing where there is no redirection.
struct Redirection {
  void* previous = nullptr;
  bool off = false;
};
Redirection redirectionOff();
void redirectionRestore(const Redirection& state);

#endif  // KAVELL_FOLDER_IDENTITY_H_
