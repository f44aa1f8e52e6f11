// Kavell's ANSI string helpers under a single-byte code page and one with
// lead bytes, each compared with the same operation done on the list of the
// text's characters (a lead byte and the byte after it being one character).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ansi_strings.h"
#include "fuzz_code_pages.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

std::vector<std::string> charactersOf(const std::string& text, const LeadBytes& lead) {
  std::vector<std::string> characters;
  for (size_t pos = 0; pos < text.size();) {
    unsigned char byte = static_cast<unsigned char>(text[pos]);
    size_t length = lead.isLead[byte] && pos + 1 < text.size() ? 2 : 1;
    require(charLength(text, pos, lead) == length);
    characters.push_back(text.substr(pos, length));
    pos += length;
  }
  return characters;
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool sameCharacter(const std::string& a, const std::string& b) {
  if (a.size() != b.size())
    return false;
  return a.size() == 2 ? a == b : lower(a[0]) == lower(b[0]);
}

void checkFinds(const std::string& text, const std::string& needle, char c, const LeadBytes& lead) {
  std::vector<std::string> characters = charactersOf(text, lead);
  size_t first = notFound, last = notFound, found = needle.empty() ? 0 : notFound;
  size_t pos = 0;
  for (const std::string& character : characters) {
    if (character[0] == c) {
      first = first == notFound ? pos : first;
      last = pos;
    }
    if (found == notFound && text.compare(pos, needle.size(), needle) == 0 &&
        pos + needle.size() <= text.size())
      found = pos;
    pos += character.size();
  }
  require(findChar(text, c, lead) == first);
  require(findLastChar(text, c, lead) == last);
  require(findText(text, needle, lead) == found);
  std::string reversed;
  for (auto it = characters.rbegin(); it != characters.rend(); ++it)
    reversed += *it;
  require(reverseText(text, lead) == reversed);
}

void checkComparisons(const std::string& a, const std::string& b, size_t count,
                      const LeadBytes& lead) {
  std::vector<std::string> characters = charactersOf(a, lead);
  bool equal = a.size() == b.size();
  size_t pos = 0;
  bool prefix = a.size() >= count && b.size() >= count;
  for (const std::string& character : characters) {
    std::string other = pos < b.size() ? b.substr(pos, character.size()) : std::string();
    bool same = sameCharacter(character, other);
    equal = equal && same;
    // A double-byte character cut by `count` is no match.
    if (pos < count)
      prefix = prefix && same && pos + character.size() <= count;
    pos += character.size();
  }
  require(equalsIgnoreCase(a, b, lead) == equal);
  require(equalsIgnoreCase(b, a, lead) == equal);
  require(equalsExactly(a, b) == (a == b));
  require(startsWithIgnoreCase(a, b, count, lead) == prefix);
}

void checkAppend(const std::string& target, const std::string& text, size_t room) {
  std::string grown = target;
  bool fits = room > 0 && target.size() + text.size() <= room - 1;
  require(appendWithin(grown, text, room) == fits);
  require(grown == (fits ? target + text : target));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  LeadBytes lead = consumeCodePage(input);
  char c = input.ConsumeIntegral<char>();
  size_t count = input.ConsumeIntegralInRange<size_t>(0, 40);
  size_t room = input.ConsumeIntegralInRange<size_t>(0, 80);
  std::string needle = input.ConsumeRandomLengthString(16);
  std::string other = input.ConsumeRandomLengthString(64);
  std::string text = input.ConsumeRemainingBytesAsString();
  checkFinds(text, needle, c, lead);
  checkComparisons(text, other, count, lead);
  checkAppend(text, needle, room);
  return 0;
}
