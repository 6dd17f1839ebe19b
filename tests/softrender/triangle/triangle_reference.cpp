#include "triangle_reference.h"

#include <limits.h>
#include <string.h>

#include <algorithm>

#include "softrender/blit/blit_reference.h"
#include "softrender/image/blend_tables.h"

namespace {

const int64_t kOne = 262144;

struct RefCorner {
  int64_t x, y, u, v;
};

// A position in 14.18 with the pixel centre, and back toward zero (C++'s
// own integer division).
int64_t Centre(int64_t value) { return value * kOne + kOne / 2; }
int64_t Whole(int64_t fixed) { return fixed / kOne; }

bool CornerInRange(int64_t value) { return value >= -8192 && value <= 8191; }

// One edge piece: its x on its first row and its x change per row.
struct Piece {
  int64_t x0;
  int64_t step;
};

Piece PieceOf(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t startOffset) {
  const int64_t start = Centre(x0) + startOffset;
  return {start, (Centre(x1) - start) / (y1 - y0)};
}

bool ReadCorners(const int corners[12], bool textured, RefCorner out[3]) {
  for (int i = 0; i < 3; ++i) {
    out[i] = {corners[4 * i], corners[4 * i + 1], corners[4 * i + 2], corners[4 * i + 3]};
    if (!CornerInRange(out[i].x) || !CornerInRange(out[i].y)) return false;
    if (textured && (!CornerInRange(out[i].u) || !CornerInRange(out[i].v))) return false;
  }
  const int64_t area =
      (out[1].x - out[0].x) * (out[2].y - out[0].y) - (out[2].x - out[0].x) * (out[1].y - out[0].y);
  return area != 0;
}

int ReferenceCornerOf(const RefCorner c[3]) {
  int best = 0;
  for (int i = 1; i < 3; ++i)
    if (c[i].x < c[best].x) best = i;
  return best;
}

int64_t ExactGradient(int64_t numerator, int64_t cross) {
  const int64_t q = numerator * kOne / cross;
  return q < INT_MIN || q > INT_MAX ? INT_MIN : q;
}

void GradientsOf(const RefCorner c[3], int ref, int64_t g[4]) {
  const RefCorner &a0 = c[ref];
  // The other two in x order; a tie keeps the input order.
  int others[2], n = 0;
  for (int i = 0; i < 3; ++i)
    if (i != ref) others[n++] = i;
  if (c[others[1]].x < c[others[0]].x) std::swap(others[0], others[1]);
  const RefCorner &a1 = c[others[0]], &a2 = c[others[1]];
  const int64_t xa = a1.x - a0.x, ya = a1.y - a0.y, ua = a1.u - a0.u, va = a1.v - a0.v;
  const int64_t xb = a2.x - a0.x, yb = a2.y - a0.y, ub = a2.u - a0.u, vb = a2.v - a0.v;
  const int64_t cross = ya * xb - yb * xa;
  g[0] = ExactGradient(ya * ub - yb * ua, cross);
  g[1] = ExactGradient(ua * xb - ub * xa, cross);
  g[2] = ExactGradient(ya * vb - yb * va, cross);
  g[3] = ExactGradient(va * xb - vb * xa, cross);
}

}  // namespace

bool RefTriangleGradients(const int corners[12], int64_t gradients[4], int *referenceCorner) {
  RefCorner c[3];
  if (!ReadCorners(corners, true, c)) return false;
  *referenceCorner = ReferenceCornerOf(c);
  GradientsOf(c, *referenceCorner, gradients);
  return true;
}

