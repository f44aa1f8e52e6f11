#include "file_set.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "file_listing.h"
#include "file_processor.h"
#include "names.h"
#include "options.h"
#include "path_rules.h"
#include "progress.h"
#include "report.h"

namespace {

// Where the files that a walk finds go: processed at once (direct mode) or
// gathered for sorting (sortFirst); and the name pattern, as matched and as
// printed.
struct WalkTarget {
  const std::string* searchText = nullptr;
  const std::string* replaceText = nullptr;
  int32_t matchCount = 0;
  std::vector<FileName>* fileList = nullptr;
  std::wstring pattern;
  std::string shownPattern;
};

ListingEntry listingEntryOf(const WIN32_FIND_DATAW& found) {
  ListingEntry entry;
  entry.name = found.cFileName;
  entry.shownName = shownForm(entry.name);
  entry.isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.isReparsePoint = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  return entry;
}

// The folders (`folders`) or the other entries of the listing that `search`
// (a long folder path and a pattern) gives, taken whole before any of its
// files is rewritten: an open listing may return a file renamed in its folder
// a second time.
std::vector<ListingEntry> readListing(const std::wstring& search, bool folders) {
  std::vector<ListingEntry> listing;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(search.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) {
    return listing;
  }
  do {
    if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) {
      listing.push_back(listingEntryOf(found));
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return listing;
}

int32_t walkFiles(const FileName& folder, WalkTarget& target) {
  std::vector<FileName> files = filesOfListing(
      folder, readListing(folder.real + target.pattern, false), GetCurrentProcessId());
  for (const FileName& file : files) {
    if (target.fileList != nullptr) {
      target.fileList->push_back(file);
    } else {
      target.matchCount += processFile(file, *target.searchText, *target.replaceText);
    }
  }
  return static_cast<int32_t>(files.size());
}

int32_t walkDirectory(const FileName& folder, WalkTarget& target);

int32_t walkSubdirectories(const FileName& folder, WalkTarget& target) {
  int32_t fileCount = 0;
  for (const FileName& subfolder :
       subfoldersOfListing(folder, readListing(folder.real + L"*", true))) {
    printProgress(subfolder.shown + target.shownPattern, 0, 0);
    fileCount += walkDirectory(subfolder, target);
  }
  return fileCount;
}

// A folder's matching files first, then each subfolder walked whole.
int32_t walkDirectory(const FileName& folder, WalkTarget& target) {
  int32_t fileCount = walkFiles(folder, target);
  if (runOptions.recurse) {
    fileCount += walkSubdirectories(folder, target);
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

int32_t processWildcard(const std::wstring& wildcard, const std::string& searchText,
                        const std::string& replaceText) {
  reportBuffered = !stdoutIsConsole();
  std::wstring directory;
  WalkTarget target;
  splitWildcard(wildcard, directory, target.pattern);
  target.shownPattern = shownForm(target.pattern);
  target.searchText = &searchText;
  target.replaceText = &replaceText;
  std::vector<FileName> fileList;
  if (runOptions.sortFirst) {
    target.fileList = &fileList;
  }
  FileName folder{fullFolderPath(directory), shownForm(directory)};
  int32_t fileCount = folder.real.empty() ? 0 : walkDirectory(folder, target);
  if (runOptions.sortFirst) {
    std::sort(fileList.begin(), fileList.end(), isListedBefore);
    for (const FileName& file : fileList) {
      target.matchCount += processFile(file, searchText, replaceText);
    }
  }
  printWildcardSummary(shownForm(wildcard), target.matchCount, fileCount);
  flushReport();
  return target.matchCount;
}
