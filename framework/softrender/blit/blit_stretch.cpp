// The stretched image draw: nearest-neighbour scaling of a whole source
// into a destination rectangle, mirrored on an axis whose corners come in
// reverse order. 16.16 counters step the source once per destination pixel
// and row. For enlargements the column counter is run once per call into a
// table the row loops look columns up in; reductions step an exact 32.32
// column position instead. All of it is 64-bit, so no size of rectangle or
// clipped-away margin can overflow it. Destination rows that show the same
// source row as the row above are copied when the result does not depend
// on the destination.
#include <stdint.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/draw/draw_settings.h"
#include "softrender/blit/blend_ops.h"
#include "softrender/blit/blit.h"
#include "velvane.h"

namespace {

enum {
  kMaxStretchSize = 65535,  // widest and tallest destination rectangle drawn
  kStepOne = 65536          // one destination pixel on the 16.16 counters
};

// The column tables of the current call: the source column of every drawn
// destination column, and the same as runs of destination columns that
// show one source column (enlargements fetch and test each source pixel
// once per run).
struct StretchScratch {
  int32_t columnOf[kMaxStretchSize];
  int32_t runColumn[kMaxStretchSize];
  int32_t runLength[kMaxStretchSize];
};

StretchScratch g_stretch;

// The stepping of one axis: which source index the first drawn destination
// pixel shows, and the counter that moves it on.
struct AxisWalk {
  int64_t step;     // destination pixels per source pixel, 16.16
  int64_t counter;  // counter at the first drawn pixel
  int64_t first;    // source index shown by the first drawn pixel (unmirrored)
};

// ox = pixels clipped away before the first drawn one.
AxisWalk StartAxis(int64_t destSize, int sourceSize, int64_t ox) {
  AxisWalk walk;
  walk.step = (destSize * kStepOne) / sourceSize;
  walk.first = (ox * kStepOne) / walk.step;
  walk.counter = walk.step - (ox * kStepOne) % walk.step;
  return walk;
}

// Advances the counter by one destination pixel; returns how many source
// pixels that moves on.
inline int64_t StepAxis(int64_t *counter, int64_t step) {
  int64_t moved = 0;
  *counter -= kStepOne;
  while (*counter <= 0) {
    *counter += step;
    ++moved;
  }
  return moved;
}

// Fills the column tables for count drawn columns; returns the number of
// runs (equal to count when no source column repeats).
int BuildColumns(AxisWalk walk, int count, int sourceWidth, bool mirrored) {
  int runs = 0;
  int64_t column = walk.first;
  for (int i = 0; i < count;) {
    const int32_t shown = (int32_t)(mirrored ? sourceWidth - 1 - column : column);
    int length = 0;
    int64_t moved = 0;
    while (i < count && moved == 0) {
      g_stretch.columnOf[i] = shown;
      ++length;
      ++i;
      moved = StepAxis(&walk.counter, walk.step);
    }
    g_stretch.runColumn[runs] = shown;
    g_stretch.runLength[runs] = length;
    ++runs;
    column += moved;
  }
  return runs;
}

struct StretchArgs {
  BlendState state;
  uint8_t *destRow;  // first drawn pixel of the first drawn row
  intptr_t destPitch;
  const uint8_t *sourceRow;  // source row shown by the first drawn row
  intptr_t sourceRowStep;    // +/- pitch
  const uint8_t *maskRow;
  intptr_t maskRowStep;
  int columns;  // drawn destination columns
  int runs;     // runs of the column table; columns when nothing repeats
  // Reductions step the column directly: source column of drawn column i
  // = (columnPos + i * columnStep) >> 32, from the source's last column
  // backwards when mirrored. columnStep is 0 for enlargements.
  uint64_t columnPos;
  uint64_t columnStep;
  bool mirrored;
  int sourceWidth;
  int rows;
  AxisWalk rowWalk;
};

// Writers whose result ignores the destination pixel: a row they drew can
// be copied to the next destination row that shows the same source row.
template <class Writer>
struct IgnoresDestination {
  enum { value = 0 };
};
template <int Class, int Kernel>
struct IgnoresDestination<PixelWriter<Class, BLEND_SOURCE_DIRECT, BLEND_OP_COPY, 0, Kernel> > {
  enum { value = 1 };
};
template <int Class, int Kernel>
struct IgnoresDestination<PixelWriter<Class, BLEND_SOURCE_PALETTE, BLEND_OP_COPY, 0, Kernel> > {
  enum { value = 1 };
};

template <class Writer>
struct StretchLoop {
  // The row functions read what they need of the arguments into locals
  // first: their byte stores could otherwise alias every field.

