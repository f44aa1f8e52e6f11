// Trawlex's command-line scan and string preparation on arbitrary argument
// vectors (the input split at NUL bytes). Every decision must come back as an
// outcome with exit code 0 to 3, never end the process, and agree with the
// command-line rules written out plainly here; the prepared strings must be
// fit for the matcher. A second part feeds byte strings written as escapes
// and checks that expandEscapes gives the bytes back.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "options.h"
#include "run_totals.h"
#include "string_prep.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

// A stream in memory, read back as a string.
struct MemoryStream {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* file = nullptr;
};

void openStream(MemoryStream& stream) {
  stream.file = open_memstream(&stream.buffer, &stream.size);
  require(stream.file != nullptr);
}

std::string closeStream(MemoryStream& stream) {
  fclose(stream.file);
  std::string text(stream.buffer, stream.size);
  free(stream.buffer);
  return text;
}

const std::string knownLetters = "FRYICU8NVWTGMPLDASZKXBEH?";

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The scan as the rules state it, for the settings it can get wrong: the
// error it ends with (empty for none) and replace, invert, escapes, unicode
// and utf8.
struct Expected {
  std::string error;
  size_t positional = 0;
  bool replace = false;
  bool invert = false;
  bool escapes = true;
  bool unicode = false;
  bool utf8 = false;
  int helps = 0;
};

Expected expectedScan(const std::vector<std::string>& args) {
  Expected expected;
  size_t next = 0;
  for (;
       next < args.size() && !args[next].empty() && (args[next][0] == '-' || args[next][0] == '/');
       ++next) {
    for (size_t i = 1; i < args[next].size(); ++i) {
      char letter = upper(args[next][i]);
      if (knownLetters.find(letter) == std::string::npos || letter == '\0') {
        expected.error = "Unknown argument: " + args[next].substr(i);
        return expected;
      }
      if ((letter == 'N' && expected.replace) || (letter == 'R' && expected.invert)) {
        expected.error = "Cannot use inverted match (-n) while doing replacement (-r).";
        return expected;
      }
      if ((letter == '8' && expected.unicode) || (letter == 'U' && expected.utf8)) {
        expected.error = "Options -8 and -u cannot be combined.";
        return expected;
      }
      expected.helps += letter == 'H' || letter == '?';
      expected.replace = letter == 'R' ? true : letter == 'F' ? false : expected.replace;
      expected.invert = expected.invert || letter == 'N';
      expected.escapes = expected.escapes && letter != 'V';
      expected.unicode = expected.unicode || letter == 'U';
      expected.utf8 = expected.utf8 || letter == '8';
    }
  }
  expected.positional = next;
  if (next == args.size())
    expected.error = "No search string argument.";
  else if (expected.replace && next + 1 == args.size())
    expected.error = "No replacement string argument.";
  else if (args[next].empty())
    expected.error = "Empty search string argument.";
  return expected;
}

std::string helpText() {
  MemoryStream out;
  openStream(out);
  printHelp(out.file);
  return closeStream(out);
}

void checkScan(const std::vector<std::string>& args, const Outcome& outcome,
               const RunOptions& options, const CommandLine& commandLine,
               const std::string& printed, const std::string& err) {
  Expected expected = expectedScan(args);
  // The help stands once for every help letter met, or alone for no arguments.
  std::string help = helpText();
  require(help.size() > 33 && printed.size() == help.size() * (args.empty() ? 1 : expected.helps));
  for (size_t at = 0; at < printed.size(); at += help.size())
    require(printed.compare(at, help.size(), help) == 0);
  if (args.empty()) {
    require(outcome.endProcess && outcome.exitCode == 0 && err.empty());
    return;
  }
  if (!expected.error.empty()) {
    require(outcome.endProcess && outcome.exitCode == 1 && err == expected.error + "\n");
    return;
  }
  require(!outcome.endProcess && err.empty());
  require(options.replace == expected.replace && options.invert == expected.invert);
  require(options.escapes == expected.escapes && !(options.replace && options.invert));
  require(options.unicode == expected.unicode && options.utf8 == expected.utf8);
  size_t next = expected.positional;
  require(commandLine.searchArgument == args[next]);
  if (options.replace)
    ++next;
  require(commandLine.replaceArgument == args[next]);
  require(commandLine.wildcards == std::vector<std::string>(args.begin() + next + 1, args.end()));
}

bool hasEscapeCharacter(const std::string& text) {
  return text.find_first_of("\\^") != std::string::npos;
}

std::string widened(const std::string& text) {
  std::string wide;
  for (char c : text)
    wide += std::string(1, c) + '\0';
  return wide;
}

// Each argument byte stands for the typed character of its value (U+0000 to
// U+00FF); under -8 that is one byte below 0x80 and two from it.
std::wstring typedForm(const std::string& text) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  return std::wstring(bytes, bytes + text.size());
}

