// Trawlex's dump, matching-line and progress formatting: a dump is read back
// into its offsets and bytes, the line text is compared byte by byte with the
// bytes it shows, and the progress line must be exactly its width with the
// percentage computed exactly.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "options.h"
#include "progress.h"
#include "report.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

bool showsAsDot(unsigned char byte) {
  return byte == 0 || byte == 0x07 || byte == 0x09 || byte == 0x0A || byte == 0x0D;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  require(c >= 'a' && c <= 'f');
  return c - 'a' + 10;
}

uint64_t readHex(const std::string& text) {
  uint64_t value = 0;
  for (char c : text)
    value = value << 4 | static_cast<uint64_t>(hexValue(c));
  return value;
}

// Reads the dump back row by row: each row's offset, its hex bytes and its
// shown characters must give `bytes` and `offset` again.
void checkDump(int64_t offset, const std::string& bytes) {
  std::string dump = dumpText(offset, bytes);
  size_t rows = (bytes.size() + 15) / 16;
  size_t at = 0;
  for (size_t row = 0; row < rows; ++row) {
    size_t end = dump.find('\n', at);
    require(end != std::string::npos);
    std::string line = dump.substr(at, end - at);
    at = end + 1;
    size_t colon = line.find(" : ");
    require(colon != std::string::npos && colon >= 8 && colon <= 16);
    require(readHex(line.substr(0, colon)) == static_cast<uint64_t>(offset) + row * 16);
    size_t count = std::min<size_t>(16, bytes.size() - row * 16);
    require(line.size() == colon + 3 + 48 + 2 + count);
    for (size_t i = 0; i < 16; ++i) {
      std::string cell = line.substr(colon + 3 + 3 * i, 3);
      if (i >= count) {
        require(cell == "   ");
        continue;
      }
      unsigned char byte = static_cast<unsigned char>(bytes[row * 16 + i]);
      require(cell[2] == ' ' && hexValue(cell[0]) * 16 + hexValue(cell[1]) == byte);
      char shown = line[colon + 3 + 48 + 2 + i];
      require(shown == (showsAsDot(byte) ? '.' : static_cast<char>(byte)));
    }
  }
  require(dump.substr(at) == "\n");
}

std::string captured(std::string_view line) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* real = stdout;
  stdout = open_memstream(&buffer, &size);
  require(stdout != nullptr);
  printLineText(line);
  flushReport();
  fclose(stdout);
  stdout = real;
  std::string text(buffer, size);
  free(buffer);
  return text;
}

void checkLineText(const std::string& line) {
  std::string shown = captured(line);
  std::string expected;
  for (char c : line) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte != 0)
      expected += showsAsDot(byte) ? '.' : c;
  }
  require(shown == expected + "\n");
}

void checkProgress(const std::string& text, int64_t position, int64_t size) {
  std::string shown = progressText(text, position, size);
  require(shown.size() == progressWidth);
  std::string full = text;
  if (size != 0) {
    __int128 percent = static_cast<__int128>(position) * 100 / size;
    full += " (" + std::to_string(static_cast<int64_t>(percent)) + "%)";
  }
  if (full.size() >= progressWidth) {
    require(shown == full.substr(full.size() - progressWidth));
  } else {
    require(shown == full + std::string(progressWidth - full.size(), ' '));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int64_t offset = input.ConsumeIntegralInRange<int64_t>(0, INT64_MAX / 2);
  reportBuffered = input.ConsumeBool();
  // A file is read from its start to its size; sizes beyond a terabyte are
  // beyond what the percentage's double arithmetic is asked to get exact.
  int64_t fileSize = input.ConsumeIntegralInRange<int64_t>(0, int64_t{1} << 40);
  int64_t position = input.ConsumeIntegralInRange<int64_t>(0, fileSize);
  size_t width = input.ConsumeIntegralInRange<size_t>(0, 100);
  std::string text = input.ConsumeRandomLengthString(120);
  std::string bytes = input.ConsumeRemainingBytesAsString();
  checkDump(offset, bytes);
  checkLineText(bytes);
  checkProgress(text, position, fileSize);
  std::string fitted = fitToWidth(text, width, '*');
  require(fitted.size() == width);
  if (text.size() >= width) {
    require(fitted == text.substr(text.size() - width));
  } else {
    require(fitted.compare(0, text.size(), text) == 0 &&
            fitted.find_first_not_of('*', text.size()) == std::string::npos);
  }
  return 0;
}