  // Each source pixel is fetched and tested once however many destination
  // pixels it covers.
  static void RowByRuns(const StretchArgs &a, const uint8_t *src, const uint8_t *mask,
                        uint8_t *dst) {
    const BlendState st = a.state;
    const int32_t *column = g_stretch.runColumn;
    const int32_t *length = g_stretch.runLength;
    const int runs = a.runs;
    for (int i = 0; i < runs; ++i) {
      const int32_t col = column[i];
      const int32_t count = length[i];
      const BlendSourcePixel px = Writer::Fetch(st, src + col * Writer::kSourceBytes);
      if (!Writer::Skips(st, px)) {
        const uint32_t maskByte = Writer::kMask ? mask[col] : 0u;
        for (int32_t k = 0; k < count; ++k)
          Writer::Blend(st, dst + k * Writer::kDestBytes, px, maskByte);
      }
      dst += count * Writer::kDestBytes;
    }
  }

  // Plain 16-bit copies store two destination pixels per 32-bit word.
  enum { kPairs = IgnoresDestination<Writer>::value && Writer::kDestBytes == 2 };

  template <class ColumnAt>
  static void CopyPairs(const BlendState &st, const uint8_t *src, uint8_t *dst, int columns,
                        ColumnAt columnAt) {
    int i = 0;
    for (; i + 1 < columns; i += 2, dst += 4) {
      const uint32_t lo = Writer::Fetch(st, src + columnAt(i) * Writer::kSourceBytes).color;
      const uint32_t hi = Writer::Fetch(st, src + columnAt(i + 1) * Writer::kSourceBytes).color;
      blend_ops::Store32(dst, (lo & 0xFFFFu) | hi << 16);
    }
    if (i < columns) Writer::Write(st, dst, src + columnAt(i) * Writer::kSourceBytes, 0u);
  }

  static void RowByColumns(const StretchArgs &a, const uint8_t *src, const uint8_t *mask,
                           uint8_t *dst) {
    const BlendState st = a.state;
    const int32_t *column = g_stretch.columnOf;
    const int columns = a.columns;
    if (kPairs) {
      CopyPairs(st, src, dst, columns, [column](int i) { return (intptr_t)column[i]; });
      return;
    }
    for (int i = 0; i < columns; ++i, dst += Writer::kDestBytes) {
      const int32_t col = column[i];
      Writer::Write(st, dst, src + col * Writer::kSourceBytes, Writer::kMask ? mask[col] : 0u);
    }
  }

  // Halving copies take every second pixel of the source row: whole
  // vectors of them when the step is exactly two columns.
  enum {
    kHalving = IgnoresDestination<Writer>::value && Writer::kSource == BLEND_SOURCE_DIRECT &&
               Writer::kSourceBytes == Writer::kDestBytes
  };

  // Returns how many of the row's first columns it drew. The vectors read
  // one pixel past the last column they show, so the row's last column is
  // always left to the caller.
  static int HalvingVectors(const uint8_t *src, uint8_t *dst, int columns) {
    int i = 0;
#if defined(__SSE2__)
    if (Writer::kDestBytes == 4) {
      for (; i + 4 < columns; i += 4) {
        const __m128 a = _mm_loadu_ps((const float *)(src + 8 * i));
        const __m128 b = _mm_loadu_ps((const float *)(src + 8 * i + 16));
        _mm_storeu_ps((float *)(dst + 4 * i), _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)));
      }
    } else {
      for (; i + 8 < columns; i += 8) {
        // Each pixel's 32-bit lane sign-extended from its low half, so that
        // the signed pack keeps all 16 bits.
        const __m128i a = _mm_loadu_si128((const __m128i *)(src + 4 * i));
        const __m128i b = _mm_loadu_si128((const __m128i *)(src + 4 * i + 16));
        _mm_storeu_si128((__m128i *)(dst + 2 * i),
                         _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                                         _mm_srai_epi32(_mm_slli_epi32(b, 16), 16)));
      }
    }
