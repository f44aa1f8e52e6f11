#include "command_line.h"

// An account name such as "*" or "a?c" must reach the scan as typed, never as
// the names of files in the current folder that the C runtime's start-up
// would otherwise put in its place.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) {
  return runKavell(argc, argv);
}
