// Parsing of the SID texts that name profile-list entries.
#ifndef KAVELL_SID_TEXT_H_
#define KAVELL_SID_TEXT_H_

#include <cstdint>
#include <string>

/// A SID as its parts: the 6-byte identifier authority (most significant byte
/// first) and up to eight sub-authorities. The revision is always 1.
struct SidParts {
  uint8_t authority[6] = {};
  uint32_t subAuthorities[8] = {};
  int count = 0;  ///< sub-authorities in use, 1 to 8
};

/// The longest SID text accepted (the program's working copy holds 1024 bytes).
constexpr size_t longestSidText = 1023;

/// Splits `text` ("S-1-5-21-...") into `parts`. The first two fields are not
/// read. The third is the authority, "0x" and hex digits or a decimal number;
/// every further field is a sub-authority read as the decimal number it starts
/// with (so "1001.bak" gives 1001); beyond eight they are ignored. Returns
/// false for fewer than three dashes, an authority that is not a number, or a
/// text longer than longestSidText.
bool parseSidText(const std::string& text, SidParts* parts);

#endif  // KAVELL_SID_TEXT_H_
