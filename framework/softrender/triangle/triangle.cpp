// Triangle set-up and scan conversion. The corners go to 14.18 fixed point
// with the pixel centre at +0.5; the left and right edges are walked row by
// row, each row's span covering both end columns, and a textured span takes
// its texture coordinates afresh from the affine plane on every row.
//
// Every combination of pixel format, source kind, blend operation and
// per-call condition is one instantiation of the scan loop around one of
// the blits' pixel writers (blend_ops.h), chosen once per call.
//
// Overflow: corner values are limited to -8192..8191, so every 14.18 value
// fits 32 bits; edge heights, the side test and the gradients' numerators
// come from the input ints, the edge steps are formed in 64-bit, and
// everything that may wrap (stepping, the plane with INT_MIN gradients)
// runs in uint32_t.
#include "softrender/triangle/triangle.h"

#include <stdint.h>

#include "core/util/strings.h"
#include "graphics/draw/draw_settings.h"
#include "softrender/blit/blend_ops.h"
#include "softrender/blit/flat_row.h"
#include "velvane.h"

namespace {

const int kFixShift = 18;
const int64_t kFixOne = (int64_t)1 << kFixShift;
const uint32_t kFixHalf = 1u << (kFixShift - 1);

// A whole value in 14.18 (x and y get the pixel centre's half on top).
uint32_t ToFix(int value) { return (uint32_t)value << kFixShift; }

// 14.18 to whole pixels, rounding toward zero as the walk defines it (so a
// corner at a negative x lands one pixel nearer to zero than floor would).
int FixToInt(uint32_t fix) {
  const int32_t s = (int32_t)fix;
  return s < 0 ? (s + (int32_t)(kFixOne - 1)) >> kFixShift : s >> kFixShift;
}

struct Corner {
  int x, y, u, v;
};

// One straight piece of an edge: its x on the first row, the x change per
// row, the rows it covers and (left edge) the row it starts on.
struct EdgeSegment {
  uint32_t x;
  uint32_t step;
  int rows;
  uint32_t startY;
};

// x change per row from corner from, moved right by startOffset 14.18
// units, to corner to; toward zero. Only a one-row segment's step can leave
// 32 bits, and that one is never used.
uint32_t EdgeStep(const Corner &from, const Corner &to, int64_t startOffset) {
  const int64_t dx = ((int64_t)to.x - from.x) * kFixOne - startOffset;
  return (uint32_t)(dx / ((int64_t)to.y - from.y));
}

EdgeSegment Segment(const Corner &from, const Corner &to, int64_t startOffset) {
  EdgeSegment s;
  s.x = ToFix(from.x) + kFixHalf + (uint32_t)startOffset;
  s.step = EdgeStep(from, to, startOffset);
  s.rows = to.y - from.y;
  s.startY = ToFix(from.y) + kFixHalf;
  return s;
}

// The two edges; an edge with two segments starts on first[..], else on
// last[..] only.
struct TriangleEdges {
  EdgeSegment left[2];
  EdgeSegment right[2];
  bool leftSplit;
  bool rightSplit;
};

// The affine texture plane relative to the reference corner (the leftmost,
// earliest given), and the source's limits.
struct TexturePlane {
  uint32_t refU, refV;
  int refColumn, refRow;
  uint32_t uPerColumn, vPerColumn, uPerRow, vPerRow;
  uint32_t width, height;  // source size x 262144, unsigned
};

struct TriangleArgs {
  TriangleEdges edges;
  TexturePlane plane;
  Rect clip;
  uint8_t *destPixels;
  intptr_t destPitch;
  const uint8_t *sourcePixels;
  intptr_t sourcePitch;
  const uint8_t *maskPixels;
  intptr_t maskPitch;
  BlendState state;
  BlendSourcePixel flat;  // the prepared flat colour
};

bool InRange(int value) { return value >= TRIANGLE_COORD_MIN && value <= TRIANGLE_COORD_MAX; }

// Sorts three indices by key with the exchanges (0,1), (0,2), (1,2), each
// swapping on a strictly greater first key: among equal keys the earlier
// corner stays first.
template <class Key>
void SortThree(int order[3], Key key) {
  static const int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto &pair : kPairs) {
    if (key(order[pair[0]]) > key(order[pair[1]])) {
      const int t = order[pair[0]];
      order[pair[0]] = order[pair[1]];
      order[pair[1]] = t;
    }
  }
}

