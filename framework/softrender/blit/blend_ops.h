// Per-pixel blend operations shared by the software blit kernels (plain,
// stretched, rotated). Every combination of pixel class, source kind, blend
// operation and per-call condition is its own instantiation of PixelWriter,
// so a kernel's inner loop carries no test but the transparency test.
//
// How a kernel uses this header:
//
//   1. Once per call, BlendSelect() decides whether anything is drawn and
//      which writer applies (pixel class, source kind, operation, condition
//      flags); BlendStateInit() captures the table rows, brightness rows,
//      blend-mask map, palette and colour key the writers read.
//   2. The kernel writes its walk as a class template over the writer:
//
//        template <class Writer>
//        struct MyLoop {
//          static void Run(MyArgs &args) {
//            ... for each destination pixel, with src at its source pixel:
//            BlendSourcePixel px = Writer::Fetch(args.state, src);
//            if (!Writer::Skips(args.state, px))
//              Writer::Blend(args.state, dst, px, maskByte);
//          }
//        };
//
//      Writer::kSourceBytes and Writer::kDestBytes give the pixel steps;
//      maskByte is the blend-mask image's byte at the source pixel (ignored
//      unless the selection has BLEND_COND_MASK). Writer::Write(state, dst,
//      src, maskByte) is Fetch + Skips + Blend in one call.
//   3. BlendDispatch<MyLoop, Kernel>(selection, args) instantiates and runs
//      MyLoop<PixelWriter<...>>::Run(args) for the selection.
//
// The kernel parameter picks the few forms in which the kernels differ:
//   BLEND_KERNEL_PLAIN:     565 blend (mode 1) without weight or brightness
//                           through the 6-bit interpolation cube; the halving
//                           average at p = 128; the add at p = 255 without
//                           the low-bit OR term; an alpha source copied
//                           opaquely in mode 0 without flags.
//   BLEND_KERNEL_STRETCHED: mode 4 skips alpha-0 pixels under the
//                           transparency flag.
//   BLEND_KERNEL_ROTATED:   565 add/subtract with an alpha weight, no blend
//                           mask and a brightness applies the alpha to the
//                           raw channel before the brightness.
//   BLEND_KERNEL_TRIANGLE:  a palette index is compared with the whole
//                           32-bit colour key (a key above 255 never
//                           matches); alpha-0 pixels under the flag are
//                           skipped in modes 0 to 3 and, for 565, mode 10;
//                           the rotated kernel's 565 add/subtract rule.
//   BLEND_KERNEL_GENERAL:   none of these (the plain draw's run-table path).
// All but the general kernel compute mode 11's 565 green at field scale
// under an alpha weight without blend mask or brightness.
//
// Flat draws (no source image) use BlendSelectFlat and BlendStateInitFlat
// and run the BLEND_SOURCE_DIRECT writers without conditions, with their
// prepared colour as the source pixel.
//
// Arithmetic: products are formed in unsigned 32-bit arithmetic that wraps.
// Every blended value lies in 0 .. 2^32 - 1 before its shift, so the wrapped
// result equals the exact one and no signed overflow can happen.
#ifndef VELVANE_SOFTRENDER_BLEND_OPS_H
#define VELVANE_SOFTRENDER_BLEND_OPS_H

#include <stdint.h>
#include <string.h>

#include <utility>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/blend_tables.h"
#include "softrender/image/memimg.h"

enum BlendPixelClass { BLEND_CLASS_565 = 0, BLEND_CLASS_8888 = 1 };

enum BlendSourceKind {
  BLEND_SOURCE_DIRECT = 0,   // colours without alpha
  BLEND_SOURCE_PALETTE = 1,  // one-byte indices into the source's palette
  BLEND_SOURCE_ALPHA = 2     // 4-byte pixels with an alpha byte
};

// Per-call conditions; the source's alpha is a source kind, not a flag.
enum BlendCondition {
  BLEND_COND_MASK = 1,    // a blend-mask image is given
  BLEND_COND_BRIGHT = 2,  // the draw brightness is not white
  BLEND_COND_TRANS = 4,   // the transparency flag is non-zero
  BLEND_COND_COUNT = 8
};

enum BlendKernel {
  BLEND_KERNEL_GENERAL = 0,
  BLEND_KERNEL_PLAIN = 1,
  BLEND_KERNEL_STRETCHED = 2,
  BLEND_KERNEL_ROTATED = 3,
  BLEND_KERNEL_TRIANGLE = 4
};

