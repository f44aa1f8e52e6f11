#include "file_set.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "file_processor.h"
#include "options.h"
#include "path_rules.h"
#include "progress.h"
#include "report.h"

namespace {

// Where the files that a walk finds go: processed at once (direct mode) or
// gathered for sorting (sortFirst).
struct WalkTarget {
  const std::string* searchText = nullptr;
  const std::string* replaceText = nullptr;
  int32_t matchCount = 0;
  std::vector<std::string>* fileList = nullptr;
};

bool isDirectory(const WIN32_FIND_DATAA& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

int32_t walkFiles(const std::string& directory, const std::string& pattern, WalkTarget& target) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((directory + pattern).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;
  }
  int32_t fileCount = 0;
  uint32_t processId = GetCurrentProcessId();
  do {
    // A temporary file of this run may show up while it exists; it is no
    // file of the set.
    if (isDirectory(entry) || isTemporaryName(entry.cFileName, processId)) {
      continue;
    }
    ++fileCount;
    std::string path = directory + entry.cFileName;
    if (target.fileList != nullptr) {
      target.fileList->push_back(path);
    } else {
      target.matchCount += processFile(path, *target.searchText, *target.replaceText);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return fileCount;
}

int32_t walkDirectory(const std::string& directory, const std::string& pattern, WalkTarget& target);

int32_t walkSubdirectories(const std::string& directory, const std::string& pattern,
                           WalkTarget& target) {
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((directory + "*.*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    return 0;
  }
  int32_t fileCount = 0;
  do {
    // A directory link (junction or symbolic link) may lead back up the tree;
    // following it would process the same files again and again.
    bool isLink = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (isDirectory(entry) && !isLink && entry.cFileName[0] != '.') {
      std::string subdirectory = directory + entry.cFileName + "\\";
      printProgress(subdirectory + pattern, 0, 0);
      fileCount += walkDirectory(subdirectory, pattern, target);
    }
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return fileCount;
}

// A folder's matching files first, then each subfolder walked whole.
int32_t walkDirectory(const std::string& directory, const std::string& pattern,
                      WalkTarget& target) {
  int32_t fileCount = walkFiles(directory, pattern, target);
  if (runOptions.recurse) {
    fileCount += walkSubdirectories(directory, pattern, target);
  }
  return fileCount;
}

void printWildcardSummary(const std::string& wildcard, int32_t matchCount, int32_t fileCount) {
  if (!runOptions.printGroups) {
    return;
  }
  clearProgress();
  std::string text = ">> Within " + wildcard + ": " + std::to_string(matchCount) + " " +
                     pluralNoun() + " in " + std::to_string(fileCount) + " file(s)\n";
  if (runOptions.printMatches) {
    text += "\n";
  }
  printReportText(text);
}

// Standard output collects report lines in large pieces unless a person
// watches it on a console. The null device counts as no console.
bool stdoutIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

}  // namespace

int32_t processWildcard(const std::string& wildcard, const std::string& searchText,
                        const std::string& replaceText) {
  reportBuffered = !stdoutIsConsole();
  std::string directory;
  std::string pattern;
  splitWildcard(wildcard, directory, pattern);
  WalkTarget target;
  target.searchText = &searchText;
  target.replaceText = &replaceText;
  std::vector<std::string> fileList;
  if (runOptions.sortFirst) {
    target.fileList = &fileList;
  }
  int32_t fileCount = walkDirectory(directory, pattern, target);
  if (runOptions.sortFirst) {
    // std::string compares its bytes as unsigned characters.
    std::sort(fileList.begin(), fileList.end());
    for (const std::string& path : fileList) {
      target.matchCount += processFile(path, searchText, replaceText);
    }
  }
  printWildcardSummary(wildcard, target.matchCount, fileCount);
  flushReport();
  return target.matchCount;
}
