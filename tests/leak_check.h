// A fixture base that fails a test which leaves the debug memory manager
// with another number of blocks than it found. A fixture that owns images or
// buffers frees them in its TearDown, then calls LeakCheckedTest::TearDown().
#ifndef VELVANE_TESTS_LEAK_CHECK_H
#define VELVANE_TESTS_LEAK_CHECK_H

#include <gtest/gtest.h>

#include "core/debug/memory.h"

class LeakCheckedTest : public testing::Test {
 protected:
  void SetUp() override { baseline = GetAllocatedBlockCount(); }
  void TearDown() override { EXPECT_EQ(baseline, GetAllocatedBlockCount()); }
  int baseline = 0;  // blocks held when the test began
};

#endif  // VELVANE_TESTS_LEAK_CHECK_H
