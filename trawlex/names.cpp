#include "names.h"

#include <windows.h>

#include "path_rules.h"

namespace {

// The conversion to the ANSI code page with best-fit switched off; `exact`
// tells whether it needed its default character. A UTF-8 code page takes no
// default character and reports an unpaired surrogate as an error instead.
// One call: no code page takes more than three bytes for a UTF-16 unit.
std::string toAnsi(const std::wstring& text, bool& exact) {
  static const bool utf8 = GetACP() == CP_UTF8;
  exact = true;
  if (text.empty()) {
    return std::string();
  }
  DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  int length = static_cast<int>(text.size());
  std::string bytes(text.size() * 3, '\0');
  int size = WideCharToMultiByte(CP_ACP, flags, text.data(), length, &bytes[0],
                                 static_cast<int>(bytes.size()), utf8 ? nullptr : "?",
                                 utf8 ? nullptr : &usedDefault);
  if (size == 0 && utf8) {
    exact = false;
    size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, &bytes[0],
                               static_cast<int>(bytes.size()), nullptr, nullptr);
  }
  bytes.resize(static_cast<size_t>(size));
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
