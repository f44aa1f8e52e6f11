#include "file_scan.h"

#include <algorithm>

#include "byte_scan.h"
#include "matcher.h"
#include "options.h"
#include "progress.h"
#include "report.h"

namespace {

bool dumpsShown(const FileScan& scan) {
  return !scan.quiet && runOptions.printMatches && runOptions.binary;
}

void dumpOccurrence(const FileScan& scan, int64_t offset) {
  if (dumpsShown(scan)) {
    clearProgress();
    printMatchBytes(offset,
                    runOptions.replace ? *scan.replaceText : std::string_view(*scan.searchText));
  }
}

// The occurrences of one line in find mode; returns how many there are.
int32_t countOccurrences(const FileScan& scan, std::string_view line, size_t first,
                         int64_t lineStart) {
  const std::string& search = *scan.searchText;
  int32_t count = 0;
  for (size_t p = first; p != notFound; p = findFrom(line, search, p + search.size())) {
    dumpOccurrence(scan, lineStart + static_cast<int64_t>(p));
    ++count;
  }
  return count;
}

// Replace mode: the rewritten file reaches `output` from the first line that
// changes on; before it, every byte is the file's own.
void appendOutput(FileScan& scan, std::string_view bytes) {
  if (scan.firstChange >= 0) {
    scan.output.append(bytes);
    scan.bytesCopied += static_cast<int64_t>(bytes.size());
  }
}

void appendReplacementOf(FileScan& scan, std::string_view matched) {
  size_t before = scan.output.size();
  appendReplacement(scan.output, matched, *scan.replaceText);
  scan.bytesCopied += static_cast<int64_t>(scan.output.size() - before);
}

// The bytes from `start` on are about to change: the output starts there if
// it has not yet.
void startOutput(FileScan& scan, int64_t start) {
  if (scan.firstChange < 0) {
    scan.firstChange = start;
    scan.outputTaken = start;
  }
}

int64_t outputPosition(const FileScan& scan) {
  return scan.outputTaken + static_cast<int64_t>(scan.output.size());
}

// Replace mode: the occurrence `matched`, at file offset `offset`, dumped and
// replaced in the output, which starts there at the latest.
void replaceOccurrence(FileScan& scan, std::string_view matched, int64_t offset) {
  startOutput(scan, offset);
  dumpOccurrence(scan, outputPosition(scan));
  appendReplacementOf(scan, matched);
}

// The occurrences of one line in replace mode, the rewritten line appended to
// the output in one pass; the search resumes after each occurrence, so it
// never searches a replacement.
int32_t replaceOccurrences(FileScan& scan, std::string_view line, size_t first, int64_t lineStart) {
  const std::string& search = *scan.searchText;
  startOutput(scan, lineStart);
  size_t copied = 0;
  int32_t count = 0;
  for (size_t p = first; p != notFound; p = findFrom(line, search, p + search.size())) {
    appendOutput(scan, line.substr(copied, p - copied));
    replaceOccurrence(scan, line.substr(p, search.size()), lineStart + static_cast<int64_t>(p));
    copied = p + search.size();
    ++count;
  }
  appendOutput(scan, line.substr(copied));
  return count;
}

// Under wholeLine: 1 if the line equals the search string (replaced whole in
// replace mode), else 0.
int32_t matchWholeLine(FileScan& scan, std::string_view line, int64_t lineStart) {
  if (!lineEquals(line, *scan.searchText)) {
    return 0;
  }
  if (runOptions.replace) {
    replaceOccurrence(scan, line, lineStart);
  } else if (!runOptions.invert) {
    dumpOccurrence(scan, lineStart);
  }
  return 1;
}

// The first occurrence in a line read on its own, for matchLine.
size_t firstOccurrence(const FileScan& scan, std::string_view line) {
  // An empty search string would be found again and again at the same place.
  if (runOptions.wholeLine || scan.searchText->empty()) {
    return notFound;
  }
  return findFrom(line, *scan.searchText, 0);
}

// `first` is the line's first occurrence (notFound if none; ignored under
// wholeLine). In replace mode a line that changes is appended to the output.
int32_t matchLine(FileScan& scan, std::string_view line, int64_t lineStart, size_t first) {
  if (runOptions.wholeLine) {
    return matchWholeLine(scan, line, lineStart);
  }
  if (first == notFound) {
    return 0;
  }
  if (runOptions.replace) {
    return replaceOccurrences(scan, line, first, lineStart);
  }
  if (runOptions.invert) {
    return 1;
  }
  return countOccurrences(scan, line, first, lineStart);
}

void reportCountedLine(const FileScan& scan, std::string_view original, std::string_view current,
                       int64_t lineStart) {
  if (scan.quiet) {
    return;
  }
  clearProgress();
  if (runOptions.replace && runOptions.printBoth) {
    printMatchLine("Original", original, scan.path, scan.lineNumber);
    printMatchLine("REPLACED", current, scan.path, scan.lineNumber);
  } else {
    printMatchLine(nullptr, current, scan.path, scan.lineNumber);
  }
  // Under invert a counted line holds no occurrence to dump: it is dumped whole.
  if (runOptions.invert && dumpsShown(scan)) {
    printMatchBytes(lineStart, current);
  }
}

// Matches written to a slow reader can take seconds even within one window:
// after each write of report output the progress line is due as it is after
// each read.
void showProgressIfDue(FileScan& scan, int64_t position) {
  if (!runOptions.showProgress || scan.quiet || scan.reportWritesSeen == reportWrites) {
    return;
  }
  scan.reportWritesSeen = reportWrites;
  if (progressDue(scan.lastProgressTick)) {
    printProgress(scan.path, position, scan.fileSize > 0 ? scan.fileSize : 0);
  }
}

void processLine(FileScan& scan, std::string_view line, int64_t lineStart, size_t first) {
  showProgressIfDue(scan, lineStart);
  ++scan.lineNumber;
  size_t rewrittenStart = scan.output.size();
  int32_t found = matchLine(scan, line, lineStart, first);
  bool rewritten = runOptions.replace && found > 0;
  if (!rewritten) {
    appendOutput(scan, line);
  }
  int32_t lineCount = runOptions.invert ? (found > 0 ? 0 : 1) : found;
  if (lineCount > 0) {
    scan.matchCount += lineCount;
    std::string_view current =
        rewritten ? std::string_view(scan.output).substr(rewrittenStart) : line;
    reportCountedLine(scan, line, current, lineStart);
  }
}

// The end of the last line in `window` whose terminator is known: a carriage
// return in the last byte may yet be followed by a line feed.
size_t completeLinesEnd(std::string_view window, bool final) {
  if (final || window.empty() || window.back() == '\n') {
    return window.size();
  }
  return findLineStart(window.data(), 0, window.size() - 1);
}

// Only lines that hold an occurrence can count, print or change, and no
// occurrence spans a line end, so the search runs over the whole window and
// the lines are found around the occurrences.
size_t leapWindow(FileScan& scan, std::string_view window, bool final) {
  const std::string& search = *scan.searchText;
  size_t limit = completeLinesEnd(window, final);
  size_t position = 0;
  while (position < limit) {
    size_t hit = findNeedle(window.data(), limit, position, search.data(), search.size(),
                            runOptions.ignoreCase);
    if (hit == limit) {
      break;
    }
    size_t lineStart = findLineStart(window.data(), position, hit);
    if (scan.countSkippedLines) {
      scan.lineNumber += countLineEnds(window.data() + position, lineStart - position);
    }
    appendOutput(scan, window.substr(position, lineStart - position));
    LineInput input{window.substr(0, limit), lineStart, true};
    std::string_view line;
    readLineFrom(input, hit + search.size(), line);
    processLine(scan, line, scan.inputOffset + static_cast<int64_t>(lineStart), hit - lineStart);
    position = input.position;
  }
  if (scan.countSkippedLines) {
    scan.lineNumber += countLineEnds(window.data() + position, limit - position);
  }
  appendOutput(scan, window.substr(position, limit - position));
  scan.inputOffset += static_cast<int64_t>(limit);
  return limit;
}

// Whether counted lines are printed, each of which must be held whole;
// counts and dumps need no more than the occurrences.
bool linesShown(const FileScan& scan) {
  return !scan.quiet && runOptions.printMatches && !runOptions.binary;
}

// The leap without lines, when none is printed: the window is consumed up to
// where an occurrence may yet begin, whether or not a line ends there, so
// that a line of any length passes through windows of the usual size instead
// of being held whole.
size_t streamWindow(FileScan& scan, std::string_view window, bool final) {
  const std::string& search = *scan.searchText;
  size_t position = 0;
  for (;;) {
    size_t hit = findNeedle(window.data(), window.size(), position, search.data(), search.size(),
                            runOptions.ignoreCase);
    if (hit == window.size()) {
      break;
    }
    int64_t offset = scan.inputOffset + static_cast<int64_t>(hit);
    showProgressIfDue(scan, offset);
    if (!scan.quiet) {
      clearProgress();
    }
    appendOutput(scan, window.substr(position, hit - position));
    if (runOptions.replace) {
      replaceOccurrence(scan, window.substr(hit, search.size()), offset);
    } else {
      dumpOccurrence(scan, offset);
    }
    ++scan.matchCount;
    position = hit + search.size();
  }
  size_t undecided = final ? 0 : std::min(window.size(), search.size() - 1);
  size_t end = std::max(position, window.size() - undecided);
  appendOutput(scan, window.substr(position, end - position));
  scan.inputOffset += static_cast<int64_t>(end);
  return end;
}

}  // namespace

