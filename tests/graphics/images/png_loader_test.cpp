#include <gtest/gtest.h>

#include <functional>
#include <zlib.h>

#include <string>

#include "graphics/images/base_image.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"

namespace {

class PngLoaderTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

std::vector<png_color> GreyPalette(int count) {
  std::vector<png_color> palette;
  for (int i = 0; i < count; ++i) {
    palette.push_back({static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i * 16 + 1),
                       static_cast<uint8_t>(i * 16 + 2)});
  }
  return palette;
}

struct PngCase {
  const char *name;
  std::function<PngSpec()> spec;
  int bits;           // bits per pixel of the result
  uint32_t alphaMask;
  int pitch;
  Bytes firstRow;     // the first pitch bytes of the result
};

PngSpec Spec(int width, int height, int colorType, int depth, std::vector<Bytes> rows) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = colorType;
  spec.depth = depth;
  spec.rows = rows;
  return spec;
}

const PngCase kPngCases[] = {
    {"OneBitGreyToLevels0And255",
     [] { return Spec(8, 1, PNG_COLOR_TYPE_GRAY, 1, {{0xB0}}); }, 8, 0, 8,
     {255, 0, 255, 255, 0, 0, 0, 0}},
    // Indices in a known order catch nibble packing and swapping mistakes.
    {"FourBitPaletteKeepsIndexOrder",
     [] {
       PngSpec s = Spec(4, 1, PNG_COLOR_TYPE_PALETTE, 4, {{0x12, 0x3F}});
       s.palette = GreyPalette(16);
       return s;
     },
     8, 0, 4, {1, 2, 3, 15}},
    {"PaletteWithTransparencyToArgb",
     [] {
       PngSpec s = Spec(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}});
       s.palette = {{255, 0, 255}, {10, 20, 30}};
       s.transparency = {0};
       return s;
     },
     32, 0xFF000000u, 8, {255, 0, 255, 0, 30, 20, 10, 255}},
    {"RgbThreeWideHasPitch9",
     [] { return Spec(3, 1, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6, 7, 8, 9}}); }, 24, 0, 9,
     {3, 2, 1, 6, 5, 4, 9, 8, 7}},
    {"RgbaToArgb",
     [] { return Spec(1, 1, PNG_COLOR_TYPE_RGBA, 8, {{10, 20, 30, 40}}); }, 32, 0xFF000000u, 4,
     {30, 20, 10, 40}},
    {"SixteenBitRgbTo24Bit",
     [] {
       return Spec(1, 1, PNG_COLOR_TYPE_RGB, 16, {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}});
     },
     24, 0, 3, {0x9A, 0x56, 0x12}},
    {"GreyAlphaTo16BitWithoutAlpha",
     [] { return Spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{10, 20, 30, 40}}); }, 16, 0, 4,
     {10, 20, 30, 40}},
};

class PngCaseTest : public PngLoaderTest, public testing::WithParamInterface<PngCase> {};

TEST_P(PngCaseTest, DecodesToExactPixels) {
  const PngCase &c = GetParam();
  const Bytes file = MakePng(c.spec());
  ASSERT_FALSE(file.empty());
  ASSERT_EQ(0, ReadWith(PngImageLoader, file, &image));
  EXPECT_EQ(c.bits, image.format.bitsPerPixel);
  EXPECT_EQ(c.alphaMask, image.format.alphaMask);
  EXPECT_EQ(c.pitch, image.pitch);
  EXPECT_EQ(c.firstRow, RowBytes(image, 0, image.pitch));
}

INSTANTIATE_TEST_SUITE_P(Png, PngCaseTest, testing::ValuesIn(kPngCases), CaseName());

TEST_F(PngLoaderTest, PaletteEntriesPastTheFilesAreBlack) {
  PngSpec s = Spec(4, 1, PNG_COLOR_TYPE_PALETTE, 4, {{0x12, 0x3F}});
  s.palette = GreyPalette(16);
  ASSERT_EQ(0, ReadWith(PngImageLoader, MakePng(s), &image));
  EXPECT_EQ(0xFF0000u, image.format.redMask);
  EXPECT_EQ(0x00F0F1F2u, PaletteEntryValue(&image.format, 15));
  for (int i = 16; i < 256; ++i) {
    EXPECT_EQ(0u, PaletteEntryValue(&image.format, i)) << i;
  }
}

