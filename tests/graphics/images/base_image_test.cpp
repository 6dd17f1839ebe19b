#include "graphics/images/base_image.h"

#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "core/debug/memory.h"
#include "leak_check.h"
#include "velvane.h"

namespace {

struct FormatCase {
  const char *name;
  int (*make)(PixelFormat *);
  int bits;
  uint32_t red, green, blue, alpha, fill;
};

const FormatCase kStandardFormats[] = {
    {"palette8", MakePalette8PixelFormat, 8, 0xFF0000, 0xFF00, 0xFF, 0, 0xFF000000},
    {"gray8", MakeGray8PixelFormat, 8, 0xFF0000, 0xFF00, 0xFF, 0, 0xFF000000},
    {"xrgb32", MakeXrgb32PixelFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0, 0xFF000000},
    {"argb32", MakeArgb32PixelFormat, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0},
    {"rgb24", MakeRgb24PixelFormat, 24, 0xFF0000, 0xFF00, 0xFF, 0, 0},
};

TEST(PixelFormatTest, StandardMakersFillTheirTable) {
  for (const FormatCase &c : kStandardFormats) {
    SCOPED_TRACE(c.name);
    PixelFormat f;
    memset(&f, 0xAB, sizeof(f));
    EXPECT_EQ(0, c.make(&f));
    EXPECT_EQ(c.bits, f.bitsPerPixel);
    EXPECT_EQ(c.bits / 8, f.bytesPerPixel);
    EXPECT_EQ(c.red, f.redMask);
    EXPECT_EQ(c.green, f.greenMask);
    EXPECT_EQ(c.blue, f.blueMask);
    EXPECT_EQ(c.alpha, f.alphaMask);
    EXPECT_EQ(16, f.redShift);
    EXPECT_EQ(8, f.greenShift);
    EXPECT_EQ(0, f.blueShift);
    EXPECT_EQ(8, f.redBits);
    EXPECT_EQ(c.alpha ? 8 : 0, f.alphaBits);
    EXPECT_EQ(c.alpha ? 24 : 0, f.alphaShift);
    EXPECT_EQ(c.fill, f.fillMask);
    EXPECT_EQ(0u, f.compression);
  }
}

TEST(PixelFormatTest, GrayPaletteIsARamp) {
  PixelFormat f = {};
  MakeGray8PixelFormat(&f);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(i, f.palette[i][0]);
    EXPECT_EQ(i, f.palette[i][1]);
    EXPECT_EQ(i, f.palette[i][2]);
    EXPECT_EQ(0, f.palette[i][3]);
  }
}

TEST(PixelFormatTest, MasksGiveShiftsWidthsAndFill) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
  EXPECT_EQ(2, f.bytesPerPixel);
  EXPECT_EQ(11, f.redShift);
  EXPECT_EQ(5, f.greenShift);
  EXPECT_EQ(0, f.blueShift);
  EXPECT_EQ(5, f.redBits);
  EXPECT_EQ(6, f.greenBits);
  EXPECT_EQ(5, f.blueBits);
  EXPECT_EQ(0, f.alphaBits);
  EXPECT_EQ(0u, f.fillMask);
  EXPECT_EQ(0, f.fillShift);
  EXPECT_EQ(0, f.fillBits);

  MakePixelFormatFromMasks(&f, 32, 0xF800, 0x07E0, 0x001F, 0);
  EXPECT_EQ(0xFFFF0000u, f.fillMask);
  EXPECT_EQ(16, f.fillShift);
  EXPECT_EQ(16, f.fillBits);

  MakePixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0);
  EXPECT_EQ(0x8000u, f.fillMask);
  EXPECT_EQ(15, f.fillShift);
  EXPECT_EQ(1, f.fillBits);
}

