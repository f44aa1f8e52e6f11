// The one crossing between UTF-16 names and the ANSI code page: names are
// held wide and turn into ANSI bytes only to be printed or measured.
#ifndef KAVELL_ANSI_TEXT_H_
#define KAVELL_ANSI_TEXT_H_

#include <string>

/// `text` in the ANSI code page without best-fit: each character the code
/// page lacks becomes '?', never a look-alike. `exact`, when given, says
/// whether every character had its own form.
std::string ansiOf(const std::wstring& text, bool* exact = nullptr);

/// ANSI bytes (a registry value stored in a non-text type) as wide text.
std::wstring wideOfAnsi(const std::string& bytes);

#endif  // KAVELL_ANSI_TEXT_H_
