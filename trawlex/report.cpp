#include "report.h"

#include <algorithm>
#include <cstdio>

#include "options.h"

namespace {

const char hexDigits[] = "0123456789abcdef";

bool showsAsDot(unsigned char byte) {
  return byte == 0x07 || byte == 0x09 || byte == 0x0A || byte == 0x0D;
}

void appendLineText(std::string& out, std::string_view line) {
  for (char byte : line) {
    unsigned char value = static_cast<unsigned char>(byte);
    if (value == 0) {
      continue;
    }
    out.push_back(showsAsDot(value) ? '.' : byte);
  }
}

void appendHexOffset(std::string& out, uint64_t value) {
  char digits[16];
  int count = 0;
  do {
    digits[count++] = hexDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  for (int pad = count; pad < 8; ++pad) {
    out.push_back('0');
  }
  while (count > 0) {
    out.push_back(digits[--count]);
  }
}

// The C runtime's text-mode translation costs far less per large write than
// per line.
constexpr size_t reportBlock = size_t{1} << 18;

std::string& pendingReport() {
  static std::string pending;
  return pending;
}

void writeOut(std::string_view text) {
  if (!reportBuffered) {
    fwrite(text.data(), 1, text.size(), stdout);
    return;
  }
  std::string& pending = pendingReport();
  pending.append(text);
  if (pending.size() >= reportBlock) {
    flushReport();
  }
}

}  // namespace

bool reportBuffered = false;

void flushReport() {
  std::string& pending = pendingReport();
  if (!pending.empty()) {
    fwrite(pending.data(), 1, pending.size(), stdout);
    pending.clear();
  }
}

void printReportText(std::string_view text) {
  writeOut(text);
}

const char* pluralNoun() {
  return runOptions.replace ? "replacement(s)" : "match(es)";
}

void printLineText(std::string_view line) {
  static std::string text;
  text.clear();
  appendLineText(text, line);
  text.push_back('\n');
  writeOut(text);
}

void printMatchLine(const char* label, std::string_view line, const std::string& path,
                    int64_t lineNumber) {
  if (!runOptions.printMatches || runOptions.binary) {
    return;
  }
  static std::string prefix;
  prefix.clear();
  if (label != nullptr) {
    prefix.append(label).append(": ");
  }
  if (runOptions.printFileNames) {
    prefix.append(path);
  }
  if (runOptions.printLineNumbers) {
    prefix.append("(").append(std::to_string(lineNumber)).append("): ");
  }
  writeOut(prefix);
  printLineText(line);
}

std::string dumpText(int64_t offset, std::string_view bytes) {
  std::string text;
  for (size_t row = 0; row < bytes.size(); row += 16) {
    size_t rowSize = std::min<size_t>(16, bytes.size() - row);
    appendHexOffset(text, static_cast<uint64_t>(offset) + row);
    text.append(" : ");
    for (size_t i = 0; i < 16; ++i) {
      if (i < rowSize) {
        unsigned char value = static_cast<unsigned char>(bytes[row + i]);
        text.push_back(hexDigits[value >> 4]);
        text.push_back(hexDigits[value & 0xF]);
        text.push_back(' ');
      } else {
        text.append("   ");
      }
    }
    text.append("  ");
    for (size_t i = 0; i < rowSize; ++i) {
      unsigned char value = static_cast<unsigned char>(bytes[row + i]);
      text.push_back(value == 0 || showsAsDot(value) ? '.' : bytes[row + i]);
    }
    text.push_back('\n');
  }
  text.push_back('\n');
  return text;
}

void printMatchBytes(int64_t offset, std::string_view bytes) {
  writeOut(dumpText(offset, bytes));
}
