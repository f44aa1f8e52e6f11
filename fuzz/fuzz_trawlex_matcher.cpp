// The line reader, the matcher and the byte scans under them, on buffers
// allocated to their exact size (so that a read past the end is caught), each
// compared with a one-byte-at-a-time reference: every line read, every
// occurrence found, every line end counted and every replacement made.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "byte_scan.h"
#include "matcher.h"
#include "options.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

// A copy of `text` on the heap with no byte to spare.
struct ExactBuffer {
  std::unique_ptr<char[]> bytes;
  size_t size = 0;
  explicit ExactBuffer(const std::string& text)
      : bytes(new char[text.size() == 0 ? 1 : text.size()]), size(text.size()) {
    std::copy(text.begin(), text.end(), bytes.get());
  }
  std::string_view view() const { return std::string_view(bytes.get(), size); }
};

char fold(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

size_t naiveFind(std::string_view data, size_t start, std::string_view needle, bool ignoreCase) {
  for (size_t p = start; p < data.size() && p + needle.size() <= data.size(); ++p) {
    size_t i = 0;
    while (i < needle.size() &&
           (data[p + i] == needle[i] || (ignoreCase && fold(data[p + i]) == fold(needle[i]))))
      ++i;
    if (i == needle.size())
      return p;
  }
  return data.size();
}

size_t naiveLineEnds(std::string_view data) {
  size_t count = 0;
  for (size_t p = 0; p < data.size(); ++p) {
    if (data[p] == '\n' || (data[p] == '\r' && (p + 1 == data.size() || data[p + 1] != '\n')))
      ++count;
  }
  return count;
}

void checkByteScans(const ExactBuffer& data, const ExactBuffer& needle, size_t start,
                    bool ignoreCase) {
  std::string_view text = data.view();
  if (needle.size > 0) {
    size_t expected = naiveFind(text, start, needle.view(), ignoreCase);
    require(findNeedle(data.bytes.get(), data.size, start, needle.bytes.get(), needle.size,
                       ignoreCase) == expected);
    require(findNeedleScalar(data.bytes.get(), data.size, start, needle.bytes.get(), needle.size,
                             ignoreCase) == expected);
  }
  size_t lineBreak = start < text.size() ? text.find_first_of("\r\n", start) : std::string::npos;
  if (start <= text.size())
    require(findLineBreak(data.bytes.get(), data.size, start) ==
            (lineBreak == std::string::npos ? text.size() : lineBreak));
  require(countLineEnds(data.bytes.get(), data.size) == naiveLineEnds(text));
  size_t end = std::min(start, text.size());
  size_t lastBreak = text.substr(0, end).find_last_of("\r\n");
  require(findLineStart(data.bytes.get(), 0, end) ==
          (lastBreak == std::string::npos ? 0 : lastBreak + 1));
  ExactBuffer dotted{std::string(text)};
  size_t nul = std::min(text.find('\0'), text.size());
  require(copyDotted(dotted.bytes.get(), data.bytes.get(), data.size) == nul);
  for (size_t i = 0; i < nul; ++i) {
    bool control = std::string_view("\a\t\n\r").find(text[i]) != std::string::npos;
    require(dotted.bytes[i] == (control ? '.' : text[i]));
  }
}

// Reads the window's lines: put end to end they are the bytes consumed, each
// holds one terminator at its end, and with `final` every byte is consumed.
void checkLines(std::string_view window, bool final) {
  LineInput input{window, 0, final};
  std::string_view line;
  size_t consumed = 0;
  while (readLine(input, line)) {
    require(!line.empty() && line.data() == window.data() + consumed);
    consumed += line.size();
    require(input.position == consumed);
    size_t lineBreak = line.find_first_of("\r\n");
    bool terminated = lineBreak != std::string_view::npos;
    require(!terminated || line.substr(lineBreak) == "\n" || line.substr(lineBreak) == "\r" ||
            line.substr(lineBreak) == "\r\n");
    // A lone carriage return at the window's end may yet get its line feed.
    if (line.back() == '\r')
      require(final || consumed < window.size());
    if (line.back() == '\r' && consumed < window.size())
      require(window[consumed] != '\n');
    if (!terminated)
      require(final && consumed == window.size());
  }
  require(input.position == consumed);
  if (final)
    require(consumed == window.size());
  else
    require(window.substr(consumed).find('\n') == std::string_view::npos);
}

std::string preservedCase(std::string_view replaced, std::string replacement) {
  bool lower = replaced.find_first_of("abcdefghijklmnopqrstuvwxyz") != std::string_view::npos;
  bool upper = replaced.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") != std::string_view::npos;
  for (char& c : replacement) {
    if (!lower && c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 32);
    else if (lower && !upper && c >= 'A' && c <= 'Z')
      c = static_cast<char>(c + 32);
  }
  return replacement;
}

void checkMatcher(const ExactBuffer& line, const std::string& search, size_t start,
                  const std::string& replacement, size_t length) {
  std::string_view text = line.view();
  size_t expected = naiveFind(text, start, search, runOptions.ignoreCase);
  if (search.empty())
    require(findFrom(text, search, start) == (start <= text.size() ? start : notFound));
  else
    require(findFrom(text, search, start) == (expected == text.size() ? notFound : expected));
  bool equal = text.size() == search.size() &&
               (search.empty() || naiveFind(text, 0, search, runOptions.ignoreCase) == 0);
  require(lineEquals(text, search) == equal);

  size_t position = std::min(start, text.size());
  std::string_view matched = text.substr(position, length);
  std::string changed(text.substr(0, position));
  appendReplacement(changed, matched, replacement);
  std::string inserted =
      runOptions.preserveCase ? preservedCase(matched, replacement) : replacement;
  require(changed == std::string(text.substr(0, position)) + inserted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  runOptions = RunOptions{};
  runOptions.ignoreCase = input.ConsumeBool();
  runOptions.preserveCase = input.ConsumeBool();
  bool final = input.ConsumeBool();
  size_t start = input.ConsumeIntegralInRange<size_t>(0, 80);
  size_t length = input.ConsumeIntegralInRange<size_t>(0, 80);
  std::string search = input.ConsumeRandomLengthString(40);
  std::string replacement = input.ConsumeRandomLengthString(20);
  ExactBuffer text(input.ConsumeRemainingBytesAsString());
  ExactBuffer needle(search);

  checkByteScans(text, needle, start, runOptions.ignoreCase);
  checkLines(text.view(), final);
  checkMatcher(text, search, start, replacement, length);
  return 0;
}
