// BlitWithFormatConversion over random formats (standard ones and arbitrary
// masks), sizes, positions and options: it must refuse an unusable format,
// read and write only inside the rectangles it was given (every buffer is
// exactly as large as its rows), and leave every other destination byte
// alone.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "fuzz_input.h"
#include "graphics/images/base_image.h"
#include "velvane.h"

namespace {

typedef FuzzInput Input;

const uint32_t kStandard[][5] = {
    {8, 0xFF0000, 0xFF00, 0xFF, 0},       {24, 0xFF0000, 0xFF00, 0xFF, 0},
    {32, 0xFF0000, 0xFF00, 0xFF, 0},      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {16, 0xF800, 0x07E0, 0x001F, 0},      {16, 0x7C00, 0x03E0, 0x001F, 0},
    {16, 0x7C00, 0x03E0, 0x001F, 0x8000}, {16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {32, 0xF800, 0x07E0, 0x001F, 0xFF0000}, {32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, {8, 0xFF, 0xFF, 0xFF, 0xFF},
};

void MakeFormat(Input *in, PixelFormat *f) {
  memset(f, 0, sizeof(*f));
  const uint32_t choice = in->Byte();
  const size_t count = sizeof(kStandard) / sizeof(kStandard[0]);
  if (choice < 200) {
    const uint32_t *s = kStandard[choice % count];
    MakePixelFormatFromMasks(f, static_cast<int>(s[0]), s[1], s[2], s[3], s[4]);
  } else {
    const int bits = static_cast<int>(8 * (1 + in->Byte() % 4));
    MakePixelFormatFromMasks(f, bits, in->Word(), in->Word(), in->Word(), in->Word());
    if (in->Byte() == 0xFF) f->bitsPerPixel = static_cast<uint16_t>(in->Byte());
  }
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 4; ++c) f->palette[i][c] = static_cast<uint8_t>(i * 37 + c * 91);
  }
  if (in->Byte() == 0xEE) f->compression = 1 + in->Byte() % 5;
}

int PixelBytes(const PixelFormat &f) {
  const int bytes = f.bitsPerPixel / 8;
  return bytes < 1 ? 1 : (bytes > 4 ? 4 : bytes);
}

struct Buffer {
  PixelFormat format;
  int width, height, pitch;
  uint8_t *bytes;
  size_t size;

  void Make(Input *in, int w, int h) {
    MakeFormat(in, &format);
    width = w;
    height = h;
    pitch = w * PixelBytes(format) + in->Range(0, 3);
    size = static_cast<size_t>(pitch) * h;
    bytes = static_cast<uint8_t *>(malloc(size));
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(in->Byte() ^ (i * 13));
  }
  void Free() { free(bytes); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  Input in = {data, size, 0};
  Buffer src, dst, alpha;
  src.Make(&in, in.Range(1, 24), in.Range(1, 24));
  dst.Make(&in, in.Range(1, 24), in.Range(1, 24));
  const bool withAlpha = in.Byte() & 1;
  if (withAlpha) alpha.Make(&in, src.width, src.height);

  const int maxW = src.width < dst.width ? src.width : dst.width;
  const int maxH = src.height < dst.height ? src.height : dst.height;
  const int w = in.Range(1, maxW), h = in.Range(1, maxH);
  const int sx = in.Range(0, src.width - w), sy = in.Range(0, src.height - h);
  const int dx = in.Range(0, dst.width - w), dy = in.Range(0, dst.height - h);
  Rect rect = {sx, sy, sx + w, sy + h};
  if (in.Byte() == 0xFD) rect.right = sx;  // an empty rectangle now and then
  const uint32_t flags = in.Word();
  const uint32_t key = in.Word();

  std::vector<uint8_t> before(dst.bytes, dst.bytes + dst.size);
  const int result = BlitWithFormatConversion(
      dst.bytes, dst.pitch, &dst.format, src.bytes, src.pitch, &src.format,
      withAlpha ? alpha.bytes : nullptr, withAlpha ? alpha.pitch : 0,
      withAlpha ? &alpha.format : nullptr, dx, dy, &rect, flags & 1, (flags >> 1) & 1, key,
      static_cast<int>((flags >> 2) % 4), (flags >> 4) & 1, (flags >> 5) & 1, (flags >> 6) & 1,
      (flags >> 7) & 1);
  if (result < -1 || result > 255) abort();

  const int bytes = PixelBytes(dst.format);
  for (int y = 0; y < dst.height; ++y) {
    for (int x = 0; x < dst.pitch; ++x) {
      const bool inside = result >= 0 && y >= dy && y < dy + h && x >= dx * bytes &&
                          x < (dx + w) * bytes;
      const size_t i = static_cast<size_t>(y) * dst.pitch + x;
      if (!inside && dst.bytes[i] != before[i]) abort();
    }
  }
  src.Free();
  dst.Free();
  if (withAlpha) alpha.Free();
  return 0;
}
