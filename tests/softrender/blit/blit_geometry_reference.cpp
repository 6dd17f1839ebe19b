#include "blit_geometry_reference.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "blit_reference.h"
#include "softrender/image/blend_tables.h"
#include "softrender/softrender.h"

void GeometryMap::Reset(int w, int h, int refKernel) {
  width = w;
  height = h;
  kernel = refKernel;
  sourceX.assign((size_t)w * h, -1);
  sourceY.assign((size_t)w * h, -1);
}

void GeometryMap::Set(int x, int y, int sx, int sy) {
  sourceX[(size_t)y * width + x] = sx;
  sourceY[(size_t)y * width + x] = sy;
}

int GeometryMap::DrawnCount() const {
  return (int)std::count_if(sourceX.begin(), sourceX.end(), [](int v) { return v >= 0; });
}

namespace {

// The destination span [lo, hi) that lies inside both [a, b) and the clip
// span [clipLo, clipHi).
void Overlap(int64_t a, int64_t b, int clipLo, int clipHi, int64_t *lo, int64_t *hi) {
  *lo = std::max<int64_t>(a, clipLo);
  *hi = std::min<int64_t>(b, clipHi);
}

}  // namespace

GeometryMap StretchedGeometry(const Rect &rect, int sourceWidth, int sourceHeight,
                              int destWidth, int destHeight, const Rect &clip) {
  GeometryMap map;
  map.Reset(destWidth, destHeight, REF_KERNEL_STRETCHED);
  const bool mirrorX = rect.left > rect.right, mirrorY = rect.top > rect.bottom;
  const int64_t left = std::min(rect.left, rect.right), right = std::max(rect.left, rect.right);
  const int64_t top = std::min(rect.top, rect.bottom), bottom = std::max(rect.top, rect.bottom);
  const int64_t W = right - left, H = bottom - top;
  if (W == 0 || H == 0) return map;

  // The drawn span: inside the rectangle, the clip and the destination.
  int64_t x0, x1, y0, y1;
  Overlap(left, right, clip.left, clip.right, &x0, &x1);
  Overlap(x0, x1, 0, destWidth, &x0, &x1);
  Overlap(top, bottom, clip.top, clip.bottom, &y0, &y1);
  Overlap(y0, y1, 0, destHeight, &y0, &y1);

  if (W == sourceWidth && H == sourceHeight && !mirrorX && !mirrorY) {
    map.kernel = REF_KERNEL_PLAIN;
    for (int64_t y = y0; y < y1; ++y)
      for (int64_t x = x0; x < x1; ++x) map.Set((int)x, (int)y, (int)(x - left), (int)(y - top));
    return map;
  }
  // Steps in 16.16: destination pixels per source pixel. Rectangles beyond
  // 65535 pixels and steps of 0 are not drawn.
  if (W > 65535 || H > 65535) return map;
  const int64_t sx = W * 65536 / sourceWidth, sy = H * 65536 / sourceHeight;
  if (sx == 0 || sy == 0) return map;
  // Destination pixel k from the rectangle's edge shows source pixel
  // floor(k * 65536 / step); one that would lie past the source is no draw.
  for (int64_t y = y0; y < y1; ++y) {
    for (int64_t x = x0; x < x1; ++x) {
      int64_t col = (x - left) * 65536 / sx, row = (y - top) * 65536 / sy;
      if (col >= sourceWidth || row >= sourceHeight) {
        map.Reset(destWidth, destHeight, REF_KERNEL_STRETCHED);
        return map;
      }
      if (mirrorX) col = sourceWidth - 1 - col;
      if (mirrorY) row = sourceHeight - 1 - row;
      map.Set((int)x, (int)y, (int)col, (int)row);
    }
  }
  return map;
}

