// The harness's own guard: a program run that never ends is killed, and the
// test that started it fails with the command line in its message.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "harness.h"

TEST(Harness, RunBeyondTheTimeLimitIsKilledAndNamed) {
  // A loop whose step is 0 never ends; the interpreter runs it without
  // starting any other process.
  std::string folder = makeTempFolder("harness");
  unsigned long previous = setRunTimeLimit(1000);
  testing::TestPartResultArray failures;
  RunResult result;
  {
    testing::ScopedFakeTestPartResultReporter reporter(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    result = runProgram(programUnderTest(), {"/c", "for /l %i in (1,0,2) do rem"}, folder);
  }
  setRunTimeLimit(previous);
  removeTree(folder);
  ASSERT_EQ(failures.size(), 1);
  std::string message = failures.GetTestPartResult(0).message();
  EXPECT_NE(message.find("killed after 1000 ms: "), std::string::npos) << message;
  EXPECT_NE(message.find(" /c \"for /l %i in (1,0,2) do rem\""), std::string::npos) << message;
  EXPECT_EQ(result.exitCode, killedExitCode);
}
