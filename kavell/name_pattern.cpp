#include "name_pattern.h"

namespace {

bool isHighSurrogate(wchar_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(wchar_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The length in units of the character that starts at `at`.
size_t characterLength(const std::wstring& text, size_t at) {
  return isHighSurrogate(text[at]) && at + 1 < text.size() && isLowSurrogate(text[at + 1]) ? 2 : 1;
}

}  // namespace

bool matchesPattern(const std::wstring& pattern, const std::wstring& text, size_t* steps) {
  // Greedy with a return to the last star only: each star's retry starts one
  // character further on, so no text position is tried twice for one star.
  const size_t none = std::wstring::npos;
  size_t p = 0, t = 0, star = none, resume = 0, count = 0;
  while (t < text.size()) {
    ++count;
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == L'?') {
      ++p;
      t += characterLength(text, t);
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != none) {
      p = star + 1;
      resume += characterLength(text, resume);
      t = resume;
    } else {
      break;
    }
  }
  while (t == text.size() && p < pattern.size() && pattern[p] == L'*')
    ++p;
  if (steps)
    *steps = count;
  return t == text.size() && p == pattern.size();
}

std::wstring lastPathComponent(const std::wstring& path) {
  size_t end = path.find_last_not_of(L'\\');
  if (end == std::wstring::npos)
    return std::wstring();
  size_t slash = path.rfind(L'\\', end);
  size_t start = slash == std::wstring::npos ? 0 : slash + 1;
  return path.substr(start, end + 1 - start);
}

int firstMatchingPattern(const std::vector<std::wstring>& patterns,
                         const std::vector<std::wstring>& names) {
  for (size_t i = 0; i < patterns.size(); ++i) {
    for (const std::wstring& name : names) {
      if (matchesPattern(patterns[i], name))
        return static_cast<int>(i);
    }
  }
  return -1;
}
