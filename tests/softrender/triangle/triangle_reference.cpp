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
  int mode;
  int param;
};

// Blend mode 0 for one accepted pixel: the leaf tables row by row.
uint32_t ModeZero(const TexelModel &t, uint32_t s, uint32_t a, uint32_t m, uint32_t d) {
  uint32_t x[3];
  SourceColour(t.formatCode, s, t.brightness, x);
  const bool opaque = !t.alpha || (t.transparent && a == 255);
  if (!t.hasMask) {
    if (opaque) return t.tinted ? ColourWrite(t.formatCode, d, x) : s;
    return Mix(t.formatCode, d, x, a, 256);
  }
  if (opaque) return Mix(t.formatCode, d, x, m, 256);
  return Mix(t.formatCode, d, x, (uint64_t)m * a, 65536);
}

// mul[r][v] = floor(r v / 255); mulSigned[p][x] = p x / 255 toward zero.
int64_t MulOf(int64_t r, int64_t v) { return r * v / 255; }
int64_t MulSignedOf(int64_t p, int64_t x) { return p * x / 255; }
// floor(n / 2^k) for a signed n: toward minus infinity.
int64_t FloorShift(int64_t n, int k) {
  const int64_t den = (int64_t)1 << k;
  return n >= 0 ? n / den : -((-n + den - 1) / den);
}
// ceil(n / 2^k) for n >= 0.
int64_t CeilShift(int64_t n, int k) { return (n + ((int64_t)1 << k) - 1) >> k; }
int FieldWidth(int formatCode, int c) { return formatCode == 1 ? 8 : (c == 1 ? 6 : 5); }
int64_t TintOf(const TexelModel &t, int c, int64_t v) {
  return t.tinted ? MulOf((t.brightness >> (8 * c)) & 0xFF, v) : v;
}

// The weights of the modes that scale a source or a step: the blend-mask
// value when there is a mask, the alpha when the leaf keeps it (a source
// with alpha, except a = 255 under the transparency flag).
struct Weights {
  bool mask, alpha;
  int64_t m, a;
  int factors() const { return (mask ? 1 : 0) + (alpha ? 1 : 0); }
  int64_t product() const { return (mask ? m : 1) * (alpha ? a : 1); }
};

// Modes 1 and 10: d moves toward the target by F / 2^k (scaled step), or
// in 565 without weights by p / 255 toward zero (table step).
int64_t StepToward(const TexelModel &t, const Weights &w, int64_t target, int64_t d) {
  const int64_t p = t.param;
  if (w.factors() == 0 && t.formatCode == 0) return d + MulSignedOf(p, target - d);
  return d + FloorShift((target - d) * p * w.product(), 8 * (w.factors() + 1));
}

// Mode 2's contribution of one channel.
int64_t AddTerm(const TexelModel &t, const Weights &w, int c, int64_t s) {
  const int64_t p = t.param;
  if (t.formatCode == 1) {
    const int64_t x = TintOf(t, c, s);
    if (w.factors() == 0) return MulOf(p, x);
    return p * w.product() * x >> (8 * w.factors() + 8);
  }
  if (!w.mask && w.alpha) return MulOf(p, TintOf(t, c, w.a * s >> 8));
  return MulOf(p, TintOf(t, c, s) * w.product() >> (8 * w.factors()));
}

// Mode 3's subtrahend of one channel.
int64_t SubTerm(const TexelModel &t, const Weights &w, int c, int64_t s) {
  const int64_t p = t.param;
  if (t.formatCode == 1) {
    if (w.factors() == 0) return MulOf(p, TintOf(t, c, s));
    return TintOf(t, c, s) * w.product() * p >> (8 * w.factors() + 8);
  }
  if (!w.mask && w.alpha) return MulOf(p, TintOf(t, c, s * w.a >> 8));
  return MulOf(p, TintOf(t, c, s) * w.product() >> (8 * w.factors()));
}

