#include "removal_report.h"

namespace {

std::string errorPart(unsigned long code, const std::string& message) {
  std::string text = " - error " + std::to_string(code);
  std::string trimmed = trimMessage(message);
  if (!trimmed.empty())
    text += ": " + trimmed;
  return text;
}

std::string leftBehindPart(const std::string& folder, const std::string& stoppedAt) {
  std::string line = "  Folder left behind: " + folder;
  if (!stoppedAt.empty() && stoppedAt != folder)
    line += " (stopped at " + stoppedAt + ")";
  return line;
}

}  // namespace

std::string trimMessage(const std::string& message) {
  size_t end = message.find_last_not_of(" \t\r\n");
  return end == std::string::npos ? std::string() : message.substr(0, end + 1);
}

std::string folderFailureLine(const std::string& folder, const std::string& stoppedAt,
                              unsigned long code, const std::string& message) {
  return leftBehindPart(folder, stoppedAt) + errorPart(code, message) + "\n";
}

std::string replacedFolderLine(const std::string& folder, const std::string& stoppedAt) {
  return leftBehindPart(folder, stoppedAt) + " - it was replaced during the removal\n";
}

std::string dangerousFolderLine(const std::string& folder) {
  return "  Folder left behind: " + folder +
         " - a relative path, drive root or share root is never removed\n";
}

std::string keptFolderLine(const std::string& folder) {
  return "  Folder left behind: " + folder +
         " - a system folder or another profile's folder is never removed\n";
}

std::string registryFailureLine(const std::string& keyPath, unsigned long code,
                                const std::string& message) {
  return "  Registry key left behind: HKEY_LOCAL_MACHINE\\" + keyPath + errorPart(code, message) +
         "\n";
}