TEST(PixelFormatTest, UpdateFillMaskFollowsTheChannelWidths) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
  f.fillMask = 0x1234;
  EXPECT_EQ(&f, UpdateFillMask(&f));
  EXPECT_EQ(0u, f.fillMask);
  MakePixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0);
  f.fillMask = 0;
  f.fillShift = 3;
  UpdateFillMask(&f);
  EXPECT_EQ(0x8000u, f.fillMask);
  EXPECT_EQ(3, f.fillShift);  // left alone
}

struct PackCase {
  int bits;
  uint32_t red, green, blue, alpha;
  int r, g, b, a;
  uint32_t packed;
};

TEST(PixelFormatTest, PackingPlacesTopBitsAndSetsFill) {
  const PackCase cases[] = {
      {32, 0xFF0000, 0xFF00, 0xFF, 0, 255, 255, 255, 0, 0xFFFFFFFF},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 255, 255, 255, 0, 0x00FFFFFF},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x12, 0x34, 0x56, 0x78, 0x78123456},
      {16, 0xF800, 0x07E0, 0x001F, 0, 255, 0, 255, 0, 0xF81F},
      {16, 0xF800, 0x07E0, 0x001F, 0, 0x87, 0x87, 0x87, 0, 0x8430},
      {16, 0x7C00, 0x03E0, 0x001F, 0, 0, 0, 0, 0, 0x8000},
      {16, 0x7C00, 0x03E0, 0x001F, 0x8000, 255, 255, 255, 0x7F, 0x7FFF},
      {16, 0x0F00, 0x00F0, 0x000F, 0xF000, 0x1F, 0x2F, 0x3F, 0x4F, 0x4123},
      {24, 0xFF0000, 0xFF00, 0xFF, 0, 1, 2, 3, 0, 0x010203},
      // Channels wider than 8 bits are widened by shifting.
      {32, 0xFFFF0000, 0xFFFF, 0, 0, 0xFF, 0x80, 0, 0, 0xFF008000},
      // Only the low 8 bits of each argument count.
      {32, 0xFF0000, 0xFF00, 0xFF, 0, 0x1FF, 0x100, 0x2AB, 0, 0xFFFF00AB},
  };
  for (const PackCase &c : cases) {
    PixelFormat f = {};
    MakePixelFormatFromMasks(&f, c.bits, c.red, c.green, c.blue, c.alpha);
    EXPECT_EQ(c.packed, PackColorToPixel(&f, c.r, c.g, c.b, c.a))
        << std::hex << c.red << " " << c.r << "," << c.g << "," << c.b << "," << c.a;
  }
}

TEST(PixelFormatTest, PackingIntoAPaletteFindsTheLowestNearestEntry) {
  PixelFormat f = {};
  MakePalette8PixelFormat(&f);
  memset(f.palette, 0, sizeof(f.palette));
  const uint8_t red[4] = {0, 0, 200, 0};
  memcpy(f.palette[7], red, 4);
  memcpy(f.palette[9], red, 4);
  const uint8_t blue[4] = {250, 0, 0, 0};
  memcpy(f.palette[3], blue, 4);
  EXPECT_EQ(7u, PackColorToPixel(&f, 210, 5, 0, 0));
  EXPECT_EQ(3u, PackColorToPixel(&f, 0, 0, 255, 99));
  EXPECT_EQ(0u, PackColorToPixel(&f, 0, 0, 0, 0));
}

TEST(PixelFormatTest, UnpackingScalesNarrowChannels) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
  int r = -1, g = -1, b = -1, a = -1;
  UnpackPixelColor(&f, (31u << 10) | (16u << 5) | 0u | 0x8000, &r, &g, &b, &a);
  EXPECT_EQ(255, r);
  EXPECT_EQ(131, g);
  EXPECT_EQ(0, b);
  EXPECT_EQ(255, a);

  MakeXrgb32PixelFormat(&f);
  UnpackPixelColor(&f, 0xAA123456, &r, &g, &b, &a);
  EXPECT_EQ(0x12, r);
  EXPECT_EQ(0x34, g);
  EXPECT_EQ(0x56, b);
  EXPECT_EQ(0, a);

  // 8-bit colour with a 4-bit alpha: colour as is, alpha scaled.
  MakePixelFormatFromMasks(&f, 32, 0xFF0000, 0xFF00, 0xFF, 0xF000000);
  UnpackPixelColor(&f, 0x05123456, &r, &g, &b, &a);
  EXPECT_EQ(0x12, r);
  EXPECT_EQ(5 * 17, a);

  // Null outputs are allowed.
  EXPECT_EQ(0, UnpackPixelColor(&f, 0x05123456, nullptr, nullptr, nullptr, nullptr));
}