#else
    (void)src;
    (void)dst;
    (void)columns;
#endif
    return i;
  }

  template <bool Mirrored>
  static void RowByStep(const StretchArgs &a, const uint8_t *src, const uint8_t *mask,
                        uint8_t *dst) {
    const BlendState st = a.state;
    const int columns = a.columns;
    const uint64_t step = a.columnStep;
    const intptr_t last = Mirrored ? a.sourceWidth - 1 : 0;
    src += last * Writer::kSourceBytes;
    if (Writer::kMask) mask += last;
    uint64_t pos = a.columnPos;
    if (kHalving && !Mirrored && step == (uint64_t)2 << 32) {
      // A whole step leaves the fraction of pos as it is: the columns are
      // pos's integer part plus 2 i exactly.
      const uint8_t *first = src + (intptr_t)(pos >> 32) * Writer::kSourceBytes;
      const int done = HalvingVectors(first, dst, columns);
      dst += (intptr_t)done * Writer::kDestBytes;
      for (int i = done; i < columns; ++i, dst += Writer::kDestBytes)
        memcpy(dst, first + (intptr_t)2 * i * Writer::kSourceBytes, Writer::kDestBytes);
      return;
    }
    if (kPairs) {
      CopyPairs(st, src, dst, columns, [pos, step](int i) {
        const intptr_t col = (intptr_t)((pos + (uint64_t)i * step) >> 32);
        return Mirrored ? -col : col;
      });
      return;
    }
    for (int i = 0; i < columns; ++i, dst += Writer::kDestBytes, pos += step) {
      const intptr_t col = Mirrored ? -(intptr_t)(pos >> 32) : (intptr_t)(pos >> 32);
      Writer::Write(st, dst, src + col * Writer::kSourceBytes, Writer::kMask ? mask[col] : 0u);
    }
  }

  static void Row(const StretchArgs &a, bool byRuns, const uint8_t *src, const uint8_t *mask,
                  uint8_t *dst) {
    if (a.columnStep != 0) {
      if (a.mirrored)
        RowByStep<true>(a, src, mask, dst);
      else
        RowByStep<false>(a, src, mask, dst);
    } else if (byRuns) {
      RowByRuns(a, src, mask, dst);
    } else {
      RowByColumns(a, src, mask, dst);
    }
  }

  static void Run(StretchArgs &a) {
    const bool copyRows = IgnoresDestination<Writer>::value;
    const bool byRuns = !copyRows && a.runs != a.columns;
    const size_t rowBytes = (size_t)a.columns * Writer::kDestBytes;
    const uint8_t *src = a.sourceRow;
    const uint8_t *mask = a.maskRow;
    uint8_t *dst = a.destRow;
    AxisWalk walk = a.rowWalk;
    int64_t moved = 1;
    for (int r = 0; r < a.rows; ++r, dst += a.destPitch) {
      if (copyRows && moved == 0)
        memcpy(dst, dst - a.destPitch, rowBytes);
      else
        Row(a, byRuns, src, mask, dst);
      if (r + 1 == a.rows) break;  // rows past the last drawn one are never read
      moved = StepAxis(&walk.counter, walk.step);
      src += (intptr_t)moved * a.sourceRowStep;
      if (Writer::kMask) mask += (intptr_t)moved * a.maskRowStep;
    }
  }
};

bool ImagesAccepted(const MEMIMG *dest, const MEMIMG *source) {
  return dest && source && dest->base && source->base && dest->pixels && source->pixels;
}

}  // namespace

