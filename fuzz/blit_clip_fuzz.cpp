// The two block copies that clip caller coordinates to both images
// (BlitBaseImage and MemImgBlit) with coordinates anywhere in the int range,
// extremes often: every destination pixel must come from the source pixel
// the unclipped copy would put there, or stay as it was.
#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "graphics/images/base_image.h"
#include "softrender/image/memimg.h"
#include "softrender/softrender.h"
#include "fuzz_input.h"
#include "velvane.h"

namespace {

struct Input : FuzzInput {
  // Small values, the int range's ends and anything between.
  int Coordinate() {
    static const int kEdges[] = {INT_MIN, INT_MIN + 1, INT_MAX, INT_MAX - 1, -1, 0, 1};
    const uint32_t kind = Byte() % 4;
    if (kind == 0) return kEdges[Byte() % (sizeof(kEdges) / sizeof(kEdges[0]))];
    if (kind == 1) return static_cast<int>(Word());
    return Range(-20, 20);
  }
};

// Where the unclipped copy of the w x h block at (srcX, srcY) to (destX,
// destY) takes destination pixel (x, y) from; false when from nowhere.
bool SourceOf(int64_t x, int64_t y, int64_t srcX, int64_t srcY, int64_t w, int64_t h,
              int64_t destX, int64_t destY, int srcWidth, int srcHeight, int64_t *sx,
              int64_t *sy) {
  *sx = x - destX + srcX;
  *sy = y - destY + srcY;
  return *sx >= srcX && *sx < srcX + w && *sy >= srcY && *sy < srcY + h && *sx >= 0 &&
         *sy >= 0 && *sx < srcWidth && *sy < srcHeight;
}

void CheckBaseImageBlit(Input *in) {
  BASEIMAGE src = {}, dst = {};
  if (CreateXrgb32BaseImage(in->Range(1, 12), in->Range(1, 12), &src) != 0 ||
      CreateXrgb32BaseImage(in->Range(1, 12), in->Range(1, 12), &dst) != 0) {
    abort();
  }
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < src.width; ++x) WriteBaseImagePixel(&src, x, y, x + 1, y + 1, 7, 255);
  }
  ClearBaseImageRect(&dst, 0, 0, dst.width, dst.height);
  const int srcX = in->Coordinate(), srcY = in->Coordinate();
  const int w = in->Coordinate(), h = in->Coordinate();
  const int destX = in->Coordinate(), destY = in->Coordinate();
  if (BlitBaseImage(srcX, srcY, w, h, destX, destY, &src, &dst) != 0) abort();
  for (int y = 0; y < dst.height; ++y) {
    for (int x = 0; x < dst.width; ++x) {
      int64_t sx, sy;
      const uint32_t expected =
          SourceOf(x, y, srcX, srcY, w, h, destX, destY, src.width, src.height, &sx, &sy)
              ? GetBaseImagePixelArgb(&src, static_cast<int>(sx), static_cast<int>(sy))
              : 0;
      if ((GetBaseImagePixelArgb(&dst, x, y) & 0xFFFFFF) != (expected & 0xFFFFFF)) abort();
    }
  }
  FreeBaseImage(&src);
  FreeBaseImage(&dst);
}

void CheckMemImgBlit(Input *in) {
  MEMIMG src = {}, dst = {};
  if (MemImgCreate(&src, in->Range(1, 12), in->Range(1, 12), -1, 0, 2, 0, 0, 0, nullptr) != 0 ||
      MemImgCreate(&dst, in->Range(1, 12), in->Range(1, 12), -1, 0, 2, 0, 0, 0, nullptr) != 0) {
    abort();
  }
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < src.width; ++x) {
      src.pixels[y * src.base->pitch + x] = static_cast<uint8_t>(1 + 16 * y + x);
    }
  }
  MemImgFillRect(&dst, nullptr, 0);
  const Rect rect = {in->Coordinate(), in->Coordinate(), in->Coordinate(), in->Coordinate()};
  const int destX = in->Coordinate(), destY = in->Coordinate();
  const int result = MemImgBlit(&dst, &src, &rect, destX, destY);
  bool any = false;
  for (int y = 0; y < dst.height; ++y) {
    for (int x = 0; x < dst.width; ++x) {
      int64_t sx, sy;
      const bool from = SourceOf(x, y, rect.left, rect.top,
                                 static_cast<int64_t>(rect.right) - rect.left,
                                 static_cast<int64_t>(rect.bottom) - rect.top, destX, destY,
                                 src.width, src.height, &sx, &sy);
      any = any || from;
      const uint8_t expected = from ? src.pixels[sy * src.base->pitch + sx] : 0;
      if (dst.pixels[y * dst.base->pitch + x] != expected) abort();
    }
  }
  if ((result < 0) == any) abort();
  MemImgRelease(&src);
  MemImgRelease(&dst);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Input in;
  in.data = data;
  in.size = size;
  in.pos = 0;
  CheckBaseImageBlit(&in);
  CheckMemImgBlit(&in);
  return 0;
}