// The operation a selection runs. Modes map one to one, except that mode 1
// at p = 255 runs BLEND_OP_COPY and the plain kernel's two parameter
// specialisations have operations of their own.
enum BlendOp {
  BLEND_OP_COPY = 0,
  BLEND_OP_BLEND = 1,
  BLEND_OP_ADD = 2,
  BLEND_OP_SUB = 3,
  BLEND_OP_MUL = 4,
  BLEND_OP_INVERT = 5,     // mode 10
  BLEND_OP_MUL_BLEND = 6,  // mode 11
  BLEND_OP_HALF = 7,       // plain mode 1 at p = 128 without brightness or mask
  BLEND_OP_ADD_FULL = 8,   // plain mode 2 at p = 255 without brightness or mask
  BLEND_OP_COUNT = 9
};

struct BlendSelection {
  int pixelClass;  // BlendPixelClass
  int sourceKind;  // BlendSourceKind
  int op;          // BlendOp
  int conditions;  // BlendCondition bits
};

// What the writers read, captured once per call.
struct BlendState {
  const int32_t *mulParam;        // mul row of the blend parameter
  const int32_t *mulSignedParam;  // mulSigned row of p at the difference 0
  const uint8_t *interpParam;     // interp plane p >> 2 (64 x 64)
  const int32_t *mulRed;          // mul rows of the three brightness bytes
  const int32_t *mulGreen;
  const int32_t *mulBlue;
  const uint8_t *maskMap;  // blend-mask map
  const void *palette;     // the source's 256 entries, or null
  uint32_t colorKey;       // raw key; palette sources compare its low byte
  uint32_t param;
};

// A fetched source pixel: the colour word (16-bit 565 in the low half, or
// 0x??RRGGBB; a palette index already looked up) and, for alpha sources,
// the alpha; key is the raw value the colour-key test compares.
struct BlendSourcePixel {
  uint32_t color;
  uint32_t alpha;
  uint32_t key;
};

// The blend parameter as the kernels use it (the setter clamps it already).
static inline int BlendParamOf(const DrawSettings *settings) {
  const int p = settings->blendParam;
  return p < 0 ? 0 : (p > 255 ? 255 : p);
}

// A blend-mask image is usable when it holds one byte per pixel and covers
// the source; a smaller one would be read past its end.
static inline bool BlendMaskCoversSource(const MEMIMG *mask, const MEMIMG *source) {
  if (!mask) return true;
  if (!mask->base || !mask->pixels) return false;
  const MemImgBase *mb = mask->base;
  if (mb->formatCode != 2 || mb->paletteFlag || mb->alphaFlag) return false;
  return mask->width >= source->width && mask->height >= source->height;
}

// The blend modes that draw nothing at all: 5 to 9, outside 0 to 11 and,
// at p = 0, modes 1 to 3.
static inline bool BlendModeRefused(unsigned mode, int p) {
  if (mode > 11 || (mode >= 5 && mode <= 9)) return true;
  return mode >= 1 && mode <= 3 && p == 0;
}

// The operation of a drawable mode; plainUnweighted: the plain kernel without
// blend mask or brightness, which has parameter specialisations of its own.
static inline int BlendOpOfMode(unsigned mode, int p, bool plainUnweighted) {
  switch (mode) {
    case 0:
      return BLEND_OP_COPY;
    case 1:
      return p == 255 ? BLEND_OP_COPY
                      : (p == 128 && plainUnweighted ? BLEND_OP_HALF : BLEND_OP_BLEND);
    case 2:
      return p == 255 && plainUnweighted ? BLEND_OP_ADD_FULL : BLEND_OP_ADD;
    case 3:
      return BLEND_OP_SUB;
    case 4:
      return BLEND_OP_MUL;
    case 10:
      return BLEND_OP_INVERT;
    default:
      return BLEND_OP_MUL_BLEND;
  }
}

// A destination the draws accept: 565 or 8888 without palette or alpha.
static inline bool BlendDestinationAccepted(const MemImgBase *db) {
  if (db->paletteFlag || db->alphaFlag) return false;
  return db->formatCode == 0 || db->formatCode == 1;
}

