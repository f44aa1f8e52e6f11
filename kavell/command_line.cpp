#include "command_line.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "ansi_text.h"
#include "help_text.h"
#include "preview_report.h"
#include "profile_scan.h"
#include "switches.h"

LeadBytes systemLeadBytes() {
  LeadBytes lead;
  for (int byte = 0; byte < 256; ++byte) {
    lead.isLead[byte] = IsDBCSLeadByte(static_cast<BYTE>(byte)) != FALSE;
  }
  return lead;
}

void printUsage(bool full) {
  fputs(usageText(full).c_str(), stdout);
}

namespace {

ScanRequest scanRequestOf(const Invocation& run, const wchar_t* const* argv) {
  ScanRequest request;
  request.mode = run.mode;
  request.days = run.days;
  if (run.mode == ScanMode::ByUser)
    request.userName = argv[1];
  request.whatIf = run.whatIf;
  // The patterns as typed: a name is matched in UTF-16, never through the
  // code page.
  for (int index : run.exclusionArguments)
    request.exclusions.push_back(std::wstring(argv[index + 1]).substr(3));
  return request;
}

}  // namespace

int runKavell(int argc, const wchar_t* const* argv) {
  LeadBytes lead = systemLeadBytes();
  std::vector<std::string> shown;
  for (int i = 1; i < argc; ++i)
    shown.push_back(ansiOf(argv[i]));
  std::vector<const char*> args;
  for (const std::string& text : shown)
    args.push_back(text.c_str());
  Invocation run = decideInvocation(argc - 1, args.data(), lead);
  fputs("\n\n", stdout);
  if (run.shortHelpFirst)
    printUsage(false);
  switch (run.action) {
    case Action::FullHelp:
      printUsage(true);
      break;
    case Action::InvalidEntry:
      fputs(invalidEntryText, stdout);
      printUsage(false);
      break;
    case Action::Scan:
      fputs(run.heading.c_str(), stdout);
      if (run.whatIf)
        fputs(whatIfNotice, stdout);
      scanProfiles(scanRequestOf(run, argv), lead);
      fputs(run.closing.c_str(), stdout);
      break;
  }
  return 0;
}
