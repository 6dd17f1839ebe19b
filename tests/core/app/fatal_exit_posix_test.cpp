#include <gtest/gtest.h>

#include <string>

#include "velvane.h"

// Without a window the fatal exit still ends the process with -1, and a
// message longer than its buffer is cut, not written past it.
TEST(FatalExitDeathTest, EndsTheProcessWithMinusOne) {
  const std::string longText(5000, 'x');
  EXPECT_EXIT(FatalErrorExitFormat("fatal %d %s", 7, longText.c_str()), testing::ExitedWithCode(255),
              "");
}
