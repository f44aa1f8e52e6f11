#include "names.h"

#include <windows.h>

#include "path_rules.h"

namespace {

// The conversion to the ANSI code page with best-fit switched off; `exact`
// tells whether it needed its default character. A UTF-8 code page takes no
// default character and reports an unpaired surrogate as an error instead.
std::string toAnsi(const std::wstring& text, bool& exact) {
  exact = true;
  if (text.empty()) {
    return std::string();
  }
  bool utf8 = GetACP() == CP_UTF8;
  DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* reportDefault = utf8 ? nullptr : &usedDefault;
  const char* defaultCharacter = utf8 ? nullptr : "?";
  int length = static_cast<int>(text.size());
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, defaultCharacter,
                                 reportDefault);
  if (size == 0 && utf8) {
    flags = 0;
    exact = false;
    size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, &bytes[0], size, defaultCharacter,
                      reportDefault);
  exact = exact && !usedDefault;
  return bytes;
}

}  // namespace

std::string shownForm(const std::wstring& text) {
  bool exact = true;
  return toAnsi(text, exact);
}

bool hasExactAnsiForm(const std::wstring& text) {
  bool exact = true;
  toAnsi(text, exact);
  return exact;
}

std::wstring fullFolderPath(const std::wstring& typed) {
  DWORD size = GetFullPathNameW(typed.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return std::wstring();
  }
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(typed.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) {
    return std::wstring();
  }
  full.resize(length);
  // "C:" gives that drive's current folder without the final separator.
  if (full.back() != L'\\') {
    full += L'\\';
  }
  return longPathOf(full);
}
