// The blended rectangle fill over random images (every format and flag, a
// view with a border of sentinel bytes around it), rectangles with reversed,
// huge and int-limit edges or none, clip rectangles beyond the image, every
// blend mode, parameter, brightness and colour. Oracle: no sanitizer report,
// the bytes around the view intact and the image equal to the fill model's.
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzz_input.h"
#include "graphics/draw/draw_settings.h"
#include "softrender/image/fill_reference.h"
#include "softrender/softrender.h"

namespace {

int Edge(FuzzInput *in) {
  static const int kBorders[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, -1, 0, 1, 65536};
  const uint32_t kind = in->Byte() % 6;
  if (kind < 4) return in->Range(-8, 72);
  if (kind == 4) return kBorders[in->Byte() % (sizeof kBorders / sizeof kBorders[0])];
  return (int)in->Word();
}

Rect RandomRect(FuzzInput *in) {
  Rect r;
  r.left = Edge(in);
  r.top = Edge(in);
  r.right = Edge(in);
  r.bottom = Edge(in);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool tablesReady = false;
  if (!tablesReady) {
    MemImgInitTables();
    MemImgSetBlendBorder(128, 128);
    tablesReady = true;
  }
  FuzzInput in = {data, size, 0};
  const int formatCode = in.Range(0, 7) == 0 ? in.Range(0, 3) : in.Range(0, 1);
  const int flags = in.Range(0, 7) == 0 ? in.Range(1, 2) : 0;
  const int width = in.Range(1, 64), height = in.Range(1, 64);
  const int border = 3;

  // The base image, rows exactly as long as their pixels, and the view.
  const int bpp = flags == 1 ? 1 : (formatCode == 1 || flags == 2 ? 4 : (formatCode == 2 ? 1 : 2));
  const int baseWidth = width + 2 * border, baseHeight = height + 2 * border;
  std::vector<uint8_t> buffer((size_t)bpp * baseWidth * baseHeight);
  for (uint8_t &b : buffer) b = (uint8_t)in.Byte();
  MEMIMG base = {};
  if (MemImgCreate(&base, baseWidth, baseHeight, bpp * baseWidth, 0, formatCode, flags == 1,
                   flags == 2, 0, buffer.data()) != 0)
    return 0;
  MEMIMG view = {};
  MemImgMakeSubImage(&view, &base, border, border, width, height);

  DrawSettings &s = g_drawSettings;
  s.clipRect = in.Range(0, 3) == 0 ? RandomRect(&in)
                                   : Rect{in.Range(-8, 72), in.Range(-8, 72), in.Range(-8, 72),
                                          in.Range(-8, 72)};
  static const int kModes[] = {0, 1, 1, 2, 2, 3, 3, 4, 5, 9, 10, 10, 11, 11, 12, -1};
  s.blendMode = kModes[in.Byte() % (sizeof kModes / sizeof kModes[0])];
  s.blendParam = in.Byte() % 3 == 0 ? 255 : (int)in.Byte();
  s.drawBrightness = in.Byte() % 2 ? 0x00FFFFFFu : in.Word();
  const bool given = in.Byte() % 5 != 0;
  const Rect rect = RandomRect(&in);
  const int colour = (int)in.Word();

  const std::vector<uint8_t> before = buffer;
  std::vector<uint8_t> want = buffer;
  MEMIMG predicted = view;
  if (view.pixels) {
    predicted.pixels = want.data() + (view.pixels - buffer.data());
    RefFillRectBlended(&predicted, given ? &rect : nullptr, colour, s);
  }
  const Rect asGiven = rect;
  MemImgFillRectBlended(&view, given ? &rect : nullptr, colour);

  if (memcmp(&asGiven, &rect, sizeof rect) != 0) abort();
  for (int y = 0; y < baseHeight; ++y)
    for (int x = 0; x < baseWidth * bpp; ++x) {
      const bool inView = y >= border && y < height + border && x >= border * bpp &&
                          x < (width + border) * bpp;
      const size_t i = (size_t)y * baseWidth * bpp + x;
      if (!inView && buffer[i] != before[i]) abort();
    }
  if (buffer != want) abort();
  MemImgRelease(&view);
  MemImgRelease(&base);
  return 0;
}
