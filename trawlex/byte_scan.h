// Fast byte scans over a buffer: occurrences of a needle, line-end bytes and
// line counts. Each scan has a plain scalar form; where the compiler offers
// SSE2 the same results come 16 bytes at a time.
#ifndef TRAWLEX_BYTE_SCAN_H_
#define TRAWLEX_BYTE_SCAN_H_

#include <cstddef>

/// The position of the first occurrence of the `needleSize` bytes at `needle`
/// in `data[start, size)`, or `size` when there is none. Letters compare
/// ignoring ASCII case when `ignoreCase` is set; every other byte compares
/// exactly. `needleSize` must be at least 1. Never reads outside either range.
size_t findNeedle(const char* data, size_t size, size_t start, const char* needle,
                  size_t needleSize, bool ignoreCase);

/// The same search as findNeedle, one byte at a time (the reference for the
/// vector form, and the form used where SSE2 is missing).
size_t findNeedleScalar(const char* data, size_t size, size_t start, const char* needle,
                        size_t needleSize, bool ignoreCase);

/// The position of the first carriage return or line feed in
/// `data[start, size)`, or `size` when there is none.
size_t findLineBreak(const char* data, size_t size, size_t start);

/// The position just after the last carriage return or line feed in
/// `data[floor, end)`, or `floor` when there is none: where the line that
/// holds `data[end]` starts, looking no further back than `floor`.
size_t findLineStart(const char* data, size_t floor, size_t end);

/// Copies `from[0, size)` to `to` as a line's readable form shows it, each
/// bell, tab, line feed and carriage return as '.', up to the first NUL byte
/// (which that form leaves out); returns the number of bytes copied: the
/// NUL's position, or `size` when there is none. Faster than memcpy on some
/// C runtimes for the short copies of printed lines.
size_t copyDotted(char* to, const char* from, size_t size);

/// The number of line ends in `data[0, size)`: each line feed, and each
/// carriage return not followed by a line feed. A carriage return in the last
/// byte counts as a line end.
size_t countLineEnds(const char* data, size_t size);

#endif  // TRAWLEX_BYTE_SCAN_H_
