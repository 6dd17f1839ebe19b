// Helpers shared by the base-image code, the DXT decoder and the software
// renderer's image import: raw pixel access, checked size arithmetic and
// channel rescaling. The public base-image functions are in velvane.h.
#ifndef VELVANE_GRAPHICS_BASE_IMAGE_H
#define VELVANE_GRAPHICS_BASE_IMAGE_H

#include <stdint.h>

#include "velvane.h"

// One colour channel of a validated format.
struct PixelChannel {
  uint32_t mask;
  int shift;
  int bits;  // 0 = absent
};

// A format that the converters can work with: 8, 16, 24 or 32 bits, each
// channel mask contiguous, at most 16 bits wide and inside the value it
// describes (the pixel, or the palette entry for 1-byte pixels).
struct PixelLayout {
  int bytes;
  PixelChannel red, green, blue, alpha;
  uint32_t colorMask;  // red | green | blue
  uint32_t fillMask;
  int paletted;
  const uint8_t (*palette)[4];
};

// Fills layout from format; -1 when the format is compressed or its channel
// fields are unusable (see PixelLayout).
int DescribePixelLayout(const PixelFormat *format, PixelLayout *layout);

// The bits a pixel value of the given size can hold (all 32 from 32 up).
uint32_t PixelValueMask(int bits);

// Bytes of a width x height image with the given row length, computed in 64
// bits; -1 when negative or too large for one memory block.
int ComputeImageBytes(int64_t rowBytes, int64_t rows, int *bytes);
// Bytes of one DXT level of width x height pixels for compression 1 (8-byte
// blocks) or 2-5 (16-byte blocks): partial blocks count whole and each side
// has at least one block. -1 for another code or when too large.
int ComputeDxtLevelBytes(uint32_t compression, int width, int height, int *bytes);
// width x bytesPerPixel rounded up to a multiple of alignment (a power of
// two); -1 when it does not fit in an int.
int ComputeAlignedPitch(int width, int bytesPerPixel, int alignment, int *pitch);

// A block copy between two images: source point, size, destination point.
// 64-bit, so callers' int coordinates anywhere in their range (and sizes
// taken as the difference of two of them) clip without overflowing.
struct BlitBlock {
  int64_t srcX, srcY, w, h, destX, destY;
};
// Cuts the block to both images: a negative start on either side moves the
// start on both sides and shrinks the block, then the block is cut at both
// images' right and bottom edges. Nothing is left when w or h <= 0; when
// something is, every field fits in an int.
void ClipBlitBlock(BlitBlock *block, int srcWidth, int srcHeight, int destWidth,
                   int destHeight);

// The source rectangle of a block that clipping left non-empty.
Rect ClippedSourceRect(const BlitBlock &block);

// 1 when the w x h block at (x, y) lies inside a width x height image (an
// empty block too, with its corner inside or on the far edges), else 0.
int BlockFitsImage(int x, int y, int w, int h, int width, int height);

// Little-endian pixel values of 1 to 4 bytes.
uint32_t ReadRawPixel(const uint8_t *p, int bytes);
void WriteRawPixel(uint8_t *p, int bytes, uint32_t value);

// A channel value of fromBits bits brought to toBits bits: narrowing drops
// low bits; widening shifts left and, with replicate, fills the new low bits
// with the value's top bits (so all ones stays all ones).
uint32_t ResizeChannel(uint32_t value, int fromBits, int toBits, int replicate);
// The palette entry of index as blue | green << 8 | red << 16 | fourth << 24.
uint32_t PaletteEntryValue(const PixelFormat *format, int index);

// Decodes the 4 x 4 blocks of a DXT1 to DXT5 image into 32-bit ARGB rows of
// dstPitch bytes, blocks at the right and bottom edges cut to the image; -1
// for an unknown compression code.
int DecodeDxtBlocks(const BASEIMAGE *image, uint8_t *dst, int dstPitch);

#endif  // VELVANE_GRAPHICS_BASE_IMAGE_H
