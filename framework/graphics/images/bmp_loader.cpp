// Windows bitmap files. 4-bit and 8-bit images (plain or run-length encoded)
// stay paletted, 24-bit and 32-bit ones are taken as they are, and 1-bit,
// 16-bit and bit-field images are widened to 24-bit. The file is read into
// memory once; every offset, count and run is checked against it.
#include <limits.h>
#include <string.h>

#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "graphics/images/image_loaders.h"

namespace {

enum {
  BMP_FILE_HEADER_SIZE = 14,
  BMP_INFO_HEADER_SIZE = 40,
  BI_RGB = 0,
  BI_RLE8 = 1,
  BI_RLE4 = 2,
  BI_BITFIELDS = 3
};

struct BmpFile {
  DibInfoHeader header;
  int width, rows;  // rows = |height|
  uint8_t palette[256][4];
  uint32_t masks[3];
  const uint8_t *pixels;
  int pixelBytes;
};

int ParseBmpHeader(const uint8_t *data, int size, BmpFile *f) {
  if (size < BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE || memcmp(data, "BM", 2) != 0) return -1;
  const uint8_t *info = data + BMP_FILE_HEADER_SIZE;
  DibInfoHeader &h = f->header;
  h.size = ReadLe32At(info);
  h.width = static_cast<int32_t>(ReadLe32At(info + 4));
  h.height = static_cast<int32_t>(ReadLe32At(info + 8));
  h.planes = static_cast<uint16_t>(ReadLe16At(info + 12));
  h.bitCount = static_cast<uint16_t>(ReadLe16At(info + 14));
  h.compression = ReadLe32At(info + 16);
  h.clrUsed = ReadLe32At(info + 32);
  if (h.size < BMP_INFO_HEADER_SIZE || h.size > static_cast<uint32_t>(size) ||
      h.height == INT_MIN) {
    return -1;
  }
  f->width = h.width;
  f->rows = h.height < 0 ? -h.height : h.height;
  if (!ImageSidesAcceptable(f->width, f->rows, IMAGE_MAX_SIDE)) return -1;
  const uint32_t offset = ReadLe32At(data + 10);
  if (offset > static_cast<uint32_t>(size)) return -1;
  f->pixels = data + offset;
  f->pixelBytes = size - static_cast<int>(offset);
  return 0;
}

// The palette sits right after the header, whatever its version; it holds
// clrUsed entries (0 = all 2^bits). Bit-field masks follow the 40 header
// bytes, inside the longer headers.
int ParseBmpTables(const uint8_t *data, int size, BmpFile *f) {
  memset(f->palette, 0, sizeof(f->palette));
  memset(f->masks, 0, sizeof(f->masks));
  const DibInfoHeader &h = f->header;
  if (h.bitCount <= 8) {
    const uint32_t all = 1u << h.bitCount;
    const uint32_t count = h.clrUsed == 0 || h.clrUsed > all ? all : h.clrUsed;
    const int64_t start = BMP_FILE_HEADER_SIZE + static_cast<int64_t>(h.size);
    if (start + count * 4 > size) return -1;
    for (uint32_t i = 0; i < count; ++i) memcpy(f->palette[i], data + start + i * 4, 3);
  }
  if (h.compression == BI_BITFIELDS) {
    const int start = BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE;
    if (start + 12 > size) return -1;
    for (int i = 0; i < 3; ++i) f->masks[i] = ReadLe32At(data + start + 4 * i);
  }
  return 0;
}

// Zeroed, so row padding and pixels a run-length stream never reaches are 0.
uint8_t *AllocImage(int64_t pitch, int rows) {
  int bytes = 0;
  if (ComputeImageBytes(pitch, rows, &bytes) != 0) return nullptr;
  return static_cast<uint8_t *>(VV_ALLOC_ZEROED(bytes));
}

// Run-length decoding into one byte per pixel. Runs past the row end are cut
// at the row; a delta past the image or input that ends mid-run ends the
// decoding, leaving the rest zero.
struct RleDecoder {
  const BmpFile *f;
  uint8_t *out;
  int pitch, rle4, x, y;
  void Put(int value) {
    if (x < f->width && y < f->rows) {
      const int row = f->header.height < 0 ? y : f->rows - 1 - y;
      out[static_cast<intptr_t>(row) * pitch + x] = static_cast<uint8_t>(value);
    }
    ++x;
  }
  int Nibble(int value, int i) { return rle4 ? (i % 2 ? value & 15 : value >> 4) : value; }
  void Run() {
    const uint8_t *in = f->pixels;
    const int size = f->pixelBytes;
    int pos = 0;
    while (y < f->rows && pos + 2 <= size) {
      const int n = in[pos], v = in[pos + 1];
      pos += 2;
      if (n > 0) {
        for (int i = 0; i < n; ++i) Put(Nibble(v, i));
      } else if (v == 0) {
        x = 0;
        ++y;
      } else if (v == 1) {
        return;
      } else if (v == 2) {
        if (pos + 2 > size) return;
        x = in[pos];
        y += in[pos + 1];
        pos += 2;
      } else {
        const int bytes = rle4 ? (v + 1) / 2 : v;
        if (pos + bytes > size) return;
        for (int i = 0; i < v; ++i) Put(Nibble(in[pos + (rle4 ? i / 2 : i)], i));
        pos += bytes + (bytes & 1);
      }
    }
  }
};

void ExpandNibbles(const BmpFile &f, uint8_t *out, int pitch) {
  const int64_t stride = DibStride(f.width, 4);
  for (int y = 0; y < f.rows; ++y) {
    const uint8_t *src = f.pixels + (f.header.height < 0 ? y : f.rows - 1 - y) * stride;
    uint8_t *dst = out + static_cast<intptr_t>(y) * pitch;
    for (int x = 0; x < f.width; ++x) dst[x] = x % 2 ? src[x / 2] & 15 : src[x / 2] >> 4;
  }
}

void CopyRowsTopDown(const BmpFile &f, int64_t stride, uint8_t *out) {
  for (int y = 0; y < f.rows; ++y) {
    const uint8_t *src = f.pixels + (f.header.height < 0 ? y : f.rows - 1 - y) * stride;
    memcpy(out + y * stride, src, static_cast<size_t>(stride));
  }
}

int HasRows(const BmpFile &f, int64_t stride) {
  return stride * f.rows <= f.pixelBytes;
}

// Decodes f into out; -1 for a kind this reader does not take, data that is
// short or memory that cannot be had.
int DecodeBmp(const BmpFile &f, BASEIMAGE *out) {
  const DibInfoHeader &h = f.header;
  const int64_t stride = DibStride(f.width, h.bitCount);
  const int64_t bytePitch = DibStride(f.width, 8);
  int paletted = 1, pitch = static_cast<int>(bytePitch);
  uint8_t *pixels = nullptr;
  if ((h.compression == BI_RLE8 && h.bitCount == 8) ||
      (h.compression == BI_RLE4 && h.bitCount == 4)) {
    pixels = AllocImage(bytePitch, f.rows);
    if (!pixels) return -1;
    RleDecoder decoder = {&f, pixels, pitch, h.compression == BI_RLE4, 0, 0};
    decoder.Run();
  } else if (h.compression == BI_RGB && h.bitCount == 4) {
    if (!HasRows(f, stride) || !(pixels = AllocImage(bytePitch, f.rows))) return -1;
    ExpandNibbles(f, pixels, pitch);
  } else if (h.compression == BI_RGB && (h.bitCount == 8 || h.bitCount == 24 || h.bitCount == 32)) {
    if (!HasRows(f, stride) || !(pixels = AllocImage(stride, f.rows))) return -1;
    CopyRowsTopDown(f, stride, pixels);
    paletted = h.bitCount == 8;
    pitch = static_cast<int>(stride);
  } else if (CanWidenDibTo24(&h)) {
    if (!HasRows(f, stride)) return -1;
    pitch = static_cast<int>(DibStride(f.width, 24));
    pixels = AllocImage(pitch, f.rows);
    if (!pixels) {
      return WriteErrorLog(
          "２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
    }
    WidenDibTo24(&h, f.palette, f.masks, f.pixels, pixels, pitch);
    paletted = 0;
  } else {
    return -1;
  }
  if (paletted) {
    MakePalette8PixelFormat(&out->format);
    memcpy(out->format.palette, f.palette, sizeof(f.palette));
  } else if (h.bitCount == 32 && h.compression == BI_RGB) {
    MakeArgb32PixelFormat(&out->format);  // the fourth byte is alpha
  } else {
    MakeRgb24PixelFormat(&out->format);
  }
  out->width = f.width;
  out->height = f.rows;
  out->pitch = pitch;
  out->pixels = pixels;
  out->mipCount = 0;
  return 0;
}

}  // namespace

int BmpImageLoader(StreamSource *source, BASEIMAGE *out) {
  uint8_t magic[2];
  const int size = StreamBytesLeft(source);
  if (size < BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE || ReadStreamExact(source, magic, 2) != 0 ||
      memcmp(magic, "BM", 2) != 0 || source->functions.seek(source->stream, -2, 1) != 0) {
    return -1;
  }
  uint8_t *data = static_cast<uint8_t *>(VV_ALLOC(size));
  if (!data) return -1;
  BmpFile file;
  int result = -1;
  if (ReadStreamExact(source, data, size) == 0 && ParseBmpHeader(data, size, &file) == 0 &&
      ParseBmpTables(data, size, &file) == 0) {
    result = DecodeBmp(file, out);
  }
  VV_FREE(data);
  return result;
}