// Edges from the corners in y order. Flat top and flat bottom have one
// segment per edge; otherwise the edge on the middle corner's side has two,
// the right one's lower segment starting one 14.18 unit right of it.
TriangleEdges MakeEdges(const Corner &t, const Corner &m, const Corner &b) {
  TriangleEdges e = {};
  if (t.y == m.y) {
    const bool tLeft = t.x <= m.x;
    e.left[1] = Segment(tLeft ? t : m, b, 0);
    e.right[1] = Segment(tLeft ? m : t, b, 0);
    return e;
  }
  if (m.y == b.y) {
    const bool mLeft = m.x <= b.x;
    e.left[1] = Segment(t, mLeft ? m : b, 0);
    e.right[1] = Segment(t, mLeft ? b : m, 0);
    return e;
  }
  // The middle corner's side, by its edge's slope against the long edge's,
  // compared exactly by cross-multiplying the (positive) heights.
  const int64_t shortSlope = ((int64_t)m.x - t.x) * ((int64_t)b.y - t.y);
  const int64_t longSlope = ((int64_t)b.x - t.x) * ((int64_t)m.y - t.y);
  if (shortSlope < longSlope) {
    e.leftSplit = true;
    e.left[0] = Segment(t, m, 0);
    e.left[1] = Segment(m, b, 0);
    e.right[1] = Segment(t, b, 0);
  } else {
    e.rightSplit = true;
    e.right[0] = Segment(t, m, 0);
    e.right[1] = Segment(m, b, 1);
    e.left[1] = Segment(t, b, 0);
  }
  return e;
}

// One gradient: numerator x 262144 / cross, truncated toward zero; INT_MIN
// when it leaves the int range.
uint32_t Gradient(int64_t numerator, int64_t cross) {
  return (uint32_t)TruncDoubleToInt((double)numerator * 262144.0 / (double)cross);
}

uint32_t TextureLimit(int size) {
  if (size <= 0) return 0;
  const uint64_t limit = (uint64_t)size << kFixShift;
  return limit > UINT32_MAX ? UINT32_MAX : (uint32_t)limit;
}

// Walks the rows of the triangle and calls span(row, column, count) for
// the part of each row inside the clip rectangle (count > 0).
template <class Span>
inline void WalkTriangle(const TriangleArgs &a, Span span) {
  const TriangleEdges &e = a.edges;
  const Rect clip = a.clip;
  bool leftLast = !e.leftSplit, rightLast = !e.rightSplit;
  EdgeSegment left = e.left[leftLast ? 1 : 0];
  EdgeSegment right = e.right[rightLast ? 1 : 0];
  int row = FixToInt(left.startY);
  int leftColumn = FixToInt(left.x);
  int spanWidth = FixToInt(right.x) - leftColumn;
  for (;;) {
    if (row >= clip.top && row < clip.bottom) {
      int64_t column = leftColumn;
      int64_t count = (int64_t)spanWidth + 1;
      if (column < clip.left) {
        count -= clip.left - column;
        column = clip.left;
      }
      if (column < clip.right && count > 0) {
        if (count > clip.right - column) count = clip.right - column;
        span(row, (int)column, (int)count);
      }
    }
    left.x += left.step;
    right.x += right.step;
    leftColumn = FixToInt(left.x);
    int rightColumn = FixToInt(right.x);
    --left.rows;
    --right.rows;
    spanWidth = rightColumn - leftColumn;
    ++row;
    if (left.rows == 0) {
      if (leftLast) return;
      leftLast = true;
      left = e.left[1];
      row = FixToInt(left.startY);
      leftColumn = FixToInt(left.x);
      spanWidth = rightColumn - leftColumn;
    }
    if (right.rows == 0) {
      if (rightLast) return;
      rightLast = true;
      right = e.right[1];
      rightColumn = FixToInt(right.x);
      spanWidth = rightColumn - leftColumn;
    }
  }
}

