#include "harness.h"

#include <gtest/gtest.h>

TEST(TrawlexSmoke, RunsUnderWine) {
  std::string folder = makeTempFolder("smoke");
  RunResult result = runProgram(programUnderTest(), {}, folder);
  EXPECT_EQ(result.exitCode, 0u);
  removeTree(folder);
}
