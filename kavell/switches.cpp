#include "switches.h"

namespace {

const char listHeading[] = "Listing User Profiles on the local computer currently not in use:\n\n";

Invocation scanOf(ScanMode mode, const std::string& heading, const std::string& closing) {
  Invocation invocation;
  invocation.mode = mode;
  invocation.heading = heading;
  invocation.closing = closing;
  return invocation;
}

Invocation invalidEntry() {
  Invocation invocation;
  invocation.action = Action::InvalidEntry;
  return invocation;
}

Invocation fullHelp() {
  Invocation invocation;
  invocation.action = Action::FullHelp;
  return invocation;
}

// "/D:days" and "/AD:days": the number text follows the prefix.
Invocation dayCountSwitch(const std::string& argument, size_t prefixLength, ScanMode mode) {
  int32_t days = 0;
  if (!parseDayCount(argument.substr(prefixLength), &days))
    return invalidEntry();
  std::string count = std::to_string(days);
  Invocation invocation =
      mode == ScanMode::ByAge
          ? scanOf(mode, "Deleting User Profiles older than " + count + " days:\n\n",
                   "Process Completed.\n")
          : scanOf(mode,
                   "Deleting User Profiles with no valid user associations older than " + count +
                       " days:\n\n",
                   "Process Completed.");
  invocation.days = days;
  return invocation;
}

Invocation decideFirstArgument(const std::string& argument, const LeadBytes& lead) {
  // Anything longer never fitted the program's switch buffer; refusing it keeps
  // a mistyped day count from being read as something else.
  if (argument.size() > longestArgument)
    return invalidEntry();
  if (equalsIgnoreCase(argument, "/?", lead))
    return fullHelp();
  if (equalsIgnoreCase(argument, "/LIST", lead)) {
    return scanOf(ScanMode::List, listHeading, "Process Completed.\n\n");
  }
  if (equalsIgnoreCase(argument, "/A", lead)) {
    return scanOf(ScanMode::Orphaned, "Deleting User Profiles with no valid user associations:\n\n",
                  "Process Completed.\n\n");
  }
  if (startsWithIgnoreCase(argument, "/D:", 3, lead)) {
    return dayCountSwitch(argument, 3, ScanMode::ByAge);
  }
  if (startsWithIgnoreCase(argument, "/AD:", 4, lead)) {
    return dayCountSwitch(argument, 4, ScanMode::OrphanedByAge);
  }
  Invocation byUser =
      scanOf(ScanMode::ByUser, "Deleting User Profile owned by " + argument + ".\n\n",
             "Process Completed.\n");
  byUser.userName = argument;
  return byUser;
}

bool isExclusion(const std::string& argument, const LeadBytes& lead) {
  return startsWithIgnoreCase(argument, "/X:", 3, lead);
}

// The rules of a first argument that is "/?", refused, or "/LIST": only the
// second argument is read.
Invocation withSecondArgument(Invocation invocation, int count, const char* const* args,
                              const LeadBytes& lead) {
  if (count < 2)
    return invocation;
  if (equalsExactly(args[1], "/?"))
    return fullHelp();
  bool quiet = invocation.action == Action::Scan &&
               (equalsIgnoreCase(args[1], "/WHATIF", lead) || isExclusion(args[1], lead));
  invocation.shortHelpFirst = !quiet;
  return invocation;
}

// A deleting mode reads every argument after the first; the whole command
// line is checked before anything runs.
Invocation withDeletingModeArguments(Invocation invocation, int count, const char* const* args,
                                     const LeadBytes& lead) {
  bool refused = false;
  for (int i = 1; i < count; ++i) {
    std::string argument = args[i];
    if (equalsExactly(argument, "/?"))
      return fullHelp();
    if (equalsIgnoreCase(argument, "/WHATIF", lead))
      invocation.whatIf = true;
    else if (isExclusion(argument, lead) && argument.size() > 3)
      invocation.exclusionArguments.push_back(i);
    else if (argument[0] == '/' || argument[0] == '-')
      refused = true;
    else
      invocation.shortHelpFirst = true;
  }
  return refused ? invalidEntry() : invocation;
}

}  // namespace

bool isAllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
}

bool parseDayCount(const std::string& text, int32_t* days) {
  if (!isAllDigits(text))
    return false;
  int64_t value = 0;
  for (char c : text) {
    value = value * 10 + (c - '0');
    if (value > INT32_MAX)
      return false;
  }
  *days = static_cast<int32_t>(value);
  return true;
}

Invocation decideInvocation(int count, const char* const* args, const LeadBytes& lead) {
  if (count < 1)
    return scanOf(ScanMode::List, listHeading, "Process Completed.\n");
  Invocation invocation = decideFirstArgument(args[0], lead);
  if (invocation.action != Action::Scan || invocation.mode == ScanMode::List)
    return withSecondArgument(invocation, count, args, lead);
  return withDeletingModeArguments(invocation, count, args, lead);
}
