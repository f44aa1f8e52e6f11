#include "string_prep.h"

#include <cstdint>

namespace {

bool isCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of `c` as a digit of any base up to 16, or 16 when it is none.
unsigned digitValue(char c) {
  if (c >= '0' && c <= '9')
    return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f')
    return static_cast<unsigned>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F')
    return static_cast<unsigned>(c - 'A' + 10);
  return 16;
}

// Reads a number from `start` the way the target's C runtime (msvcrt, where
// unsigned long has 32 bits) reads it with strtoul: leading white space, a
// sign, in base 16 a "0x" prefix, then digits. A number too big for 32 bits
// becomes the largest value, and a minus sign negates the result afterwards
// (so "-100000000" gives 1); "0x" without a hex digit after it is no number
// at all. Doing it here rather than calling strtoul keeps the native builds
// equal to the target, and never looks past a NUL byte or the end of `text`.
// Returns the position after the last character read, or `start` when there
// is no number (then `value` is 0).
size_t readUnsigned(const std::string& text, size_t start, unsigned base, uint32_t& value) {
  size_t i = start;
  while (i < text.size() && isCSpace(text[i]))
    ++i;
  bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '-' || text[i] == '+'))
    ++i;
  if (base == 16 && i + 1 < text.size() && text[i] == '0' &&
      (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    i += 2;
  }
  size_t digitsStart = i;
  uint64_t magnitude = 0;
  for (; i < text.size() && digitValue(text[i]) < base; ++i) {
    if (magnitude <= UINT32_MAX)
      magnitude = magnitude * base + digitValue(text[i]);
  }
  if (i == digitsStart) {
    value = 0;
    return start;
  }
  uint32_t number = magnitude > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(magnitude);
  value = negative ? 0u - number : number;
  return i;
}

char simpleEscape(char c) {
  switch (c) {
    case 'a':
      return 0x07;
    case 'b':
      return 0x08;
    case 't':
      return 0x09;
    case 'n':
      return 0x0A;
    case 'v':
      return 0x0B;
    case 'f':
      return 0x0C;
    case 'r':
      return 0x0D;
    case '\\':
      return '\\';
    case '\'':
      return '\'';
    case '"':
      return '"';
    default:
      return 0;
  }
}

// Expands the backslash escape at `pos` onto `expanded` and moves `pos` past
// it. A backslash that ends the text names a NUL byte as its character.
bool expandBackslash(const std::string& text, size_t& pos, std::string& expanded,
                     std::string& message) {
  size_t at = pos + 1;
  char c = at < text.size() ? text[at] : '\0';
  uint32_t number = 0;
  if (at < text.size() && simpleEscape(c) != 0) {
    expanded += simpleEscape(c);
    pos = at + 1;
  } else if (c == 'x') {
    size_t end = readUnsigned(text, at + 1, 16, number);
    expanded += static_cast<char>(number & 0xFF);
    pos = end;
  } else if (c >= '0' && c <= '3') {
    pos = readUnsigned(text, at, 8, number);
    expanded += static_cast<char>(number & 0xFF);
  } else {
    message = std::string("Invalid escape character (\\") + c + ")";
    return false;
  }
  return true;
}

// Expands the caret escape at `pos` onto `expanded` and moves `pos` past it:
// "^@" to "^_", either case, give the control bytes 0 to 31.
bool expandCaret(const std::string& text, size_t& pos, std::string& expanded,
                 std::string& message) {
  size_t at = pos + 1;
  unsigned char c = at < text.size() ? static_cast<unsigned char>(text[at]) : 0;
  if (c >= 'a' && c <= 'z')
    c = static_cast<unsigned char>(c - 'a' + 'A');
  if (at == text.size() || c < 0x40 || c > 0x5F) {
    message = std::string("Invalid escape character (^") + static_cast<char>(c) + ")";
    return false;
  }
  expanded += static_cast<char>(c - 0x40);
  pos = at + 1;
  return true;
}

bool hasEscapeCharacter(const std::string& argument) {
  return argument.find_first_of("\\^") != std::string::npos;
}

}  // namespace

bool expandEscapes(std::string& text, std::string& message) {
  std::string expanded;
  size_t pos = 0;
  while (pos < text.size()) {
    bool valid = true;
    if (text[pos] == '\\') {
      valid = expandBackslash(text, pos, expanded, message);
    } else if (text[pos] == '^') {
      valid = expandCaret(text, pos, expanded, message);
    } else {
      expanded += text[pos++];
    }
    if (!valid)
      return false;
  }
  text.swap(expanded);
  return true;
}

void widenToUnicode(std::string& text) {
  std::string wide;
  wide.reserve(text.size() * 2);
  for (char c : text) {
    wide += c;
    wide += '\0';
  }
  text.swap(wide);
}

bool hasLineBreakInMiddle(const std::string& searchText) {
  for (size_t i = 0; i < searchText.size(); ++i) {
    size_t after = searchText.size() - i - 1;
    if (searchText[i] == '\n' && after >= 1)
      return true;
    if (searchText[i] == '\r' && after >= 2)
      return true;
  }
  return false;
}

Outcome prepareStrings(const CommandLine& commandLine, RunOptions& options, std::string& searchText,
                       std::string& replaceText, FILE* out, FILE* err) {
  searchText = commandLine.searchArgument;
  replaceText = commandLine.replaceArgument;
  if (hasEscapeCharacter(commandLine.searchArgument) ||
      hasEscapeCharacter(commandLine.replaceArgument)) {
    if (options.escapes) {
      std::string message;
      if (!expandEscapes(searchText, message) || !expandEscapes(replaceText, message)) {
        return failWith(out, err, message, 2);
      }
      options.binary = true;
    } else {
      fputs("Verbatim mode: \\ and ^ processing not performed on search/replace strings.\n", out);
    }
  }
  if (options.unicode) {
    widenToUnicode(searchText);
    widenToUnicode(replaceText);
  }
  if (hasLineBreakInMiddle(searchText)) {
    return failWith(out, err,
                    "Error: \\r or \\n found in middle of search string.  Trawlex cannot find "
                    "strings\nthat span multiple lines, even in binary mode.",
                    3);
  }
  return goOn();
}
