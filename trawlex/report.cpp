#include "report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "byte_scan.h"
#include "options.h"

namespace {

const char hexDigits[] = "0123456789abcdef";

bool showsAsDot(unsigned char byte) {
  return byte == 0x07 || byte == 0x09 || byte == 0x0A || byte == 0x0D;
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

// Each write is a round trip through the C runtime and the platform.
constexpr size_t reportBlock = size_t{1} << 18;

std::string& pendingReport() {
  static std::string pending;
  return pending;
}

// A piece of output being put together: straight into the collected report
// when it is buffered, with its line ends as "\r\n" when that goes to the
// binary stream, else into a scratch line.
struct OutputPiece {
  std::string& text;
  bool crLf;
};

OutputPiece startOutput() {
  static std::string scratch;
  scratch.clear();
  if (!reportBuffered) {
    return {scratch, false};
  }
  return {pendingReport(), reportBinaryStream != nullptr};
}

void appendText(OutputPiece& piece, std::string_view text) {
  if (!piece.crLf) {
    piece.text.append(text);
    return;
  }
  size_t runStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      piece.text.append(text.data() + runStart, i - runStart).append("\r\n");
      runStart = i + 1;
    }
  }
  piece.text.append(text.data() + runStart, text.size() - runStart);
}

void endLine(OutputPiece& piece) {
  if (piece.crLf) {
    piece.text.push_back('\r');
  }
  piece.text.push_back('\n');
}

size_t decimalDigits(uint64_t value) {
  size_t digits = 1;
  for (uint64_t bound = 10; digits < 20 && value >= bound; bound *= 10) {
    ++digits;
  }
  return digits;
}

// The readable form of `line`: control bytes dotted, NUL bytes left out.
// From the first NUL on, which is rare, byte by byte.
void appendLineWithNuls(std::string& out, std::string_view line) {
  for (char c : line) {
    if (c != 0) {
      out.push_back(showsAsDot(static_cast<unsigned char>(c)) ? '.' : c);
    }
  }
}

// "(N): " when `lineNumber` is not negative, the readable form of `line` and
// the line end, written in place after one growth of the text: a copy through
// some C runtimes' memcpy costs more than the writing.
void appendShownLine(OutputPiece& piece, int64_t lineNumber, std::string_view line) {
  std::string& out = piece.text;
  size_t digits = lineNumber < 0 ? 0 : decimalDigits(static_cast<uint64_t>(lineNumber));
  size_t prefix = lineNumber < 0 ? 0 : digits + 4;
  size_t at = out.size();
  out.resize(at + prefix + line.size() + (piece.crLf ? 2 : 1));
  char* text = &out[at];
  if (lineNumber >= 0) {
    text[0] = '(';
    uint64_t value = static_cast<uint64_t>(lineNumber);
    for (size_t i = digits; i > 0; --i, value /= 10) {
      text[i] = static_cast<char>('0' + value % 10);
    }
    memcpy(text + digits + 1, "): ", 3);
  }
  size_t copied = copyDotted(text + prefix, line.data(), line.size());
  if (copied < line.size()) {
    out.resize(at + prefix + copied);
    appendLineWithNuls(out, line.substr(copied));
    endLine(piece);
    return;
  }
  char* end = text + prefix + line.size();
  if (piece.crLf) {
    *end++ = '\r';
  }
  *end = '\n';
}

// Sends what startOutput collected on its way.
void finishOutput(OutputPiece& piece) {
  if (&piece.text != &pendingReport()) {
    fwrite(piece.text.data(), 1, piece.text.size(), stdout);
    ++reportWrites;
  } else if (piece.text.size() >= reportBlock) {
    flushReport();
  }
}

}  // namespace

bool reportBuffered = false;
FILE* reportBinaryStream = nullptr;
uint64_t reportWrites = 0;

void flushReport() {
  std::string& pending = pendingReport();
  if (pending.empty()) {
    return;
  }
  if (reportBinaryStream == nullptr) {
    fwrite(pending.data(), 1, pending.size(), stdout);
  } else {
    // What stdout still holds came first; what follows comes after.
    fflush(stdout);
    fwrite(pending.data(), 1, pending.size(), reportBinaryStream);
    fflush(reportBinaryStream);
  }
  ++reportWrites;
  pending.clear();
}

void printReportText(std::string_view text) {
  OutputPiece piece = startOutput();
  appendText(piece, text);
  finishOutput(piece);
}

const char* pluralNoun() {
  return runOptions.replace ? "replacement(s)" : "match(es)";
}

void printLineText(std::string_view line) {
  OutputPiece piece = startOutput();
  appendShownLine(piece, -1, line);
  finishOutput(piece);
}

void printMatchLine(const char* label, std::string_view line, const std::string& path,
                    int64_t lineNumber) {
  if (!runOptions.printMatches || runOptions.binary) {
    return;
  }
  OutputPiece piece = startOutput();
  if (label != nullptr) {
    piece.text.append(label).append(": ");
  }
  if (runOptions.printFileNames) {
    appendText(piece, path);
  }
  appendShownLine(piece, runOptions.printLineNumbers ? lineNumber : -1, line);
  finishOutput(piece);
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