// Textured leaves: the texture-bounds test, then the writer's fetch, skip
// test and operation per pixel.
template <class Writer>
struct TexturedLoop {
  static void Run(TriangleArgs &a) {
    const TexturePlane &p = a.plane;
    const BlendState &st = a.state;
    WalkTriangle(a, [&](int row, int column, int count) {
      uint32_t u = p.refU + (uint32_t)(row - p.refRow) * p.uPerRow +
                   (uint32_t)(column - p.refColumn) * p.uPerColumn;
      uint32_t v = p.refV + (uint32_t)(row - p.refRow) * p.vPerRow +
                   (uint32_t)(column - p.refColumn) * p.vPerColumn;
      uint8_t *dst = a.destPixels + (intptr_t)row * a.destPitch + (intptr_t)column * Writer::kDestBytes;
      for (; count > 0; --count, dst += Writer::kDestBytes, u += p.uPerColumn, v += p.vPerColumn) {
        if (u >= p.width || v >= p.height) continue;
        const uint32_t tu = u >> kFixShift, tv = v >> kFixShift;
        const BlendSourcePixel px =
            Writer::Fetch(st, a.sourcePixels + (intptr_t)tv * a.sourcePitch +
                                  (intptr_t)tu * Writer::kSourceBytes);
        if (Writer::Skips(st, px)) continue;
        const uint32_t maskByte =
            Writer::kMask ? a.maskPixels[(intptr_t)tv * a.maskPitch + (intptr_t)tu] : 0u;
        Writer::Blend(st, dst, px, maskByte);
      }
    });
  }
};

// Flat leaves: the prepared colour on every pixel of the span (mode 0 as a
// raw row fill). Only unconditioned direct-source writers serve them.
template <class Writer>
struct FlatLoop {
  static void Run(TriangleArgs &a) {
    if constexpr (Writer::kCond == 0 && Writer::kSource == BLEND_SOURCE_DIRECT) {
      WalkTriangle(a, [&](int row, int column, int count) {
        uint8_t *dst =
            a.destPixels + (intptr_t)row * a.destPitch + (intptr_t)column * Writer::kDestBytes;
        BlendFlatRow<Writer>(a.state, dst, a.flat, (size_t)count);
      });
    }
  }
};

// The flat colour with the draw brightness applied, once per call; a 565
// colour keeps its low 16 bits only.
uint32_t PrepareFlatColour(const BlendState &st, int pixelClass, uint32_t colour) {
  if (pixelClass == BLEND_CLASS_565) {
    const uint32_t c = colour & 0xFFFFu;
    return (uint32_t)st.mulRed[c >> 11] << 11 | (uint32_t)st.mulGreen[(c >> 5) & 0x3Fu] << 5 |
           (uint32_t)st.mulBlue[c & 0x1Fu];
  }
  return (colour & 0xFF000000u) | (uint32_t)st.mulRed[(colour >> 16) & 0xFFu] << 16 |
         (uint32_t)st.mulGreen[(colour >> 8) & 0xFFu] << 8 | (uint32_t)st.mulBlue[colour & 0xFFu];
}

bool ImageUsable(const MEMIMG *image) { return image && image->base && image->pixels; }

}  // namespace

