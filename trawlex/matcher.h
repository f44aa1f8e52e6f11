// Line matching and replacement: the line reader, the whole-line test, the
// occurrence search and the case-aware replacement. Lines are byte strings
// with their terminator ("\n", "\r\n" or a lone "\r"); no operation stops at a
// NUL byte.
#ifndef TRAWLEX_MATCHER_H_
#define TRAWLEX_MATCHER_H_

#include <cstddef>
#include <string>
#include <string_view>

/// The result of findFrom when there is no occurrence; never a valid position.
constexpr size_t notFound = static_cast<size_t>(-1);

/// The case pattern of a stretch of text.
enum class CaseClass { Upper, Lower, Mixed };

/// "A" to "Z" mapped to "a" to "z"; every other byte, 0x80 to 0xFF included,
/// returned unchanged. Consults no locale.
unsigned char foldCase(unsigned char byte);

/// `Upper` when the stretch holds no lower-case letter (also when it holds no
/// letter at all, or is empty), `Lower` when it holds lower-case but no
/// upper-case letters, `Mixed` when it holds both. The stretch is cut at the
/// end of `line`.
CaseClass caseClassOf(std::string_view line, size_t position, size_t length);

/// `text` with "A" to "Z" made lower-case; all other bytes kept.
std::string toLowerCopy(const std::string& text);

/// `text` with "a" to "z" made upper-case; all other bytes kept.
std::string toUpperCopy(const std::string& text);

/// A window of a file's bytes that lines are read from. `final` says that the
/// window reaches the end of the file, so that a last line without a
/// terminator, or one ending in a carriage return, is complete.
struct LineInput {
  std::string_view data;
  size_t position = 0;
  bool final = false;
};

/// Sets `line` to the next complete line of `input` (its terminator included)
/// and moves past it: true. False when no complete line is left in the window
/// (more bytes are needed, or, with `final`, the input is at its end);
/// `input.position` is then unchanged. Never alters or drops a byte: the
/// lines, put end to end, are the input.
bool readLine(LineInput& input, std::string_view& line);

/// readLine for a line known to hold no line break before `data[from]`
/// (`from` at or after input.position), which spares looking there again.
bool readLineFrom(LineInput& input, size_t from, std::string_view& line);

/// True when the whole line, terminator included, equals `searchText` (byte
/// for byte, or ignoring ASCII case under `ignoreCase`).
bool lineEquals(std::string_view line, const std::string& searchText);

/// The position of the first occurrence of `searchText` that begins at or
/// after `start` and lies wholly within `line` (ignoring ASCII case under
/// `ignoreCase`), or notFound. An empty `searchText` is found at `start`
/// while `start` is at most the line's length.
size_t findFrom(std::string_view line, const std::string& searchText, size_t start);

/// Appends to `out` the text that takes the place of `matched`: `replaceText`,
/// which under `preserveCase` first takes the case class of `matched`. A
/// line is rewritten by appending its unchanged stretches and these texts in
/// turn, which costs time linear in its length however many replacements it
/// holds.
void appendReplacement(std::string& out, std::string_view matched, const std::string& replaceText);

#endif  // TRAWLEX_MATCHER_H_
