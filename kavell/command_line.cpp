#include "command_line.h"

#include <windows.h>

#include <cstdio>

#include "help_text.h"
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

int runKavell(int argc, const char* const* argv) {
  LeadBytes lead = systemLeadBytes();
  Invocation run = decideInvocation(argc - 1, argv + 1, lead);
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
      scanProfiles(run.mode, run.days, run.userName, lead);
      fputs(run.closing.c_str(), stdout);
      break;
  }
  return 0;
}
