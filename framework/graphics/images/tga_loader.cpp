// Truevision TGA pictures: true-colour or colour-mapped, plain or
// run-length encoded, in any of the four pixel orders. The file after the
// header is read into memory once and decoded there with every count bounded
// by what was read; pixels the file does not supply stay zero.
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum { TGA_HEADER_SIZE = 18, TGA_FOOTER_SIZE = 26 };

struct TgaHeader {
  int idLength, colorMapType, imageType;
  int mapFirst, mapLength, mapEntryBits;
  int originX, originY, width, height, depth, descriptor;
};

void ParseTgaHeader(const uint8_t *p, TgaHeader *h) {
  h->idLength = p[0];
  h->colorMapType = p[1];
  h->imageType = p[2];
  h->mapFirst = ReadLe16At(p + 3);
  h->mapLength = ReadLe16At(p + 5);
  h->mapEntryBits = p[7];
  h->originX = ReadLe16At(p + 8);
  h->originY = ReadLe16At(p + 10);
  h->width = ReadLe16At(p + 12);
  h->height = ReadLe16At(p + 14);
  h->depth = p[16];
  h->descriptor = p[17];
}

int IsColorMapped(const TgaHeader &h) { return h.imageType == 1 || h.imageType == 9; }
int IsRunLength(const TgaHeader &h) { return h.imageType == 9 || h.imageType == 10; }

// Output bytes per pixel, or 0 when the file is not one this reader takes.
int TgaOutputBytes(const TgaHeader &h) {
  if (h.imageType != 1 && h.imageType != 2 && h.imageType != 9 && h.imageType != 10) return 0;
  if (h.originX != 0 || h.originY != 0) return 0;
  if (!ImageSidesAcceptable(h.width, h.height, TGA_MAX_SIDE)) return 0;
  if (IsColorMapped(h) && h.depth != 8) return 0;
  const int bits = IsColorMapped(h) ? h.mapEntryBits : h.depth;
  return bits == 16 || bits == 24 || bits == 32 ? bits / 8 : 0;
}

// Stream offset where the pixel data ends: before the footer when there is
// one (its signature present and its extension offset 0).
int TgaDataEnd(StreamSource *source, int total) {
  if (total < TGA_FOOTER_SIZE) return total;
  uint8_t footer[TGA_FOOTER_SIZE];
  if (source->functions.seek(source->stream, total - TGA_FOOTER_SIZE, 0) != 0 ||
      ReadStreamExact(source, footer, TGA_FOOTER_SIZE) != 0) {
    return total;
  }
  const int hasFooter =
      memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && ReadLe32At(footer) == 0;
  return hasFooter ? total - TGA_FOOTER_SIZE : total;
}

// A bounded reader over the bytes that follow the header.
struct TgaInput {
  const uint8_t *data;
  int size, position;
  int Take(int count, const uint8_t **out) {
    if (count > size - position) return -1;
    *out = data + position;
    position += count;
    return 0;
  }
};

// Reads the colour map into a zeroed 256-entry palette; entries at index
// 256 and above are skipped, a cut map leaves its missing entries black.
void ReadColorMap(const TgaHeader &h, int entryBytes, TgaInput *in, uint8_t (*palette)[4]) {
  for (int i = 0; i < h.mapLength; ++i) {
    const uint8_t *entry = nullptr;
    if (in->Take(entryBytes, &entry) != 0) {
      in->position = in->size;
      return;
    }
    const int index = h.mapFirst + i;
    if (index < 256) memcpy(palette[index], entry, entryBytes);
  }
}

// Writes one source unit (a pixel value or a palette index) as an output pixel.
void PutTgaPixel(const uint8_t *unit, int mapped, const uint8_t (*palette)[4], int bytes,
                 uint8_t *out) {
  memcpy(out, mapped ? palette[*unit] : unit, bytes);
}

