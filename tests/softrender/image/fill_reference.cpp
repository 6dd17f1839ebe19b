#include "fill_reference.h"

#include <string.h>

namespace {

// mul[r][x] = floor(r x / 255); mulSigned[p][x] = p x / 255 toward zero.
int64_t Mul(int64_t r, int64_t x) { return r * x / 255; }
int64_t MulSigned(int64_t p, int64_t x) { return p * x / 255; }

// Channel k of a pixel and its width: 8888 bytes, 565 fields b, g, r.
int64_t Field(int formatCode, uint32_t w, int k) {
  if (formatCode == 1) return (w >> (8 * k)) & 0xFF;
  static const int kShift[3] = {0, 5, 11}, kMax[3] = {31, 63, 31};
  return (w >> kShift[k]) & kMax[k];
}
int FieldBits(int formatCode, int k) { return formatCode == 1 ? 8 : (k == 1 ? 6 : 5); }
uint32_t Pack(int formatCode, const int64_t f[3]) {
  if (formatCode == 1) return (uint32_t)(f[2] << 16 | f[1] << 8 | f[0]);
  return (uint32_t)(f[2] << 11 | f[1] << 5 | f[0]);
}

// The mixes: 8888 (x - d) p / 256 rounded down (floor of a real division),
// 565 d + the signed table entry.
int64_t Mix(int formatCode, int64_t x, int64_t d, int p) {
  if (formatCode == 1) {
    const int64_t num = (x - d) * p + d * 256;
    return num >= 0 ? num / 256 : -((-num + 255) / 256);
  }
  return d + MulSigned(p, x - d);
}

uint32_t Scaled(int formatCode, uint32_t c, int p) {
  int64_t f[3];
  for (int k = 0; k < 3; ++k) f[k] = Mul(p, Field(formatCode, c, k));
  return Pack(formatCode, f);
}

uint32_t PackedPixel(int formatCode, int mode, int p, uint32_t d, uint32_t c) {
  const uint64_t q = Scaled(formatCode, c, p);
  const uint64_t dd = d;
  uint64_t mask, guard, shift, result;
  if (formatCode == 1) {
    mask = 0x00FEFEFF, guard = 0x01010100, shift = 8;
  } else {
    mask = 0xF7DEF7DF, guard = 0x08210820, shift = 5;
  }
  if (mode == 2) {
    const uint64_t s = (dd & mask) + (q & mask);
    const uint64_t k = s & guard;
    result = s | (k - (k >> shift)) | ((dd | q) & (formatCode == 1 ? 0x00010100 : 0x00000820));
  } else {
    const uint64_t dm = (dd | guard) - (q & (formatCode == 1 ? 0xFEFEFEFF : 0xF7DEF7DF));
    const uint64_t h = dm & guard;
    result = dm & (h - (h >> shift));
  }
  return formatCode == 1 ? (uint32_t)result : (uint32_t)(result & 0xFFFF);
}

}  // namespace

uint32_t RefFillColour(int formatCode, uint32_t colour, uint32_t brightness) {
  if (formatCode == 0) colour &= 0xFFFF;
  if ((brightness & 0xFFFFFF) == 0xFFFFFF) return colour;
  const int64_t scale[3] = {brightness & 0xFF, (brightness >> 8) & 0xFF,
                            (brightness >> 16) & 0xFF};
  int64_t f[3];
  for (int k = 0; k < 3; ++k) f[k] = Field(formatCode, colour, k) * scale[k] / 256;
  const uint32_t high = formatCode == 1 ? (colour & 0xFF000000u) : 0;
  return high | Pack(formatCode, f);
}

uint32_t RefFillPixel(int formatCode, int mode, int p, uint32_t d, uint32_t c) {
  if (mode == 1 && p == 255) mode = 0;
  if (mode == 0) return formatCode == 1 ? c : (c & 0xFFFF);
  if (mode == 2 || mode == 3) return PackedPixel(formatCode, mode, p, d, c);
  int64_t f[3];
  for (int k = 0; k < 3; ++k) {
    const int64_t dk = Field(formatCode, d, k), ck = Field(formatCode, c, k);
    const int bits = FieldBits(formatCode, k);
    const int64_t top = (1 << bits) - 1;
    switch (mode) {
      case 1:
        f[k] = Mix(formatCode, ck, dk, p);
        break;
      case 4:
        f[k] = dk * ck >> bits;
        break;
      case 10:
        f[k] = Mix(formatCode, top - ck, dk, p);
        break;
      default:  // 11
        f[k] = Mix(formatCode, dk * ck >> bits, dk, p);
        break;
    }
  }
  const uint32_t kept = formatCode == 1 ? (d & 0xFF000000u) : 0;
  return kept | Pack(formatCode, f);
}

void RefFillRectBlended(MEMIMG *image, const Rect *rect, int colour,
                        const DrawSettings &settings) {
  if (!image || !image->base || !image->pixels) return;
  const MemImgBase *base = image->base;
  if (base->paletteFlag || base->alphaFlag) return;
  if (base->formatCode != 0 && base->formatCode != 1) return;
  const unsigned mode = (unsigned)settings.blendMode;
  const int p = settings.blendParam;
  if (mode > 11 || (mode >= 5 && mode <= 9)) return;
  if (mode >= 1 && mode <= 3 && p == 0) return;

  int left = 0, top = 0, right = image->width, bottom = image->height;
  if (rect) {
    left = rect->left < rect->right ? rect->left : rect->right;
    right = rect->left < rect->right ? rect->right : rect->left;
    top = rect->top < rect->bottom ? rect->top : rect->bottom;
    bottom = rect->top < rect->bottom ? rect->bottom : rect->top;
  }
  const Rect &clip = settings.clipRect;
  const int x0 = left > clip.left ? left : clip.left, x1 = right < clip.right ? right : clip.right;
  const int y0 = top > clip.top ? top : clip.top, y1 = bottom < clip.bottom ? bottom : clip.bottom;
  const int fc = base->formatCode;
  const int bytes = fc == 1 ? 4 : 2;
  const uint32_t c = RefFillColour(fc, (uint32_t)colour, (uint32_t)settings.drawBrightness);
  for (int y = y0 < 0 ? 0 : y0; y < y1 && y < image->height; ++y) {
    for (int x = x0 < 0 ? 0 : x0; x < x1 && x < image->width; ++x) {
      uint8_t *at = image->pixels + (intptr_t)y * base->pitch + (intptr_t)x * bytes;
      uint32_t d = 0;
      memcpy(&d, at, bytes);
      const uint32_t out = RefFillPixel(fc, (int)mode, p, d, c);
      memcpy(at, &out, bytes);
    }
  }
}