// Selection: 0 and *selection filled when the call draws, -1 when the
// combination draws nothing (formats differ, palette or alpha destination,
// single-channel formats, modes 5 to 9 or outside 0 to 11, p = 0 in modes 1
// to 3, a blend-mask image BlendMaskCoversSource refuses). mask is the
// blend-mask image or null.
static inline int BlendSelect(const MEMIMG *destination, const MEMIMG *source, const MEMIMG *mask,
                              int transparencyFlag, const DrawSettings *settings, int kernel,
                              BlendSelection *selection) {
  const MemImgBase *db = destination->base;
  const MemImgBase *sb = source->base;
  if (db->formatCode != sb->formatCode) return -1;
  if (!BlendDestinationAccepted(db)) return -1;

  const unsigned mode = (unsigned)settings->blendMode;
  const int p = BlendParamOf(settings);
  if (sb->paletteFlag && !sb->palette) return -1;
  if (BlendModeRefused(mode, p)) return -1;
  if (!BlendMaskCoversSource(mask, source)) return -1;

  int conditions = 0;
  if (mask) conditions |= BLEND_COND_MASK;
  if (!DrawBrightnessIsWhite(settings->drawBrightness)) conditions |= BLEND_COND_BRIGHT;
  if (transparencyFlag) conditions |= BLEND_COND_TRANS;
  const bool plainUnweighted =
      kernel == BLEND_KERNEL_PLAIN && !(conditions & (BLEND_COND_MASK | BLEND_COND_BRIGHT));

  selection->pixelClass = db->formatCode;
  selection->sourceKind = sb->paletteFlag ? BLEND_SOURCE_PALETTE
                          : sb->alphaFlag ? BLEND_SOURCE_ALPHA
                                          : BLEND_SOURCE_DIRECT;
  selection->op = BlendOpOfMode(mode, p, plainUnweighted);
  selection->conditions = conditions;
  return 0;
}

// The selection of a draw without source image (a flat colour): refused as
// BlendSelect refuses for the destination and the mode; no conditions, since
// the prepared colour already carries the brightness.
static inline int BlendSelectFlat(const MEMIMG *destination, const DrawSettings *settings,
                                  BlendSelection *selection) {
  const unsigned mode = (unsigned)settings->blendMode;
  const int p = BlendParamOf(settings);
  if (!BlendDestinationAccepted(destination->base) || BlendModeRefused(mode, p)) return -1;
  selection->pixelClass = destination->base->formatCode;
  selection->sourceKind = BLEND_SOURCE_DIRECT;
  selection->op = BlendOpOfMode(mode, p, false);
  selection->conditions = 0;
  return 0;
}

// The rows and parameter of the draw settings; no palette and no key.
static inline void BlendStateInitFlat(BlendState *state, const DrawSettings *settings) {
  const MemImgBlendTables &tables = g_memImgBlendTables;
  const int p = BlendParamOf(settings);
  const uint32_t brightness = settings->drawBrightness;
  state->mulParam = tables.mul[p];
  state->mulSignedParam = MemImgMulSignedRow(p);
  state->interpParam = &tables.interp[p >> 2][0][0];
  state->mulRed = tables.mul[DrawBrightnessRed(brightness)];
  state->mulGreen = tables.mul[DrawBrightnessGreen(brightness)];
  state->mulBlue = tables.mul[DrawBrightnessBlue(brightness)];
  state->maskMap = tables.blendMaskMap;
  state->palette = 0;
  state->colorKey = 0;
  state->param = (uint32_t)p;
}

static inline void BlendStateInit(BlendState *state, const MEMIMG *source,
                                  const DrawSettings *settings) {
  BlendStateInitFlat(state, settings);
  // The loops index the source's own palette block, all 256 entries of it,
  // so an index beyond the last import's count reads that entry too.
  state->palette = source->base->paletteFlag ? source->base->palette : 0;
  state->colorKey = source->base->colorKey;
}

