#include <cstdlib>

#include "command_line.h"

// An account name such as "*" or "a?c" must reach the scan as typed, never as
// the names of files in the current folder that the C runtime's start-up
// would otherwise put in its place.
extern "C" {
int _dowildcard = 0;
}

// An exception that nothing catches ends the program through abort() alone.
// The standard library's own handler would print the exception's type, and
// its type-name demangler alone is over 40 KB of the program.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx

int wmain(int argc, wchar_t** argv) {
  return runKavell(argc, argv);
}
