#include "reference_model.h"

#include "options.h"
#include "report.h"

namespace {

bool readLine(const std::string& input, size_t& position, std::string& line) {
  line.clear();
  while (position < input.size()) {
    char byte = input[position++];
    line += byte;
    if (byte == '\n')
      return true;
    if (byte == '\r') {
      if (position < input.size() && input[position] == '\n')
        line += input[position++];
      return true;
    }
  }
  return !line.empty();
}

char fold(char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<char>(byte + 32) : byte;
}

bool agree(char a, char b) {
  return a == b || (runOptions.ignoreCase && fold(a) == fold(b));
}

bool lineEquals(const std::string& line, const std::string& search) {
  if (line.size() != search.size())
    return false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (!agree(line[i], search[i]))
      return false;
  }
  return true;
}

const size_t none = static_cast<size_t>(-1);

size_t findFrom(const std::string& line, const std::string& search, size_t start) {
  for (size_t p = start; p + search.size() <= line.size(); ++p) {
    size_t i = 0;
    while (i < search.size() && agree(line[p + i], search[i]))
      ++i;
    if (i == search.size())
      return p;
  }
  return none;
}

void replaceAt(std::string& line, size_t position, size_t length, std::string replacement) {
  if (runOptions.preserveCase) {
    bool lower = false;
    bool upper = false;
    for (size_t i = position; i < position + length && i < line.size(); ++i) {
      lower = lower || (line[i] >= 'a' && line[i] <= 'z');
      upper = upper || (line[i] >= 'A' && line[i] <= 'Z');
    }
    for (char& byte : replacement) {
      if (!lower && byte >= 'a' && byte <= 'z') {
        byte = static_cast<char>(byte - 32);
      } else if (lower && !upper && byte >= 'A' && byte <= 'Z') {
        byte = static_cast<char>(byte + 32);
      }
    }
  }
  line.replace(position, length, replacement);
}

// The occurrences of one line, replaced in place when replacing; dumps each
// one at `base` plus its position.
int32_t matchLine(std::string& line, const std::string& search, const std::string& replacement,
                  int64_t base) {
  bool dumps = runOptions.printMatches && runOptions.binary && !runOptions.invert;
  const std::string& dumped = runOptions.replace ? replacement : search;
  if (runOptions.wholeLine) {
    if (!lineEquals(line, search))
      return 0;
    if (dumps)
      printMatchBytes(base, dumped);
    if (runOptions.replace)
      replaceAt(line, 0, line.size(), replacement);
    return 1;
  }
  int32_t count = 0;
  for (size_t p = findFrom(line, search, 0); p != none; ++count) {
    if (dumps)
      printMatchBytes(base + static_cast<int64_t>(p), dumped);
    if (runOptions.replace) {
      replaceAt(line, p, search.size(), replacement);
      p = findFrom(line, search, p + replacement.size());
    } else {
      p = findFrom(line, search, p + search.size());
    }
  }
  return count;
}

void reportLine(const std::string& original, const std::string& line, const std::string& path,
                int64_t lineNumber, int64_t lineStart) {
  if (runOptions.replace && runOptions.printBoth) {
    printMatchLine("Original", original, path, lineNumber);
    printMatchLine("REPLACED", line, path, lineNumber);
  } else {
    printMatchLine(nullptr, line, path, lineNumber);
  }
  if (runOptions.invert && runOptions.printMatches && runOptions.binary)
    printMatchBytes(lineStart, line);
}

}  // namespace

ReferenceResult referenceProcessFile(const std::string& input, const std::string& searchText,
                                     const std::string& replaceText, const std::string& path) {
  ReferenceResult result;
  size_t position = 0;
  int64_t lineNumber = 0;
  std::string line;
  while (true) {
    int64_t lineStart = static_cast<int64_t>(position);
    // Replace mode dumps at offsets of the rewritten file.
    int64_t base = runOptions.replace ? static_cast<int64_t>(result.output.size()) : lineStart;
    if (!readLine(input, position, line))
      break;
    ++lineNumber;
    std::string original = line;
    int32_t lineCount = matchLine(line, searchText, replaceText, base);
    if (runOptions.invert)
      lineCount = lineCount > 0 ? 0 : 1;
    if (lineCount > 0) {
      result.count += lineCount;
      reportLine(original, line, path, lineNumber, lineStart);
    }
    if (runOptions.replace)
      result.output += line;
  }
  return result;
}
