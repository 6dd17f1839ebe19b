// Sixteen bytes of pixels in the compiler's generic vectors (plain integer
// lanes, lowered to scalar code where the target has no vector unit), for
// the row kernels that give exactly the per-pixel results of blend_ops.h
// several pixels at a time. Vectors go by reference, which keeps the calling
// convention the same with and without a vector unit.
#ifndef VELVANE_SOFTRENDER_PIXEL_VECTORS_H
#define VELVANE_SOFTRENDER_PIXEL_VECTORS_H

#include <stdint.h>

typedef uint16_t U16x8 __attribute__((vector_size(16)));
typedef uint32_t U32x4 __attribute__((vector_size(16)));

enum { kPixelVectorBytes = 16 };

// d + (s - d) * w / 256 on each byte of 8888 pixels with 16-bit lanes
// (w + q = 256): the low bytes of the lanes in one pass, the high bytes in
// the other; the destination's fourth byte is put back after.
static inline void MixBytes8888(const U32x4 &s, const U32x4 &d, const U16x8 &w, const U16x8 &q,
                                U32x4 *out) {
  const U16x8 s16 = (U16x8)s;
  const U16x8 d16 = (U16x8)d;
  const U16x8 lo = (U16x8)((s16 & 0xFF) * w + (d16 & 0xFF) * q) >> 8;
  const U16x8 hi = (U16x8)((s16 >> 8) * w + (d16 >> 8) * q) & 0xFF00;
  *out = ((U32x4)(hi | lo) & 0x00FFFFFFu) | (d & 0xFF000000u);
}

#endif  // VELVANE_SOFTRENDER_PIXEL_VECTORS_H
