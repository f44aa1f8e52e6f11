// Helpers shared by the Trawlex end-to-end tests: a folder of files made from
// a table, a run of Trawlex in it, and the whole folder read back afterwards,
// so that a test can compare every file's bytes and see that nothing else
// (no temporary file, no stray backup) was left behind.
#ifndef TESTS_E2E_TRAWLEX_E2E_UTIL_H_
#define TESTS_E2E_TRAWLEX_E2E_UTIL_H_

#include <map>
#include <string>
#include <vector>

#include "harness.h"

/// A folder's files at any depth: path relative to the folder (backslashes)
/// to bytes. The folders on the way are implied by the paths.
using FileTree = std::map<std::string, std::string>;

/// Makes every file of `tree` below `folder`, creating the folders that the
/// paths name on the way; an entry ending in a backslash makes just a folder.
/// Fails the test when a file cannot be written.
void makeTree(const std::string& folder, const FileTree& tree);

/// Every file below `folder`, at any depth, hidden files included.
FileTree readTree(const std::string& folder);

/// Runs the Trawlex under test with `args` in `folder`.
RunResult runTrawlex(const std::string& folder, const std::vector<std::string>& args,
                     bool mergeStreams = false);

/// What one run in a fresh folder wrote, and the folder's content after it.
struct TrawlexOutcome {
  RunResult run;
  FileTree after;
};

/// Makes a fresh folder holding `files`, runs Trawlex with `args` in it,
/// reads the folder back and removes it.
TrawlexOutcome runOnFiles(const FileTree& files, const std::vector<std::string>& args,
                          bool mergeStreams = false);

/// The progress line that shows `text`: its last 75 characters, or the text
/// and blanks up to 75 characters, and a carriage return.
std::string progressLine(const std::string& text);

/// What blanks the progress line: 75 blanks and a carriage return.
std::string progressCleared();

/// `count` blanks, for the padding of dump rows in expected output.
std::string blanks(size_t count);

/// `text` as UTF-16LE: a zero byte after every byte, no code-page change.
std::string utf16(const std::string& text);

/// `text` with each occurrence of `search` (not empty) replaced, found left
/// to right without overlap; `count` receives the number replaced. For the
/// expected content of large generated files.
std::string replaceEach(const std::string& text, const std::string& search,
                        const std::string& replacement, int* count);

/// True when `text` ends with `tail`.
bool endsWith(const std::string& text, const std::string& tail);

/// Opens `path` with share mode 0, as another program holding it open would,
/// and returns the handle for releaseFile. Fails the test if it cannot.
void* holdFileExclusively(const std::string& path);

/// Closes a handle from holdFileExclusively.
void releaseFile(void* handle);

/// The names of the files (not folders) in the root of drive C:, sorted.
std::vector<std::string> rootFilesOfDriveC();

// Names beyond the ANSI code page: the helpers below take and give names
// in UTF-8 and reach the files by their UTF-16 names through "\\?\" paths, at
// any depth.

/// `text` (UTF-8) in UTF-16.
std::wstring wideFromUtf8(const std::string& text);

/// makeTree with UTF-8 names.
void makeTreeUtf8(const std::string& folder, const FileTree& tree);

/// readTree with UTF-8 names.
FileTree readTreeUtf8(const std::string& folder);

/// removeTree for folders whose names the ANSI calls cannot reach.
void removeTreeUtf8(const std::string& folder);

/// runTrawlex with UTF-8 arguments, which reach the program in UTF-16.
RunResult runTrawlexUtf8(const std::string& folder, const std::vector<std::string>& args);

/// Runs a Unix command line (absolute program path, arguments split at
/// blanks) and waits until `path` exists (or, `present` false, is gone);
/// false when it does not come to that.
bool runUnixUntil(const std::string& commandLine, const std::string& path, bool present);

#endif  // TESTS_E2E_TRAWLEX_E2E_UTIL_H_