std::vector<RefTriangleVisit> RefTriangleVisits(const int corners[12], bool textured,
                                                int sourceWidth, int sourceHeight,
                                                const Rect &clip) {
  std::vector<RefTriangleVisit> visits;
  RefCorner c[3];
  if (!ReadCorners(corners, textured, c)) return visits;

  // Top, middle, bottom by y (a tie keeps the input order).
  RefCorner s[3] = {c[0], c[1], c[2]};
  std::stable_sort(s, s + 3, [](const RefCorner &a, const RefCorner &b) { return a.y < b.y; });
  const RefCorner &t = s[0], &m = s[1], &b = s[2];
  const int64_t hTM = m.y - t.y, hTB = b.y - t.y;

  // Each edge as one or two pieces; the left edge's second piece restarts
  // the row count at the middle corner's row.
  Piece left[2], right[2];
  bool leftSplit = false, rightSplit = false;
  if (t.y == m.y) {
    const RefCorner &lt = t.x <= m.x ? t : m, &rt = t.x <= m.x ? m : t;
    left[0] = PieceOf(lt.x, lt.y, b.x, b.y, 0);
    right[0] = PieceOf(rt.x, rt.y, b.x, b.y, 0);
  } else if (m.y == b.y) {
    const RefCorner &lb = m.x <= b.x ? m : b, &rb = m.x <= b.x ? b : m;
    left[0] = PieceOf(t.x, t.y, lb.x, lb.y, 0);
    right[0] = PieceOf(t.x, t.y, rb.x, rb.y, 0);
  } else if ((double)(m.x - t.x) / (double)hTM < (double)(b.x - t.x) / (double)hTB) {
    leftSplit = true;
    left[0] = PieceOf(t.x, t.y, m.x, m.y, 0);
    left[1] = PieceOf(m.x, m.y, b.x, b.y, 0);
    right[0] = PieceOf(t.x, t.y, b.x, b.y, 0);
  } else {
    rightSplit = true;
    right[0] = PieceOf(t.x, t.y, m.x, m.y, 0);
    right[1] = PieceOf(m.x, m.y, b.x, b.y, 1);
    left[0] = PieceOf(t.x, t.y, b.x, b.y, 0);
  }

  const int ref = ReferenceCornerOf(c);
  int64_t g[4] = {0, 0, 0, 0};
  if (textured) GradientsOf(c, ref, g);
  const int64_t refColumn = Whole(Centre(c[ref].x)), refRow = Whole(Centre(c[ref].y));
  const uint64_t uLimit = std::min<uint64_t>((uint64_t)std::max(sourceWidth, 0) * kOne, UINT32_MAX);
  const uint64_t vLimit =
      std::min<uint64_t>((uint64_t)std::max(sourceHeight, 0) * kOne, UINT32_MAX);

  for (int64_t i = 0; i < hTB; ++i) {
    const bool leftSecond = leftSplit && i >= hTM, rightSecond = rightSplit && i >= hTM;
    const int64_t li = leftSecond ? i - hTM : i, ri = rightSecond ? i - hTM : i;
    const Piece &lp = left[leftSecond ? 1 : 0], &rp = right[rightSecond ? 1 : 0];
    const int64_t row = leftSecond ? Whole(Centre(m.y)) + li : Whole(Centre(t.y)) + i;
    const int64_t l = Whole(lp.x0 + li * lp.step), r = Whole(rp.x0 + ri * rp.step);
    if (row < clip.top || row >= clip.bottom) continue;
    for (int64_t col = std::max<int64_t>(l, clip.left); col <= r && col < clip.right; ++col) {
      RefTriangleVisit visit = {(int)col, (int)row, -1, -1};
      if (textured) {
        const uint32_t u =
            (uint32_t)(c[ref].u * kOne + (row - refRow) * g[1] + (col - refColumn) * g[0]);
        const uint32_t v =
            (uint32_t)(c[ref].v * kOne + (row - refRow) * g[3] + (col - refColumn) * g[2]);
        if (u < uLimit && v < vLimit) {
          visit.texelX = (int)(u / kOne);
          visit.texelY = (int)(v / kOne);
        }
      }
      visits.push_back(visit);
    }
  }
  return visits;
}