namespace blend_ops {

static inline uint32_t Load16(const uint8_t *p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}
static inline uint32_t Load32(const uint8_t *p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}
static inline void Store16(uint8_t *p, uint32_t value) {
  const uint16_t v = (uint16_t)value;
  memcpy(p, &v, sizeof v);
}
static inline void Store32(uint8_t *p, uint32_t value) { memcpy(p, &value, sizeof value); }

// Saturating add of the three channels of two pixels at once. The lowest
// bits of green and red take no part in the sum (they receive the carry
// from below), so a carry cannot spill into the next channel.
static inline uint32_t PackedAdd32(uint32_t d, uint32_t x) {
  const uint32_t u = (d & 0x00FEFEFFu) + (x & 0x00FEFEFFu);
  const uint32_t h = u & 0x01010100u;
  return (h - (h >> 8)) | ((d | x) & 0x00010100u) | u;
}
static inline uint32_t PackedAdd32NoLowBits(uint32_t d, uint32_t x) {
  const uint32_t u = (d & 0x00FEFEFFu) + (x & 0x00FEFEFFu);
  const uint32_t h = u & 0x01010100u;
  return (h - (h >> 8)) | u;
}
static inline uint32_t PackedSub32(uint32_t d, uint32_t x) {
  const uint32_t v = (d | 0x01010100u) - (x & 0xFEFEFEFFu);
  const uint32_t h = v & 0x01010100u;
  return (h - (h >> 8)) & v;
}
static inline uint32_t PackedAdd16(uint32_t d, uint32_t x) {
  const uint32_t u = (d & 0xF7DFu) + (x & 0xF7DFu);
  const uint32_t h = u & 0x10820u;
  return ((h - (h >> 5)) | ((d | x) & 0x0820u) | u) & 0xFFFFu;
}
static inline uint32_t PackedAdd16NoLowBits(uint32_t d, uint32_t x) {
  const uint32_t u = (d & 0xF7DFu) + (x & 0xF7DFu);
  const uint32_t h = u & 0x10820u;
  return ((h - (h >> 5)) | u) & 0xFFFFu;
}
static inline uint32_t PackedSub16(uint32_t d, uint32_t x) {
  const uint32_t v = (d | 0x10820u) - (x & 0xF7DFu);
  const uint32_t h = v & 0x10820u;
  return ((h - (h >> 5)) & v) & 0xFFFFu;
}
static inline uint32_t HalfAverage32(uint32_t s, uint32_t d) {
  return ((s >> 1) & 0x007F7F7Fu) + ((d >> 1) & 0x007F7F7Fu);
}
static inline uint32_t HalfAverage16(uint32_t s, uint32_t d) {
  return ((s >> 1) & 0x7BEFu) + ((d >> 1) & 0x7BEFu);
}
// Channel c of a pixel: 0 blue, 1 green, 2 red.
template <int Class>
struct Channels;

template <>
struct Channels<BLEND_CLASS_8888> {
  static inline uint32_t Shift(int c) { return 8u * (uint32_t)c; }
  static inline uint32_t Width(int) { return 8; }
  static inline uint32_t Max(int) { return 255; }
  static inline uint32_t Get(uint32_t w, int c) { return (w >> (8 * c)) & 0xFFu; }
};

template <>
struct Channels<BLEND_CLASS_565> {
  static inline uint32_t Shift(int c) { return c == 0 ? 0u : (c == 1 ? 5u : 11u); }
  static inline uint32_t Width(int c) { return c == 1 ? 6u : 5u; }
  static inline uint32_t Max(int c) { return c == 1 ? 63u : 31u; }
  static inline uint32_t Get(uint32_t w, int c) { return (w >> Shift(c)) & Max(c); }
};

static inline const int32_t *BrightnessRow(const BlendState &st, int c) {
  return c == 0 ? st.mulBlue : (c == 1 ? st.mulGreen : st.mulRed);
}

// d + ((x - d) * weight) >> shift in its exact form: d * 2^shift plus a
// signed product that never takes the sum below 0 or past 2^32 - 1.
static inline uint32_t Lerp(uint32_t x, uint32_t d, uint32_t weight, uint32_t shift) {
  return ((x - d) * weight + (d << shift)) >> shift;
}

}  // namespace blend_ops

template <int Class, int Source, int Op, int Cond, int Kernel>
struct PixelWriter {
  static constexpr int kSourceBytes = Source == BLEND_SOURCE_PALETTE ? 1
                                      : (Class == BLEND_CLASS_565 && Source == BLEND_SOURCE_DIRECT)
                                          ? 2
                                          : 4;
  static constexpr int kDestBytes = Class == BLEND_CLASS_565 ? 2 : 4;
  static constexpr int kMask = (Cond & BLEND_COND_MASK) != 0;
  static constexpr int kBright = (Cond & BLEND_COND_BRIGHT) != 0;
  static constexpr int kTrans = (Cond & BLEND_COND_TRANS) != 0;
  static constexpr int kClass = Class;
  static constexpr int kSource = Source;
  static constexpr int kOp = Op;
  static constexpr int kCond = Cond;
  static constexpr int kKernel = Kernel;
  typedef blend_ops::Channels<Class> Ch;

