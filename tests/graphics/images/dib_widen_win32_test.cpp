// The portable bitmap widening against the platform's own drawing of the
// same bitmap into a 24-bit section.
#include <windows.h>

#include <gtest/gtest.h>
#include <stddef.h>
#include <string.h>

#include <vector>

#include "graphics/images/image_loaders.h"

static_assert(sizeof(DibInfoHeader) == sizeof(BITMAPINFOHEADER), "bitmap header size");
static_assert(offsetof(DibInfoHeader, width) == offsetof(BITMAPINFOHEADER, biWidth), "width");
static_assert(offsetof(DibInfoHeader, height) == offsetof(BITMAPINFOHEADER, biHeight), "height");
static_assert(offsetof(DibInfoHeader, bitCount) == offsetof(BITMAPINFOHEADER, biBitCount),
              "bit count");
static_assert(offsetof(DibInfoHeader, compression) ==
                  offsetof(BITMAPINFOHEADER, biCompression),
              "compression");
static_assert(offsetof(DibInfoHeader, clrUsed) == offsetof(BITMAPINFOHEADER, biClrUsed),
              "colours used");
static_assert(offsetof(DibInfoHeader, clrImportant) ==
                  offsetof(BITMAPINFOHEADER, biClrImportant),
              "colours important");
static_assert(offsetof(DibInfo, colors) == offsetof(BITMAPINFO, bmiColors), "palette");
static_assert(sizeof(DibInfo) <= DIB_INFO_BLOCK_SIZE, "bitmap block");

namespace {

struct WidenCase {
  int bits;
  uint32_t compression;
  uint32_t masks[3];
};

// What the platform draws: rows of width x 3 bytes rounded up to 4.
std::vector<uint8_t> DrawWithPlatform(const DibInfo &info, const std::vector<uint8_t> &bits) {
  const int width = info.header.width;
  const int rows = info.header.height < 0 ? -info.header.height : info.header.height;
  BITMAPINFO target = {};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = width;
  target.bmiHeader.biHeight = -rows;
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  HDC dc = CreateCompatibleDC(nullptr);
  void *pixels = nullptr;
  HBITMAP section = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &pixels, nullptr, 0);
  std::vector<uint8_t> out;
  if (section) {
    HGDIOBJ old = SelectObject(dc, section);
    SetDIBitsToDevice(dc, 0, 0, width, rows, 0, 0, 0, rows, bits.data(),
                      reinterpret_cast<const BITMAPINFO *>(&info), DIB_RGB_COLORS);
    GdiFlush();
    const size_t bytes = static_cast<size_t>((width * 3 + 3) & ~3) * rows;
    out.assign(static_cast<uint8_t *>(pixels), static_cast<uint8_t *>(pixels) + bytes);
    SelectObject(dc, old);
    DeleteObject(section);
  }
  DeleteDC(dc);
  return out;
}

TEST(DibWidenTest, MatchesThePlatformsDrawing) {
  const WidenCase cases[] = {
      {1, 0, {}},
      {16, 0, {}},
      {16, 3, {0xF800, 0x07E0, 0x001F}},
      {16, 3, {0x7C00, 0x03E0, 0x001F}},
      {16, 3, {0x0F00, 0x00F0, 0x000F}},
      {32, 3, {0xFF0000, 0xFF00, 0xFF}},
      {32, 3, {0x3FF00000, 0xFFC00, 0x3FF}},
      {32, 3, {0xE0, 0x1C, 0x03}},
  };
  const int width = 7, rows = 3;
  for (const WidenCase &c : cases) {
    for (int height : {rows, -rows}) {
      DibInfo info = {};
      info.header.size = 40;
      info.header.width = width;
      info.header.height = height;
      info.header.planes = 1;
      info.header.bitCount = static_cast<uint16_t>(c.bits);
      info.header.compression = c.compression;
      if (c.compression == 3) memcpy(info.colors, c.masks, sizeof(c.masks));
      if (c.bits == 1) {
        const uint8_t two[2][4] = {{10, 20, 30, 0}, {200, 150, 100, 0}};
        memcpy(info.colors, two, sizeof(two));
      }
      const int64_t stride = DibStride(width, c.bits);
      std::vector<uint8_t> bits(static_cast<size_t>(stride * rows));
      for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<uint8_t>(i * 37 + 11);
      const int pitch = (width * 3 + 3) & ~3;
      std::vector<uint8_t> ours(static_cast<size_t>(pitch) * rows, 0);
      ASSERT_TRUE(CanWidenDibTo24(&info.header));
      WidenDibTo24(&info.header, info.colors, c.masks, bits.data(), ours.data(), pitch);
      const std::vector<uint8_t> platform = DrawWithPlatform(info, bits);
      ASSERT_EQ(platform.size(), ours.size());
      for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width * 3; ++x) {
          EXPECT_EQ(platform[y * pitch + x], ours[y * pitch + x])
              << "bits " << c.bits << " masks " << std::hex << c.masks[0] << std::dec
              << " height " << height << " at " << x / 3 << "," << y << " channel " << x % 3;
        }
      }
    }
  }
}

}  // namespace