TEST(PixelFormatTest, UnpackingNarrowsSixteenBitChannelsByShifting) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 32, 0xFFFF0000, 0xFFFF, 0, 0);
  int r, g, b, a;
  UnpackPixelColor(&f, 0xFFFF8000, &r, &g, &b, &a);
  EXPECT_EQ(255, r);
  EXPECT_EQ(128, g);
  EXPECT_EQ(0, b);
  EXPECT_EQ(0, a);
}

TEST(PixelFormatTest, PackThenUnpackKeepsTheTopBits) {
  const uint32_t masks[][5] = {
      {16, 0xF800, 0x07E0, 0x001F, 0},       {16, 0x7C00, 0x03E0, 0x001F, 0x8000},
      {16, 0x0F00, 0x00F0, 0x000F, 0xF000},  {24, 0xFF0000, 0xFF00, 0xFF, 0},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000},
  };
  for (const auto &m : masks) {
    PixelFormat f = {};
    MakePixelFormatFromMasks(&f, static_cast<int>(m[0]), m[1], m[2], m[3], m[4]);
    for (int v = 0; v < 256; v += 5) {
      int r, g, b, a;
      UnpackPixelColor(&f, PackColorToPixel(&f, v, 255 - v, v / 2, v), &r, &g, &b, &a);
      // A channel of w bits keeps the top w bits of the value (widened back
      // by scaling, which for full ones or zeros gives 255 or 0).
      const int kept = (v >> (8 - f.redBits > 0 ? 8 - f.redBits : 0));
      const int expectRed = f.redBits >= 8 ? v : kept * 255 / ((1 << f.redBits) - 1);
      EXPECT_EQ(expectRed, r) << std::hex << m[1] << " v=" << std::dec << v;
    }
  }
}

class BaseImageTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    FreeBaseImage(&image);
    LeakCheckedTest::TearDown();
  }
  BASEIMAGE image = {};
};

TEST_F(BaseImageTest, CreationRoundsThePitchToFourBytes) {
  PixelFormat f = {};
  MakeRgb24PixelFormat(&f);
  ASSERT_EQ(0, CreateBaseImageWithFormat(3, 5, &f, &image));
  EXPECT_EQ(12, image.pitch);
  EXPECT_EQ(3, image.width);
  EXPECT_EQ(5, image.height);
  EXPECT_EQ(0, image.mipCount);
  EXPECT_EQ(24, image.format.bitsPerPixel);
  EXPECT_NE(nullptr, image.pixels);
  FreeBaseImage(&image);
  ASSERT_EQ(0, CreateArgb32BaseImage(7, 2, &image));
  EXPECT_EQ(28, image.pitch);
  EXPECT_EQ(0xFF000000u, image.format.alphaMask);
  FreeBaseImage(&image);
  ASSERT_EQ(0, CreateXrgb32BaseImage(1, 1, &image));
  EXPECT_EQ(4, image.pitch);
  EXPECT_EQ(0xFF000000u, image.format.fillMask);
}

