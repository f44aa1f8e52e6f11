#include "matcher.h"

#include <algorithm>

#include "byte_scan.h"
#include "options.h"

unsigned char foldCase(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

CaseClass caseClassOf(std::string_view line, size_t position, size_t length) {
  bool hasLower = false;
  bool hasUpper = false;
  size_t end = position + std::min(length, line.size() - std::min(position, line.size()));
  for (size_t i = position; i < end; ++i) {
    hasLower = hasLower || (line[i] >= 'a' && line[i] <= 'z');
    hasUpper = hasUpper || (line[i] >= 'A' && line[i] <= 'Z');
  }
  if (!hasLower) {
    return CaseClass::Upper;
  }
  return hasUpper ? CaseClass::Mixed : CaseClass::Lower;
}

std::string toLowerCopy(const std::string& text) {
  std::string copy = text;
  for (char& byte : copy) {
    byte = static_cast<char>(foldCase(static_cast<unsigned char>(byte)));
  }
  return copy;
}

std::string toUpperCopy(const std::string& text) {
  std::string copy = text;
  for (char& byte : copy) {
    if (byte >= 'a' && byte <= 'z') {
      byte = static_cast<char>(byte - ('a' - 'A'));
    }
  }
  return copy;
}

bool readLine(LineInput& input, std::string_view& line) {
  return readLineFrom(input, input.position, line);
}

bool readLineFrom(LineInput& input, size_t from, std::string_view& line) {
  const std::string_view& data = input.data;
  size_t start = input.position;
  if (start >= data.size()) {
    return false;
  }
  size_t end = findLineBreak(data.data(), data.size(), from);
  if (end == data.size()) {
    // No terminator in the window: only the end of the file completes it.
    if (!input.final) {
      return false;
    }
  } else if (data[end] == '\n') {
    ++end;
  } else if (end + 1 < data.size()) {
    // A carriage return takes a following line feed into the same line.
    end += data[end + 1] == '\n' ? 2 : 1;
  } else if (input.final) {
    ++end;
  } else {
    return false;
  }
  line = data.substr(start, end - start);
  input.position = end;
  return true;
}

bool lineEquals(std::string_view line, const std::string& searchText) {
  if (line.size() != searchText.size()) {
    return false;
  }
  if (searchText.empty()) {
    return true;
  }
  return findNeedle(line.data(), line.size(), 0, searchText.data(), searchText.size(),
                    runOptions.ignoreCase) == 0;
}

size_t findFrom(std::string_view line, const std::string& searchText, size_t start) {
  if (searchText.empty()) {
    return start <= line.size() ? start : notFound;
  }
  size_t found = findNeedle(line.data(), line.size(), start, searchText.data(), searchText.size(),
                            runOptions.ignoreCase);
  return found == line.size() ? notFound : found;
}

void appendReplacement(std::string& out, std::string_view matched, const std::string& replaceText) {
  if (!runOptions.preserveCase) {
    out.append(replaceText);
    return;
  }
  switch (caseClassOf(matched, 0, matched.size())) {
    case CaseClass::Upper:
      out.append(toUpperCopy(replaceText));
      break;
    case CaseClass::Lower:
      out.append(toLowerCopy(replaceText));
      break;
    case CaseClass::Mixed:
      out.append(replaceText);
      break;
  }
}