namespace {

const float kFix = 262144.0f;

struct Terms {
  int snm, csm, sn, cs;
};

// The scaled sines and cosines; false when one is no finite value.
bool TermsOf(float angle, Terms *t) {
  const float v[4] = {sinf(-angle) * kFix, cosf(-angle) * kFix, sinf(angle) * kFix,
                      cosf(angle) * kFix};
  for (float f : v)
    if (!(fabsf(f) <= kFix)) return false;
  t->snm = (int)v[0];
  t->csm = (int)v[1];
  t->sn = (int)v[2];
  t->cs = (int)v[3];
  return true;
}

// Corner offsets (top-left, bottom-left, bottom-right, top-right) in 14.18
// around the centre; false when one does not fit an int.
bool CornerOffsets(int w, int h, float scale, const Terms &t, int64_t cx[4], int64_t cy[4]) {
  const float hw = (float)w * scale * 0.5f, hh = (float)h * scale * 0.5f;
  const float cf = (float)t.cs, sf = (float)t.sn;
  const float a = hw * cf, b = hw * sf, c = hh * cf, d = hh * sf;
  const float fx[4] = {-a + d, -a - d, a - d, a + d};
  const float fy[4] = {-c - b, c - b, c + b, -c + b};
  for (int i = 0; i < 4; ++i) {
    if (!(fx[i] >= -2147483648.0f && fx[i] < 2147483648.0f)) return false;
    if (!(fy[i] >= -2147483648.0f && fy[i] < 2147483648.0f)) return false;
    cx[i] = (int64_t)fx[i];
    cy[i] = (int64_t)fy[i];
  }
  return true;
}

bool TruncChecked(double v, int64_t *out) {
  if (!(v >= -2147483648.0 && v < 2147483648.0)) return false;
  *out = (int64_t)v;
  return true;
}

}  // namespace

GeometryMap RotatedGeometry(int sourceWidth, int sourceHeight, int x, int y, float angle,
                            float scale, int destWidth, int destHeight, const Rect &clip) {
  GeometryMap map;
  map.Reset(destWidth, destHeight, REF_KERNEL_ROTATED);
  Terms t;
  int64_t ox[4], oy[4];
  if (scale == 0.0f || !isfinite(scale) || !TermsOf(angle, &t) ||
      !CornerOffsets(sourceWidth, sourceHeight, scale, t, ox, oy))
    return map;
  int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
  for (int i = 0; i < 4; ++i) {
    const int64_t X = ox[i] + (int64_t)x * 262144, Y = oy[i] + (int64_t)y * 262144;
    minX = std::min(minX, X);
    maxX = std::max(maxX, X);
    minY = std::min(minY, Y);
    maxY = std::max(maxY, Y);
  }
  // The box, clamped edge by edge into the clip rectangle, then into the
  // destination.
  int64_t left = minX / 262144 - 2, top = minY / 262144 - 2;
  int64_t right = maxX / 262144 + 4, bottom = maxY / 262144 + 4;
  left = std::clamp<int64_t>(std::clamp<int64_t>(left, clip.left, clip.right), 0, destWidth);
  right = std::clamp<int64_t>(std::clamp<int64_t>(right, clip.left, clip.right), 0, destWidth);
  top = std::clamp<int64_t>(std::clamp<int64_t>(top, clip.top, clip.bottom), 0, destHeight);
  bottom = std::clamp<int64_t>(std::clamp<int64_t>(bottom, clip.top, clip.bottom), 0, destHeight);
  if (left == right || top == bottom) return map;

  int64_t du, dv;
  if (!TruncChecked((float)t.cs / scale, &du) || !TruncChecked((float)t.snm / scale, &dv))
    return map;
  auto start = [&](int64_t px, int64_t py, int64_t *u, int64_t *v) {
    const int64_t offX = px - x, offY = py - y;
    int64_t tu, tv;
    if (!TruncChecked((float)(offX * t.csm - offY * t.snm) / scale, &tu) ||
        !TruncChecked((float)(offY * t.csm + offX * t.snm) / scale, &tv))
      return false;
    *u = tu + ((int64_t)(sourceWidth >> 1) << 18);
    *v = tv + ((int64_t)(sourceHeight >> 1) << 18);
    return true;
  };
  int64_t uT, vT, uB, vB;
  if (!start(left, top, &uT, &vT) || !start(left, bottom, &uB, &vB)) return map;
  const int64_t rows = bottom - top, cols = right - left;
  const int64_t ru = (uB - uT) / rows - cols * du, rv = (vB - vT) / rows - cols * dv;

  // The walk itself, in wrapping 32-bit arithmetic with unsigned tests.
  uint32_t u = (uint32_t)uT, v = (uint32_t)vT;
  const uint32_t uLimit = (uint32_t)sourceWidth << 18, vLimit = (uint32_t)sourceHeight << 18;
  for (int64_t py = top; py < bottom; ++py) {
    for (int64_t px = left; px < right; ++px) {
      if (u < uLimit && v < vLimit) map.Set((int)px, (int)py, (int)(u >> 18), (int)(v >> 18));
      u += (uint32_t)du;
      v += (uint32_t)dv;
    }
    u += (uint32_t)ru;
    v += (uint32_t)rv;
  }
  return map;
}

