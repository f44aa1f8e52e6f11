#include "string_prep.h"

#include <cstdint>

namespace {

// One character of typed text as a number: a byte of ANSI or UTF-8 text, or
// a UTF-16 unit. A unit is never cut to its low byte, which could pass for an
// ASCII digit or escape letter.
unsigned unitAt(const std::string& text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

unsigned unitAt(const std::wstring& text, size_t i) {
  return static_cast<unsigned>(text[i]);
}

bool isCSpace(unsigned c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of `c` as a digit of any base up to 16, or 16 when it is none.
unsigned digitValue(unsigned c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
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
template <typename Text>
size_t readUnsigned(const Text& text, size_t start, unsigned base, uint32_t& value) {
  size_t i = start;
  while (i < text.size() && isCSpace(unitAt(text, i)))
    ++i;
  bool negative = i < text.size() && unitAt(text, i) == '-';
  if (i < text.size() && (unitAt(text, i) == '-' || unitAt(text, i) == '+'))
    ++i;
  if (base == 16 && i + 1 < text.size() && unitAt(text, i) == '0' &&
      (unitAt(text, i + 1) == 'x' || unitAt(text, i + 1) == 'X')) {
    i += 2;
  }
  size_t digitsStart = i;
  uint64_t magnitude = 0;
  for (; i < text.size() && digitValue(unitAt(text, i)) < base; ++i) {
    if (magnitude <= UINT32_MAX)
      magnitude = magnitude * base + digitValue(unitAt(text, i));
  }
  if (i == digitsStart) {
    value = 0;
    return start;
  }
  uint32_t number = magnitude > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(magnitude);
  value = negative ? 0u - number : number;
  return i;
}

char simpleEscape(unsigned c) {
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

bool isEscapeIntroducer(unsigned c) {
  return c == '\\' || c == '^';
}

// Reads the backslash escape at `pos`: the byte it names, with `pos` moved
// past it. A backslash that ends the text is invalid.
template <typename Text>
bool readBackslash(const Text& text, size_t& pos, unsigned char& byte) {
  size_t at = pos + 1;
  unsigned c = at < text.size() ? unitAt(text, at) : 0;
  uint32_t number = 0;
  if (simpleEscape(c) != 0) {
    byte = static_cast<unsigned char>(simpleEscape(c));
    pos = at + 1;
  } else if (c == 'x') {
    pos = readUnsigned(text, at + 1, 16, number);
    byte = static_cast<unsigned char>(number & 0xFF);
  } else if (c >= '0' && c <= '3') {
    pos = readUnsigned(text, at, 8, number);
    byte = static_cast<unsigned char>(number & 0xFF);
  } else {
    return false;
  }
  return true;
}

// Reads the caret escape at `pos`: "^@" to "^_", either case, give the
// control bytes 0 to 31.
template <typename Text>
bool readCaret(const Text& text, size_t& pos, unsigned char& byte) {
  size_t at = pos + 1;
  unsigned c = at < text.size() ? unitAt(text, at) : 0;
  if (c >= 'a' && c <= 'z')
    c = c - 'a' + 'A';
  if (c < 0x40 || c > 0x5F)
    return false;
  byte = static_cast<unsigned char>(c - 0x40);
  pos = at + 1;
  return true;
}

// Reads the escape whose introducer stands at `pos`; false, with `pos` where
// it was, when it is invalid.
template <typename Text>
bool readEscape(const Text& text, size_t& pos, unsigned char& byte) {
  return unitAt(text, pos) == '\\' ? readBackslash(text, pos, byte) : readCaret(text, pos, byte);
}

template <typename Text>
bool hasEscapeCharacter(const Text& argument) {
  for (size_t i = 0; i < argument.size(); ++i) {
    if (isEscapeIntroducer(unitAt(argument, i)))
      return true;
  }
  return false;
}

bool isHighSurrogate(unsigned unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(unsigned unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The length of the typed character at `pos`: two units for a surrogate
// pair, one for anything else.
size_t characterLength(const std::wstring& typed, size_t pos) {
  bool pair = isHighSurrogate(unitAt(typed, pos)) && pos + 1 < typed.size() &&
              isLowSurrogate(unitAt(typed, pos + 1));
  return pair ? 2 : 1;
}

void appendUtf8(std::string& bytes, uint32_t code) {
  if (code < 0x80) {
    bytes += static_cast<char>(code);
    return;
  }
  int continuations = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  static const unsigned char leads[] = {0, 0xC0, 0xE0, 0xF0};
  bytes += static_cast<char>(leads[continuations] | (code >> (6 * continuations)));
  for (int i = continuations - 1; i >= 0; --i)
    bytes += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
}

void appendUtf16(std::string& bytes, unsigned unit) {
  bytes += static_cast<char>(unit & 0xFF);
  bytes += static_cast<char>((unit >> 8) & 0xFF);
}

// Appends the typed character at `pos` and returns the position after it.
size_t appendCharacter(std::string& bytes, const std::wstring& typed, size_t pos, bool utf16) {
  size_t length = characterLength(typed, pos);
  uint32_t code = unitAt(typed, pos);
  if (utf16) {
    appendUtf16(bytes, code);
    return pos + 1;
  }
  if (length == 2)
    code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(typed, pos + 1) - 0xDC00);
  appendUtf8(bytes, code);
  return pos + length;
}

const char verbatimNotice[] =
    "Verbatim mode: \\ and ^ processing not performed on search/replace strings.\n";

Outcome refuseLineBreakInMiddle(const std::string& searchText, FILE* out, FILE* err) {
  if (hasLineBreakInMiddle(searchText)) {
    return failWith(out, err,
                    "Error: \\r or \\n found in middle of search string.  Trawlex cannot find "
                    "strings\nthat span multiple lines, even in binary mode.",
                    3);
  }
  return goOn();
}

}  // namespace

bool expandEscapes(std::string& text, std::string& message) {
  std::string expanded;
  size_t pos = 0;
  while (pos < text.size()) {
    if (!isEscapeIntroducer(unitAt(text, pos))) {
      expanded += text[pos++];
      continue;
    }
    unsigned char byte = 0;
    if (!readEscape(text, pos, byte)) {
      // An escape cut off at the end names a NUL byte as its character.
      char after = pos + 1 < text.size() ? text[pos + 1] : '\0';
      message = std::string("Invalid escape character (") + text[pos] + after + ")";
      return false;
    }
    expanded += static_cast<char>(byte);
  }
  text.swap(expanded);
  return true;
}

bool encodeTyped(const std::wstring& typed, bool utf16, bool escapes, std::string& bytes,
                 std::wstring& invalidEscape) {
  // Escapes are read on the typed units: whatever an escape reads (letters,
  // digits, signs, blanks) is ASCII, one unit here as one byte in UTF-8, so
  // this expands them as on the UTF-8 bytes, with the whole typed character
  // of an invalid one at hand.
  bytes.clear();
  size_t pos = 0;
  while (pos < typed.size()) {
    if (!escapes || !isEscapeIntroducer(unitAt(typed, pos))) {
      pos = appendCharacter(bytes, typed, pos, utf16);
      continue;
    }
    unsigned char byte = 0;
    if (!readEscape(typed, pos, byte)) {
      size_t after = pos + 1;
      invalidEscape = typed.substr(pos, 1) +
                      (after < typed.size() ? typed.substr(after, characterLength(typed, after))
                                            : std::wstring(1, L'\0'));
      return false;
    }
    if (utf16)
      appendUtf16(bytes, byte);
    else
      bytes += static_cast<char>(byte);
  }
  return true;
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
      fputs(verbatimNotice, out);
    }
  }
  return refuseLineBreakInMiddle(searchText, out, err);
}

Outcome prepareTypedStrings(const std::wstring& search, const std::wstring& replacement,
                            RunOptions& options, std::string& searchText, std::string& replaceText,
                            std::wstring& invalidEscape, FILE* out, FILE* err) {
  bool escaped = hasEscapeCharacter(search) || hasEscapeCharacter(replacement);
  if (escaped && !options.escapes)
    fputs(verbatimNotice, out);
  if (!encodeTyped(search, options.unicode, options.escapes, searchText, invalidEscape) ||
      !encodeTyped(replacement, options.unicode, options.escapes, replaceText, invalidEscape)) {
    return Outcome{true, 2};
  }
  options.binary = options.binary || (escaped && options.escapes);
  return refuseLineBreakInMiddle(searchText, out, err);
}
