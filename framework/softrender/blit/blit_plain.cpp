// The plain image draw: a whole source image, unscaled, at a position of the
// destination. The workhorse of software 2-D drawing, so each combination of
// blend operation and condition gets its own loop (blend_ops.h) and the
// common copies get loops of their own below.
#include <stdint.h>
#include <string.h>

#include "graphics/draw/draw_settings.h"
#include "softrender/blit/blend_ops.h"
#include "softrender/blit/blit.h"
#include "softrender/blit/blit_rows.h"
#include "softrender/blit/pixel_sse2.h"
#include "softrender/blit/pixel_vectors.h"
#include "velvane.h"

namespace {

const uint8_t kRunEnd = 0xC0;
const int kRunKindShift = 6;
const uint8_t kRunCountMask = 0x3F;
enum RunKind { kRunTransparent = 0, kRunOpaque = 1, kRunPartial = 2 };

struct PlainArgs {
  BlendState state;
  uint8_t *dst;
  intptr_t dstPitch;
  const uint8_t *src;
  intptr_t srcPitch;
  const uint8_t *mask;  // null without a blend-mask image
  intptr_t maskPitch;
  int width;
  int height;
  const uint8_t *runTable;  // the run-table path only
  const uint8_t *runTableEnd;
  bool shortRuns;  // the table's runs are short: its pixels drawn one by one
};

// Any writer, one pixel at a time.
template <class W>
void BlendRows(PlainArgs &a) {
  const BlendState state = a.state;  // a local copy: the stores cannot alias it
  uint8_t *dstRow = a.dst;
  const uint8_t *srcRow = a.src;
  const uint8_t *maskRow = a.mask;
  for (int y = 0; y < a.height; ++y) {
    uint8_t *d = dstRow;
    const uint8_t *s = srcRow;
    for (int x = 0; x < a.width; ++x) {
      W::Write(state, d, s, W::kMask ? maskRow[x] : 0u);
      d += W::kDestBytes;
      s += W::kSourceBytes;
    }
    dstRow += a.dstPitch;
    srcRow += a.srcPitch;
    if (W::kMask) maskRow += a.maskPitch;
  }
}

// Same-size pixels without any test: whole rows at once. An image drawn
// onto itself may overlap its own rows, hence memmove.
void CopyRows(PlainArgs &a, int bytesPerPixel) {
  const size_t rowBytes = (size_t)a.width * (size_t)bytesPerPixel;
  uint8_t *dstRow = a.dst;
  const uint8_t *srcRow = a.src;
  for (int y = 0; y < a.height; ++y) {
    memmove(dstRow, srcRow, rowBytes);
    dstRow += a.dstPitch;
    srcRow += a.srcPitch;
  }
}

// Row kernels of the hottest unweighted cases, 16 bytes at a time in
// generic vectors (pixel_vectors.h), with exactly the per-pixel results of
// blend_ops.h. Each kernel's Mix computes one vector of destination pixels.
const int kVectorBytes = kPixelVectorBytes;

// One unaligned 16-byte move.
inline void CopyVector(uint8_t *d, const uint8_t *s) {
#if defined(__SSE2__)
  _mm_storeu_si128((__m128i *)d, _mm_loadu_si128((const __m128i *)s));
#else
  U32x4 v;
  memcpy(&v, s, sizeof v);
  memcpy(d, &v, sizeof v);
#endif
}

struct KeyedCopy565 {
  typedef U16x8 Vector;
  static void Mix(const BlendState &st, const Vector &s, const Vector &d, Vector *out) {
    const Vector keep = (Vector)(s == (uint16_t)st.colorKey);
    *out = (s & ~keep) | (d & keep);
  }
};

struct KeyedCopy8888 {
  typedef U32x4 Vector;
  static void Mix(const BlendState &st, const Vector &s, const Vector &d, Vector *out) {
    const Vector keep = (Vector)(s == st.colorKey);
    *out = (s & ~keep) | (d & keep);
  }
};

struct HalfAverage565 {
  typedef U16x8 Vector;
  static void Mix(const BlendState &, const Vector &s, const Vector &d, Vector *out) {
    *out = ((s >> 1) & 0x7BEF) + ((d >> 1) & 0x7BEF);
  }
};

struct HalfAverage8888 {
  typedef U32x4 Vector;
  static void Mix(const BlendState &, const Vector &s, const Vector &d, Vector *out) {
    *out = ((s >> 1) & 0x007F7F7Fu) + ((d >> 1) & 0x007F7F7Fu);
  }
};

// The add at p = 255 without the low-bit term. In 16-bit lanes the carry
// out of red is lost, so it is recovered from the wrap of the sum.
struct AddFull565 {
  typedef U16x8 Vector;
  static void Mix(const BlendState &, const Vector &s, const Vector &d, Vector *out) {
    const Vector dm = d & 0xF7DF;
    const Vector u = dm + (s & 0xF7DF);
    const Vector redCarry = (Vector)(u < dm) & 0xF800;
    const Vector h = u & 0x0820;
    *out = (h - (h >> 5)) | redCarry | u;
  }
};

struct AddFull8888 {
  typedef U32x4 Vector;
  static void Mix(const BlendState &, const Vector &s, const Vector &d, Vector *out) {
#if defined(__SSE2__)
    *out = (Vector)sse2_pixels::AddFull8888((__m128i)s, (__m128i)d);
#else
    const Vector u = (d & 0x00FEFEFFu) + (s & 0x00FEFEFFu);
    const Vector h = u & 0x01010100u;
    *out = (h - (h >> 8)) | u;
#endif
  }
};

// Mode 1 on 8888 without weight or brightness: (s * p + d * (256 - p)) >> 8,
// which is d + ((s - d) * p) >> 8 without a negative term.
struct Blend8888 {
  typedef U32x4 Vector;
  static void Mix(const BlendState &st, const Vector &s, const Vector &d, Vector *out) {
#if defined(__SSE2__)
    *out = (Vector)sse2_pixels::Lerp8888((__m128i)s, (__m128i)d,
                                         sse2_pixels::EvenWeights(st.param),
                                         sse2_pixels::OddWeights(st.param));
#else
    const U16x8 p = (U16x8){} + (uint16_t)st.param;
    MixBytes8888(s, d, p, 256 - p, out);
#endif
  }
};

// An 8888 alpha source in mode 0 under the transparency flag: alpha 255
// copies the word, anything else weighs by alpha / 256 (alpha 0 keeps the
// destination through the same formula).
struct AlphaCopy8888 {
  typedef U32x4 Vector;
  static void Mix(const BlendState &, const Vector &s, const Vector &d, Vector *out) {
#if defined(__SSE2__)
    *out = (Vector)sse2_pixels::AlphaCopy8888((__m128i)s, (__m128i)d);
#else
    const Vector alpha = s >> 24;
    // Sprites are mostly wholly opaque or wholly transparent groups.
    uint64_t halves[2];
    memcpy(halves, &s, sizeof halves);
    if ((halves[0] & halves[1] & 0xFF000000FF000000ull) == 0xFF000000FF000000ull) {
      *out = s;
      return;
    }
    if (((halves[0] | halves[1]) & 0xFF000000FF000000ull) == 0) {
      *out = d;
      return;
    }
    const U16x8 a = (U16x8)(alpha | (alpha << 16));
    Vector weighted;
    MixBytes8888(s, d, a, 256 - a, &weighted);
    const Vector opaque = (Vector)(alpha == 255);
    *out = (s & opaque) | (weighted & ~opaque);
#endif
  }
};

// Mode 1 on 565 without weight or brightness: the interpolation cube's
// floor((k * s + (63 - k) * d) / 63), computed instead of looked up; x / 63
// for x up to 63 * 63 is (x + 1 + ((x + 1) >> 6)) >> 6.
struct BlendCube565 {
  typedef U16x8 Vector;
  static void Mix(const BlendState &st, const Vector &s, const Vector &d, Vector *out) {
    const uint16_t k = (uint16_t)(st.param >> 2);
    const uint16_t rest = (uint16_t)(63 - k);
#if defined(__SSE2__)
    *out = (Vector)sse2_pixels::BlendCube565((__m128i)s, (__m128i)d, _mm_set1_epi16((short)k),
                                             _mm_set1_epi16((short)rest));
#else
    const Vector r = (Vector)((s >> 11) * k + (d >> 11) * rest) + 1;
    const Vector g = (Vector)(((s >> 5) & 63) * k + ((d >> 5) & 63) * rest) + 1;
    const Vector b = (Vector)((s & 31) * k + (d & 31) * rest) + 1;
    *out = (((r + (r >> 6)) >> 6) << 11) | (((g + (g >> 6)) >> 6) << 5) | ((b + (b >> 6)) >> 6);
#endif
  }
};

// Runs a row kernel over each row; the pixels it leaves at the row's end
// go through the writer.
template <class W, class Kernel>
void VectorRows(PlainArgs &a) {
  typedef typename Kernel::Vector Vector;
  const BlendState state = a.state;  // a local copy: the stores cannot alias it
  const int lanes = kVectorBytes / W::kDestBytes;
  const int bulk = a.width - a.width % lanes;
  uint8_t *dstRow = a.dst;
  const uint8_t *srcRow = a.src;
  for (int y = 0; y < a.height; ++y) {
    uint8_t *d = dstRow;
    const uint8_t *s = srcRow;
    for (int x = 0; x < bulk; x += lanes, d += kVectorBytes, s += kVectorBytes) {
      Vector sv, dv, out;
      memcpy(&sv, s, kVectorBytes);
      memcpy(&dv, d, kVectorBytes);
      Kernel::Mix(state, sv, dv, &out);
      memcpy(d, &out, kVectorBytes);
    }
    for (int x = bulk; x < a.width; ++x, d += W::kDestBytes, s += W::kSourceBytes)
      W::Write(state, d, s, 0);
    dstRow += a.dstPitch;
    srcRow += a.srcPitch;
  }
}

enum WideKernel { kWideAlphaCopy8888, kWideAddFull8888 };

// The AVX2 rows (blit_rows.h) where they are in use, over each row's first
// multiple of 4 pixels, the writer after them; false leaves the draw to the
// SSE2 rows.
template <class W>
bool WideRows(PlainArgs &a, WideKernel kernel) {
#if defined(VELVANE_BLIT_AVX2)
  if (BlitIsaInUse() != BLIT_ISA_AVX2) return false;
  const BlitRows rows = {a.dst, a.dstPitch, a.src, a.srcPitch, a.width & ~3, a.height};
  if (kernel == kWideAlphaCopy8888)
    blit_avx2::AlphaCopyRows8888(rows);
  else
    blit_avx2::AddFullRows8888(rows);
  if (rows.width == a.width) return true;
  const BlendState state = a.state;
  for (int y = 0; y < a.height; ++y) {
    uint8_t *d = a.dst + y * a.dstPitch + (intptr_t)rows.width * W::kDestBytes;
    const uint8_t *s = a.src + y * a.srcPitch + (intptr_t)rows.width * W::kSourceBytes;
    for (int x = rows.width; x < a.width; ++x, d += W::kDestBytes, s += W::kSourceBytes)
      W::Write(state, d, s, 0);
  }
  return true;
#else
  (void)a;
  (void)kernel;
  return false;
#endif
}

template <class W>
struct PlainLoop {
  static void Run(PlainArgs &a) {
    constexpr bool direct = W::kSource == BLEND_SOURCE_DIRECT;
    constexpr bool is565 = W::kClass == BLEND_CLASS_565;
    constexpr bool plain = W::kCond == 0;
    constexpr bool keyed = W::kCond == BLEND_COND_TRANS;
    // An alpha 8888 source copied without flags is a plain word copy too.
    if constexpr (W::kOp == BLEND_OP_COPY && plain &&
                  (direct || (W::kSource == BLEND_SOURCE_ALPHA && !is565))) {
      CopyRows(a, W::kDestBytes);
    } else if constexpr (W::kOp == BLEND_OP_COPY && keyed && direct) {
      if (is565 && a.state.colorKey > 0xFFFFu)
        CopyRows(a, W::kDestBytes);  // no 16-bit pixel can match the key
      else if constexpr (is565)
        VectorRows<W, KeyedCopy565>(a);
      else
        VectorRows<W, KeyedCopy8888>(a);
    } else if constexpr (W::kOp == BLEND_OP_COPY && keyed && !is565 &&
                         W::kSource == BLEND_SOURCE_ALPHA) {
      if (!WideRows<W>(a, kWideAlphaCopy8888)) VectorRows<W, AlphaCopy8888>(a);
    } else if constexpr (W::kOp == BLEND_OP_HALF && plain && direct) {
      if constexpr (is565)
        VectorRows<W, HalfAverage565>(a);
      else
        VectorRows<W, HalfAverage8888>(a);
    } else if constexpr (W::kOp == BLEND_OP_ADD_FULL && plain && direct) {
      if constexpr (is565)
        VectorRows<W, AddFull565>(a);
      else if (!WideRows<W>(a, kWideAddFull8888))
        VectorRows<W, AddFull8888>(a);
    } else if constexpr (W::kOp == BLEND_OP_BLEND && plain && direct) {
      if constexpr (is565)
        VectorRows<W, BlendCube565>(a);
      else
        VectorRows<W, Blend8888>(a);
    } else {
      BlendRows<W>(a);
    }
  }
};

// Short runs are copied inline: 16-byte moves, the last one ending at the
// run's end, or for runs under 16 bytes words. Above 32 bytes memmove is the
// faster copy; it also takes a source that overlaps its run in the
// destination (an image drawn onto itself).
const size_t kInlineRunBytes = 32;

inline void CopyRunBytes(uint8_t *d, const uint8_t *s, size_t bytes) {
  const size_t gap = d > s ? (size_t)(d - s) : (size_t)(s - d);
  if (gap < bytes || bytes > kInlineRunBytes) {
    memmove(d, s, bytes);
  } else if (bytes >= (size_t)kVectorBytes) {
    const size_t last = bytes - kVectorBytes;
    for (size_t done = 0; done < last; done += kVectorBytes) CopyVector(d + done, s + done);
    CopyVector(d + last, s + last);
  } else {
    size_t done = 0;
    for (; done + 4 <= bytes; done += 4) memcpy(d + done, s + done, 4);
    if (done < bytes) memcpy(d + done, s + done, 2);  // a 565 pixel
  }
}

// What the run table calls transparent: the colour key (a palette index
// against the whole key), or alpha 0.
template <class W>
inline bool TableTransparent(const BlendState &state, const BlendSourcePixel &px) {
  if (W::kSource == BLEND_SOURCE_ALPHA) return px.alpha == 0;
  return px.key == state.colorKey;
}

// The run-table path's pixels for a table of short runs, one pixel at a
// time: transparent pixels are skipped, the others drawn by the general
// rules, alpha 255 unweighted (as an opaque run draws it) and any other
// alpha weighted (as a partly transparent run does). A keyed copy is the
// plain draw's own keyed copy, which gives these very pixels.
template <class W>
void TableRulePixels(PlainArgs &a) {
  if constexpr (W::kOp == BLEND_OP_COPY && W::kCond == BLEND_COND_TRANS &&
                W::kSource != BLEND_SOURCE_PALETTE) {
    PlainLoop<W>::Run(a);
  } else {
    const BlendState state = a.state;  // a local copy: the stores cannot alias it
    uint8_t *dstRow = a.dst;
    const uint8_t *srcRow = a.src;
    const uint8_t *maskRow = a.mask;
    for (int y = 0; y < a.height; ++y) {
      uint8_t *d = dstRow;
      const uint8_t *s = srcRow;
      for (int x = 0; x < a.width; ++x, d += W::kDestBytes, s += W::kSourceBytes) {
        const BlendSourcePixel px = W::Fetch(state, s);
        if (!TableTransparent<W>(state, px)) W::Blend(state, d, px, W::kMask ? maskRow[x] : 0u);
      }
      dstRow += a.dstPitch;
      srcRow += a.srcPitch;
      if (W::kMask) maskRow += a.maskPitch;
    }
  }
}

// The run-table path: each row of the table is a list of runs, so whole
// transparent runs are passed over without reading their pixels. Opaque
// runs are drawn without the transparency test and without the alpha
// weight, partly transparent runs with it. Runs of one kind that follow
// each other (a long stretch cut into pieces) are drawn as one.
template <class W>
struct RunTableLoop {
  // The plain keyed copy of 565 pixels outruns the walk even on long runs
  // (it tests two pixels at once and needs no run decoding), and a table
  // kept valid by the drawing routines marks exactly the keyed pixels.
  static constexpr bool kKeyedCopy565 = W::kOp == BLEND_OP_COPY && W::kCond == BLEND_COND_TRANS &&
                                        W::kSource == BLEND_SOURCE_DIRECT && W::kSourceBytes == 2;