void FlippedQuadPoints(int sourceWidth, int sourceHeight, int x, int y, float angle, float scale,
                       int points[8]) {
  Terms t = {};
  int64_t ox[4] = {}, oy[4] = {};
  TermsOf(angle, &t);
  CornerOffsets(sourceWidth, sourceHeight, scale, t, ox, oy);
  const int order[4] = {3, 0, 2, 1};  // top-right, top-left, bottom-right, bottom-left
  for (int i = 0; i < 4; ++i) {
    points[2 * i] = (int)((ox[order[i]] + (int64_t)x * 262144) / 262144);
    points[2 * i + 1] = (int)((oy[order[i]] + (int64_t)y * 262144) / 262144);
  }
}

TestImage::~TestImage() { MemImgRelease(&image); }

void TestImage::Create(int width, int height, int formatCode, int paletteFlag, int alphaFlag,
                       uint32_t colorKey, int pitch, bool exactSize) {
  MemImgRelease(&image);
  int bpp = paletteFlag ? 1 : (formatCode == 1 || alphaFlag ? 4 : (formatCode == 2 ? 1 : 2));
  if (pitch == 0) pitch = bpp * width + (exactSize ? 0 : 6);
  buffer.assign((size_t)pitch * height + (exactSize ? 0 : 16), 0);
  buffer.shrink_to_fit();
  MemImgCreate(&image, width, height, pitch, colorKey, formatCode, paletteFlag, alphaFlag, 0,
               buffer.data());
}

void FillNoise(TestImage *image, std::mt19937 *rng) {
  // xorshift64 seeded from rng: the suites fill many buffers per test.
  uint64_t state = ((uint64_t)(*rng)() << 32) | (*rng)() | 1u;
  uint8_t *p = image->buffer.data();
  const size_t n = image->buffer.size();
  for (size_t i = 0; i < n; i += 8) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    memcpy(p + i, &state, n - i < 8 ? n - i : 8);
  }
}

void MakeSource(TestImage *image, int width, int height, int formatCode, int kind,
                std::mt19937 *rng, bool exactSize) {
  const uint32_t key = formatCode == 0 ? 0xF81Fu : 0x00FF00FFu;
  const uint32_t paletteKey = 0x17;
  image->Create(width, height, formatCode, kind == TEST_SOURCE_PALETTE,
                kind == TEST_SOURCE_ALPHA, kind == TEST_SOURCE_PALETTE ? paletteKey : key, 0,
                exactSize);
  FillNoise(image, rng);
  MEMIMG *img = &image->image;
  if (kind == TEST_SOURCE_PALETTE) {
    uint8_t *palette = (uint8_t *)img->base->palette;
    for (int i = 0; i < 1024; ++i) palette[i] = (uint8_t)(*rng)();
    // The draws must read every entry, not only those of the last import.
    img->base->paletteEntryCount = 3;
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t r = (*rng)();
      uint32_t v = RefReadPixel(img, x, y);
      if (kind == TEST_SOURCE_PALETTE) {
        if (r % 5 == 0) v = paletteKey;
      } else if (kind == TEST_SOURCE_ALPHA) {
        const uint32_t alpha = r % 4 == 0 ? 0 : (r % 4 == 1 ? 255 : (r >> 8) & 0xFF);
        v = formatCode == 0 ? (v & 0xFF00FFFFu) | alpha << 16 : (v & 0x00FFFFFFu) | alpha << 24;
      } else if (r % 5 == 0) {
        v = key;
      }
      RefWritePixel(img, x, y, v);
    }
}

void MakeMask(TestImage *image, int width, int height, std::mt19937 *rng, bool exactSize) {
  image->Create(width, height, 2, 0, 0, 0, 0, exactSize);
  FillNoise(image, rng);
}

