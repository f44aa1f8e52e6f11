#include "options.h"

#include <gtest/gtest.h>

TEST(Options, FirstPrintLetterClearsTheDefaultPrintSet) {
  RunOptions options;
  clearPrintDefaults(options);
  EXPECT_FALSE(options.printTotal);
  EXPECT_FALSE(options.printGroups);
  EXPECT_FALSE(options.printMatches);
  EXPECT_FALSE(options.printDefaults);
  options.printTotal = true;
  clearPrintDefaults(options);
  EXPECT_TRUE(options.printTotal);
}