TEST_F(BaseImageTest, SizesThatDoNotFitAreRefusedWithoutAllocating) {
  PixelFormat f = {};
  MakeArgb32PixelFormat(&f);
  const int sizes[][2] = {{50000, 50000}, {65536, 32768}, {0x7FFFFFFF, 1}, {1, 0x7FFFFFFF},
                          {-1, 4}, {4, -1}};
  for (const auto &s : sizes) {
    EXPECT_EQ(-1, CreateBaseImageWithFormat(s[0], s[1], &f, &image)) << s[0] << "x" << s[1];
    EXPECT_EQ(nullptr, image.pixels);
    EXPECT_EQ(baseline, GetAllocatedBlockCount());
  }
  PixelFormat broken = f;
  broken.bytesPerPixel = 5;
  EXPECT_EQ(-1, CreateBaseImageWithFormat(2, 2, &broken, &image));
  EXPECT_EQ(baseline, GetAllocatedBlockCount());
}

TEST_F(BaseImageTest, FreeingAnEmptyRecordIsHarmless) {
  BASEIMAGE empty = {};
  EXPECT_EQ(0, FreeBaseImage(&empty));
  const BASEIMAGE zero = {};
  EXPECT_EQ(0, memcmp(&zero, &empty, sizeof(empty)));
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &image));
  FreeBaseImage(&image);
  EXPECT_EQ(0, memcmp(&zero, &image, sizeof(image)));
}

TEST_F(BaseImageTest, ClearRectZeroesOnlyTheBlock) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 3, &image));
  memset(image.pixels, 0x55, static_cast<size_t>(image.pitch) * 3);
  EXPECT_EQ(0, ClearBaseImageRect(&image, 1, 1, 2, 2));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && x <= 2 && y >= 1;
      const uint8_t *p = static_cast<uint8_t *>(image.pixels) + y * image.pitch + x * 4;
      EXPECT_EQ(inside ? 0u : 0x55555555u, ReadRawPixel(p, 4))
          << x << "," << y;
    }
  }
}

TEST_F(BaseImageTest, WriteAndReadEveryPixelSize) {
  struct Case {
    int bits;
    uint32_t red, green, blue, alpha;
    std::vector<uint8_t> bytes;  // of (0x12, 0x34, 0x56, 0x78) at x = 1
  };
  const Case cases[] = {
      {16, 0xF800, 0x07E0, 0x001F, 0, {0xAA, 0x11}},
      {24, 0xFF0000, 0xFF00, 0xFF, 0, {0x56, 0x34, 0x12}},
      {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, {0x56, 0x34, 0x12, 0x78}},
  };
  for (const Case &c : cases) {
    PixelFormat f = {};
    MakePixelFormatFromMasks(&f, c.bits, c.red, c.green, c.blue, c.alpha);
    ASSERT_EQ(0, CreateBaseImageWithFormat(3, 2, &f, &image));
    memset(image.pixels, 0, static_cast<size_t>(image.pitch) * 2);
    ASSERT_EQ(0, WriteBaseImagePixel(&image, 1, 1, 0x12, 0x34, 0x56, 0x78));
    const uint8_t *p = static_cast<uint8_t *>(image.pixels) + image.pitch + c.bytes.size();
    EXPECT_EQ(c.bytes, std::vector<uint8_t>(p, p + c.bytes.size())) << c.bits;
    int r, g, b, a;
    ASSERT_EQ(0, ReadBaseImagePixel(&image, 1, 1, &r, &g, &b, &a));
    if (c.bits >= 24) {
      EXPECT_EQ(0x12, r);
      EXPECT_EQ(0x34, g);
      EXPECT_EQ(0x56, b);
    }
    EXPECT_EQ(c.alpha ? 0x78 : 0, a);
    FreeBaseImage(&image);
  }
}

TEST_F(BaseImageTest, PaletteImagesStoreTheNearestIndexAndReadTheEntry) {
  PixelFormat f = {};
  MakeGray8PixelFormat(&f);
  f.palette[200][3] = 9;
  ASSERT_EQ(0, CreateBaseImageWithFormat(2, 2, &f, &image));
  ASSERT_EQ(0, WriteBaseImagePixel(&image, 0, 1, 200, 200, 200, 0));
  EXPECT_EQ(200, static_cast<uint8_t *>(image.pixels)[image.pitch]);
  int r, g, b, a;
  ASSERT_EQ(0, ReadBaseImagePixel(&image, 0, 1, &r, &g, &b, &a));
  EXPECT_EQ(200, r);
  EXPECT_EQ(200, b);
  EXPECT_EQ(9, a);
}

