// Byte-string helpers for texts in the system's ANSI code page. Each helper
// steps over a double-byte character as one unit, so a trail byte that happens
// to equal a backslash or an ASCII letter is never taken for one.
#ifndef KAVELL_ANSI_STRINGS_H_
#define KAVELL_ANSI_STRINGS_H_

#include <cstddef>
#include <string>

/// Which byte values open a double-byte character in the code page in use.
/// Pure code takes it as a value; the program fills it from the system.
struct LeadBytes {
  bool isLead[256] = {};
};

/// The answer of the find helpers when nothing is found.
constexpr size_t notFound = static_cast<size_t>(-1);

/// Lead bytes of a single-byte code page: none.
LeadBytes singleByteCodePage();

/// Bytes taken by the character at `pos` of `text`: 2 for a lead byte followed
/// by a trail byte, 1 otherwise. Never reaches past the end of `text`.
size_t charLength(const std::string& text, size_t pos, const LeadBytes& lead);

/// Position of the first character `c` in `text`, or notFound.
size_t findChar(const std::string& text, char c, const LeadBytes& lead);

/// Position of the last character `c` in `text`, or notFound.
size_t findLastChar(const std::string& text, char c, const LeadBytes& lead);

/// Position of the first occurrence of `needle` in `text` that starts on a
/// character boundary, or notFound. An empty needle is found at 0.
size_t findText(const std::string& text, const std::string& needle, const LeadBytes& lead);

/// `text` with its characters in reverse order; a double-byte character keeps
/// its two bytes in their order.
std::string reverseText(const std::string& text, const LeadBytes& lead);

/// Appends `text` to `target` only when the result has at most `room` - 1
/// bytes (one byte of a room is the terminator). Returns false and leaves
/// `target` unchanged otherwise: a text is never cut to fit.
bool appendWithin(std::string& target, const std::string& text, size_t room);

/// True when the two texts hold the same bytes.
bool equalsExactly(const std::string& a, const std::string& b);

/// True when the texts are equal with ASCII letter case ignored; bytes of a
/// double-byte character are compared exactly.
bool equalsIgnoreCase(const std::string& a, const std::string& b, const LeadBytes& lead);

/// True when the first `count` bytes of `text` equal those of `prefix` with
/// ASCII letter case ignored. False when either is shorter than `count` or
/// when `count` would split a double-byte character of `text`.
bool startsWithIgnoreCase(const std::string& text, const std::string& prefix, size_t count,
                          const LeadBytes& lead);

#endif  // KAVELL_ANSI_STRINGS_H_
