// Whole-rectangle row kernels of the plain draw in wider instruction sets,
// and the choice among them: chosen on first use from the processor
// (AVX2 where it has it), or forced by VELVANE_BLIT_ISA=sse2|avx2. The
// 32-bit build and processors without AVX2 keep the SSE2 rows.
#ifndef VELVANE_SOFTRENDER_BLIT_ROWS_H
#define VELVANE_SOFTRENDER_BLIT_ROWS_H

#include <stdint.h>

// A rectangle of same-size 4-byte pixels; width a multiple of 4.
struct BlitRows {
  uint8_t *dst;
  intptr_t dstPitch;
  const uint8_t *src;
  intptr_t srcPitch;
  int width;
  int height;
};

enum BlitIsa { BLIT_ISA_SSE2 = 0, BLIT_ISA_AVX2 = 1 };

// The instruction set the blits use (decided once, then kept).
int BlitIsaInUse(void);

#if defined(VELVANE_BLIT_AVX2)
namespace blit_avx2 {
// An 8888 alpha source under the transparency flag in mode 0.
void AlphaCopyRows8888(const BlitRows &rows);
// Mode 2 at p = 255 without weight or brightness.
void AddFullRows8888(const BlitRows &rows);
}  // namespace blit_avx2
#endif

#endif  // VELVANE_SOFTRENDER_BLIT_ROWS_H