  static inline BlendSourcePixel Fetch(const BlendState &st, const uint8_t *src) {
    BlendSourcePixel px;
    px.alpha = 255;
    if (Source == BLEND_SOURCE_PALETTE) {
      px.key = *src;
      const uint8_t *entry = (const uint8_t *)st.palette + px.key * (uint32_t)kDestBytes;
      px.color = Class == BLEND_CLASS_565 ? blend_ops::Load16(entry) : blend_ops::Load32(entry);
    } else if (kSourceBytes == 2) {
      px.color = px.key = blend_ops::Load16(src);
    } else {
      const uint32_t w = blend_ops::Load32(src);
      px.key = w;
      if (Class == BLEND_CLASS_565) {
        px.color = w & 0xFFFFu;
        px.alpha = (w >> 16) & 0xFFu;
      } else {
        px.color = w;
        px.alpha = w >> 24;
      }
    }
    return px;
  }

  // True when the pixel leaves the destination unchanged without being
  // blended. Alpha-0 pixels under the flag are skipped in every operation
  // whose formula would keep the destination anyway; multiply turns them
  // black instead, except in the stretched kernel.
  static inline bool Skips(const BlendState &st, const BlendSourcePixel &px) {
    if (!kTrans) return false;
    if (Source == BLEND_SOURCE_DIRECT) return px.key == st.colorKey;
    if (Source == BLEND_SOURCE_PALETTE)
      return px.key == (Kernel == BLEND_KERNEL_TRIANGLE ? st.colorKey : (st.colorKey & 0xFFu));
    if (Kernel == BLEND_KERNEL_TRIANGLE)
      return px.alpha == 0 && (Op == BLEND_OP_COPY || Op == BLEND_OP_BLEND || Op == BLEND_OP_ADD ||
                               Op == BLEND_OP_SUB ||
                               (Op == BLEND_OP_INVERT && Class == BLEND_CLASS_565));
    return px.alpha == 0 && (Op != BLEND_OP_MUL || Kernel == BLEND_KERNEL_STRETCHED);
  }

  static inline void Blend(const BlendState &st, uint8_t *dst, const BlendSourcePixel &px,
                           uint32_t maskByte) {
    const uint32_t d = Class == BLEND_CLASS_565 ? blend_ops::Load16(dst) : blend_ops::Load32(dst);
    const uint32_t out = Compute(st, d, px, maskByte);
    if (Class == BLEND_CLASS_565)
      blend_ops::Store16(dst, out);
    else
      blend_ops::Store32(dst, out);
  }

  static inline void Write(const BlendState &st, uint8_t *dst, const uint8_t *src,
                           uint32_t maskByte) {
    const BlendSourcePixel px = Fetch(st, src);
    if (!Skips(st, px)) Blend(st, dst, px, maskByte);
  }

  // The new destination word for destination word d.
  static inline uint32_t Compute(const BlendState &st, uint32_t d, const BlendSourcePixel &px,
                                 uint32_t maskByte) {
    const uint32_t maskWeight = kMask ? st.maskMap[maskByte & 0xFFu] : 1u;
    if (Source != BLEND_SOURCE_ALPHA) return Apply<kMask, false>(st, d, px.color, maskWeight, 255);
    if (Kernel == BLEND_KERNEL_PLAIN && Op == BLEND_OP_COPY && Cond == 0)
      return px.color;  // mode 0 without flags copies alpha pixels opaquely
    if (kTrans && px.alpha == 255) return Apply<kMask, false>(st, d, px.color, maskWeight, 255);
    return Apply<kMask + 1, true>(st, d, px.color, maskWeight * px.alpha, px.alpha);
  }

 private:
  // s' of channel c: inverted first for mode 10, brightness after.
  static inline uint32_t SourceChannel(const BlendState &st, uint32_t s, int c) {
    uint32_t v = Ch::Get(s, c);
    if (Op == BLEND_OP_INVERT) v = Ch::Max(c) - v;
    return kBright ? (uint32_t)blend_ops::BrightnessRow(st, c)[v] : v;
  }

