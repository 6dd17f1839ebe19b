// Pixel formats and base images: the standard format makers, creation and
// release, colour packing and single-pixel access.
#include "graphics/images/base_image.h"

#include <limits.h>
#include <string.h>

#include "core/debug/memory.h"

namespace {

const uint32_t kRgbRedMask = 0xFF0000u;
const uint32_t kRgbGreenMask = 0xFF00u;
const uint32_t kRgbBlueMask = 0xFFu;
const uint32_t kTopByteMask = 0xFF000000u;

// Shifts that stay defined for any count a broken format record may hold.
uint32_t ShiftLeft(uint32_t value, int count) {
  return (count < 0 || count >= 32) ? 0 : value << count;
}

uint32_t ShiftRight(uint32_t value, int count) {
  return (count < 0 || count >= 32) ? 0 : value >> count;
}

int LowestSetBit(uint32_t mask) {
  int bit = 0;
  while (bit < 32 && !(mask & (1u << bit))) ++bit;
  return bit;
}

int CountRunFrom(uint32_t mask, int bit) {
  int count = 0;
  while (bit + count < 32 && (mask & (1u << (bit + count)))) ++count;
  return count;
}

uint32_t LowBits(int count) { return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1; }

// Channel value (value & mask) >> shift of a format record's channel.
uint32_t ChannelOf(uint32_t value, uint32_t mask, int shift) {
  return ShiftRight(value & mask, shift);
}

void SetChannel(uint8_t *bits, uint8_t *shift, uint32_t *mask, uint32_t newMask) {
  *mask = newMask;
  *shift = newMask ? static_cast<uint8_t>(LowestSetBit(newMask)) : 0;
  *bits = newMask ? static_cast<uint8_t>(CountRunFrom(newMask, *shift)) : 0;
}

// Pixel size and the four channels of a plain format; the fill is left alone.
void SetChannels(PixelFormat *format, int bits, uint32_t redMask, uint32_t greenMask,
                 uint32_t blueMask, uint32_t alphaMask) {
  format->bitsPerPixel = static_cast<uint16_t>(bits);
  format->bytesPerPixel = static_cast<uint16_t>(bits / 8);
  SetChannel(&format->redBits, &format->redShift, &format->redMask, redMask);
  SetChannel(&format->greenBits, &format->greenShift, &format->greenMask, greenMask);
  SetChannel(&format->blueBits, &format->blueShift, &format->blueMask, blueMask);
  SetChannel(&format->alphaBits, &format->alphaShift, &format->alphaMask, alphaMask);
  format->compression = 0;
}

void SetRgbChannels(PixelFormat *format, int bits) {
  SetChannels(format, bits, kRgbRedMask, kRgbGreenMask, kRgbBlueMask, 0);
}

void SetFill(PixelFormat *format, uint32_t fillMask) {
  SetChannel(&format->fillBits, &format->fillShift, &format->fillMask, fillMask);
}

uint32_t UncoveredBits(const PixelFormat *format) {
  return PixelValueMask(format->bitsPerPixel) &
         ~(format->redMask | format->greenMask | format->blueMask | format->alphaMask);
}

// A channel validated from its mask alone: the record's width and shift
// fields are not trusted.
int DescribeChannel(uint32_t mask, int valueBits, PixelChannel *channel) {
  channel->mask = mask;
  channel->shift = 0;
  channel->bits = 0;
  if (mask == 0) return 0;
  channel->shift = LowestSetBit(mask);
  channel->bits = CountRunFrom(mask, channel->shift);
  if (ShiftRight(mask, channel->shift) != LowBits(channel->bits)) return -1;
  if (channel->bits > 16) return -1;
  if (channel->shift + channel->bits > valueBits) return -1;
  return 0;
}

int PaletteDistance(const uint8_t entry[4], int r, int g, int b) {
  const int db = entry[0] - b, dg = entry[1] - g, dr = entry[2] - r;
  return db * db + dg * dg + dr * dr;
}

int NearestPaletteIndex(const PixelFormat *format, int r, int g, int b) {
  int best = 0, bestDistance = 0xFFFFFF;
  for (int i = 0; i < 256; ++i) {
    const int distance = PaletteDistance(format->palette[i], r, g, b);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return best;
}

// Channel value brought to 0-255 the way UnpackPixelColor reads it.
int ScaleChannelTo8(uint32_t value, int bits) {
  if (bits == 0) return 0;
  if (bits >= 8) return static_cast<int>(ShiftRight(value, bits - 8) & 0xFF);
  return static_cast<int>(value * 255 / LowBits(bits));
}

// Channel value placed at the top of a byte without rescaling.
uint32_t ChannelAtTopOfByte(uint32_t value, int bits) {
  return bits >= 8 ? ShiftRight(value, bits - 8) & 0xFF : ShiftLeft(value, 8 - bits);
}

int IsPlainPixelSize(int bytes) { return bytes >= 1 && bytes <= 4; }

uint8_t *PixelAddress(const BASEIMAGE *image, int x, int y) {
  return static_cast<uint8_t *>(image->pixels) + static_cast<intptr_t>(y) * image->pitch +
         static_cast<intptr_t>(x) * image->format.bytesPerPixel;
}

// Common checks of the single-pixel access: decodes a compressed image
// first, then tests the coordinates unsigned so negative ones fail too.
int PreparePixelAccess(BASEIMAGE *image, int x, int y) {
  if (!image || !image->pixels) return -1;
  if (ConvertDxtToPlain(image) != 0) return -1;
  if (!IsPlainPixelSize(image->format.bytesPerPixel)) return -1;
  if (static_cast<unsigned>(x) >= static_cast<unsigned>(image->width)) return -1;
  if (static_cast<unsigned>(y) >= static_cast<unsigned>(image->height)) return -1;
  return 0;
}

void StoreIfWanted(int *out, int value) {
  if (out) *out = value;
}

}  // namespace

// ---------------------------------------------------------------------------
// Shared helpers
// ---------------------------------------------------------------------------

int DescribePixelLayout(const PixelFormat *format, PixelLayout *layout) {
  if (!format || format->compression != 0) return -1;
  const int bits = format->bitsPerPixel;
  if ((bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
      format->bytesPerPixel != bits / 8) {
    return -1;
  }
  // 1-byte pixels index the palette: their channels describe a 32-bit entry.
  const int valueBits = bits == 8 ? 32 : bits;
  if (DescribeChannel(format->redMask, valueBits, &layout->red) != 0 ||
      DescribeChannel(format->greenMask, valueBits, &layout->green) != 0 ||
      DescribeChannel(format->blueMask, valueBits, &layout->blue) != 0 ||
      DescribeChannel(format->alphaMask, valueBits, &layout->alpha) != 0) {
    return -1;
  }
  layout->bytes = bits / 8;
  layout->colorMask = format->redMask | format->greenMask | format->blueMask;
  layout->fillMask = format->fillMask & PixelValueMask(bits);
  layout->paletted = bits == 8;
  layout->palette = format->palette;
  return 0;
}

uint32_t PixelValueMask(int bits) { return LowBits(bits); }

int ComputeImageBytes(int64_t rowBytes, int64_t rows, int *bytes) {
  if (rowBytes < 0 || rows < 0 || rowBytes > INT_MAX) return -1;
  if (rows != 0 && rowBytes > static_cast<int64_t>(INT_MAX) / rows) return -1;
  *bytes = static_cast<int>(rowBytes * rows);
  return 0;
}

int ComputeDxtLevelBytes(uint32_t compression, int width, int height, int *bytes) {
  if (compression < 1 || compression > 5 || width < 0 || height < 0) return -1;
  const int64_t blockBytes = compression == 1 ? 8 : 16;
  const int64_t across = width > 4 ? (static_cast<int64_t>(width) + 3) / 4 : 1;
  const int64_t down = height > 4 ? (static_cast<int64_t>(height) + 3) / 4 : 1;
  return ComputeImageBytes(across * blockBytes, down, bytes);
}

int ComputeAlignedPitch(int width, int bytesPerPixel, int alignment, int *pitch) {
  if (width < 0 || bytesPerPixel < 0) return -1;
  const int64_t rounded = (static_cast<int64_t>(width) * bytesPerPixel + alignment - 1) &
                          ~static_cast<int64_t>(alignment - 1);
  if (rounded > INT_MAX) return -1;
  *pitch = static_cast<int>(rounded);
  return 0;
}

namespace {

// Moves a negative start on one side to the other side's point as well.
void ShiftStart(int64_t *start, int64_t *other, int64_t *length) {
  if (*start < 0) {
    *other -= *start;
    *length += *start;
    *start = 0;
  }
}

int64_t Min64(int64_t a, int64_t b) { return a < b ? a : b; }

}  // namespace

void ClipBlitBlock(BlitBlock *b, int srcWidth, int srcHeight, int destWidth, int destHeight) {
  ShiftStart(&b->srcX, &b->destX, &b->w);
  ShiftStart(&b->srcY, &b->destY, &b->h);
  ShiftStart(&b->destX, &b->srcX, &b->w);
  ShiftStart(&b->destY, &b->srcY, &b->h);
  b->w = Min64(b->w, Min64(destWidth - b->destX, srcWidth - b->srcX));
  b->h = Min64(b->h, Min64(destHeight - b->destY, srcHeight - b->srcY));
}

Rect ClippedSourceRect(const BlitBlock &b) {
  const Rect rect = {static_cast<int>(b.srcX), static_cast<int>(b.srcY),
                     static_cast<int>(b.srcX + b.w), static_cast<int>(b.srcY + b.h)};
  return rect;
}

int BlockFitsImage(int x, int y, int w, int h, int width, int height) {
  return x >= 0 && y >= 0 && w >= 0 && h >= 0 && static_cast<int64_t>(x) + w <= width &&
         static_cast<int64_t>(y) + h <= height;
}

uint32_t ReadRawPixel(const uint8_t *p, int bytes) {
  uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(p[i]) << (8 * i);
  return value;
}

void WriteRawPixel(uint8_t *p, int bytes, uint32_t value) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t ResizeChannel(uint32_t value, int fromBits, int toBits, int replicate) {
  if (toBits == fromBits) return value;
  if (toBits < fromBits) return ShiftRight(value, fromBits - toBits);
  const int gain = toBits - fromBits;
  uint64_t widened = static_cast<uint64_t>(value) << gain;
  if (replicate && fromBits > 0) {
    widened += static_cast<uint64_t>(value) * LowBits(gain) / LowBits(fromBits);
  }
  return static_cast<uint32_t>(widened);
}

uint32_t PaletteEntryValue(const PixelFormat *format, int index) {
  const uint8_t *e = format->palette[index & 0xFF];
  return e[0] | (e[1] << 8) | (e[2] << 16) | (static_cast<uint32_t>(e[3]) << 24);
}

// ---------------------------------------------------------------------------
// Format makers
// ---------------------------------------------------------------------------

int MakePalette8PixelFormat(PixelFormat *format) {
  SetRgbChannels(format, 8);
  format->fillMask = kTopByteMask;
  return 0;
}

int MakeGray8PixelFormat(PixelFormat *format) {
  MakePalette8PixelFormat(format);
  for (int i = 0; i < 256; ++i) {
    format->palette[i][0] = format->palette[i][1] = format->palette[i][2] =
        static_cast<uint8_t>(i);
    format->palette[i][3] = 0;
  }
  return 0;
}

int MakeXrgb32PixelFormat(PixelFormat *format) {
  SetRgbChannels(format, 32);
  SetFill(format, kTopByteMask);
  return 0;
}

int MakeArgb32PixelFormat(PixelFormat *format) {
  SetRgbChannels(format, 32);
  SetChannel(&format->alphaBits, &format->alphaShift, &format->alphaMask, kTopByteMask);
  format->fillMask = 0;
  return 0;
}

int MakeRgb24PixelFormat(PixelFormat *format) {
  SetRgbChannels(format, 24);
  format->fillMask = 0;
  return 0;
}

int MakePixelFormatFromMasks(PixelFormat *format, int bits, uint32_t redMask,
                             uint32_t greenMask, uint32_t blueMask, uint32_t alphaMask) {
  SetChannels(format, bits, redMask, greenMask, blueMask, alphaMask);
  SetFill(format, UncoveredBits(format));
  return 0;
}

PixelFormat *UpdateFillMask(PixelFormat *format) {
  const int covered = format->redBits + format->greenBits + format->blueBits +
                      format->alphaBits;
  format->fillMask = covered == format->bitsPerPixel ? 0 : UncoveredBits(format);
  return format;
}

// ---------------------------------------------------------------------------
// Creation and release
// ---------------------------------------------------------------------------

int CreateBaseImageWithFormat(int width, int height, const PixelFormat *format,
                              BASEIMAGE *image) {
  int pitch = 0, bytes = 0;
  if (!format || !image || width < 0 || height < 0) return -1;
  if (!IsPlainPixelSize(format->bytesPerPixel)) return -1;
  if (ComputeAlignedPitch(width, format->bytesPerPixel, 4, &pitch) != 0) return -1;
  if (ComputeImageBytes(pitch, height, &bytes) != 0) return -1;
  void *pixels = VV_ALLOC(bytes);
  if (!pixels) return -1;
  memmove(&image->format, format, sizeof(PixelFormat));
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->pixels = pixels;
  image->mipCount = 0;
  return 0;
}

int CreateXrgb32BaseImage(int width, int height, BASEIMAGE *image) {
  PixelFormat format = {};
  MakeXrgb32PixelFormat(&format);
  return CreateBaseImageWithFormat(width, height, &format, image);
}

int CreateArgb32BaseImage(int width, int height, BASEIMAGE *image) {
  PixelFormat format = {};
  MakeArgb32PixelFormat(&format);
  return CreateBaseImageWithFormat(width, height, &format, image);
}

int FreeBaseImage(BASEIMAGE *image) {
  if (!image) return 0;
  if (image->pixels) VV_FREE(image->pixels);
  memset(image, 0, sizeof(*image));
  return 0;
}

int ClearBaseImageRect(BASEIMAGE *image, int x, int y, int w, int h) {
  if (!image || !image->pixels || w <= 0) return 0;
  const size_t rowBytes = static_cast<size_t>(w) * image->format.bytesPerPixel;
  for (int row = 0; row < h; ++row) memset(PixelAddress(image, x, y + row), 0, rowBytes);
  return 0;
}

// ---------------------------------------------------------------------------
// Colour packing
// ---------------------------------------------------------------------------

uint32_t PackColorToPixel(const PixelFormat *format, int r, int g, int b, int a) {
  r &= 0xFF;
  g &= 0xFF;
  b &= 0xFF;
  a &= 0xFF;
  if (format->bytesPerPixel == 1) return static_cast<uint32_t>(NearestPaletteIndex(format, r, g, b));
  // Channels wider than 8 bits are widened by shifting, never by a negative
  // shift count.
  uint32_t value = format->fillMask;
  if (format->redBits)
    value |= ShiftLeft(ResizeChannel(r, 8, format->redBits, 0), format->redShift) & format->redMask;
  if (format->greenBits)
    value |= ShiftLeft(ResizeChannel(g, 8, format->greenBits, 0), format->greenShift) &
             format->greenMask;
  if (format->blueBits)
    value |= ShiftLeft(ResizeChannel(b, 8, format->blueBits, 0), format->blueShift) &
             format->blueMask;
  if (format->alphaBits)
    value |= ShiftLeft(ResizeChannel(a, 8, format->alphaBits, 0), format->alphaShift) &
             format->alphaMask;
  return value;
}

int UnpackPixelColor(const PixelFormat *format, uint32_t value, int *r, int *g, int *b,
                     int *a) {
  const uint32_t red = ChannelOf(value, format->redMask, format->redShift);
  const uint32_t green = ChannelOf(value, format->greenMask, format->greenShift);
  const uint32_t blue = ChannelOf(value, format->blueMask, format->blueShift);
  const uint32_t alpha = ChannelOf(value, format->alphaMask, format->alphaShift);
  const int all8 = format->redBits == 8 && format->greenBits == 8 && format->blueBits == 8;
  StoreIfWanted(r, all8 ? static_cast<int>(red) : ScaleChannelTo8(red, format->redBits));
  StoreIfWanted(g, all8 ? static_cast<int>(green) : ScaleChannelTo8(green, format->greenBits));
  StoreIfWanted(b, all8 ? static_cast<int>(blue) : ScaleChannelTo8(blue, format->blueBits));
  StoreIfWanted(a, ScaleChannelTo8(alpha, format->alphaBits));
  return 0;
}

uint32_t GetBaseImagePixelArgb(const BASEIMAGE *image, int x, int y) {
  if (!image || !image->pixels) return 0;
  const PixelFormat *f = &image->format;
  const uint8_t *p = PixelAddress(image, x, y);
  if (f->bytesPerPixel == 1) {
    // A palette image's colour is its entry; the fourth byte only counts as
    // alpha when the format says it has one.
    const uint32_t entry = PaletteEntryValue(f, *p);
    return f->alphaBits ? entry : entry & 0xFFFFFFu;
  }
  if (!IsPlainPixelSize(f->bytesPerPixel)) return 0;
  const uint32_t raw = ReadRawPixel(p, f->bytesPerPixel);
  uint32_t argb = ChannelAtTopOfByte(ChannelOf(raw, f->blueMask, f->blueShift), f->blueBits) |
                  ChannelAtTopOfByte(ChannelOf(raw, f->greenMask, f->greenShift), f->greenBits)
                      << 8 |
                  ChannelAtTopOfByte(ChannelOf(raw, f->redMask, f->redShift), f->redBits) << 16;
  if (f->alphaBits) {
    argb |= ChannelAtTopOfByte(ChannelOf(raw, f->alphaMask, f->alphaShift), f->alphaBits) << 24;
  }
  return argb;
}

// ---------------------------------------------------------------------------
// Pixel access
// ---------------------------------------------------------------------------

int WriteBaseImagePixel(BASEIMAGE *image, int x, int y, int r, int g, int b, int a) {
  if (PreparePixelAccess(image, x, y) != 0) return -1;
  WriteRawPixel(PixelAddress(image, x, y), image->format.bytesPerPixel,
                PackColorToPixel(&image->format, r, g, b, a));
  return 0;
}

int ReadBaseImagePixel(const BASEIMAGE *image, int x, int y, int *r, int *g, int *b,
                       int *a) {
  // Reading a compressed image decodes it in place first.
  BASEIMAGE *decodable = const_cast<BASEIMAGE *>(image);
  if (PreparePixelAccess(decodable, x, y) != 0) return -1;
  const uint8_t *p = PixelAddress(image, x, y);
  if (image->format.bytesPerPixel == 1) {
    const uint8_t *entry = image->format.palette[*p];
    StoreIfWanted(r, entry[2]);
    StoreIfWanted(g, entry[1]);
    StoreIfWanted(b, entry[0]);
    StoreIfWanted(a, entry[3]);
    return 0;
  }
  return UnpackPixelColor(&image->format, ReadRawPixel(p, image->format.bytesPerPixel), r, g,
                          b, a);
}
