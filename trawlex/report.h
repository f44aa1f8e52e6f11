// Match reporting on standard output: matching lines in readable form, byte
// dumps of matches in binary mode, and the noun the summaries count in.
#ifndef TRAWLEX_REPORT_H_
#define TRAWLEX_REPORT_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

/// When set, report output collects in a buffer and reaches standard output
/// in large pieces (see flushReport); when clear (the default, and right for
/// a console), each line is written as it is made.
extern bool reportBuffered;

/// When set, collected report output is made with each "\n" as "\r\n", as a
/// text-mode stream would write it, and goes to this binary stream on
/// standard output; when null (the default) it goes to stdout as is.
extern FILE* reportBinaryStream;

/// How many times report output has been written to standard output. Each
/// write may wait for a slow reader; between two of them no time passes in
/// writing.
extern uint64_t reportWrites;

/// Writes whatever report output is still collected to standard output. Call
/// it before anything else is written to standard output or standard error.
void flushReport();

/// Writes `text` (lines ending in "\n") to standard output as report output.
void printReportText(std::string_view text);

/// "replacement(s)" when replacing, "match(es)" otherwise, whatever the count.
const char* pluralNoun();

/// Writes the readable form of a line and a line end to standard output: NUL
/// bytes dropped; bell, tab, line feed and carriage return shown as "."; every
/// other byte as is.
void printLineText(std::string_view line);

/// Prints one matching line: nothing unless `printMatches` is set and `binary`
/// clear; else `label` and ": " (when `label` is not null), the path under
/// `printFileNames`, "(N): " under `printLineNumbers`, and the line's text.
void printMatchLine(const char* label, std::string_view line, const std::string& path,
                    int64_t lineNumber);

/// The dump of `bytes` whose first byte stands at `offset`: rows of 16 bytes,
/// each "OFFSET : " (at least 8 lower-case hex digits), the bytes in hex
/// padded to 16 columns, two blanks and the bytes with NUL, bell, tab, line
/// feed and carriage return shown as "."; then one empty line. Every line ends
/// with "\n".
std::string dumpText(int64_t offset, std::string_view bytes);

/// Writes dumpText(offset, bytes) to standard output.
void printMatchBytes(int64_t offset, std::string_view bytes);

#endif  // TRAWLEX_REPORT_H_