  template <int K, bool AlphaWeighted>
  static inline uint32_t Apply(const BlendState &st, uint32_t d, uint32_t s, uint32_t w,
                               uint32_t alpha) {
    using blend_ops::BrightnessRow;
    using blend_ops::Lerp;
    const uint32_t e = 8u * K;
    const uint32_t f = e + 8u;
    const uint32_t p = st.param;

    if (Op == BLEND_OP_HALF && K == 0)
      return Class == BLEND_CLASS_565 ? blend_ops::HalfAverage16(s, d)
                                      : blend_ops::HalfAverage32(s, d);
    if (Op == BLEND_OP_ADD_FULL && K == 0)
      return Class == BLEND_CLASS_565 ? blend_ops::PackedAdd16NoLowBits(d, s)
                                      : blend_ops::PackedAdd32NoLowBits(d, s & 0x00FEFEFFu);
    if (Op == BLEND_OP_COPY && K == 0 && !kBright) {
      return Class == BLEND_CLASS_565 ? (s & 0xFFFFu) : s;
    }

    uint32_t out = Class == BLEND_CLASS_8888 ? (d & 0xFF000000u) : 0u;
    uint32_t packed = 0;  // the add and subtract source terms
    for (int c = 0; c < 3; ++c) {
      const uint32_t dc = Ch::Get(d, c);
      const uint32_t sc = SourceChannel(st, s, c);
      uint32_t v;
      switch (Op) {
        case BLEND_OP_COPY:
          v = K == 0 ? sc : Lerp(sc, dc, w, e);
          break;
        case BLEND_OP_HALF:
        case BLEND_OP_BLEND:
        case BLEND_OP_INVERT:
          v = BlendChannel<K>(st, sc, dc, w);
          break;
        case BLEND_OP_MUL:
          v = (sc * w * dc) >> (Class == BLEND_CLASS_565 ? Ch::Width(c) + e : f);
          break;
        case BLEND_OP_MUL_BLEND: {
          const uint32_t x = (sc * dc) >> Ch::Width(c);
          if (Class == BLEND_CLASS_565 && c == 1 && K == 1 && AlphaWeighted && !kMask && !kBright &&
              Kernel != BLEND_KERNEL_GENERAL) {
            // Green kept at field scale: five more bits of the product. The
            // per-pixel walks' special case; the run-table path keeps the
            // general rule for green too.
            const uint32_t fine = (Ch::Get(s, 1) * dc) >> 1;
            const uint32_t g = dc << 5;
            v = (((fine - g) * alpha * p + (g << 16)) >> 16) >> 5;
          } else if (K == 0 && Class == BLEND_CLASS_565) {
            v = (uint32_t)((int32_t)dc + st.mulSignedParam[(int32_t)x - (int32_t)dc]);
          } else {
            v = Lerp(x, dc, w * p, f);
          }
          break;
        }
        default: {  // add and subtract: the source term
          uint32_t x;
          if (Class == BLEND_CLASS_565 &&
              (Kernel == BLEND_KERNEL_ROTATED || Kernel == BLEND_KERNEL_TRIANGLE) && K == 1 &&
              AlphaWeighted && !kMask && kBright) {
            x = (uint32_t)st.mulParam[BrightnessRow(st, c)[(Ch::Get(s, c) * alpha) >> 8]];
          } else if (K == 0) {
            x = (uint32_t)st.mulParam[sc];
          } else if (Class == BLEND_CLASS_565) {
            x = (uint32_t)st.mulParam[(sc * w) >> e];
          } else {
            x = (sc * w * p) >> f;
          }
          packed |= x << Ch::Shift(c);
          continue;
        }
      }
      out |= v << Ch::Shift(c);
    }
    if (Op == BLEND_OP_ADD || Op == BLEND_OP_ADD_FULL)
      return Class == BLEND_CLASS_565 ? blend_ops::PackedAdd16(d, packed)
                                      : blend_ops::PackedAdd32(d, packed);
    if (Op == BLEND_OP_SUB)
      return Class == BLEND_CLASS_565 ? blend_ops::PackedSub16(d, packed)
                                      : blend_ops::PackedSub32(d, packed);
    return out;
  }

