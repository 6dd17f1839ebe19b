// The blits' instruction set: VELVANE_BLIT_ISA forces the path the suite
// then runs on (CTest runs it once per path); a forced AVX2 path on a
// processor or build without AVX2 rows is reported and skipped.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include "softrender/blit/blit_rows.h"

namespace {

TEST(BlitIsaTest, ForcedPathIsTheOneInUse) {
  const char *forced = getenv("VELVANE_BLIT_ISA");
  if (!forced) GTEST_SKIP() << "no path forced: the processor's best is in use";
  if (strcmp(forced, "sse2") == 0) {
    EXPECT_EQ(BLIT_ISA_SSE2, BlitIsaInUse());
    return;
  }
  ASSERT_STREQ("avx2", forced);
#if defined(VELVANE_BLIT_AVX2)
  if (!__builtin_cpu_supports("avx2"))
    GTEST_SKIP() << "this processor has no AVX2: the SSE2 rows ran instead";
  EXPECT_EQ(BLIT_ISA_AVX2, BlitIsaInUse());
#else
  GTEST_SKIP() << "this build has no AVX2 rows: the SSE2 rows ran instead";
#endif
}

}  // namespace