  static void Run(PlainArgs &a) {
    if (a.shortRuns || kKeyedCopy565) {
      TableRulePixels<W>(a);
      return;
    }
    const BlendState state = a.state;  // a local copy: the stores cannot alias it
    const uint8_t *code = a.runTable;
    uint8_t *dstRow = a.dst;
    const uint8_t *srcRow = a.src;
    const uint8_t *maskRow = a.mask;
    for (int y = 0; y < a.height; ++y) {
      int x = 0;
      while (code < a.runTableEnd) {
        const uint8_t c = *code++;
        if ((c & kRunEnd) == kRunEnd) break;
        const int kind = c >> kRunKindShift;
        int n = (c & kRunCountMask) + 1;
        while (code < a.runTableEnd && (*code >> kRunKindShift) == kind)
          n += (*code++ & kRunCountMask) + 1;
        if (n > a.width - x) n = a.width - x;  // a table never outruns its row
        if (kind != kRunTransparent) DrawRun(state, dstRow, srcRow, maskRow, x, n, kind);
        x += n;
      }
      dstRow += a.dstPitch;
      srcRow += a.srcPitch;
      if (W::kMask) maskRow += a.maskPitch;
    }
  }

  static void DrawRun(const BlendState &state, uint8_t *dstRow, const uint8_t *srcRow,
                      const uint8_t *maskRow, int x, int n, int kind) {
    uint8_t *d = dstRow + (intptr_t)x * W::kDestBytes;
    const uint8_t *s = srcRow + (intptr_t)x * W::kSourceBytes;
    // An opaque run of a plain copy is the source's bytes themselves.
    if constexpr (W::kOp == BLEND_OP_COPY && W::kCond == BLEND_COND_TRANS &&
                  W::kSource != BLEND_SOURCE_PALETTE && W::kSourceBytes == W::kDestBytes) {
      if (kind == kRunOpaque) {
        CopyRunBytes(d, s, (size_t)n * W::kDestBytes);
        return;
      }
    }
    for (int i = 0; i < n; ++i) {
      BlendSourcePixel px = W::Fetch(state, s);
      if (kind == kRunOpaque) px.alpha = 255;
      W::Blend(state, d, px, W::kMask ? maskRow[x + i] : 0u);
      d += W::kDestBytes;
      s += W::kSourceBytes;
    }
  }
};

bool ViewIsWholeBase(const MEMIMG *image) {
  const MemImgBase *base = image->base;
  return image->pixels == base->pixelBuffer && image->width == base->width &&
         image->height == base->height;
}

// The source rectangle at (x, y), clipped to the draw area and to the
// destination; false when nothing is left.
bool ClipPlacement(const MEMIMG *destination, const MEMIMG *source, int x, int y,
                   const Rect *drawArea, Rect *clipped) {
  const int64_t right = (int64_t)x + source->width;
  const int64_t bottom = (int64_t)y + source->height;
  clipped->left = x;
  clipped->top = y;
  clipped->right = right > INT32_MAX ? INT32_MAX : (int)right;
  clipped->bottom = bottom > INT32_MAX ? INT32_MAX : (int)bottom;
  BlendClipToDestination(clipped, drawArea, destination);
  return clipped->right > clipped->left && clipped->bottom > clipped->top;
}

}  // namespace

