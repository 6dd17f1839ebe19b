// Decoding of the S3 texture-compression block formats DXT1 to DXT5 into
// plain 32-bit ARGB pixels (4 x 4 pixels a block, blocks row by row).
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"

namespace {

enum { BLOCK_PIXELS = 16 };

struct DecodedBlock {
  uint8_t argb[BLOCK_PIXELS][4];  // blue, green, red, alpha
};

uint32_t ReadLe16(const uint8_t *p) { return p[0] | (p[1] << 8); }

uint64_t ReadLe48(const uint8_t *p) {
  uint64_t v = 0;
  for (int i = 5; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void ExpandEndpoint(uint32_t c, int rgb[3]) {
  rgb[0] = static_cast<int>(((c >> 11) & 31) * 255 / 31);
  rgb[1] = static_cast<int>(((c >> 5) & 63) * 255 / 63);
  rgb[2] = static_cast<int>((c & 31) * 255 / 31);
}

// The colour half of a block: two 5-6-5 endpoints and 2-bit indices.
void DecodeColors(const uint8_t *block, int allowThreeColor, DecodedBlock *out) {
  const uint32_t c0 = ReadLe16(block), c1 = ReadLe16(block + 2);
  int palette[4][4];  // red, green, blue, alpha
  ExpandEndpoint(c0, palette[0]);
  ExpandEndpoint(c1, palette[1]);
  palette[0][3] = palette[1][3] = palette[2][3] = palette[3][3] = 255;
  const int fourColor = !allowThreeColor || c0 > c1;
  for (int i = 0; i < 3; ++i) {
    const int a = palette[0][i], b = palette[1][i];
    if (fourColor) {
      palette[2][i] = (2 * a + b) / 3;
      palette[3][i] = (a + 2 * b) / 3;
    } else {
      palette[2][i] = palette[3][i] = (a + b) / 2;
    }
  }
  if (!fourColor) palette[3][3] = 0;
  for (int p = 0; p < BLOCK_PIXELS; ++p) {
    const int index = (block[4 + p / 4] >> (2 * (p % 4))) & 3;
    out->argb[p][0] = static_cast<uint8_t>(palette[index][2]);
    out->argb[p][1] = static_cast<uint8_t>(palette[index][1]);
    out->argb[p][2] = static_cast<uint8_t>(palette[index][0]);
    out->argb[p][3] = static_cast<uint8_t>(palette[index][3]);
  }
}

// DXT2/DXT3: 4 bits of alpha per pixel.
void DecodeExplicitAlpha(const uint8_t *block, DecodedBlock *out) {
  for (int p = 0; p < BLOCK_PIXELS; ++p) {
    out->argb[p][3] = static_cast<uint8_t>(((block[p / 2] >> (4 * (p % 2))) & 15) * 17);
  }
}

// DXT4/DXT5: two alpha endpoints and 3-bit indices.
void DecodeInterpolatedAlpha(const uint8_t *block, DecodedBlock *out) {
  const int a0 = block[0], a1 = block[1];
  int values[8] = {a0, a1};
  if (a0 > a1) {
    for (int i = 1; i <= 6; ++i) values[1 + i] = ((7 - i) * a0 + i * a1) / 7;
  } else {
    for (int i = 1; i <= 4; ++i) values[1 + i] = ((5 - i) * a0 + i * a1) / 5;
    values[6] = 0;
    values[7] = 255;
  }
  const uint64_t indices = ReadLe48(block + 2);
  for (int p = 0; p < BLOCK_PIXELS; ++p) {
    out->argb[p][3] = static_cast<uint8_t>(values[(indices >> (3 * p)) & 7]);
  }
}

// Colours stored multiplied by alpha are divided back; a pixel of alpha 0
// has no recoverable colour and becomes black.
void Unpremultiply(DecodedBlock *out) {
  for (int p = 0; p < BLOCK_PIXELS; ++p) {
    const int alpha = out->argb[p][3];
    for (int c = 0; c < 3; ++c) {
      const int value = alpha ? out->argb[p][c] * 255 / alpha : 0;
      out->argb[p][c] = static_cast<uint8_t>(value > 255 ? 255 : value);
    }
  }
}

int BlockBytes(uint32_t compression) { return compression == 1 ? 8 : 16; }

void DecodeBlock(uint32_t compression, const uint8_t *block, DecodedBlock *out) {
  if (compression == 1) {
    DecodeColors(block, 1, out);
    return;
  }
  DecodeColors(block + 8, 0, out);
  if (compression <= 3) {
    DecodeExplicitAlpha(block, out);
  } else {
    DecodeInterpolatedAlpha(block, out);
  }
  if (compression == 2 || compression == 4) Unpremultiply(out);
}

// Writes the part of a block that lies inside the image: edge blocks of an
// image whose sides are not multiples of 4 are cut at its edges.
void StoreBlock(const DecodedBlock &block, int columns, int rows, uint8_t *dst, int dstPitch) {
  for (int row = 0; row < rows; ++row) {
    memcpy(dst + static_cast<intptr_t>(row) * dstPitch, block.argb[row * 4], columns * 4);
  }
}

int MinInt(int a, int b) { return a < b ? a : b; }

}  // namespace

int DecodeDxtBlocks(const BASEIMAGE *image, uint8_t *dst, int dstPitch) {
  const uint32_t compression = image->format.compression;
  if (compression < 1 || compression > 5) return -1;
  // A block row covers every column, a last partial block included.
  const int blocksAcross = (image->width + 3) / 4, blocksDown = (image->height + 3) / 4;
  const uint8_t *block = static_cast<const uint8_t *>(image->pixels);
  for (int by = 0; by < blocksDown; ++by) {
    for (int bx = 0; bx < blocksAcross; ++bx) {
      DecodedBlock decoded;
      DecodeBlock(compression, block, &decoded);
      StoreBlock(decoded, MinInt(4, image->width - bx * 4), MinInt(4, image->height - by * 4),
                 dst + static_cast<intptr_t>(by) * 4 * dstPitch + bx * 16, dstPitch);
      block += BlockBytes(compression);
    }
  }
  return 0;
}

int ConvertDxtToPlain(BASEIMAGE *image) {
  if (!image) return -1;
  if (image->format.compression == 0) return 0;
  if (!image->pixels || image->format.compression > 5 || image->width < 0 || image->height < 0) {
    return -1;
  }
  int bytes = 0;
  if (ComputeImageBytes(static_cast<int64_t>(image->width) * 4, image->height, &bytes) != 0) {
    return -1;
  }
  uint8_t *plain = static_cast<uint8_t *>(VV_ALLOC_ZEROED(bytes));
  if (!plain) return -1;
  DecodeDxtBlocks(image, plain, image->width * 4);
  VV_FREE(image->pixels);
  image->pixels = plain;
  image->pitch = image->width * 4;
  // Only the top level is decoded; the other levels went with the blocks.
  image->mipCount = 0;
  MakeArgb32PixelFormat(&image->format);
  return 0;
}
