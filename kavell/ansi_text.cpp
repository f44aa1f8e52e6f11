#include "ansi_text.h"

#include <windows.h>

#include <vector>

std::string ansiOf(const std::wstring& text, bool* exact) {
  if (exact != nullptr)
    *exact = true;
  if (text.empty())
    return std::string();
  int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, "?",
                                 &usedDefault);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, &bytes[0], size, "?",
                      &usedDefault);
  if (exact != nullptr)
    *exact = usedDefault == FALSE;
  return bytes;
}

std::wstring wideOfAnsi(const std::string& bytes) {
  if (bytes.empty())
    return std::wstring();
  int length = static_cast<int>(bytes.size());
  int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
  std::wstring text(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, &text[0], size);
  return text;
}
