// The command-line decision: which scan mode, day count and user name one run
// uses, or which help or error it prints instead. Prints nothing itself.
#ifndef KAVELL_SWITCHES_H_
#define KAVELL_SWITCHES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "ansi_strings.h"

/// The five kinds of scan; the values are the ones the program has always used.
enum class ScanMode { List = 1, Orphaned = 2, ByAge = 3, ByUser = 4, OrphanedByAge = 5 };

/// What a run does after its opening line breaks.
enum class Action {
  Scan,          ///< print the heading, scan once, print the closing line
  FullHelp,      ///< print the whole help text and nothing else
  InvalidEntry,  ///< print the invalid-entry error and the short help
};

/// The decision for one command line.
struct Invocation {
  bool shortHelpFirst = false;  ///< an extra argument that is no switch of the mode was given
  bool whatIf = false;          ///< a deleting mode that only says what it would delete
  /// Where the "/X:pattern" arguments of a deleting mode stand in `args`, in
  /// command-line order; each pattern is its argument after the colon.
  std::vector<int> exclusionArguments;
  Action action = Action::Scan;
  ScanMode mode = ScanMode::List;
  int32_t days = -1;     ///< the day count of the age modes, -1 otherwise
  std::string userName;  ///< the first argument as typed, in ByUser only
  std::string heading;   ///< printed before the scan
  std::string closing;   ///< printed after the scan
};

/// The longest first argument accepted; the program has always kept a switch
/// in a work buffer of 80 bytes.
constexpr size_t longestArgument = 79;

/// True when every byte of `text` is one of the digits 0 to 9; true for "".
bool isAllDigits(const std::string& text);

/// Reads `text` (digits only) as a decimal day count into `days`. Returns false
/// when it is not all digits or its value does not fit a signed 32-bit number.
/// The empty text gives 0.
bool parseDayCount(const std::string& text, int32_t* days);

/// Decides what the run does from the program's arguments (`args[0]` is the
/// first argument after the program name; `count` of them).
/// - No argument lists. A first argument "/?", or one that is refused (a bad
///   day count, over longestArgument), reads only a second argument: "/?"
///   there is the full help alone, anything else adds the short help.
/// - "/LIST" reads only a second argument: "/?" is the full help alone;
///   "/WHATIF" or one beginning with "/X:" does nothing; anything else adds
///   the short help.
/// - A deleting mode reads every further argument: "/?" anywhere is the full
///   help alone; "/WHATIF" (repeats count once) makes it a what-if run;
///   "/X:pattern" with a pattern excludes; any other argument beginning with
///   '/' or '-' refuses the command line (InvalidEntry without the short
///   help first); any other argument adds the short help.
/// Switch letters compare ignoring case.
Invocation decideInvocation(int count, const char* const* args, const LeadBytes& lead);

#endif  // KAVELL_SWITCHES_H_