  // Modes 1 and 10 (and the average's weighted form): 565 without a weight
  // goes through the signed table, or in the plain kernel without
  // brightness through the 6-bit interpolation cube.
  template <int K>
  static inline uint32_t BlendChannel(const BlendState &st, uint32_t sc, uint32_t dc, uint32_t w) {
    if (Class == BLEND_CLASS_565 && K == 0) {
      if (Kernel == BLEND_KERNEL_PLAIN && Op == BLEND_OP_BLEND && !kBright)
        return st.interpParam[sc * 64u + dc];
      return (uint32_t)((int32_t)dc + st.mulSignedParam[(int32_t)sc - (int32_t)dc]);
    }
    return blend_ops::Lerp(sc, dc, w * st.param, 8u * K + 8u);
  }
};

// Runs Loop<PixelWriter<...>>::Run(args) for a selection of BlendSelect:
// one instantiation per combination of condition bits.
template <template <class> class Loop, int Kernel, int Class, int Source, int Op, class Args,
          int... Conds>
static inline void BlendRunConditions(int conditions, Args &args,
                                      std::integer_sequence<int, Conds...>) {
  static void (*const kRuns[])(Args &) = {
      &Loop<PixelWriter<Class, Source, Op, Conds, Kernel> >::Run...};
  kRuns[conditions & (BLEND_COND_COUNT - 1)](args);
}

template <template <class> class Loop, int Kernel, int Class, int Source, int Op, class Args>
static inline void BlendDispatchConditions(int conditions, Args &args) {
  BlendRunConditions<Loop, Kernel, Class, Source, Op>(
      conditions, args, std::make_integer_sequence<int, BLEND_COND_COUNT>());
}

template <template <class> class Loop, int Kernel, int Class, int Source, class Args>
static inline void BlendDispatchOp(const BlendSelection &sel, Args &args) {
  const int c = sel.conditions;
  switch (sel.op) {
    case BLEND_OP_COPY:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_COPY>(c, args);
      break;
    case BLEND_OP_BLEND:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_BLEND>(c, args);
      break;
    case BLEND_OP_ADD:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_ADD>(c, args);
      break;
    case BLEND_OP_SUB:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_SUB>(c, args);
      break;
    case BLEND_OP_MUL:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_MUL>(c, args);
      break;
    case BLEND_OP_INVERT:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_INVERT>(c, args);
      break;
    case BLEND_OP_MUL_BLEND:
      BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_MUL_BLEND>(c, args);
      break;
    default:
      // The parameter specialisations exist only in the plain kernel.
      if constexpr (Kernel == BLEND_KERNEL_PLAIN) {
        if (sel.op == BLEND_OP_HALF)
          BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_HALF>(c, args);
        else
          BlendDispatchConditions<Loop, Kernel, Class, Source, BLEND_OP_ADD_FULL>(c, args);
      }
      break;
  }
}

template <template <class> class Loop, int Kernel, class Args>
static inline void BlendDispatch(const BlendSelection &sel, Args &args) {
  if (sel.pixelClass == BLEND_CLASS_565) {
    switch (sel.sourceKind) {
      case BLEND_SOURCE_DIRECT:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_565, BLEND_SOURCE_DIRECT>(sel, args);
        break;
      case BLEND_SOURCE_PALETTE:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_565, BLEND_SOURCE_PALETTE>(sel, args);
        break;
      default:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_565, BLEND_SOURCE_ALPHA>(sel, args);
        break;
    }
  } else {
    switch (sel.sourceKind) {
      case BLEND_SOURCE_DIRECT:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_8888, BLEND_SOURCE_DIRECT>(sel, args);
        break;
      case BLEND_SOURCE_PALETTE:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_8888, BLEND_SOURCE_PALETTE>(sel, args);
        break;
      default:
        BlendDispatchOp<Loop, Kernel, BLEND_CLASS_8888, BLEND_SOURCE_ALPHA>(sel, args);
        break;
    }
  }
}

// Cuts rect to the draw area and to the destination's own bounds.
static inline void BlendClipToDestination(Rect *rect, const Rect *drawArea,
                                          const MEMIMG *destination) {
  ClipRectangle(rect, drawArea);
  const Rect bounds = {0, 0, destination->width, destination->height};
  ClipRectangle(rect, &bounds);
}

// The address of pixel (x, y) of an image.
static inline uint8_t *BlendPixelAddress(const MEMIMG *image, int x, int y) {
  const MemImgBase *base = image->base;
  return image->pixels + (intptr_t)y * base->pitch + (intptr_t)x * base->format->bytesPerPixel;
}

#endif  // VELVANE_SOFTRENDER_BLEND_OPS_H