TEST_F(BaseImageTest, AccessOutsideTheImageFailsAndChangesNothing) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(3, 2, &image));
  memset(image.pixels, 0x11, static_cast<size_t>(image.pitch) * 2);
  const int coords[][2] = {{3, 0}, {-1, 0}, {0, 2}, {0, -1}, {INT32_MIN, 0}};
  for (const auto &xy : coords) {
    EXPECT_EQ(-1, WriteBaseImagePixel(&image, xy[0], xy[1], 1, 2, 3, 4));
    int r = 77;
    EXPECT_EQ(-1, ReadBaseImagePixel(&image, xy[0], xy[1], &r, nullptr, nullptr, nullptr));
    EXPECT_EQ(77, r);
  }
  for (int i = 0; i < image.pitch * 2; ++i) EXPECT_EQ(0x11, static_cast<uint8_t *>(image.pixels)[i]);
  BASEIMAGE empty = {};
  EXPECT_EQ(-1, WriteBaseImagePixel(&empty, 0, 0, 1, 2, 3, 4));
  EXPECT_EQ(-1, ReadBaseImagePixel(&empty, 0, 0, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(BaseImageTest, RawPixelAsArgbPutsChannelsAtTheTopOfTheirBytes) {
  PixelFormat f = {};
  MakePixelFormatFromMasks(&f, 16, 0x7C00, 0x03E0, 0x001F, 0x8000);
  ASSERT_EQ(0, CreateBaseImageWithFormat(1, 1, &f, &image));
  WriteRawPixel(static_cast<uint8_t *>(image.pixels), 2, 0xFFFF);
  EXPECT_EQ(0x80F8F8F8u, GetBaseImagePixelArgb(&image, 0, 0));
  FreeBaseImage(&image);

  MakePixelFormatFromMasks(&f, 16, 0xF800, 0x07E0, 0x001F, 0);
  ASSERT_EQ(0, CreateBaseImageWithFormat(1, 1, &f, &image));
  WriteRawPixel(static_cast<uint8_t *>(image.pixels), 2, 0xFFFF);
  EXPECT_EQ(0x00F8FCF8u, GetBaseImagePixelArgb(&image, 0, 0));
  FreeBaseImage(&image);

  MakeRgb24PixelFormat(&f);
  ASSERT_EQ(0, CreateBaseImageWithFormat(2, 1, &f, &image));
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  memcpy(image.pixels, bytes, 6);
  EXPECT_EQ(0x00060504u, GetBaseImagePixelArgb(&image, 1, 0));

  BASEIMAGE empty = {};
  EXPECT_EQ(0u, GetBaseImagePixelArgb(&empty, 0, 0));
}

TEST_F(BaseImageTest, PixelAccessDecodesACompressedImageFirst) {
  image.width = 4;
  image.height = 4;
  MakeArgb32PixelFormat(&image.format);
  image.format.compression = 1;
  image.format.bitsPerPixel = 4;
  uint8_t *block = static_cast<uint8_t *>(VV_ALLOC(8));
  const uint8_t dxt1[8] = {0x00, 0xF8, 0x00, 0xF8, 0, 0, 0, 0};  // all red
  memcpy(block, dxt1, 8);
  image.pixels = block;
  int r, g, b, a;
  ASSERT_EQ(0, ReadBaseImagePixel(&image, 3, 3, &r, &g, &b, &a));
  EXPECT_EQ(255, r);
  EXPECT_EQ(0, g);
  EXPECT_EQ(255, a);
  EXPECT_EQ(0u, image.format.compression);
  EXPECT_EQ(16, image.pitch);
}

}  // namespace
