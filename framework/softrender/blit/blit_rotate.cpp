// The rotated and scaled image draw. An unmirrored draw maps every
// destination pixel of the turned image's bounding box back into the
// source with 14.18 fixed-point steps and blends the nearest source pixel;
// a mirrored one hands the four turned corners to the quad draw.
//
// All positions are derived in 64-bit from range-checked float
// conversions, and which pixels of a row fall inside the source is solved
// exactly per row, so the inner loops carry no inside test and nothing can
// wrap into a false hit far from the image.
#include <math.h>
#include <stdint.h>

#include "graphics/draw/draw_settings.h"
#include "softrender/blit/blend_ops.h"
#include "softrender/blit/blit.h"
#include "softrender/blit/quad_blit.h"
#include "velvane.h"

namespace {

enum {
  kFixShift = 18,
  kRowTableSize = 4096,      // rows a source or blend-mask image may have
  kMaxScanSourceSize = 8192  // widest source scanned: w << 18 within 31 bits
};
const int64_t kFixOne = (int64_t)1 << kFixShift;

// Row tables rebuilt by every scan-road call; they make the module
// non-reentrant, like all drawing.
struct RotateScratch {
  const uint8_t *sourceRows[kRowTableSize];
  const uint8_t *maskRows[kRowTableSize];
};

RotateScratch g_rotate;

// trunc(value) when it fits an int; NaN and everything out of range fail.
bool TruncToInt(float value, int32_t *out) {
  if (!(value >= -2147483648.0f && value < 2147483648.0f)) return false;
  *out = (int32_t)value;
  return true;
}

// Sine and cosine of the angle and of its negation, scaled to 14.18.
struct RotationTerms {
  int32_t sn, cs, snm, csm;
};

bool MakeRotationTerms(float angle, RotationTerms *t) {
  const float one = (float)kFixOne;
  return TruncToInt(sinf(-angle) * one, &t->snm) && TruncToInt(cosf(-angle) * one, &t->csm) &&
         TruncToInt(sinf(angle) * one, &t->sn) && TruncToInt(cosf(angle) * one, &t->cs);
}

// Corners of the turned, scaled image in 14.18 destination coordinates, in
// the order top-left, bottom-left, bottom-right, top-right of the unturned
// source.
enum { kTopLeft, kBottomLeft, kBottomRight, kTopRight, kCornerCount };

struct RotatedCorners {
  int64_t x[kCornerCount];
  int64_t y[kCornerCount];
};

bool MakeCorners(const MEMIMG *source, int x, int y, float scale, const RotationTerms &t,
                 RotatedCorners *out) {
  const float hw = (float)(uint32_t)source->width * scale * 0.5f;
  const float hh = (float)(uint32_t)source->height * scale * 0.5f;
  const float cf = (float)t.cs;
  const float sf = (float)t.sn;
  const float hwc = hw * cf, hws = hw * sf, hhc = hh * cf, hhs = hh * sf;
  const float offsets[kCornerCount][2] = {
      {-hwc + hhs, -hhc - hws},  // top-left
      {-hwc - hhs, hhc - hws},   // bottom-left
      {hwc - hhs, hhc + hws},    // bottom-right
      {hwc + hhs, -hhc + hws}};  // top-right
  for (int i = 0; i < kCornerCount; ++i) {
    int32_t ox, oy;
    if (!TruncToInt(offsets[i][0], &ox) || !TruncToInt(offsets[i][1], &oy)) return false;
    out->x[i] = (int64_t)ox + (int64_t)x * kFixOne;
    out->y[i] = (int64_t)oy + (int64_t)y * kFixOne;
  }
  return true;
}

bool FitsInt(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

int ClampToInt(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : (int)v);
}

// The mirrored draw: the corners in whole pixels, ordered so that the
// source's left edge lands where the unmirrored right edge would.
void DrawFlipped(MEMIMG *dest, const MEMIMG *source, const RotatedCorners &c, int transparent,
                 const MEMIMG *mask) {
  static const int kOrder[4] = {kTopRight, kTopLeft, kBottomRight, kBottomLeft};
  int points[QUAD_POINT_INTS];
  for (int i = 0; i < 4; ++i) {
    const int64_t px = c.x[kOrder[i]] / kFixOne;
    const int64_t py = c.y[kOrder[i]] / kFixOne;
    if (!FitsInt(px) || !FitsInt(py)) return;
    points[2 * i] = (int)px;
    points[2 * i + 1] = (int)py;
  }
  MemImgDrawQuad(dest, source, points, transparent, mask);
}

// The bounding box of the corners with its uneven margin (2 before, 4
// after), clipped to the draw area and the destination.
Rect ClippedBox(const RotatedCorners &c, const Rect &drawArea, const MEMIMG *dest) {
  int64_t minX = c.x[0], maxX = c.x[0], minY = c.y[0], maxY = c.y[0];
  for (int i = 1; i < kCornerCount; ++i) {
    if (c.x[i] < minX) minX = c.x[i];
    if (c.x[i] > maxX) maxX = c.x[i];
    if (c.y[i] < minY) minY = c.y[i];
    if (c.y[i] > maxY) maxY = c.y[i];
  }
  Rect box;
  box.left = ClampToInt(minX / kFixOne - 2);
  box.top = ClampToInt(minY / kFixOne - 2);
  box.right = ClampToInt(maxX / kFixOne + 4);
  box.bottom = ClampToInt(maxY / kFixOne + 4);
  BlendClipToDestination(&box, &drawArea, dest);
  return box;
}

// The source point of destination pixel (px, py), 14.18, in 64-bit.
bool SourcePoint(int px, int py, int x, int y, float scale, const RotationTerms &t,
                 const MEMIMG *source, int64_t *u, int64_t *v) {
  const int64_t offX = (int64_t)px - x;
  const int64_t offY = (int64_t)py - y;
  int32_t tu, tv;
  if (!TruncToInt((float)(offX * t.csm - offY * t.snm) / scale, &tu) ||
      !TruncToInt((float)(offY * t.csm + offX * t.snm) / scale, &tv))
    return false;
  *u = tu + ((int64_t)(source->width >> 1) << kFixShift);
  *v = tv + ((int64_t)(source->height >> 1) << kFixShift);
  return true;
}

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Narrows [*first, *last] to the columns c where 0 <= start + c * step < limit.
void NarrowToInside(int64_t start, int64_t step, int64_t limit, int64_t *first,
                    int64_t *last) {
  if (step == 0) {
    if (start < 0 || start >= limit) *last = *first - 1;
    return;
  }
  int64_t lo, hi;
  if (step > 0) {
    lo = -FloorDiv(start, step);  // ceil(-start / step)
    hi = FloorDiv(limit - 1 - start, step);
  } else {
    lo = -FloorDiv(limit - 1 - start, -step);
    hi = FloorDiv(start, -step);
  }
  if (lo > *first) *first = lo;
  if (hi < *last) *last = hi;
}

// One clipped scan: the box, the source point at its top-left, the steps
// per column and the (exact) difference between row starts.
struct RotateArgs {
  BlendState state;
  uint8_t *destRow;  // first pixel of the box's top row
  intptr_t destPitch;
  const uint8_t *const *sourceRows;
  const uint8_t *const *maskRows;
  int64_t u, v;          // source point at the box's top-left pixel
  int64_t du, dv;        // per column
  int64_t rowU, rowV;    // from one row start to the next
  int64_t uLimit, vLimit;
  int rows, cols;
};

template <class Writer>
struct RotateLoop {
  static void Run(RotateArgs &a) {
    // Locals: the byte stores below could otherwise alias every field.
    const BlendState st = a.state;
    const uint8_t *const *sourceRows = a.sourceRows;
    const uint8_t *const *maskRows = a.maskRows;
    uint8_t *destRow = a.destRow;
    for (int r = 0; r < a.rows; ++r, destRow += a.destPitch) {
      const int64_t u0 = a.u + r * a.rowU;
      const int64_t v0 = a.v + r * a.rowV;
      int64_t first = 0, last = a.cols - 1;
      NarrowToInside(u0, a.du, a.uLimit, &first, &last);
      NarrowToInside(v0, a.dv, a.vLimit, &first, &last);
      if (first > last) continue;
      // Inside the span every point lies in the source, so 32 bits carry it.
      uint32_t u = (uint32_t)(u0 + first * a.du);
      uint32_t v = (uint32_t)(v0 + first * a.dv);
      const uint32_t du = (uint32_t)a.du, dv = (uint32_t)a.dv;
      uint8_t *dst = destRow + first * Writer::kDestBytes;
      for (int64_t n = last - first + 1; n > 0; --n) {
        const uint32_t row = v >> kFixShift, col = u >> kFixShift;
        const uint32_t maskByte = Writer::kMask ? maskRows[row][col] : 0u;
        Writer::Write(st, dst, sourceRows[row] + col * Writer::kSourceBytes, maskByte);
        u += du;
        v += dv;
        dst += Writer::kDestBytes;
      }
    }
  }
};

bool ScanRoadAccepts(const MEMIMG *source, const MEMIMG *mask) {
  if (source->width <= 0 || source->height <= 0) return false;
  if (source->width > kMaxScanSourceSize || source->height > kRowTableSize) return false;
  return !mask || mask->height <= kRowTableSize;
}

void FillRowTables(const MEMIMG *source, const MEMIMG *mask) {
  const intptr_t pitch = source->base->pitch;
  for (int i = 0; i < source->height; ++i) g_rotate.sourceRows[i] = source->pixels + i * pitch;
  if (!mask) return;
  const intptr_t maskPitch = mask->base->pitch;
  for (int i = 0; i < mask->height; ++i) g_rotate.maskRows[i] = mask->pixels + i * maskPitch;
}

void DrawScanned(MEMIMG *dest, const MEMIMG *source, int x, int y, float scale,
                 int transparent, const MEMIMG *mask, const RotationTerms &t,
                 const RotatedCorners &corners) {
  const DrawSettings *settings = &g_drawSettings;
  BlendSelection selection = {};
  if (BlendSelect(dest, source, mask, transparent, settings, BLEND_KERNEL_ROTATED,
                  &selection) != 0)
    return;
  if (!ScanRoadAccepts(source, mask)) return;

  int32_t du, dv;
  if (!TruncToInt((float)t.cs / scale, &du) || !TruncToInt((float)t.snm / scale, &dv)) return;

  const Rect box = ClippedBox(corners, settings->clipRect, dest);
  if (box.left == box.right || box.top == box.bottom) return;

  int64_t uTop, vTop, uBottom, vBottom;
  if (!SourcePoint(box.left, box.top, x, y, scale, t, source, &uTop, &vTop) ||
      !SourcePoint(box.left, box.bottom, x, y, scale, t, source, &uBottom, &vBottom))
    return;

  RotateArgs args;
  args.rows = box.bottom - box.top;
  args.cols = box.right - box.left;
  args.u = uTop;
  args.v = vTop;
  args.du = du;
  args.dv = dv;
  args.rowU = (uBottom - uTop) / args.rows;
  args.rowV = (vBottom - vTop) / args.rows;
  args.uLimit = (int64_t)source->width << kFixShift;
  args.vLimit = (int64_t)source->height << kFixShift;

  FillRowTables(source, mask);
  args.sourceRows = g_rotate.sourceRows;
  args.maskRows = g_rotate.maskRows;
  BlendStateInit(&args.state, source, settings);
  args.destPitch = dest->base->pitch;
  args.destRow = BlendPixelAddress(dest, box.left, box.top);
  BlendDispatch<RotateLoop, BLEND_KERNEL_ROTATED>(selection, args);
}

bool ImagesAccepted(const MEMIMG *dest, const MEMIMG *source) {
  if (!dest || !source || !dest->base || !source->base || !dest->pixels || !source->pixels)
    return false;
  const MemImgBase *db = dest->base;
  return db->formatCode == source->base->formatCode && !db->paletteFlag && !db->alphaFlag;
}

}  // namespace

void MemImgDrawRotated(MEMIMG *dest, const MEMIMG *source, int x, int y, float angle,
                       float scale, int transparent, int flip, const MEMIMG *blendMask) {
  if (!ImagesAccepted(dest, source)) return;
  // A negative scale is a turn by 180 degrees; zero, NaN and infinity are
  // not drawable scales.
  if (scale == 0.0f || !isfinite(scale)) return;
  if (!BlendMaskCoversSource(blendMask, source)) return;

  RotationTerms terms;
  RotatedCorners corners;
  if (!MakeRotationTerms(angle, &terms)) return;
  if (!MakeCorners(source, x, y, scale, terms, &corners)) return;

  if (flip)
    DrawFlipped(dest, source, corners, transparent, blendMask);
  else
    DrawScanned(dest, source, x, y, scale, transparent, blendMask, terms, corners);
  MemImgPixelsDrawn(dest);
}