void PredictDraw(const TestImage &dest, std::vector<uint8_t> *buffer, const MEMIMG *source,
                 const MEMIMG *mask, int transparencyFlag, const GeometryMap &map,
                 const DrawSettings &settings) {
  MEMIMG predicted = dest.image;
  predicted.pixels = buffer->data() + (dest.image.pixels - dest.buffer.data());
  const RefBlendState state =
      RefMakeBlendState(&dest.image, source, mask, transparencyFlag, &settings, map.kernel);
  if (!RefDraws(state)) return;
  for (int y = 0; y < map.height; ++y)
    for (int x = 0; x < map.width; ++x) {
      if (!map.Shows(x, y)) continue;
      const int sx = map.sourceX[(size_t)y * map.width + x];
      const int sy = map.sourceY[(size_t)y * map.width + x];
      const uint8_t maskByte = mask ? RefReadMaskByte(mask, sx, sy) : 0;
      const uint32_t before = RefReadPixel(&predicted, x, y);
      RefWritePixel(&predicted, x, y,
                    RefBlendPixel(state, before, RefReadPixel(source, sx, sy), maskByte));
    }
}

std::string FirstDifference(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want,
                            int pitch) {
  if (got == want) return std::string();
  for (size_t i = 0; i < got.size() && i < want.size(); ++i) {
    if (got[i] == want[i]) continue;
    char text[160];
    snprintf(text, sizeof text, "offset %zu (row %zu, byte %zu): got 0x%02X, want 0x%02X", i,
             i / (size_t)pitch, i % (size_t)pitch, got[i], want[i]);
    return text;
  }
  return got.size() == want.size() ? std::string() : std::string("sizes differ");
}

void SetTestDrawSettings(const Rect &clip, int mode, int param, uint32_t brightness) {
  g_drawSettings.clipRect = clip;
  g_drawSettings.blendMode = mode;
  g_drawSettings.blendParam = param;
  g_drawSettings.drawBrightness = brightness;
}

std::vector<BlitMatrixParam> AllBlitMatrixParams(int caseCount) {
  std::vector<BlitMatrixParam> params;
  for (int fc = 0; fc < 2; ++fc)
    for (int kind = 0; kind < 3; ++kind)
      for (int c = 0; c < caseCount; ++c) params.push_back({fc, kind, c});
  return params;
}

void PrintTo(const BlitMatrixParam &param, std::ostream *out) {
  *out << "format " << param.formatCode << " source kind " << param.sourceKind << " case "
       << param.caseIndex;
}

std::string BlitMatrixName(const BlitMatrixParam &param, const char *caseName) {
  static const char *kKinds[] = {"Direct", "Palette", "Alpha"};
  return std::string(param.formatCode == 0 ? "565" : "8888") + kKinds[param.sourceKind] +
         caseName;
}

void InitTestBlendTables(void) {
  MemImgInitTables();
  MemImgSetBlendBorder(128, 128);
}

namespace {

const int kModes[] = {-1, 0, 1, 2, 3, 4, 5, 9, 10, 11, 12};
const int kParams[] = {0, 1, 127, 128, 129, 254, 255};
const uint32_t kBrightness = 0x00C08040u;  // red 0xC0, green 0x80, blue 0x40

// Modes whose result does not depend on the parameter run at two values.
bool ModeUsesParam(int mode) {
  return mode == 1 || mode == 2 || mode == 3 || mode == 10 || mode == 11;
}

}  // namespace

std::string CheckAllBlendStates(TestImage *dest, const TestImage &source, const TestImage &mask,
                                const Rect &clip, const GeometryMap &map, std::mt19937 *rng,
                                const std::function<void(int, const MEMIMG *)> &draw) {
  for (int mode : kModes)
    for (int p : kParams) {
      if (!ModeUsesParam(mode) && p != 0 && p != 255) continue;
      for (int cond = 0; cond < 8; ++cond) {
        const bool withMask = cond & 1, bright = cond & 2;
        const int transparent = cond & 4 ? 1 : 0;
        SetTestDrawSettings(clip, mode, p, bright ? kBrightness : 0x00FFFFFFu);
        FillNoise(dest, rng);
        std::vector<uint8_t> want = dest->buffer;
        const MEMIMG *maskImage = withMask ? &mask.image : nullptr;
        PredictDraw(*dest, &want, &source.image, maskImage, transparent, map, g_drawSettings);
        draw(transparent, maskImage);
        const std::string diff = FirstDifference(dest->buffer, want, dest->image.base->pitch);
        if (!diff.empty()) {
          char state[120];
          snprintf(state, sizeof state, "mode %d p %d mask %d bright %d transparent %d: ", mode,
                   p, (int)withMask, (int)bright, transparent);
          return state + diff;
        }
      }
    }
  return std::string();
}
