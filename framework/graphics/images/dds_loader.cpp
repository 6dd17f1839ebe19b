// DirectDraw Surface pictures: uncompressed by channel masks or as DXT1 to
// DXT5 blocks, with their mip-map chain. Compressed data stays compressed so
// that graphs can upload it as it is; every level size is checked against
// the data before anything is allocated.
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum {
  DDS_HEADER_SIZE = 124,
  DDSD_PITCH = 0x8,
  DDSD_MIPMAPCOUNT = 0x20000,
  DDPF_ALPHAPIXELS = 0x1,
  DDPF_FOURCC = 0x4,
  DDPF_RGB = 0x40,
  DDSCAPS_COMPLEX = 0x8,
  DDSCAPS_MIPMAP = 0x400000
};

struct DdsHeader {
  uint32_t flags, height, width, pitch, mipMapCount;
  uint32_t formatFlags, fourCC, bitCount, masks[4];  // red, green, blue, alpha
  uint32_t caps;
};

void ParseDdsHeader(const uint8_t *p, DdsHeader *h) {
  h->flags = ReadLe32At(p + 4);
  h->height = ReadLe32At(p + 8);
  h->width = ReadLe32At(p + 12);
  h->pitch = ReadLe32At(p + 16);
  h->mipMapCount = ReadLe32At(p + 24);
  h->formatFlags = ReadLe32At(p + 76);
  h->fourCC = ReadLe32At(p + 80);
  h->bitCount = ReadLe32At(p + 84);
  for (int i = 0; i < 4; ++i) h->masks[i] = ReadLe32At(p + 88 + 4 * i);
  h->caps = ReadLe32At(p + 104);
}

// Direct3D format codes a file may give as its FourCC.
struct D3dFormat {
  uint32_t code, bits, masks[4];
};

const D3dFormat kD3dFormats[] = {
    {20, 24, {0xFF0000, 0xFF00, 0xFF, 0}},
    {21, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {22, 32, {0xFF0000, 0xFF00, 0xFF, 0}},
    {23, 16, {0xF800, 0x07E0, 0x001F, 0}},
    {24, 16, {0x7C00, 0x03E0, 0x001F, 0}},
    {25, 16, {0x7C00, 0x03E0, 0x001F, 0x8000}},
    {26, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}},
    {27, 8, {0xE0, 0x1C, 0x03, 0}},
    {29, 16, {0xE0, 0x1C, 0x03, 0xFF00}},
    {30, 16, {0x0F00, 0x00F0, 0x000F, 0}},
    {31, 32, {0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000}},
    {32, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {33, 32, {0xFF, 0xFF00, 0xFF0000, 0}},
    {35, 32, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}},
};

const D3dFormat *FindD3dFormat(uint32_t code) {
  for (const D3dFormat &f : kD3dFormats) {
    if (f.code == code) return &f;
  }
  return nullptr;
}

uint32_t DxtCompression(uint32_t fourCC) {
  if ((fourCC & 0xFFFFFF) != ('D' | 'X' << 8 | 'T' << 16)) return 0;
  const uint32_t digit = fourCC >> 24;
  return digit >= '1' && digit <= '5' ? digit - '0' : 0;
}

// The levels the file stores: its mip-map count when the flags and caps say
// there is a chain, else 0 (one level).
int DdsMipCount(const DdsHeader &h) {
  const uint32_t chainCaps = DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
  if (!(h.flags & DDSD_MIPMAPCOUNT) || (h.caps & chainCaps) != chainCaps) return 0;
  return static_cast<int>(h.mipMapCount > 64 ? 64 : h.mipMapCount);
}

int MaxMipLevels(int width, int height) {
  int side = width > height ? width : height, levels = 1;
  while (side > 1) {
    side >>= 1;
    ++levels;
  }
  return levels;
}

int HalfSide(int side) { return side > 1 ? side / 2 : 1; }

