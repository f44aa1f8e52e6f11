#include "ansi_strings.h"

namespace {

char asciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Compares `count` bytes from the starts of `a` and `b`, folding ASCII case
// only on single-byte characters of `a`. Both hold at least `count` bytes.
bool sameIgnoringCase(const std::string& a, const std::string& b, size_t count,
                      const LeadBytes& lead) {
  size_t pos = 0;
  while (pos < count) {
    size_t length = charLength(a, pos, lead);
    if (length == 2) {
      if (pos + 1 >= count || a[pos] != b[pos] || a[pos + 1] != b[pos + 1])
        return false;
    } else if (asciiLower(a[pos]) != asciiLower(b[pos])) {
      return false;
    }
    pos += length;
  }
  return true;
}

}  // namespace

LeadBytes singleByteCodePage() {
  return LeadBytes();
}

size_t charLength(const std::string& text, size_t pos, const LeadBytes& lead) {
  unsigned char byte = static_cast<unsigned char>(text[pos]);
  return (lead.isLead[byte] && pos + 1 < text.size()) ? 2 : 1;
}

size_t findChar(const std::string& text, char c, const LeadBytes& lead) {
  for (size_t pos = 0; pos < text.size(); pos += charLength(text, pos, lead)) {
    if (text[pos] == c)
      return pos;
  }
  return notFound;
}

size_t findLastChar(const std::string& text, char c, const LeadBytes& lead) {
  size_t last = notFound;
  for (size_t pos = 0; pos < text.size(); pos += charLength(text, pos, lead)) {
    if (text[pos] == c)
      last = pos;
  }
  return last;
}

size_t findText(const std::string& text, const std::string& needle, const LeadBytes& lead) {
  if (needle.empty())
    return 0;
  for (size_t pos = 0; pos + needle.size() <= text.size(); pos += charLength(text, pos, lead)) {
    if (text.compare(pos, needle.size(), needle) == 0)
      return pos;
  }
  return notFound;
}

std::string reverseText(const std::string& text, const LeadBytes& lead) {
  std::string reversed(text.size(), '\0');
  size_t end = text.size();
  for (size_t pos = 0; pos < text.size();) {
    size_t length = charLength(text, pos, lead);
    end -= length;
    reversed.replace(end, length, text, pos, length);
    pos += length;
  }
  return reversed;
}

bool appendWithin(std::string& target, const std::string& text, size_t room) {
  if (room == 0 || target.size() + text.size() > room - 1)
    return false;
  target += text;
  return true;
}

bool equalsExactly(const std::string& a, const std::string& b) {
  return a == b;
}

bool equalsIgnoreCase(const std::string& a, const std::string& b, const LeadBytes& lead) {
  return a.size() == b.size() && sameIgnoringCase(a, b, a.size(), lead);
}

bool startsWithIgnoreCase(const std::string& text, const std::string& prefix, size_t count,
                          const LeadBytes& lead) {
  if (text.size() < count || prefix.size() < count)
    return false;
  return sameIgnoringCase(text, prefix, count, lead);
}