namespace {

int ParamOf(const DrawSettings &settings) {
  return std::min(255, std::max(0, settings.blendParam));
}

bool DestinationDrawable(const MEMIMG *dest) {
  if (!dest || !dest->base || !dest->pixels) return false;
  const MemImgBase *b = dest->base;
  return !b->paletteFlag && !b->alphaFlag && (b->formatCode == 0 || b->formatCode == 1);
}

bool MaskUsable(const MEMIMG *mask, const MEMIMG *source) {
  if (!mask) return true;
  if (!mask->base || !mask->pixels) return false;
  const MemImgBase *b = mask->base;
  return b->formatCode == 2 && !b->paletteFlag && !b->alphaFlag &&
         mask->width >= source->width && mask->height >= source->height;
}

// Channel c (0 blue, 1 green, 2 red) of a pixel and its field layout.
int FieldShift(int formatCode, int c) { return formatCode == 1 ? 8 * c : (c == 0 ? 0 : c == 1 ? 5 : 11); }
uint32_t FieldMax(int formatCode, int c) { return formatCode == 1 ? 255 : (c == 1 ? 63 : 31); }
uint32_t Field(int formatCode, uint32_t word, int c) {
  return (word >> FieldShift(formatCode, c)) & FieldMax(formatCode, c);
}

uint32_t Tint(uint32_t brightness, int c, uint32_t value) {
  return ((brightness >> (8 * c)) & 0xFF) * value / 255;
}

// The colour channels of s, tinted when the brightness is not full.
void SourceColour(int formatCode, uint32_t s, uint32_t brightness, uint32_t x[3]) {
  const bool tinted = (brightness & 0xFFFFFF) != 0xFFFFFF;
  for (int c = 0; c < 3; ++c) {
    x[c] = Field(formatCode, s, c);
    if (tinted) x[c] = Tint(brightness, c, x[c]);
  }
}

// The colour write: the channels become x; a 32-bit destination keeps its
// fourth byte.
uint32_t ColourWrite(int formatCode, uint32_t d, const uint32_t x[3]) {
  uint32_t out = formatCode == 1 ? (d & 0xFF000000u) : 0;
  for (int c = 0; c < 3; ++c) out |= x[c] << FieldShift(formatCode, c);
  return out;
}

// Each channel to (d (W - w) + x w) / W, rounded down.
uint32_t Mix(int formatCode, uint32_t d, const uint32_t x[3], uint64_t w, uint64_t W) {
  uint32_t mixed[3];
  for (int c = 0; c < 3; ++c) {
    const uint64_t dc = Field(formatCode, d, c);
    mixed[c] = (uint32_t)((dc * (W - w) + x[c] * w) / W);
  }
  return ColourWrite(formatCode, d, mixed);
}

struct TexelModel {
  int formatCode;
  int palette;
  int alpha;
  int transparent;
  int hasMask;
  int tinted;
  uint32_t key;
  uint32_t brightness;
  const uint8_t *paletteBytes;
};

// Blend mode 0 for one accepted position: the leaf tables row by row.
// Returns false when the texel is skipped.
bool ModeZeroPixel(const TexelModel &t, uint32_t raw, uint32_t maskWeight, uint32_t *d) {
  uint32_t s = raw, a = 255;
  if (t.palette) {
    if (t.transparent && raw == t.key) return false;
    const uint8_t *entry = t.paletteBytes + raw * (t.formatCode == 1 ? 4 : 2);
    s = t.formatCode == 1 ? (uint32_t)entry[0] | entry[1] << 8 | entry[2] << 16 |
                                (uint32_t)entry[3] << 24
                          : (uint32_t)entry[0] | entry[1] << 8;
  } else if (t.alpha) {
    a = t.formatCode == 1 ? raw >> 24 : (raw >> 16) & 0xFF;
    if (t.formatCode == 0) s = raw & 0xFFFF;
    if (t.transparent && a == 0) return false;
  } else if (t.transparent && raw == t.key) {
    return false;
  }
  uint32_t x[3];
  SourceColour(t.formatCode, s, t.brightness, x);
  const bool opaque = !t.alpha || (t.transparent && a == 255);
  if (!t.hasMask) {
    if (opaque) *d = t.tinted ? ColourWrite(t.formatCode, *d, x) : s;
    else *d = Mix(t.formatCode, *d, x, a, 256);
  } else {
    if (opaque) *d = Mix(t.formatCode, *d, x, maskWeight, 256);
    else *d = Mix(t.formatCode, *d, x, (uint64_t)maskWeight * a, 65536);
  }
  return true;
}

// The flat colour with the brightness applied (a 565 colour's low 16 bits).
uint32_t PreparedFlat(int formatCode, uint32_t colour, uint32_t brightness) {
  if (formatCode == 0) colour &= 0xFFFF;
  uint32_t out = formatCode == 1 ? colour & 0xFF000000u : 0;
  for (int c = 0; c < 3; ++c)
    out |= Tint(brightness, c, Field(formatCode, colour, c)) << FieldShift(formatCode, c);
  return out;
}

}  // namespace

bool RefTriangleModeModelled(int mode, int param) {
  param = std::min(255, std::max(0, param));
  return mode == 0 || (mode == 1 && param == 255);
}

