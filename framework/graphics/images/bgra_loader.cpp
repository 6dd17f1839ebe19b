// The framework's raw "BGRA" image file: a 16-byte header, then rows of
// blue, green, red, alpha with 8 or 16 bits a channel.
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum { BGRA_HEADER_SIZE = 16, BGRA_DEPTH_8 = 0x08080808, BGRA_DEPTH_16 = 0x10101010 };

// 16-bit channels keep their high byte.
int ReadWideRows(StreamSource *source, int width, int height, uint8_t *pixels) {
  uint8_t *row = static_cast<uint8_t *>(VV_ALLOC(width * 8));
  if (!row) return -1;
  for (int y = 0; y < height; ++y) {
    if (ReadStreamExact(source, row, width * 8) != 0) {
      VV_FREE(row);
      return -1;
    }
    uint8_t *out = pixels + static_cast<intptr_t>(y) * width * 4;
    for (int i = 0; i < width * 4; ++i) out[i] = row[i * 2 + 1];
  }
  VV_FREE(row);
  return 0;
}

}  // namespace

int BgraImageLoader(StreamSource *source, BASEIMAGE *out) {
  uint8_t header[BGRA_HEADER_SIZE];
  if (ReadStreamExact(source, header, BGRA_HEADER_SIZE) != 0 || memcmp(header, "BGRA", 4) != 0) {
    return -1;
  }
  const uint32_t depth = ReadLe32At(header + 4);
  const int32_t width = static_cast<int32_t>(ReadLe32At(header + 8));
  const int32_t height = static_cast<int32_t>(ReadLe32At(header + 12));
  if ((depth != BGRA_DEPTH_8 && depth != BGRA_DEPTH_16) ||
      !ImageSidesAcceptable(width, height, IMAGE_MAX_SIDE)) {
    return -1;
  }
  // Sides of at most 16,384 keep every product below 2^31.
  const int64_t fileBytes = static_cast<int64_t>(width) * height * (depth == BGRA_DEPTH_8 ? 4 : 8);
  int bytes = 0;
  if (fileBytes > StreamBytesLeft(source) ||
      ComputeImageBytes(static_cast<int64_t>(width) * 4, height, &bytes) != 0) {
    return -1;
  }
  uint8_t *pixels = static_cast<uint8_t *>(VV_ALLOC(bytes));
  if (!pixels) return -1;
  const int read = depth == BGRA_DEPTH_8 ? ReadStreamExact(source, pixels, bytes)
                                         : ReadWideRows(source, width, height, pixels);
  if (read != 0) {
    VV_FREE(pixels);
    return -1;
  }
  MakeArgb32PixelFormat(&out->format);
  out->width = width;
  out->height = height;
  out->pitch = width * 4;
  out->pixels = pixels;
  out->mipCount = 0;
  return 0;
}
