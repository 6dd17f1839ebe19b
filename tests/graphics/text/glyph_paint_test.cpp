#include "graphics/text/glyph_paint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/images/base_image.h"
#include "graphics/text/font_record.h"

namespace {

// The edge patterns as the design gives them, one string per row.
const std::vector<std::vector<std::string>> kPatterns = {
    {".X.", "XXX", ".X."},
    {".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."},
    {"...X...", ".XXXXX.", ".XXXXX.", "XXXXXXX", ".XXXXX.", ".XXXXX.", "...X..."},
    {"..XXXXX..", ".XXXXXXX.", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX",
     ".XXXXXXX.", "..XXXXX.."},
};

TEST(GlyphPaintTest, EdgePatternsForSizesOneToFive) {
  for (int e = 1; e <= 5; e++) {
    for (int dy = -e; dy <= e; dy++) {
      for (int dx = -e; dx <= e; dx++) {
        const int expected = e == 5 ? 1 : kPatterns[e - 1][dy + e][dx + e] == 'X';
        EXPECT_EQ(expected, EdgePatternCovers(e, dx, dy)) << e << " " << dx << "," << dy;
      }
    }
    EXPECT_EQ(0, EdgePatternCovers(e, e + 1, 0));
  }
}

TEST(GlyphPaintTest, EdgeCoverageAccumulates) {
  // (256 - (16 - c) x (16 - level)) / 16
  const struct { int cover, level, expected; } cases[] = {
      {0, 16, 16}, {0, 8, 8}, {8, 8, 12}, {0, 1, 1}, {15, 1, 15}, {12, 4, 13}, {16, 3, 16}};
  for (const auto &c : cases) EXPECT_EQ(c.expected, AccumulateEdgeCover(c.cover, c.level));
}

PixelFormat Format(int bits, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  PixelFormat format;
  memset(&format, 0, sizeof format);
  MakePixelFormatFromMasks(&format, bits, r, g, b, a);
  return format;
}

TEST(GlyphPaintTest, TextureCachePixelsByFormat) {
  const PixelFormat argb8888 = Format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
  const PixelFormat argb4444 = Format(16, 0xF00, 0xF0, 0xF, 0xF000);
  const PixelFormat argb1555 = Format(16, 0x7C00, 0x3E0, 0x1F, 0x8000);
  const struct { const PixelFormat *format; int level; uint32_t expected; } cases[] = {
      {&argb8888, 0, 0x00FFFFFF},  {&argb8888, 16, 0xFFFFFFFF}, {&argb8888, 8, 0x7FFFFFFF},
      {&argb8888, 1, 0x0FFFFFFF},  {&argb4444, 0, 0x0FFF},      {&argb4444, 16, 0xFFFF},
      {&argb4444, 5, 5 * 4096 - 1}, {&argb1555, 0, 0x7FFF},     {&argb1555, 16, 0xFFFF},
      {&argb1555, 8, 0x7FFF},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(c.expected, TextureCachePixel(c.format, c.level)) << c.level;
  }
}

// A glyph image of rows of levels ('#' 16, '.' 0, digits) in the grey form.
struct TestGlyph {
  std::vector<uint8_t> bytes;
  GlyphImage image;
};

TestGlyph Grey(const std::vector<std::string> &rows, int pitch) {
  TestGlyph glyph;
  const int width = static_cast<int>(rows[0].size());
  glyph.bytes.assign(static_cast<size_t>(pitch) * rows.size(), 16);
  for (size_t y = 0; y < rows.size(); y++) {
    for (int x = 0; x < width; x++) {
      const char c = rows[y][x];
      glyph.bytes[y * pitch + x] = static_cast<uint8_t>(c == '#' ? 16 : c == '.' ? 0 : c - '0');
    }
  }
  glyph.image = {width, static_cast<int>(rows.size()), 0, 0, 0, pitch, glyph.bytes.data()};
  return glyph;
}

TEST(GlyphPaintTest, OversizeGlyphsAreClippedToTheirCell) {
  TestGlyph glyph = Grey({"#####", "#####", "#####", "#####", "#####", "#####"}, 8);
  uint8_t levels[16], cover[16];
  GlyphCellPlanes planes = {4, levels, cover, 0, 0};
  RasteriseGlyph(&glyph.image, GLYPH_GREY, 1, &planes);
  EXPECT_EQ(4, planes.width);
  EXPECT_EQ(4, planes.height);
  // The glyph starts at (1, 1); its edge covers the rest but the corner.
  const char *const expectLevels[4] = {"....", ".###", ".###", ".###"};
  for (int y = 0; y < 4; y++) {
    for (int x = 0; x < 4; x++) {
      EXPECT_EQ(expectLevels[y][x] == '#' ? 16 : 0, levels[y * 4 + x]) << x << "," << y;
      EXPECT_EQ(x == 0 && y == 0 ? 0 : 16, cover[y * 4 + x]) << x << "," << y;
    }
  }
}

TEST(GlyphPaintTest, MemoryCellEncodings) {
  // One row: glyph levels 16, 8, 1, 0 and an edge pixel past them.
  TestGlyph glyph = Grey({"#81"}, 4);
  uint8_t levels[64], cover[64];
  GlyphCellPlanes planes = {8, levels, cover, 0, 0};
  RasteriseGlyph(&glyph.image, GLYPH_GREY, 1, &planes);
  // Row 1 holds the glyph from x 1; x 4 is edge only (from level 1 beside it).
  EXPECT_EQ(5, planes.width);
  EXPECT_EQ(3, planes.height);
  uint8_t rows[8 * 8];
  const struct { int type; int rowBytes; std::vector<int> row1; } cases[] = {
      {0, 1, {0x70}},
      {FONT_TYPE_EDGE, 8, {2, 1, 1, 1, 2, 0, 0, 0}},
      {FONT_TYPE_ANTIALIAS, 8, {0, 15, 7, 0, 0, 0, 0, 0}},
      // Edge coverage: 16 beside the full pixel, 8 on the level-1 pixel, 1 past it.
      {FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS, 8, {0xF0, 0xFF, 0xF7, 0x70, 0x00, 0, 0, 0}},
  };
  for (const auto &c : cases) {
    memset(rows, 0xAA, sizeof rows);
    WriteMemoryCell(rows, c.rowBytes, c.type, &planes);
    for (size_t x = 0; x < c.row1.size(); x++) {
      EXPECT_EQ(c.row1[x], rows[c.rowBytes + x]) << "type " << c.type << " x " << x;
    }
    EXPECT_EQ(0, rows[0]) << "type " << c.type;
  }
}

TEST(GlyphPaintTest, TextureCellsWriteWhiteWithLevelAlpha) {
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  PixelFormat format = Format(16, 0xF00, 0xF0, 0xF, 0xF000);
  ASSERT_EQ(0, CreateBaseImageWithFormat(6, 6, &format, &image));
  memset(image.pixels, 0x55, static_cast<size_t>(image.pitch) * 6);
  const uint8_t values[4] = {0, 16, 4, 1};
  WriteTextureCell(&image, 4, 4, 2, values);  // clipped to the image
  const uint8_t *base = static_cast<uint8_t *>(image.pixels);
  EXPECT_EQ(0x0FFFu, ReadRawPixel(base + 4 * image.pitch + 8, 2));
  EXPECT_EQ(0xFFFFu, ReadRawPixel(base + 4 * image.pitch + 10, 2));
  EXPECT_EQ(0x3FFFu, ReadRawPixel(base + 5 * image.pitch + 8, 2));
  EXPECT_EQ(0x0FFFu, ReadRawPixel(base + 5 * image.pitch + 10, 2));
  EXPECT_EQ(0x5555u, ReadRawPixel(base + 3 * image.pitch + 8, 2));
  FreeBaseImage(&image);
}

}  // namespace
