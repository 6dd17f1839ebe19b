// The software triangle, the quad draw and the mirrored rotated draw over
// random images (every format and flag, up to 64 x 64, sources and masks
// exactly as large as their rows, masks too small or of the wrong format),
// clip rectangles beyond the image, every blend mode and corner values from
// small numbers, the borders of the 14.18 range, the int limits and random
// words. Oracle: no sanitizer report, the bytes around the destination view
// intact, and after a triangle or quad the destination equal to the
// triangle model's.
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <limits>
#include <vector>

#include "fuzz_input.h"
#include "graphics/draw/draw_settings.h"
#include "softrender/blit/blit.h"
#include "softrender/blit/quad_blit.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"
#include "softrender/triangle/triangle_reference.h"

namespace {

typedef FuzzInput Input;

// An image over a buffer of exactly its rows.
struct FuzzImage {
  MEMIMG image = {};
  std::vector<uint8_t> buffer;

  ~FuzzImage() { MemImgRelease(&image); }
  bool Create(Input *in, int width, int height, int formatCode, int paletteFlag, int alphaFlag) {
    const int bpp = paletteFlag ? 1 : (formatCode == 1 || alphaFlag ? 4 : (formatCode == 2 ? 1 : 2));
    buffer.resize((size_t)bpp * width * height);
    buffer.shrink_to_fit();
    for (uint8_t &b : buffer) b = (uint8_t)in->Byte();
    if (MemImgCreate(&image, width, height, bpp * width, in->Word(), formatCode, paletteFlag,
                     alphaFlag, 0, buffer.data()) != 0)
      return false;
    if (image.base->palette)
      for (int i = 0; i < 1024; ++i) ((uint8_t *)image.base->palette)[i] = (uint8_t)(i * 77 + 13);
    return true;
  }
};

int Coordinate(Input *in) {
  static const int kBorders[] = {-8193, -8192, -8191, 8190, 8191, 8192, 8193,
                                 INT32_MIN, INT32_MAX, 0, -1, 1};
  const uint32_t kind = in->Byte() % 8;
  if (kind < 5) return (int)(int8_t)in->Byte();
  if (kind < 7) return kBorders[in->Byte() % (sizeof kBorders / sizeof kBorders[0])];
  return (int)in->Word();
}

float Float(Input *in) {
  static const float kSpecial[] = {std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   1.0e30f, -1.0e30f, 1.0e-30f, 0.0f, 1.0f, -1.0f, 0.5236f};
  const uint32_t kind = in->Byte() % 4;
  if (kind == 0) return kSpecial[in->Byte() % (sizeof kSpecial / sizeof kSpecial[0])];
  if (kind == 1) {
    const uint32_t bits = in->Word();
    float f;
    memcpy(&f, &bits, sizeof f);
    return f;
  }
  return (float)(int8_t)in->Byte() / 16.0f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool tablesReady = false;
  if (!tablesReady) {
    MemImgInitTables();
    MemImgSetBlendBorder(128, 128);
    tablesReady = true;
  }
  Input in = {data, size, 0};
  const int destFormat = in.Range(0, 3) == 3 ? in.Range(0, 3) : in.Range(0, 1);
  const int destWidth = in.Range(1, 64), destHeight = in.Range(1, 64);

  // The destination: a view with a 3-pixel border of sentinel bytes.
  FuzzImage base;
  const int destFlags = in.Range(0, 7) == 0 ? in.Range(1, 2) : 0;
  if (!base.Create(&in, destWidth + 6, destHeight + 6, destFormat, destFlags == 1,
                   destFlags == 2))
    return 0;
  MEMIMG view = {};
  MemImgMakeSubImage(&view, &base.image, 3, 3, destWidth, destHeight);
  if (!MemImgIsValid(&view)) return 0;

  // The source: none (flat), or any format and kind.
  FuzzImage source, mask;
  const int sourceKind = in.Range(0, 3);  // 0 flat, 1 direct, 2 palette, 3 alpha
  const MEMIMG *src = nullptr;
  if (sourceKind != 0) {
    const int fc = in.Range(0, 5) == 0 ? in.Range(0, 3) : destFormat;
    if (!source.Create(&in, in.Range(1, 64), in.Range(1, 64), fc, sourceKind == 2,
                       sourceKind == 3))
      return 0;
    src = &source.image;
  }
  const MEMIMG *maskImage = nullptr;
  const uint32_t maskKind = in.Byte() % 4;
  if (maskKind != 0) {
    const int sw = src ? src->width : 8, sh = src ? src->height : 8;
    const int w = maskKind == 2 ? sw - 1 : sw, h = maskKind == 2 ? sh : sh + in.Range(0, 1);
    if (w > 0 && mask.Create(&in, w, h, maskKind == 3 ? 0 : 2, 0, 0)) maskImage = &mask.image;
  }

  DrawSettings &s = g_drawSettings;
  s.clipRect = {in.Range(-8, 72), in.Range(-8, 72), in.Range(-8, 72), in.Range(-8, 72)};
  static const int kModes[] = {0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 6, 7, 8, 9, 10, 10, 11, 11, 12, -1};
  s.blendMode = kModes[in.Byte() % (sizeof kModes / sizeof kModes[0])];
  s.blendParam = in.Byte() % 3 == 0 ? 255 : (int)in.Byte();
  s.drawBrightness = in.Byte() % 2 ? 0x00FFFFFFu : in.Word();
  const int transparent = (int)(in.Byte() % 3);
  const int flatColour = (int)in.Word();

  const std::vector<uint8_t> before = base.buffer;
  std::vector<uint8_t> want = base.buffer;
  MEMIMG predicted = view;
  predicted.pixels = want.data() + (view.pixels - base.buffer.data());

  const uint32_t call = in.Byte() % 3;
  if (call == 0) {
    int corners[12];
    for (int &c : corners) c = Coordinate(&in);
    RefDrawTriangle(&predicted, src, corners, transparent, maskImage, flatColour, s);
    MemImgDrawTriangle(&view, src, corners, transparent, maskImage, flatColour);
  } else if (call == 1 && src) {
    int points[8];
    for (int &p : points) p = Coordinate(&in);
    RefDrawQuad(&predicted, src, points, transparent, maskImage, s);
    MemImgDrawQuad(&view, src, points, transparent, maskImage);
  } else if (src) {
    const int x = Coordinate(&in), y = Coordinate(&in);
    const float angle = Float(&in), scale = Float(&in);
    MemImgDrawRotated(&view, src, x, y, angle, scale, transparent, 1, maskImage);
  }

  // Bytes outside the view never change.
  const int bpp = base.image.base->format->bytesPerPixel;
  const int pitch = base.image.base->pitch;
  for (int y = 0; y < destHeight + 6; ++y)
    for (int x = 0; x < (destWidth + 6) * bpp; ++x) {
      const bool inView = y >= 3 && y < destHeight + 3 && x >= 3 * bpp && x < (destWidth + 3) * bpp;
      const size_t i = (size_t)y * pitch + x;
      if (!inView && base.buffer[i] != before[i]) abort();
    }
  // The turned draw has a model of its own in the unit tests; here only the
  // sanitizers and the guard bytes check it.
  if (call != 2 && base.buffer != want) abort();
  MemImgRelease(&view);
  return 0;
}
