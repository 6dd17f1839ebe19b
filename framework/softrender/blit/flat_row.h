// One row of a flat colour under a blend operation, shared by the blended
// rectangle fill and the flat triangle spans. The colour is the same for
// every pixel, so the 8888 operations take their source terms once per row
// and run four pixels per vector; the other writers, and the pixels at a
// row's end, go pixel by pixel. Both forms give the writers' exact bytes.
#ifndef VELVANE_SOFTRENDER_FLAT_ROW_H
#define VELVANE_SOFTRENDER_FLAT_ROW_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "softrender/blit/blend_ops.h"
#include "softrender/blit/pixel_vectors.h"
#include "softrender/image/pixel_row.h"

namespace flat_row {

// The colour's bytes on the 16-bit lanes of two pixels: blue and red (low
// bytes of the lanes), green and the fourth byte (high bytes).
struct ColourLanes {
  U16x8 low, high;
  explicit ColourLanes(uint32_t c) {
    const U16x8 c16 = (U16x8)((U32x4){} + c);
    low = c16 & 0xFF;
    high = c16 >> 8;
  }
};

// The lanes' weights: w on the colour channels and, for the fourth byte,
// wFourth (256 keeps the destination's: (a 256) >> 8 = a).
inline U16x8 LaneWeights(uint16_t w, uint16_t wFourth, bool high) {
  return high ? (U16x8){w, wFourth, w, wFourth, w, wFourth, w, wFourth} : (U16x8){} + w;
}

// (s w + d (256 - w)) >> 8 per byte for a fixed s: modes 1 and 10 with s
// the colour or its complement. Each sum is d 256 + (s - d) w, below 65536.
struct Blend8888 {
  U16x8 lowTerm, highTerm, lowKeep, highKeep;
  Blend8888(uint32_t s, uint32_t p) {
    const ColourLanes lanes(s & 0x00FFFFFFu);
    lowTerm = lanes.low * LaneWeights((uint16_t)p, 0, false);
    highTerm = lanes.high * LaneWeights((uint16_t)p, 0, true);
    lowKeep = LaneWeights((uint16_t)(256 - p), 256, false);
    highKeep = LaneWeights((uint16_t)(256 - p), 256, true);
  }
  void Four(const U32x4 &d, U32x4 *out) const {
    const U16x8 d16 = (U16x8)d;
    const U16x8 lo = (U16x8)(lowTerm + (d16 & 0xFF) * lowKeep) >> 8;
    const U16x8 hi = (U16x8)(highTerm + (d16 >> 8) * highKeep) & 0xFF00;
    *out = (U32x4)(hi | lo);
  }
};

// Mode 4: each byte of d times the matching byte of the colour, over 256
// (the fourth byte, times 256, stays the destination's).
struct Multiply8888 {
  U16x8 low, high;
  explicit Multiply8888(uint32_t c) {
    const ColourLanes lanes((c & 0x00FFFFFFu) | 0xFF000000u);
    low = lanes.low;
    high = lanes.high + LaneWeights(0, 1, true);  // fourth byte 255 + 1
  }
  void Four(const U32x4 &d, U32x4 *out) const {
    const U16x8 d16 = (U16x8)d;
    const U16x8 lo = (U16x8)((d16 & 0xFF) * low) >> 8;
    const U16x8 hi = (U16x8)((d16 >> 8) * high) & 0xFF00;
    *out = (U32x4)(hi | lo);
  }
};

// Mode 11: d + (product - d) p / 256.
struct WeightedMultiply8888 : Multiply8888 {
  U16x8 weight, keep;
  WeightedMultiply8888(uint32_t c, uint32_t p)
      : Multiply8888(c), weight((U16x8){} + (uint16_t)p), keep(256 - weight) {}
  void Four(const U32x4 &d, U32x4 *out) const {
    U32x4 product;
    Multiply8888::Four(d, &product);
    MixBytes8888(product, d, weight, keep, out);
  }
};

// blend_ops::PackedAdd32 and PackedSub32 of a fixed term q.
struct Add8888 {
  uint32_t q;
  void Four(const U32x4 &d, U32x4 *out) const {
    const U32x4 u = (d & 0x00FEFEFFu) + (q & 0x00FEFEFFu);
    const U32x4 h = u & 0x01010100u;
    *out = (h - (h >> 8)) | ((d | q) & 0x00010100u) | u;
  }
};

struct Subtract8888 {
  uint32_t q;
  void Four(const U32x4 &d, U32x4 *out) const {
    const U32x4 v = (d | 0x01010100u) - (q & 0xFEFEFEFFu);
    const U32x4 h = v & 0x01010100u;
    *out = (h - (h >> 8)) & v;
  }
};

// Runs row.Four over whole groups of four pixels; returns the pixels done.
template <class Row>
inline size_t FourAtATime(const Row &row, uint8_t *dst, size_t count) {
  size_t done = 0;
  for (; done + 4 <= count; done += 4, dst += kPixelVectorBytes) {
    U32x4 d, out;
    memcpy(&d, dst, kPixelVectorBytes);
    row.Four(d, &out);
    memcpy(dst, &out, kPixelVectorBytes);
  }
  return done;
}

// The add and subtract term of the colour: mul[p] of each channel.
inline uint32_t PackedTerm8888(const BlendState &st, uint32_t c) {
  return (uint32_t)st.mulParam[c & 0xFFu] | (uint32_t)st.mulParam[(c >> 8) & 0xFFu] << 8 |
         (uint32_t)st.mulParam[(c >> 16) & 0xFFu] << 16;
}

// The pixels of the row done four at a time (0 where the writer has no
// such form).
template <class Writer>
inline size_t WideBlend(const BlendState &st, uint8_t *dst, uint32_t c, size_t count) {
  if constexpr (Writer::kClass != BLEND_CLASS_8888) {
    return 0;
  } else if constexpr (Writer::kOp == BLEND_OP_ADD) {
    return FourAtATime(Add8888{PackedTerm8888(st, c)}, dst, count);
  } else if constexpr (Writer::kOp == BLEND_OP_SUB) {
    return FourAtATime(Subtract8888{PackedTerm8888(st, c)}, dst, count);
  } else if constexpr (Writer::kOp == BLEND_OP_BLEND) {
    return FourAtATime(Blend8888(c, st.param), dst, count);
  } else if constexpr (Writer::kOp == BLEND_OP_INVERT) {
    return FourAtATime(Blend8888(~c, st.param), dst, count);
  } else if constexpr (Writer::kOp == BLEND_OP_MUL) {
    return FourAtATime(Multiply8888(c), dst, count);
  } else if constexpr (Writer::kOp == BLEND_OP_MUL_BLEND) {
    return FourAtATime(WeightedMultiply8888(c, st.param), dst, count);
  } else {
    return 0;
  }
}

}  // namespace flat_row

// count pixels from dst on under Writer (an unconditioned direct-source
// writer) with the prepared colour.
template <class Writer>
static inline void BlendFlatRow(const BlendState &st, uint8_t *dst, const BlendSourcePixel &colour,
                                size_t count) {
  if constexpr (Writer::kOp == BLEND_OP_COPY) {
    FillPixelRow(dst, Writer::kDestBytes, colour.color, count);
  } else {
    const size_t done = flat_row::WideBlend<Writer>(st, dst, colour.color, count);
    dst += done * Writer::kDestBytes;
    for (size_t i = done; i < count; ++i, dst += Writer::kDestBytes)
      Writer::Blend(st, dst, colour, 0);
  }
}

#endif  // VELVANE_SOFTRENDER_FLAT_ROW_H