// The saturating add channel by channel as the packed addition gives it:
// blue exact; green and red from their halves, the two lowest bits OR-ed,
// the carry of the channel below setting the lowest bit; the fourth byte
// of an 8888 pixel is red's carry.
uint32_t AddChannels(int formatCode, uint32_t d, const int64_t q[3]) {
  const int64_t top[3] = {(int64_t)FieldMax(formatCode, 0), (int64_t)FieldMax(formatCode, 1),
                          (int64_t)FieldMax(formatCode, 2)};
  int64_t out[3];
  const int64_t d0 = Field(formatCode, d, 0);
  bool carry = d0 + q[0] > top[0];
  out[0] = carry ? top[0] : d0 + q[0];
  for (int c = 1; c < 3; ++c) {
    const int64_t dc = Field(formatCode, d, c);
    const int64_t h = (dc >> 1) + (q[c] >> 1);
    const int64_t low = (dc | q[c]) & 1;
    const bool over = 2 * h + 1 > top[c];
    if (over && (formatCode == 1 || c == 2))
      out[c] = top[c];
    else if (over)  // 565 green: bits 1 to 5 set, bit 0 as usual
      out[c] = 62 | low | (carry ? 1 : 0);
    else
      out[c] = 2 * h | low | (carry ? 1 : 0);
    carry = over;
  }
  uint32_t word = formatCode == 1 ? (carry ? 0x01000000u : 0) : 0;
  for (int c = 0; c < 3; ++c) word |= (uint32_t)out[c] << FieldShift(formatCode, c);
  return word;
}

// The clamped subtraction channel by channel as the packed subtraction
// gives it: blue exact; green and red from their halves, their lowest bit
// set unless the channel below clamped (565 green's never); the fourth
// byte 0.
uint32_t SubChannels(int formatCode, uint32_t d, const int64_t q[3]) {
  int64_t out[3];
  const int64_t d0 = Field(formatCode, d, 0);
  bool clamped = q[0] > d0;
  out[0] = clamped ? 0 : d0 - q[0];
  for (int c = 1; c < 3; ++c) {
    const int64_t dc = Field(formatCode, d, c);
    const bool below = clamped;
    clamped = (q[c] >> 1) > (dc >> 1);
    const int64_t lowest = (formatCode == 0 && c == 1) || below ? 0 : 1;
    out[c] = clamped ? 0 : 2 * ((dc >> 1) - (q[c] >> 1)) + lowest;
  }
  uint32_t word = 0;
  for (int c = 0; c < 3; ++c) word |= (uint32_t)out[c] << FieldShift(formatCode, c);
  return word;
}

// Modes 1 to 11 for one accepted pixel of source colour s.
uint32_t BlendedMode(const TexelModel &t, uint32_t s, const Weights &w, uint32_t d) {
  const int fc = t.formatCode;
  const int64_t p = t.param;
  int64_t out[3], q[3];
  for (int c = 0; c < 3; ++c) {
    const int64_t sc = Field(fc, s, c), dc = Field(fc, d, c);
    const int width = FieldWidth(fc, c);
    switch (t.mode) {
      case 1:
        out[c] = StepToward(t, w, TintOf(t, c, sc), dc);
        break;
      case 2:
        q[c] = AddTerm(t, w, c, sc);
        break;
      case 3:
        q[c] = SubTerm(t, w, c, sc);
        break;
      case 4:
        out[c] = TintOf(t, c, sc) * dc * w.product() >> (width + 8 * w.factors());
        break;
      case 10:
        out[c] = StepToward(t, w, TintOf(t, c, (int64_t)FieldMax(fc, c) - sc), dc);
        break;
      default: {  // 11: toward the product, the change rounded up
        const int64_t product = TintOf(t, c, sc) * dc >> width;
        if (fc == 0 && c == 1 && w.alpha && !w.mask && !t.tinted)  // five fraction bits
          out[c] = dc - CeilShift(p * w.a * (32 * dc - dc * sc / 2), 21);
        else if (fc == 0 && w.factors() == 0)
          out[c] = dc - p * (dc - product) / 255;
        else
          out[c] = dc - CeilShift(p * w.product() * (dc - product), 8 * (w.factors() + 1));
        break;
      }
    }
  }
  if (t.mode == 2) return AddChannels(fc, d, q);
  if (t.mode == 3) return SubChannels(fc, d, q);
  uint32_t word = fc == 1 ? (d & 0xFF000000u) : 0;
  for (int c = 0; c < 3; ++c) word |= (uint32_t)out[c] << FieldShift(fc, c);
  return word;
}

