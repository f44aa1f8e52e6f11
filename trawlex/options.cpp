#include "options.h"

RunOptions runOptions;

void clearPrintDefaults(RunOptions& options) {
  if (!options.printDefaults) return;
  options.printTotal = false;
  options.printGroups = false;
  options.printMatches = false;
  options.printBoth = false;
  options.printLineNumbers = false;
  options.printFileNames = false;
  options.printDefaults = false;
}
