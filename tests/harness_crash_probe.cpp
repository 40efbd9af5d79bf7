// A test program that ends the way a broken one does, one way per case. The
// suite runs each case alone and expects the harness to report it as failed.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

namespace {

volatile int* volatile nowhere = nullptr;
volatile int depthLimit = INT_MAX;

__attribute__((noinline)) int Recurse(int depth) {
  volatile char frame[4096];
  frame[0] = static_cast<char>(depth);
  if (depth >= depthLimit)
    return frame[0];
  return Recurse(depth + 1) + frame[0];
}

}  // namespace

TEST(Crash, NullWrite) {
  *nowhere = 1;
}

TEST(Crash, StackOverflow) {
  EXPECT_NE(Recurse(0), 0);
}

TEST(Crash, EndsWithCodeZeroBeforeTheSummary) {
  ExitProcess(0);
}
