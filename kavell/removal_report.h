// The lines that say what a removal left behind. A failed removal is the one
// thing an admin running a scheduled clean-up must be able to see.
#ifndef KAVELL_REMOVAL_REPORT_H_
#define KAVELL_REMOVAL_REPORT_H_

#include <string>

/// `message` without the line breaks, blanks and tabs the system puts at its
/// end.
std::string trimMessage(const std::string& message);

/// The line after a "Deleting" line when the folder removal stopped: the
/// profile folder, the entry it stopped at when that is not the folder itself,
/// the error code and its text (trimmed; left out when empty).
std::string folderFailureLine(const std::string& folder, const std::string& stoppedAt,
                              unsigned long code, const std::string& message);

/// The line when the removal stopped at an entry (or the folder itself) that
/// was not what its folder listed: replaced during the removal, or a link the
/// system followed. `stoppedAt` is left out when it is the folder itself.
std::string replacedFolderLine(const std::string& folder, const std::string& stoppedAt);

/// The line when the folder was refused: a relative path, a drive or share
/// root is never emptied.
std::string dangerousFolderLine(const std::string& folder);

/// The line when the folder is a system folder or another profile's, which
/// is never emptied.
std::string keptFolderLine(const std::string& folder);

/// The line when a registry key under HKEY_LOCAL_MACHINE stayed.
std::string registryFailureLine(const std::string& keyPath, unsigned long code,
                                const std::string& message);

#endif  // KAVELL_REMOVAL_REPORT_H_