bool RefTriangleRefused(const MEMIMG *dest, const MEMIMG *source, const MEMIMG *mask,
                        const DrawSettings &settings) {
  if (!DestinationDrawable(dest)) return true;
  if (source) {
    if (!source->base || !source->pixels) return true;
    if (source->base->formatCode != dest->base->formatCode) return true;
    if (source->base->paletteFlag && !source->base->palette) return true;
    if (!MaskUsable(mask, source)) return true;
  }
  const int mode = settings.blendMode, p = ParamOf(settings);
  if (mode < 0 || mode > 11 || (mode >= 5 && mode <= 9)) return true;
  return mode >= 1 && mode <= 3 && p == 0;
}

bool RefDrawTriangle(MEMIMG *dest, const MEMIMG *source, const int corners[12],
                     int transparencyFlag, const MEMIMG *mask, int flatColour,
                     const DrawSettings &settings) {
  if (RefTriangleRefused(dest, source, mask, settings) || !corners) return true;
  if (!RefTriangleModeModelled(settings.blendMode, settings.blendParam)) return false;
  Rect clip = settings.clipRect;
  const Rect bounds = {0, 0, dest->width, dest->height};
  ClipRectangle(&clip, &bounds);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return true;
  const std::vector<RefTriangleVisit> visits =
      RefTriangleVisits(corners, source != nullptr, source ? source->width : 0,
                        source ? source->height : 0, clip);
  const int formatCode = dest->base->formatCode;
  const uint32_t brightness = settings.drawBrightness;
  if (!source) {
    const uint32_t colour = PreparedFlat(formatCode, (uint32_t)flatColour, brightness);
    for (const RefTriangleVisit &p : visits) RefWritePixel(dest, p.x, p.y, colour);
    return true;
  }
  TexelModel t;
  t.formatCode = formatCode;
  t.palette = source->base->paletteFlag;
  t.alpha = !t.palette && source->base->alphaFlag;
  t.transparent = transparencyFlag != 0;
  t.hasMask = mask != nullptr;
  t.tinted = (brightness & 0xFFFFFF) != 0xFFFFFF;
  t.key = source->base->colorKey;
  t.brightness = brightness;
  t.paletteBytes = (const uint8_t *)source->base->palette;
  for (const RefTriangleVisit &p : visits) {
    if (p.texelX < 0) continue;
    const uint32_t raw = RefReadPixel(source, p.texelX, p.texelY);
    const uint32_t m =
        mask ? g_memImgBlendTables.blendMaskMap[RefReadMaskByte(mask, p.texelX, p.texelY)] : 0;
    uint32_t d = RefReadPixel(dest, p.x, p.y);
    if (ModeZeroPixel(t, raw, m, &d)) RefWritePixel(dest, p.x, p.y, d);
  }
  return true;
}

bool RefDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[8], int transparencyFlag,
                 const MEMIMG *mask, const DrawSettings &settings) {
  int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
  for (int i = 0; i < 4; ++i) {
    minX = std::min<int64_t>(minX, points[2 * i]);
    maxX = std::max<int64_t>(maxX, points[2 * i]);
    minY = std::min<int64_t>(minY, points[2 * i + 1]);
    maxY = std::max<int64_t>(maxY, points[2 * i + 1]);
  }
  const Rect &clip = settings.clipRect;
  // The padded box, clamped into the clip rectangle, must keep some width
  // and height.
  const int64_t left = std::min<int64_t>(std::max<int64_t>(minX - 2, clip.left), clip.right);
  const int64_t right = std::min<int64_t>(std::max<int64_t>(maxX + 4, clip.left), clip.right);
  const int64_t top = std::min<int64_t>(std::max<int64_t>(minY - 2, clip.top), clip.bottom);
  const int64_t bottom = std::min<int64_t>(std::max<int64_t>(maxY + 4, clip.top), clip.bottom);
  if (left == right || top == bottom) return true;
  const int w = source->width, h = source->height;
  const int first[12] = {points[0], points[1], 0, 0, points[2], points[3],
                         w,         0,         points[4], points[5], 0, h};
  const int second[12] = {points[2], points[3], w, 0, points[4], points[5],
                          0,         h,         points[6], points[7], w, h};
  const bool firstModelled =
      RefDrawTriangle(dest, source, first, transparencyFlag, mask, 0, settings);
  const bool secondModelled =
      RefDrawTriangle(dest, source, second, transparencyFlag, mask, 0, settings);
  return firstModelled && secondModelled;
}