std::string unexpanded(const std::string& text, const RunOptions& options) {
  std::string bytes;
  for (unsigned char c : text) {
    if (options.utf8 && c >= 0x80)
      bytes +=
          std::string{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    else
      bytes += static_cast<char>(c);
  }
  return options.unicode ? widened(bytes) : bytes;
}

const char lineBreakError[] =
    "Error: \\r or \\n found in middle of search string.  Trawlex cannot find strings\n"
    "that span multiple lines, even in binary mode.\n";

void checkPreparation(const CommandLine& commandLine, const RunOptions& before) {
  RunOptions options = before;
  std::string search = "stale";
  std::string replacement = "stale";
  MemoryStream out, err;
  openStream(out);
  openStream(err);
  bool typed = before.unicode || before.utf8;
  std::wstring invalidEscape;
  Outcome outcome =
      typed ? prepareTypedStrings(typedForm(commandLine.searchArgument),
                                  typedForm(commandLine.replaceArgument), options, search,
                                  replacement, invalidEscape, out.file, err.file)
            : prepareStrings(commandLine, options, search, replacement, out.file, err.file);
  std::string printed = closeStream(out);
  std::string errors = closeStream(err);
  bool escaped = hasEscapeCharacter(commandLine.searchArgument) ||
                 hasEscapeCharacter(commandLine.replaceArgument);
  require(printed == (escaped && !before.escapes
                          ? "Verbatim mode: \\ and ^ processing not performed on search/replace "
                            "strings.\n"
                          : ""));
  if (outcome.endProcess) {
    require(outcome.exitCode == 2 || outcome.exitCode == 3);
    if (outcome.exitCode == 2 && typed) {
      // The caller names the typed escape; one unit after its introducer.
      require(escaped && before.escapes && errors.empty() && invalidEscape.size() == 2);
      require(invalidEscape[0] == L'\\' || invalidEscape[0] == L'^');
    } else if (outcome.exitCode == 2) {
      require(escaped && before.escapes);
      require(errors.compare(0, 26, "Invalid escape character (") == 0);
      require(errors.size() >= 30 && errors.compare(errors.size() - 2, 2, ")\n") == 0);
    } else {
      require(errors == lineBreakError);
    }
    return;
  }
  require(errors.empty() && !search.empty() && !hasLineBreakInMiddle(search));
  require(options.binary == (before.binary || (escaped && before.escapes)));
  if (!escaped || !before.escapes) {
    std::string typedSearch = commandLine.searchArgument;
    std::string typedReplacement = commandLine.replaceArgument;
    require(search == unexpanded(typedSearch, before));
    require(replacement == unexpanded(typedReplacement, before));
  } else if (before.unicode) {
    // Every escape gives one byte, and the widening doubles each.
    require(search.size() % 2 == 0 && replacement.size() % 2 == 0);
    for (size_t i = 1; i < search.size(); i += 2)
      require(search[i] == '\0');
  }
  if (!before.replace)
    require(search == replacement);
}

// Writes each byte of `bytes` as itself, a hex, octal or caret escape, as the
// fuzzer chooses; a number escape is never followed by a digit it would take in.
std::string escapedForm(const std::string& bytes, FuzzedDataProvider& input) {
  static const char hex[] = "0123456789abcdef";
  std::string text;
  bool afterNumber = false;
  for (char c : bytes) {
    unsigned char value = static_cast<unsigned char>(c);
    int way = input.ConsumeIntegralInRange<int>(0, 3);
    bool plain = c != '\\' && c != '^' && !(afterNumber && isxdigit(value));
    afterNumber = false;
    if (way == 0 && plain) {
      text += c;
    } else if (way == 1 && value < 32) {
      text += std::string("^") + static_cast<char>(value + 0x40);
    } else if (way == 2) {
      text += std::string("\\") + static_cast<char>('0' + (value >> 6)) +
              static_cast<char>('0' + ((value >> 3) & 7)) + static_cast<char>('0' + (value & 7));
      afterNumber = true;
    } else {
      text += std::string("\\x") + hex[value >> 4] + hex[value & 15];
      afterNumber = true;
    }
  }
  return text;
}

void checkEscapeRoundTrip(FuzzedDataProvider& input) {
  std::string bytes = input.ConsumeRandomLengthString(64);
  std::string text = escapedForm(bytes, input);
  std::string message;
  require(expandEscapes(text, message));
  require(text == bytes && message.empty());
}

// The grand total never wraps to a negative count, and the total line quotes
// the arguments exactly as typed, whatever bytes they hold.
void checkTotals(const RunOptions& options, const CommandLine& commandLine, int32_t total,
                 int32_t count) {
  int64_t sum = static_cast<int64_t>(total) + count;
  require(addToTotal(total, count) == (sum > INT32_MAX ? INT32_MAX : sum));
  std::string line = totalLine(options, total, commandLine);
  std::string head = ">> Total: " + std::to_string(total) +
                     (options.wholeLine ? " line(s) of \"" : " instance(s) of \"");
  std::string tail = options.replace  ? "\" replaced with \"" + commandLine.replaceArgument + "\"."
                     : options.invert ? "\" not found."
                                      : "\" found.";
  require(line == head + commandLine.searchArgument + tail);
  require(exitCodeFor(options, total) == (options.countAsExitCode ? total : 0));
}

std::vector<std::string> splitArguments(const std::string& rest) {
  std::vector<std::string> args;
  if (rest.empty())
    return args;
  for (size_t start = 0; args.size() < 12;) {
    size_t end = rest.find('\0', start);
    args.push_back(rest.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int32_t total = input.ConsumeIntegralInRange<int32_t>(0, INT32_MAX);
  int32_t count = input.ConsumeIntegralInRange<int32_t>(0, INT32_MAX);
  if (input.ConsumeIntegralInRange<int>(0, 3) == 0) {
    checkEscapeRoundTrip(input);
    return 0;
  }
  std::vector<std::string> args = splitArguments(input.ConsumeRemainingBytesAsString());
  RunOptions options;
  CommandLine commandLine;
  MemoryStream out, err;
  openStream(out);
  openStream(err);
  Outcome outcome = scanCommandLine(args, options, commandLine, out.file, err.file);
  std::string printed = closeStream(out);
  std::string errors = closeStream(err);
  checkScan(args, outcome, options, commandLine, printed, errors);
  if (!outcome.endProcess) {
    checkPreparation(commandLine, options);
    checkTotals(options, commandLine, total, count);
  }
  return 0;
}