void MemImgDrawImage(MEMIMG *destination, const MEMIMG *source, int x, int y, int transparencyFlag,
                     const MEMIMG *blendMask) {
  if (!destination || !source || !destination->base || !source->base) return;
  const DrawSettings *settings = &g_drawSettings;
  Rect clipped;
  if (!ClipPlacement(destination, source, x, y, &settings->clipRect, &clipped)) return;
  const int sx = clipped.left - x;
  const int sy = clipped.top - y;
  const int width = clipped.right - clipped.left;
  const int height = clipped.bottom - clipped.top;

  // The run table describes the whole base, so only a view of the whole
  // base drawn whole can use it.
  const MemImgBase *sb = source->base;
  const bool runTablePath = transparencyFlag == 1 && sb->runTableValid && sb->runTable &&
                            width == source->width && height == source->height &&
                            ViewIsWholeBase(source);
  BlendSelection selection;
  if (BlendSelect(destination, source, blendMask, transparencyFlag, settings,
                  runTablePath ? BLEND_KERNEL_GENERAL : BLEND_KERNEL_PLAIN, &selection) != 0)
    return;

  PlainArgs args;
  BlendStateInit(&args.state, source, settings);
  args.width = width;
  args.height = height;
  args.srcPitch = sb->pitch;
  args.src = BlendPixelAddress(source, sx, sy);
  args.dstPitch = destination->base->pitch;
  args.dst = BlendPixelAddress(destination, clipped.left, clipped.top);
  args.mask = 0;
  args.maskPitch = 0;
  if (blendMask) {
    args.maskPitch = blendMask->base->pitch;
    args.mask = BlendPixelAddress(blendMask, sx, sy);
  }
  args.runTable = 0;
  args.runTableEnd = 0;
  args.shortRuns = false;

  if (runTablePath) {
    args.runTable = sb->runTable;
    args.runTableEnd = sb->runTable + ((size_t)sb->width + 5) * (size_t)sb->height;
    args.shortRuns = sb->runTableShortRuns != 0;
    BlendDispatch<RunTableLoop, BLEND_KERNEL_GENERAL>(selection, args);
  } else {
    BlendDispatch<PlainLoop, BLEND_KERNEL_PLAIN>(selection, args);
  }
  MemImgPixelsDrawn(destination);
}
