// The program's help text.
#ifndef KAVELL_HELP_TEXT_H_
#define KAVELL_HELP_TEXT_H_

#include <string>

/// The help text: with `full` the introduction first, otherwise from the
/// "Usage:" line on. Always ends with the notice paragraph.
std::string usageText(bool full);

/// The error printed, before the short help, for a day count it cannot use.
extern const char invalidEntryText[];

#endif  // KAVELL_HELP_TEXT_H_
