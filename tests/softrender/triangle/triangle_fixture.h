// What the triangle suites share: a destination view inside a larger
// noise-filled image (a write outside the view shows), the comparison of a
// draw with the triangle model, and a one-pixel draw for pinned numbers.
#ifndef VELVANE_TESTS_SOFTRENDER_TRIANGLE_FIXTURE_H
#define VELVANE_TESTS_SOFTRENDER_TRIANGLE_FIXTURE_H

#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "softrender/blit/blit_geometry_reference.h"
#include "softrender/blit/blit_reference.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"
#include "triangle_reference.h"

const int kViewX = 5, kViewY = 4, kViewWidth = 40, kViewHeight = 32;
const Rect kWholeView = {0, 0, kViewWidth, kViewHeight};

// A destination view inside a noise-filled base, and the model's copy.
struct GuardedDest {
  TestImage base;
  MEMIMG view = {};

  GuardedDest(int formatCode, uint32_t seed) {
    std::mt19937 rng(seed);
    base.Create(kViewWidth + 11, kViewHeight + 9, formatCode, 0, 0, 0);
    FillNoise(&base, &rng);
    MemImgMakeSubImage(&view, &base.image, kViewX, kViewY, kViewWidth, kViewHeight);
  }
  ~GuardedDest() { MemImgRelease(&view); }

  // The view over another buffer of the base's layout.
  MEMIMG ViewOver(std::vector<uint8_t> *buffer) const {
    MEMIMG copy = view;
    copy.pixels = buffer->data() + (view.pixels - base.buffer.data());
    return copy;
  }
};

// An 8888 source whose texel (u, v) holds 0xA5000000 | v << 12 | u: in raw
// copy every drawn pixel names its texel.
inline void MakeAddressSource(TestImage *source, int width, int height) {
  source->Create(width, height, 1, 0, 0, 0x00FF00FFu, 0, true);
  for (int v = 0; v < height; ++v)
    for (int u = 0; u < width; ++u)
      RefWritePixel(&source->image, u, v, 0xA5000000u | (uint32_t)v << 12 | (uint32_t)u);
}

// Draws with the triangle and the model into copies of one destination and
// returns the first difference ("" when equal).
inline std::string CompareTriangle(const GuardedDest &dest, const MEMIMG *source,
                                   const int corners[12], int transparent, const MEMIMG *mask,
                                   int flatColour) {
  std::vector<uint8_t> want = dest.base.buffer;
  MEMIMG predicted = dest.ViewOver(&want);
  RefDrawTriangle(&predicted, source, corners, transparent, mask, flatColour, g_drawSettings);
  MEMIMG view = dest.view;
  MemImgDrawTriangle(&view, source, corners, transparent, mask, flatColour);
  return FirstDifference(dest.base.buffer, want, dest.base.image.base->pitch);
}

// Draws a triangle over an 8 x 8 destination of pixels d from a uniform
// 2 x 2 source of texels s (for palettes: indices s into 256 entries
// paletteEntry) and returns the pixel (1, 1).
inline uint32_t DrawOnePixel(int formatCode, int kind, uint32_t s, uint32_t d, uint32_t key,
                             int transparent, const MEMIMG *mask, uint32_t paletteEntry = 0) {
  TestImage source, dest;
  source.Create(2, 2, formatCode, kind == TEST_SOURCE_PALETTE, kind == TEST_SOURCE_ALPHA, key, 0,
                true);
  const int entryBytes = formatCode ? 4 : 2;
  if (kind == TEST_SOURCE_PALETTE)
    for (int i = 0; i < 256; ++i)
      memcpy((uint8_t *)source.image.base->palette + i * entryBytes, &paletteEntry, entryBytes);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) RefWritePixel(&source.image, x, y, s);
  dest.Create(8, 8, formatCode, 0, 0, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) RefWritePixel(&dest.image, x, y, d);
  const int corners[12] = {0, 0, 0, 0, 8, 0, 2, 0, 0, 8, 0, 2};
  MemImgDrawTriangle(&dest.image, &source.image, corners, transparent, mask, 0);
  return RefReadPixel(&dest.image, 1, 1);
}

#endif  // VELVANE_TESTS_SOFTRENDER_TRIANGLE_FIXTURE_H
