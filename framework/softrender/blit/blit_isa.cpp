// Which instruction set the blits use: AVX2 where the build has its rows
// and the processor runs them, unless VELVANE_BLIT_ISA says "sse2" (or
// "avx2", which a processor without it cannot honour). Decided on the
// first draw, since the blits also run without the framework started.
#include <stdlib.h>
#include <string.h>

#include "softrender/blit/blit_rows.h"

namespace {

int g_blitIsa = -1;  // not decided yet

int ProcessorHasAvx2(void) {
#if defined(VELVANE_BLIT_AVX2)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
  return 0;
#endif
}

int DecideBlitIsa(void) {
  const char *forced = getenv("VELVANE_BLIT_ISA");
  if (forced && strcmp(forced, "sse2") == 0) return BLIT_ISA_SSE2;
  return ProcessorHasAvx2() ? BLIT_ISA_AVX2 : BLIT_ISA_SSE2;
}

}  // namespace

int BlitIsaInUse(void) {
  if (g_blitIsa < 0) g_blitIsa = DecideBlitIsa();
  return g_blitIsa;
}
