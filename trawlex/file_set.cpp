#include "file_set.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

#include "file_listing.h"
#include "file_processor.h"
#include "folder_walk.h"
#include "names.h"
#include "options.h"
#include "path_rules.h"
#include "progress.h"
#include "report.h"

namespace {

// A file gathered for sorting, with the folder it is opened in.
struct GatheredFile {
  OpenFolder* folder = nullptr;
  ListedFile file;
};

// Where the files that a walk finds go: processed at once (direct mode) or
// gathered for sorting (sortFirst), with their folders kept open until then;
// and the name pattern, as matched and as printed.
struct WalkTarget {
  const std::string* searchText = nullptr;
  const std::string* replaceText = nullptr;
  int32_t matchCount = 0;
  std::vector<GatheredFile>* fileList = nullptr;
  std::deque<OpenFolder>* keptFolders = nullptr;
  std::wstring pattern;
  std::string shownPattern;
};

// The listing is taken whole before any of its files is rewritten: an open
// listing may return a file renamed in its folder a second time.
int32_t walkFiles(OpenFolder& folder, WalkTarget& target) {
  std::vector<ListedFile> files =
      filesOfListing(folder.name, listFolder(folder, target.pattern), GetCurrentProcessId());
  for (const ListedFile& file : files) {
    if (target.fileList != nullptr) {
      target.fileList->push_back(GatheredFile{&folder, file});
    } else {
      target.matchCount += processFile(folder, file, *target.searchText, *target.replaceText);
    }
  }
  return static_cast<int32_t>(files.size());
}

int32_t walkDirectory(OpenFolder& folder, WalkTarget& target);

int32_t walkSubdirectories(const OpenFolder& folder, WalkTarget& target) {
  int32_t fileCount = 0;
  for (const ListedFile& entry : subfoldersOfListing(folder.name, listFolder(folder, L"*"))) {
    printProgress(entry.path.shown + target.shownPattern, 0, 0);
    OpenFolder local;
    OpenFolder& subfolder =
        target.keptFolders != nullptr ? target.keptFolders->emplace_back() : local;
    switch (openSubfolder(folder, entry, subfolder)) {
      case FolderOpen::Entered:
        fileCount += walkDirectory(subfolder, target);
        break;
      case FolderOpen::Replaced:
        reportFileError("Error reading \"" + entry.path.shown +
                        "\": the folder was replaced after its parent was listed.");
        break;
      case FolderOpen::Skipped:
        break;
    }
  }
  return fileCount;
}

// A folder's matching files first, then each subfolder walked whole.
int32_t walkDirectory(OpenFolder& folder, WalkTarget& target) {
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
  std::vector<GatheredFile> fileList;
  std::deque<OpenFolder> keptFolders;
  if (runOptions.sortFirst) {
    target.fileList = &fileList;
    target.keptFolders = &keptFolders;
  }
  OpenFolder folder;
  folder.name = FileName{fullFolderPath(directory), shownForm(directory)};
  int32_t fileCount = !folder.name.real.empty() && openTopFolder(folder.name.real, folder)
                          ? walkDirectory(folder, target)
                          : 0;
  if (runOptions.sortFirst) {
    std::sort(fileList.begin(), fileList.end(), [](const GatheredFile& a, const GatheredFile& b) {
      return isListedBefore(a.file.path, b.file.path);
    });
    for (const GatheredFile& gathered : fileList) {
      target.matchCount += processFile(*gathered.folder, gathered.file, searchText, replaceText);
    }
  }
  printWildcardSummary(shownForm(wildcard), target.matchCount, fileCount);
  flushReport();
  return target.matchCount;
}
