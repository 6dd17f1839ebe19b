// The image readers behind the loader table and the helpers they share:
// exact stream reads, size checks and the device-independent bitmap record.
// The public load functions are declared in velvane.h.
#ifndef VELVANE_GRAPHICS_IMAGE_LOADERS_H
#define VELVANE_GRAPHICS_IMAGE_LOADERS_H

#include <stdint.h>

#include "core/files/file_access.h"
#include "velvane.h"

// A reader: 0 when it recognised the data and filled out (which then owns
// its pixels), -1 otherwise with nothing left allocated.
typedef int (*ImageLoaderFunction)(StreamSource *source, BASEIMAGE *out);

int BmpImageLoader(StreamSource *source, BASEIMAGE *out);
int JpegImageLoader(StreamSource *source, BASEIMAGE *out);
int PngImageLoader(StreamSource *source, BASEIMAGE *out);
int BgraImageLoader(StreamSource *source, BASEIMAGE *out);
int TgaImageLoader(StreamSource *source, BASEIMAGE *out);
int DdsImageLoader(StreamSource *source, BASEIMAGE *out);

// Offers the stream to every reader in table order, each from offset 0 into
// a zero-filled out; 0 when one accepted it, -1 when none did.
int LoadBaseImageFromStream(StreamSource *source, BASEIMAGE *out);

// The largest side the readers accept (TGA keeps its own, smaller limit).
enum { IMAGE_MAX_SIDE = 16384, TGA_MAX_SIDE = 8192 };

// 1 when both sides lie in 1..limit, else 0.
int ImageSidesAcceptable(int64_t width, int64_t height, int limit);

// Reads exactly size bytes; 0, or -1 on a short read. Asks for size one-byte
// items, so a stream that counts a partial item as read cannot pass off
// truncated data as whole.
int ReadStreamExact(StreamSource *source, void *buffer, int size);
// Bytes from the current position to the end (the position is kept); -1
// when the stream cannot tell or seek.
int StreamBytesLeft(StreamSource *source);

// Little-endian fields of file headers.
uint32_t ReadLe16At(const uint8_t *p);
uint32_t ReadLe32At(const uint8_t *p);

// The 40-byte header of a device-independent bitmap, laid out as the
// platform's BITMAPINFOHEADER.
struct DibInfoHeader {
  uint32_t size;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
};

// A bitmap header followed by room for 256 palette entries (blue, green,
// red, reserved), laid out as the platform's BITMAPINFO with a full palette.
struct DibInfo {
  DibInfoHeader header;
  uint8_t colors[256][4];
};

enum { DIB_INFO_BLOCK_SIZE = 1068 };

// The common loader: from the file path (fromMemory 0) or the block
// (fromMemory 1); reverse mirrors left to right; wantDib 1 hands the result
// back as a bitmap (*dibInfo, *dibBits) instead of in out.
int LoadImageToBaseImage(const char *path, const void *data, int size, int fromMemory,
                         int wantDib, int reverse, BASEIMAGE *out, DibInfo **dibInfo,
                         void **dibBits);
// Fills a top-down bitmap description of image. 0 when *bits are the image's
// own pixels, 1 when they are a new block, -1 when a block cannot be had.
int MakeDibFromBaseImage(const BASEIMAGE *image, DibInfo *info, void **bits, int forceCopy,
                         int force24);

// 1 when the portable widening below takes the bitmap's kind: 1-bit,
// 16-bit plain, or bit fields at 16 or 32 bits.
int CanWidenDibTo24(const DibInfoHeader *header);
// Draws a bitmap of that kind into 24-bit rows (blue, green, red) of
// outPitch bytes, top to bottom, widening narrow channels as the platform's
// bitmap drawing does. palette holds 256 entries, masks red, green and blue
// (used for bit fields). bits holds |height| rows of the bitmap's stride.
void WidenDibTo24(const DibInfoHeader *header, const uint8_t (*palette)[4],
                  const uint32_t masks[3], const uint8_t *bits, uint8_t *out, int outPitch);
// Bytes of one bitmap row: width x bits rounded up to whole 32-bit words.
int64_t DibStride(int64_t width, int bitCount);

// The two built-in run-length-encoded TGA images: an 8 x 8 opaque white
// picture and a 256 x 8 ramp of four greys.
enum { WHITE_IMAGE_TGA_SIZE = 84, TOON_RAMP_TGA_SIZE = 172 };
extern const uint8_t kWhiteImageTga[WHITE_IMAGE_TGA_SIZE];
extern const uint8_t kToonRampImageTga[TOON_RAMP_TGA_SIZE];

#endif  // VELVANE_GRAPHICS_IMAGE_LOADERS_H
