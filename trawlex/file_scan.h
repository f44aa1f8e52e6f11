// The scan of one file's bytes: lines read, matched, counted, printed and, in
// replace mode, rewritten into an output buffer. It is fed the file in
// windows of any size and knows nothing of where the bytes come from, so the
// same scan runs on the real file and in the tests.
#ifndef TRAWLEX_FILE_SCAN_H_
#define TRAWLEX_FILE_SCAN_H_

#include <cstdint>
#include <string>
#include <string_view>

/// The working state of one file's scan. Fill it with startFileScan.
struct FileScan {
  std::string path;
  const std::string* searchText = nullptr;
  const std::string* replaceText = nullptr;
  /// No printing, dumping or progress clearing: a count-only pass.
  bool quiet = false;
  /// Lines without an occurrence need no attention of their own (see
  /// startFileScan), so the scan leaps from occurrence to occurrence.
  bool leapToOccurrences = false;
  /// Line numbers are printed, so lines skipped by a leap are counted.
  bool countSkippedLines = false;
  /// The file's size for the progress line's percentage: -1 until the
  /// caller or the last window tells it.
  int64_t fileSize = -1;
  /// progressClock() when the file's progress line was last shown, and the
  /// reportWrites the scan last saw.
  uint32_t lastProgressTick = 0;
  uint64_t reportWritesSeen = 0;
  int32_t matchCount = 0;
  int64_t lineNumber = 0;
  /// The file offset of the next window's first byte.
  int64_t inputOffset = 0;
  /// Replace mode: the file offset of the first line that changed (of the
  /// first occurrence when no line is printed), or -1 while none has. The
  /// bytes before it are the file's own and never enter `output`, so a file
  /// without a match is never copied.
  int64_t firstChange = -1;
  /// Replace mode, from the first change on: the rewritten bytes not yet
  /// taken by the caller, and the number of bytes of the rewritten file
  /// before them (the unchanged start included).
  std::string output;
  int64_t outputTaken = 0;
  /// Every byte put into `output`: the work of rewriting, which tests bound.
  int64_t bytesCopied = 0;
};

/// Prepares `scan` for a file at `path`. The strings must outlive the scan.
void startFileScan(FileScan& scan, const std::string& path, const std::string& searchText,
                   const std::string& replaceText);

/// Processes the start of `window` (the bytes of the file from
/// scan.inputOffset on; `final` when they reach the end of the file) and
/// returns how many bytes it took: every complete line, or, when no line is
/// printed and only occurrences count, all but the last bytes that may yet
/// begin an occurrence. The caller keeps the rest and offers it again, with
/// more bytes after it, in the next window. With `final` every byte is
/// consumed.
size_t scanWindow(FileScan& scan, std::string_view window, bool final);

/// Marks the output buffer as taken (written by the caller) and empties it.
void takeOutput(FileScan& scan);

#endif  // TRAWLEX_FILE_SCAN_H_