// Whether a texel of alpha 0 under the transparency flag is skipped.
bool ZeroAlphaSkipped(int mode, int formatCode) {
  return mode <= 3 || (mode == 10 && formatCode == 0);
}

// One accepted position: fetch, skips, then the mode. Returns false when
// the texel is skipped.
bool TexelPixel(const TexelModel &t, uint32_t raw, uint32_t maskWeight, uint32_t *d) {
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
    if (t.transparent && a == 0 && ZeroAlphaSkipped(t.mode, t.formatCode)) return false;
  } else if (t.transparent && raw == t.key) {
    return false;
  }
  if (t.mode == 0) {
    *d = ModeZero(t, s, a, maskWeight, *d);
    return true;
  }
  Weights w;
  w.mask = t.hasMask != 0;
  w.m = maskWeight;
  w.alpha = t.alpha && !(t.transparent && a == 255);
  w.a = a;
  *d = BlendedMode(t, s, w, *d);
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

void RefDrawTriangle(MEMIMG *dest, const MEMIMG *source, const int corners[12],
                     int transparencyFlag, const MEMIMG *mask, int flatColour,
                     const DrawSettings &settings) {
  if (RefTriangleRefused(dest, source, mask, settings) || !corners) return;
  Rect clip = settings.clipRect;
  const Rect bounds = {0, 0, dest->width, dest->height};
  ClipRectangle(&clip, &bounds);
  if (clip.left >= clip.right || clip.top >= clip.bottom) return;
  const std::vector<RefTriangleVisit> visits =
      RefTriangleVisits(corners, source != nullptr, source ? source->width : 0,
                        source ? source->height : 0, clip);
  const int formatCode = dest->base->formatCode;
  const uint32_t brightness = settings.drawBrightness;
  TexelModel t = {};
  t.formatCode = formatCode;
  t.brightness = brightness;
  t.param = ParamOf(settings);
  t.mode = settings.blendMode == 1 && t.param == 255 ? 0 : settings.blendMode;
  if (!source) {
    // The prepared colour is drawn as an untinted source without mask,
    // alpha or key.
    const uint32_t colour = PreparedFlat(formatCode, (uint32_t)flatColour, brightness);
    for (const RefTriangleVisit &p : visits) {
      uint32_t d = RefReadPixel(dest, p.x, p.y);
      TexelPixel(t, colour, 0, &d);
      RefWritePixel(dest, p.x, p.y, d);
    }
    return;
  }
  t.palette = source->base->paletteFlag;
  t.alpha = !t.palette && source->base->alphaFlag;
  t.transparent = transparencyFlag != 0;
  t.hasMask = mask != nullptr;
  t.tinted = (brightness & 0xFFFFFF) != 0xFFFFFF;
  t.key = source->base->colorKey;
  t.paletteBytes = (const uint8_t *)source->base->palette;
  for (const RefTriangleVisit &p : visits) {
    if (p.texelX < 0) continue;
    const uint32_t raw = RefReadPixel(source, p.texelX, p.texelY);
    const uint32_t m =
        mask ? g_memImgBlendTables.blendMaskMap[RefReadMaskByte(mask, p.texelX, p.texelY)] : 0;
    uint32_t d = RefReadPixel(dest, p.x, p.y);
    if (TexelPixel(t, raw, m, &d)) RefWritePixel(dest, p.x, p.y, d);
  }
}

void RefDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[8], int transparencyFlag,
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
  if (left == right || top == bottom) return;
  const int w = source->width, h = source->height;
  const int first[12] = {points[0], points[1], 0, 0, points[2], points[3],
                         w,         0,         points[4], points[5], 0, h};
  const int second[12] = {points[2], points[3], w, 0, points[4], points[5],
                          0,         h,         points[6], points[7], w, h};
  RefDrawTriangle(dest, source, first, transparencyFlag, mask, 0, settings);
  RefDrawTriangle(dest, source, second, transparencyFlag, mask, 0, settings);
}
