// Widening of the bitmap kinds the loader does not keep as they are (1-bit,
// 16-bit and bit fields) to 24-bit rows, done here instead of through a
// platform bitmap so that it is the same everywhere.
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum { BI_RGB = 0, BI_BITFIELDS = 3 };

// A channel of len bits brought to 8: its top 8 bits, and for narrower
// channels the value repeated once below itself (5 bits: v << 3 | v >> 2).
uint8_t WidenField(uint32_t pixel, const PixelChannel &c) {
  if (c.bits == 0) return 0;
  uint32_t v = (pixel & c.mask) >> c.shift;
  if (c.bits >= 8) return static_cast<uint8_t>(v >> (c.bits - 8));
  v <<= 8 - c.bits;
  return static_cast<uint8_t>(v | v >> c.bits);
}

PixelChannel ChannelOf(uint32_t mask, uint8_t shift, uint8_t bits) {
  PixelChannel c = {mask, shift, bits};
  return c;
}

}  // namespace

int64_t DibStride(int64_t width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

int CanWidenDibTo24(const DibInfoHeader *h) {
  if (h->size < 40) return 0;
  if (h->compression == BI_RGB) return h->bitCount == 1 || h->bitCount == 16;
  return h->compression == BI_BITFIELDS && (h->bitCount == 16 || h->bitCount == 32);
}

void WidenDibTo24(const DibInfoHeader *h, const uint8_t (*palette)[4], const uint32_t masks[3],
                  const uint8_t *bits, uint8_t *out, int outPitch) {
  const int width = h->width;
  const int rows = h->height < 0 ? -h->height : h->height;
  const int64_t stride = DibStride(width, h->bitCount);
  PixelFormat fields;
  if (h->compression == BI_BITFIELDS) {
    MakePixelFormatFromMasks(&fields, h->bitCount, masks[0], masks[1], masks[2], 0);
  } else {
    MakePixelFormatFromMasks(&fields, 16, 0x7C00, 0x03E0, 0x001F, 0);
  }
  const PixelChannel red = ChannelOf(fields.redMask, fields.redShift, fields.redBits);
  const PixelChannel green = ChannelOf(fields.greenMask, fields.greenShift, fields.greenBits);
  const PixelChannel blue = ChannelOf(fields.blueMask, fields.blueShift, fields.blueBits);
  for (int y = 0; y < rows; ++y) {
    const int fileRow = h->height < 0 ? y : rows - 1 - y;
    const uint8_t *src = bits + fileRow * stride;
    uint8_t *dst = out + static_cast<intptr_t>(y) * outPitch;
    for (int x = 0; x < width; ++x, dst += 3) {
      if (h->bitCount == 1) {
        const uint8_t *entry = palette[(src[x / 8] >> (7 - x % 8)) & 1];
        dst[0] = entry[0];
        dst[1] = entry[1];
        dst[2] = entry[2];
        continue;
      }
      const uint32_t pixel = ReadRawPixel(src + x * (h->bitCount / 8), h->bitCount / 8);
      dst[0] = WidenField(pixel, blue);
      dst[1] = WidenField(pixel, green);
      dst[2] = WidenField(pixel, red);
    }
  }
}