// Bytes of every level, or -1 when one cannot be had.
int64_t DdsDataBytes(const BASEIMAGE &image, int topPitch, int levels) {
  int64_t total = 0;
  int w = image.width, h = image.height;
  for (int level = 0; level < levels; ++level) {
    int bytes = 0;
    if (image.format.compression) {
      if (ComputeDxtLevelBytes(image.format.compression, w, h, &bytes) != 0) return -1;
    } else {
      const int64_t pitch = level == 0 ? topPitch : static_cast<int64_t>(w) * image.format.bytesPerPixel;
      if (ComputeImageBytes(pitch, h, &bytes) != 0) return -1;
    }
    total += bytes;
    w = HalfSide(w);
    h = HalfSide(h);
  }
  return total;
}

// Fills the format and the top level's pitch; -1 for a layout this reader
// does not take.
int DescribeDdsFormat(const DdsHeader &h, BASEIMAGE *image, int *topPitch) {
  const D3dFormat *table = h.formatFlags == DDPF_FOURCC ? FindD3dFormat(h.fourCC) : nullptr;
  uint32_t bits = h.bitCount;
  const uint32_t *masks = h.masks;
  if (h.formatFlags & DDPF_FOURCC) {
    const uint32_t compression = DxtCompression(h.fourCC);
    if (compression) {
      MakePixelFormatFromMasks(&image->format, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
      image->format.compression = compression;
      image->format.bitsPerPixel = compression == 1 ? 4 : 8;
      *topPitch = 0;
      return 0;
    }
    if (!table) return -1;
    masks = table->masks;
    if (bits == 0) bits = table->bits;
  } else if ((h.formatFlags & DDPF_RGB) && !(h.formatFlags & DDPF_ALPHAPIXELS)) {
    return -1;
  }
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return -1;
  const uint32_t formatBits = table ? table->bits : bits;
  MakePixelFormatFromMasks(&image->format, static_cast<int>(formatBits), masks[0], masks[1],
                           masks[2], masks[3]);
  PixelLayout layout;
  if (DescribePixelLayout(&image->format, &layout) != 0) return -1;
  const int64_t minimum = static_cast<int64_t>(image->width) * image->format.bytesPerPixel;
  const int64_t pitch = (h.flags & DDSD_PITCH) ? h.pitch : static_cast<int64_t>(bits / 8) * image->width;
  if (pitch < minimum || pitch > 0x7FFFFFFF) return -1;
  *topPitch = static_cast<int>(pitch);
  return 0;
}

}  // namespace

int DdsImageLoader(StreamSource *source, BASEIMAGE *out) {
  uint8_t magic[4], raw[DDS_HEADER_SIZE];
  if (ReadStreamExact(source, magic, 4) != 0 || memcmp(magic, "DDS", 3) != 0 ||
      ReadStreamExact(source, raw, DDS_HEADER_SIZE) != 0) {
    return -1;
  }
  DdsHeader h;
  ParseDdsHeader(raw, &h);
  if (!ImageSidesAcceptable(h.width, h.height, IMAGE_MAX_SIDE)) return -1;
  BASEIMAGE image = {};
  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(h.height);
  int topPitch = 0;
  if (DescribeDdsFormat(h, &image, &topPitch) != 0) return -1;
  const int mipCount = DdsMipCount(h);
  if (mipCount > MaxMipLevels(image.width, image.height)) return -1;
  const int64_t bytes = DdsDataBytes(image, topPitch, mipCount > 1 ? mipCount : 1);
  if (bytes < 0 || bytes > 0x7FFFFFFF || bytes > StreamBytesLeft(source)) return -1;
  void *pixels = VV_ALLOC(bytes > 0 ? bytes : 1);
  if (!pixels) return -1;
  if (ReadStreamExact(source, pixels, static_cast<int>(bytes)) != 0) {
    VV_FREE(pixels);
    return -1;
  }
  image.pitch = topPitch;
  image.pixels = pixels;
  image.mipCount = mipCount;
  *out = image;
  return 0;
}