TEST_F(PngLoaderTest, GreyIsAPalettedGreyRamp) {
  ASSERT_EQ(0, ReadWith(PngImageLoader, MakePng(Spec(1, 1, PNG_COLOR_TYPE_GRAY, 8, {{77}})),
                        &image));
  EXPECT_EQ(1, image.format.bytesPerPixel);
  EXPECT_EQ(0x00C8C8C8u, PaletteEntryValue(&image.format, 200));
}

TEST_F(PngLoaderTest, Adam7InterlacedDecodesEveryPixel) {
  PngSpec s = Spec(9, 9, PNG_COLOR_TYPE_RGB, 8, {});
  s.interlace = PNG_INTERLACE_ADAM7;
  for (int y = 0; y < 9; ++y) {
    Bytes row;
    for (int x = 0; x < 9; ++x) {
      row.insert(row.end(), {static_cast<uint8_t>(x), static_cast<uint8_t>(y),
                             static_cast<uint8_t>(x * y)});
    }
    s.rows.push_back(row);
  }
  ASSERT_EQ(0, ReadWith(PngImageLoader, MakePng(s), &image));
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      const uint8_t *p = PixelAt(image, x, y);
      EXPECT_EQ(x * y, p[0]);
      EXPECT_EQ(y, p[1]);
      EXPECT_EQ(x, p[2]);
    }
  }
}

TEST_F(PngLoaderTest, MagentaLoadsExactlyAsTheColourKey) {
  ASSERT_EQ(0, LoadFromBytes(MakeSolidRgbPng(2, 2, 255, 0, 255), &image));
  EXPECT_EQ(0xFF00FFu, GetBaseImagePixelArgb(&image, 1, 1));
  FreeBaseImage(&image);
  PngSpec s = Spec(2, 1, PNG_COLOR_TYPE_PALETTE, 8, {{1, 0}});
  s.palette = {{0, 0, 0}, {255, 0, 255}};
  ASSERT_EQ(0, LoadFromBytes(MakePng(s), &image));
  int r = 0, g = 0, b = 0;
  ASSERT_EQ(0, ReadBaseImagePixel(&image, 0, 0, &r, &g, &b, nullptr));
  EXPECT_EQ(255, r);
  EXPECT_EQ(0, g);
  EXPECT_EQ(255, b);
}

// Offset of the first IDAT chunk's length field.
size_t FindIdat(const Bytes &file) {
  for (size_t i = 8; i + 8 <= file.size(); ++i) {
    if (memcmp(&file[i + 4], "IDAT", 4) == 0) return i;
  }
  return 0;
}

TEST_F(PngLoaderTest, MalformedFilesFailWithoutLeaks) {
  const Bytes good = MakeSolidRgbPng(16, 16, 1, 2, 3);
  const size_t idat = FindIdat(good);
  ASSERT_GT(idat, 0u);
  const size_t idatLength = good[idat + 2] << 8 | good[idat + 3];  // big-endian, < 64 KB
  std::vector<Bytes> bad;
  for (size_t cut : {size_t(0), size_t(4), size_t(8), size_t(20), size_t(33), idat + 8,
                     idat + 8 + idatLength / 2, good.size() - 12, good.size() - 1}) {
    bad.push_back(Bytes(good.begin(), good.begin() + cut));
  }
  Bytes badCrc = good;
  badCrc[idat + 8 + idatLength] ^= 0xFF;  // first CRC byte
  bad.push_back(badCrc);
  Bytes huge = good;
  huge[16] = 0;
  huge[17] = 0;
  huge[18] = 0x40;  // width 16,385, with the header's CRC made to match
  huge[19] = 0x01;
  const uLong crc = crc32(0, &huge[12], 17);
  for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  bad.push_back(huge);
  ExpectAllRefused(PngImageLoader, bad);
}

}  // namespace
