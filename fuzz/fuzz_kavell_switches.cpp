// Kavell's command-line decision on arbitrary argument vectors. The input is
// split at NUL bytes into the arguments; the first byte picks the code page
// (single-byte, or one with lead bytes 0x81 to 0xFE) and how many of the
// pieces are passed. The decision is checked against the program's rules,
// written out plainly here.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_code_pages.h"
#include "switches.h"

namespace {

void require(bool condition) {
  if (!condition)
    abort();
}

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameLetters(const std::string& text, const std::string& literal, size_t count) {
  if (text.size() < count)
    return false;
  for (size_t i = 0; i < count; ++i) {
    if (lower(text[i]) != lower(literal[i]))
      return false;
  }
  return true;
}

// The day count of "/D:" or "/AD:", or false for a number text that is no
// plain decimal count of a signed 32-bit size.
bool plainDayCount(const std::string& text, int32_t* days) {
  if (text.size() > 10)
    return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  if (value > INT32_MAX)
    return false;
  *days = static_cast<int32_t>(value);
  return true;
}

// Strips leading zeros so that a ten-digit text of zeros still fits the check.
std::string withoutLeadingZeros(const std::string& text) {
  size_t first = text.find_first_not_of('0');
  return first == std::string::npos ? std::string() : text.substr(first);
}

void checkDayCountSwitch(const Invocation& decided, const std::string& argument, size_t prefix,
                         ScanMode mode) {
  std::string number = argument.substr(prefix);
  bool digitsOnly = number.find_first_not_of("0123456789") == std::string::npos;
  int32_t days = 0;
  if (!digitsOnly || !plainDayCount(withoutLeadingZeros(number), &days)) {
    require(decided.action == Action::InvalidEntry);
    return;
  }
  require(decided.action == Action::Scan && decided.mode == mode && decided.days == days);
  std::string count = std::to_string(days);
  if (mode == ScanMode::ByAge) {
    require(decided.heading == "Deleting User Profiles older than " + count + " days:\n\n");
    require(decided.closing == "Process Completed.\n");
  } else {
    require(decided.heading ==
            "Deleting User Profiles with no valid user associations older than " + count +
                " days:\n\n");
    require(decided.closing == "Process Completed.");
  }
}

void checkFirstArgument(const Invocation& decided, const std::string& argument) {
  if (argument.size() > longestArgument) {
    require(decided.action == Action::InvalidEntry);
  } else if (argument.size() == 2 && sameLetters(argument, "/?", 2)) {
    require(decided.action == Action::FullHelp);
  } else if (argument.size() == 5 && sameLetters(argument, "/LIST", 5)) {
    require(decided.action == Action::Scan && decided.mode == ScanMode::List);
    require(decided.closing == "Process Completed.\n\n" && decided.days == -1);
  } else if (argument.size() == 2 && sameLetters(argument, "/A", 2)) {
    require(decided.action == Action::Scan && decided.mode == ScanMode::Orphaned);
    require(decided.closing == "Process Completed.\n\n" && decided.days == -1);
  } else if (sameLetters(argument, "/D:", 3)) {
    checkDayCountSwitch(decided, argument, 3, ScanMode::ByAge);
  } else if (sameLetters(argument, "/AD:", 4)) {
    checkDayCountSwitch(decided, argument, 4, ScanMode::OrphanedByAge);
  } else {
    require(decided.action == Action::Scan && decided.mode == ScanMode::ByUser);
    require(decided.userName == argument && decided.days == -1);
    require(decided.heading == "Deleting User Profile owned by " + argument + ".\n\n");
    require(decided.closing == "Process Completed.\n");
  }
  if (decided.mode != ScanMode::ByUser)
    require(decided.userName.empty());
}

bool sameDecision(const Invocation& a, const Invocation& b) {
  return a.shortHelpFirst == b.shortHelpFirst && a.action == b.action && a.mode == b.mode &&
         a.days == b.days && a.userName == b.userName && a.heading == b.heading &&
         a.closing == b.closing && a.whatIf == b.whatIf &&
         a.exclusionArguments == b.exclusionArguments;
}

bool isWhatIf(const std::string& argument) {
  return argument.size() == 7 && sameLetters(argument, "/WHATIF", 7);
}

// "/?" first, a refused first argument, or "/LIST": only the second argument
// counts, and only for the short help.
void checkSecondArgumentOnly(const Invocation& decided, const std::vector<std::string>& pieces,
                             int passed) {
  checkFirstArgument(decided, pieces[0]);
  bool quiet = passed >= 2 && decided.action == Action::Scan &&
               (isWhatIf(pieces[1]) || sameLetters(pieces[1], "/X:", 3));
  require(decided.shortHelpFirst == (passed >= 2 && !quiet));
  require(!decided.whatIf && decided.exclusionArguments.empty());
}

// A deleting mode: every argument after the first counts.
void checkDeletingArguments(const Invocation& decided, const std::vector<std::string>& pieces,
                            int passed) {
  bool refused = false, words = false, whatIf = false;
  std::vector<int> exclusions;
  for (int i = 1; i < passed; ++i) {
    const std::string& piece = pieces[i];
    if (piece == "/?") {
      require(decided.action == Action::FullHelp);
      return;
    }
    if (isWhatIf(piece))
      whatIf = true;
    else if (piece.size() > 3 && sameLetters(piece, "/X:", 3))
      exclusions.push_back(i);
    else if (!piece.empty() && (piece[0] == '/' || piece[0] == '-'))
      refused = true;
    else
      words = true;
  }
  if (refused) {
    require(decided.action == Action::InvalidEntry && !decided.shortHelpFirst);
    return;
  }
  checkFirstArgument(decided, pieces[0]);
  require(decided.whatIf == whatIf && decided.exclusionArguments == exclusions);
  require(decided.shortHelpFirst == words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  int passed = input.ConsumeIntegralInRange<int>(0, 3);
  std::vector<std::string> pieces;
  std::string rest = input.ConsumeRemainingBytesAsString();
  for (size_t start = 0; pieces.size() < 3;) {
    size_t end = rest.find('\0', start);
    pieces.push_back(rest.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos)
      break;
    start = end + 1;
  }
  pieces.resize(3);
  const char* args[3] = {pieces[0].c_str(), pieces[1].c_str(), pieces[2].c_str()};

  Invocation decided = decideInvocation(passed, args, singleByteCodePage());
  // The switches are plain ASCII, so the code page never changes the decision.
  require(sameDecision(decided, decideInvocation(passed, args, everyHighByteLeads())));

  if (passed == 0) {
    require(decided.action == Action::Scan && decided.mode == ScanMode::List);
    require(decided.closing == "Process Completed.\n" && !decided.shortHelpFirst);
    return 0;
  }
  if (passed >= 2 && pieces[1] == "/?") {
    require(decided.action == Action::FullHelp);
    return 0;
  }
  Invocation first = decideInvocation(1, args, singleByteCodePage());
  if (first.action == Action::Scan && first.mode != ScanMode::List)
    checkDeletingArguments(decided, pieces, passed);
  else
    checkSecondArgumentOnly(decided, pieces, passed);
  return 0;
}
