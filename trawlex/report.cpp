#include "report.h"

#include <algorithm>
#include <cstdio>

#include "options.h"

namespace {

const char hexDigits[] = "0123456789abcdef";

bool showsAsDot(unsigned char byte) {
  return byte == 0x07 || byte == 0x09 || byte == 0x0A || byte == 0x0D;
}

// Ordinary bytes are copied in runs; only the few control bytes need a look.
void appendLineText(std::string& out, std::string_view line) {
  size_t runStart = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    unsigned char value = static_cast<unsigned char>(line[i]);
    if (value > 0x0D || (value != 0 && !showsAsDot(value))) {
      continue;
    }
    out.append(line.data() + runStart, i - runStart);
    if (value != 0) {
      out.push_back('.');
    }
    runStart = i + 1;
  }
  out.append(line.data() + runStart, line.size() - runStart);
}

void appendDecimal(std::string& out, int64_t value) {
  char digits[24];
  int count = 0;
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) {
    out.push_back('-');
  }
  while (count > 0) {
    out.push_back(digits[--count]);
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

// Where the next piece of output is put together: straight into the
// collected report when it is buffered, else into a scratch line.
std::string& outputTarget() {
  static std::string scratch;
  scratch.clear();
  return reportBuffered ? pendingReport() : scratch;
}

// Sends what outputTarget collected on its way.
void finishOutput(std::string& target) {
  if (&target != &pendingReport()) {
    fwrite(target.data(), 1, target.size(), stdout);
  } else if (target.size() >= reportBlock) {
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
  std::string& target = outputTarget();
  target.append(text);
  finishOutput(target);
}

const char* pluralNoun() {
  return runOptions.replace ? "replacement(s)" : "match(es)";
}

void printLineText(std::string_view line) {
  std::string& target = outputTarget();
  appendLineText(target, line);
  target.push_back('\n');
  finishOutput(target);
}

void printMatchLine(const char* label, std::string_view line, const std::string& path,
                    int64_t lineNumber) {
  if (!runOptions.printMatches || runOptions.binary) {
    return;
  }
  std::string& target = outputTarget();
  if (label != nullptr) {
    target.append(label).append(": ");
  }
  if (runOptions.printFileNames) {
    target.append(path);
  }
  if (runOptions.printLineNumbers) {
    target.push_back('(');
    appendDecimal(target, lineNumber);
    target.append("): ");
  }
  finishOutput(target);
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
  printReportText(dumpText(offset, bytes));
}