void startFileScan(FileScan& scan, const std::string& path, const std::string& searchText,
                   const std::string& replaceText) {
  scan.path = path;
  scan.searchText = &searchText;
  scan.replaceText = &replaceText;
  scan.quiet = false;
  scan.fileSize = -1;
  scan.lastProgressTick = progressClock();
  scan.reportWritesSeen = reportWrites;
  scan.matchCount = 0;
  scan.lineNumber = 0;
  scan.inputOffset = 0;
  scan.firstChange = -1;
  scan.output.clear();
  scan.outputTaken = 0;
  scan.bytesCopied = 0;
  // A line without an occurrence counts only under invert, can equal the
  // search string only under wholeLine, and an occurrence lies within one
  // line only when the search string holds no line-end byte.
  scan.leapToOccurrences = !runOptions.invert && !runOptions.wholeLine && !searchText.empty() &&
                           searchText.find_first_of("\r\n") == std::string::npos;
  scan.countSkippedLines =
      runOptions.printMatches && runOptions.printLineNumbers && !runOptions.binary;
}

size_t scanWindow(FileScan& scan, std::string_view window, bool final) {
  if (final && scan.fileSize < 0) {
    scan.fileSize = scan.inputOffset + static_cast<int64_t>(window.size());
  }
  if (scan.leapToOccurrences) {
    return linesShown(scan) ? leapWindow(scan, window, final) : streamWindow(scan, window, final);
  }
  LineInput input{window, 0, final};
  std::string_view line;
  while (readLine(input, line)) {
    processLine(scan, line, scan.inputOffset + static_cast<int64_t>(input.position - line.size()),
                firstOccurrence(scan, line));
  }
  scan.inputOffset += static_cast<int64_t>(input.position);
  return input.position;
}

void takeOutput(FileScan& scan) {
  scan.outputTaken += static_cast<int64_t>(scan.output.size());
  scan.output.clear();
}