void MemImgDrawTriangle(MEMIMG *dest, const MEMIMG *source,
                        const int corners[TRIANGLE_CORNER_INTS], int transparencyFlag,
                        const MEMIMG *blendMask, int flatColour) {
  if (!ImageUsable(dest) || !corners) return;
  if (source && !ImageUsable(source)) return;
  const DrawSettings *settings = &g_drawSettings;

  Corner c[3];
  for (int i = 0; i < 3; ++i) {
    c[i] = {corners[4 * i], corners[4 * i + 1], corners[4 * i + 2], corners[4 * i + 3]};
    if (!InRange(c[i].x) || !InRange(c[i].y)) return;
    if (source && (!InRange(c[i].u) || !InRange(c[i].v))) return;
  }

  BlendSelection selection;
  TriangleArgs args;
  if (source) {
    if (BlendSelect(dest, source, blendMask, transparencyFlag, settings, BLEND_KERNEL_TRIANGLE,
                    &selection) != 0)
      return;
  } else if (BlendSelectFlat(dest, settings, &selection) != 0) {
    return;
  }

  int xOrder[3] = {0, 1, 2}, yOrder[3] = {0, 1, 2};
  SortThree(xOrder, [&](int i) { return c[i].x; });
  SortThree(yOrder, [&](int i) { return c[i].y; });
  const Corner &a0 = c[xOrder[0]], &a1 = c[xOrder[1]], &a2 = c[xOrder[2]];
  const int64_t xa = (int64_t)a1.x - a0.x, ya = (int64_t)a1.y - a0.y;
  const int64_t xb = (int64_t)a2.x - a0.x, yb = (int64_t)a2.y - a0.y;
  const int64_t cross = ya * xb - yb * xa;
  if (cross == 0) return;

  TexturePlane &plane = args.plane;
  const int64_t ua = (int64_t)a1.u - a0.u, va = (int64_t)a1.v - a0.v;
  const int64_t ub = (int64_t)a2.u - a0.u, vb = (int64_t)a2.v - a0.v;
  plane.uPerColumn = Gradient(ya * ub - yb * ua, cross);
  plane.uPerRow = Gradient(ua * xb - ub * xa, cross);
  plane.vPerColumn = Gradient(ya * vb - yb * va, cross);
  plane.vPerRow = Gradient(va * xb - vb * xa, cross);
  plane.refU = ToFix(a0.u);
  plane.refV = ToFix(a0.v);
  plane.refColumn = FixToInt(ToFix(a0.x) + kFixHalf);
  plane.refRow = FixToInt(ToFix(a0.y) + kFixHalf);

  args.edges = MakeEdges(c[yOrder[0]], c[yOrder[1]], c[yOrder[2]]);
  args.clip = settings->clipRect;
  BlendClipToDestination(&args.clip, &settings->clipRect, dest);
  if (args.clip.left >= args.clip.right || args.clip.top >= args.clip.bottom) return;
  args.destPixels = dest->pixels;
  args.destPitch = dest->base->pitch;

  if (source) {
    plane.width = TextureLimit(source->width);
    plane.height = TextureLimit(source->height);
    args.sourcePixels = source->pixels;
    args.sourcePitch = source->base->pitch;
    args.maskPixels = blendMask ? blendMask->pixels : nullptr;
    args.maskPitch = blendMask ? blendMask->base->pitch : 0;
    BlendStateInit(&args.state, source, settings);
    BlendDispatch<TexturedLoop, BLEND_KERNEL_TRIANGLE>(selection, args);
    MemImgPixelsDrawn(dest);
    return;
  }
  BlendStateInitFlat(&args.state, settings);
  const uint32_t colour = PrepareFlatColour(args.state, selection.pixelClass, (uint32_t)flatColour);
  args.flat.color = args.flat.key = colour;
  args.flat.alpha = 255;
  BlendDispatch<FlatLoop, BLEND_KERNEL_TRIANGLE>(selection, args);
  MemImgPixelsDrawn(dest);
}
