#pragma once
// The Wine suites' test runner: the prefix is made for these tests, so a test that skips
// itself found the machine not as the suite set it up, and the run fails.
#include <gtest/gtest.h>

#include <cstdio>

namespace brevix::testing {

inline int RunAllTestsWithoutSkips() {
  const int result = RUN_ALL_TESTS();
  const int skipped = ::testing::UnitTest::GetInstance()->skipped_test_count();
  if (skipped > 0) {
    std::printf("FAILED: %d test(s) skipped; the prefix is not as the suite set it up\n", skipped);
    return 1;
  }
  return result;
}

}  // namespace brevix::testing