void DecodeTgaPixels(const TgaHeader &h, int bytes, const uint8_t (*palette)[4], TgaInput *in,
                     uint8_t *pixels) {
  const int mapped = IsColorMapped(h);
  const int unitBytes = mapped ? 1 : bytes;
  const int total = h.width * h.height;
  if (!mapped && !IsRunLength(h)) {
    // Plain pixels are copied as they stand, a cut last pixel included.
    const int available = in->size - in->position;
    memcpy(pixels, in->data + in->position, available < total * bytes ? available : total * bytes);
    return;
  }
  int done = 0;
  while (done < total) {
    int count = 1, repeat = 0;
    if (IsRunLength(h)) {
      const uint8_t *packet = nullptr;
      if (in->Take(1, &packet) != 0) return;
      count = (*packet & 0x7F) + 1;
      repeat = (*packet & 0x80) != 0;
    }
    const uint8_t *unit = nullptr;
    for (int i = 0; i < count && done < total; ++i, ++done) {
      if ((i == 0 || !repeat) && in->Take(unitBytes, &unit) != 0) return;
      PutTgaPixel(unit, mapped, palette, bytes, pixels + static_cast<intptr_t>(done) * bytes);
    }
  }
}

void FlipRows(BASEIMAGE *image) {
  uint8_t *pixels = static_cast<uint8_t *>(image->pixels);
  uint8_t row[TGA_MAX_SIDE * 4];
  for (int top = 0, bottom = image->height - 1; top < bottom; ++top, --bottom) {
    uint8_t *a = pixels + static_cast<intptr_t>(top) * image->pitch;
    uint8_t *b = pixels + static_cast<intptr_t>(bottom) * image->pitch;
    memcpy(row, a, image->pitch);
    memcpy(a, b, image->pitch);
    memcpy(b, row, image->pitch);
  }
}

void MakeTgaFormat(int bytes, PixelFormat *format) {
  if (bytes == 2) {
    MakePixelFormatFromMasks(format, 16, 0x7C00, 0x3E0, 0x1F, 0);
  } else if (bytes == 3) {
    MakeRgb24PixelFormat(format);
  } else {
    MakeArgb32PixelFormat(format);
  }
}

}  // namespace

int TgaImageLoader(StreamSource *source, BASEIMAGE *out) {
  const int total = StreamBytesLeft(source);
  if (total < TGA_HEADER_SIZE) return -1;
  const int dataEnd = TgaDataEnd(source, total);
  uint8_t raw[TGA_HEADER_SIZE];
  if (source->functions.seek(source->stream, 0, 0) != 0 ||
      ReadStreamExact(source, raw, TGA_HEADER_SIZE) != 0) {
    return -1;
  }
  TgaHeader h;
  ParseTgaHeader(raw, &h);
  const int bytes = TgaOutputBytes(h);
  if (bytes == 0) return -1;

  const int dataSize = dataEnd > TGA_HEADER_SIZE ? dataEnd - TGA_HEADER_SIZE : 0;
  uint8_t *data = static_cast<uint8_t *>(VV_ALLOC(dataSize > 0 ? dataSize : 1));
  const int pixelBytes = h.width * h.height * bytes;  // at most 8192 x 8192 x 4
  uint8_t *pixels = static_cast<uint8_t *>(VV_ALLOC_ZEROED(pixelBytes));
  if (!data || !pixels || ReadStreamExact(source, data, dataSize) != 0) {
    VV_FREE(data);
    VV_FREE(pixels);
    return -1;
  }
  TgaInput in = {data, dataSize, h.idLength < dataSize ? h.idLength : dataSize};
  uint8_t palette[256][4] = {};
  if (IsColorMapped(h)) ReadColorMap(h, h.mapEntryBits / 8, &in, palette);
  DecodeTgaPixels(h, bytes, palette, &in, pixels);
  VV_FREE(data);

  MakeTgaFormat(bytes, &out->format);
  out->width = h.width;
  out->height = h.height;
  out->pitch = h.width * bytes;
  out->pixels = pixels;
  out->mipCount = 0;
  if (!(h.descriptor & 0x20)) FlipRows(out);
  if (h.descriptor & 0x10) MirrorBaseImage(out);
  return 0;
}