void MemImgDrawStretched(MEMIMG *dest, const MEMIMG *source, const Rect *rect, int transparent,
                         const MEMIMG *blendMask) {
  if (!ImagesAccepted(dest, source) || !rect) return;
  int64_t left = rect->left, right = rect->right, top = rect->top, bottom = rect->bottom;
  const bool mirrorX = left > right;
  const bool mirrorY = top > bottom;
  if (mirrorX) {
    const int64_t t = left;
    left = right;
    right = t;
  }
  if (mirrorY) {
    const int64_t t = top;
    top = bottom;
    bottom = t;
  }
  const int64_t width = right - left, height = bottom - top;
  if (width == 0 || height == 0) return;

  if (width == source->width && height == source->height && !mirrorX && !mirrorY) {
    MemImgDrawImage(dest, source, (int)left, (int)top, transparent, blendMask);
    return;
  }
  if (width > kMaxStretchSize || height > kMaxStretchSize) return;

  const DrawSettings *settings = &g_drawSettings;
  BlendSelection selection = {};
  if (BlendSelect(dest, source, blendMask, transparent, settings, BLEND_KERNEL_STRETCHED,
                  &selection) != 0)
    return;
  if (source->width <= 0 || source->height <= 0) return;
  // A source wider than 65536 pixels may be shrunk to a step of 0.
  if (width * kStepOne < source->width || height * kStepOne < source->height) return;

  Rect clipped = {(int)left, (int)top, (int)right, (int)bottom};
  BlendClipToDestination(&clipped, &settings->clipRect, dest);
  const int w = clipped.right - clipped.left, h = clipped.bottom - clipped.top;
  if (w == 0 || h == 0) return;

  const AxisWalk colWalk = StartAxis(width, source->width, clipped.left - left);
  const AxisWalk rowWalk = StartAxis(height, source->height, clipped.top - top);
  // The last drawn pixel's source index; past the source only for sources
  // too large for the 16.16 steps to reach their end exactly.
  if (((clipped.right - 1 - left) * kStepOne) / colWalk.step >= source->width ||
      ((clipped.bottom - 1 - top) * kStepOne) / rowWalk.step >= source->height)
    return;

  StretchArgs args;
  args.columns = w;
  args.mirrored = mirrorX;
  args.sourceWidth = source->width;
  if (colWalk.step <= kStepOne) {
    // With a step of at most one source pixel per destination pixel,
    // ceil(2^48 / step) in 32.32 gives exactly floor(k * 65536 / step) for
    // every k below 65536.
    const uint64_t step = (uint64_t)colWalk.step;
    args.columnStep = (((uint64_t)1 << 48) + step - 1) / step;
    args.columnPos = (uint64_t)(clipped.left - left) * args.columnStep;
    args.runs = w;
  } else {
    args.columnStep = 0;
    args.columnPos = 0;
    args.runs = BuildColumns(colWalk, w, source->width, mirrorX);
  }
  args.rows = h;
  args.rowWalk = rowWalk;

  const MemImgBase *sb = source->base;
  const int64_t firstRow = mirrorY ? source->height - 1 - rowWalk.first : rowWalk.first;
  args.sourceRowStep = mirrorY ? -(intptr_t)sb->pitch : (intptr_t)sb->pitch;
  args.sourceRow = source->pixels + (intptr_t)firstRow * sb->pitch;
  args.maskRow = nullptr;
  args.maskRowStep = 0;
  if (blendMask) {
    const intptr_t maskPitch = blendMask->base->pitch;
    args.maskRowStep = mirrorY ? -maskPitch : maskPitch;
    args.maskRow = blendMask->pixels + (intptr_t)firstRow * maskPitch;
  }
  BlendStateInit(&args.state, source, settings);
  args.destPitch = dest->base->pitch;
  args.destRow = BlendPixelAddress(dest, clipped.left, clipped.top);
  BlendDispatch<StretchLoop, BLEND_KERNEL_STRETCHED>(selection, args);
  MemImgPixelsDrawn(dest);
}
