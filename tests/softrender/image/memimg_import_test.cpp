#include <gtest/gtest.h>
#include <string.h>

#include <vector>

#include "softrender/blit/blit_reference.h"
#include "core/debug/memory.h"
#include "graphics/images/base_image.h"
#include "leak_check.h"
#include "softrender/softrender.h"

namespace {

class ImportTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    MemImgRelease(&dest);
    FreeBaseImage(&color);
    FreeBaseImage(&alpha);
    LeakCheckedTest::TearDown();
  }
  std::vector<uint8_t> RunRow(int row) const {
    const uint8_t *p = dest.base->runTable;
    for (int r = 0; r < row; ++r) {
      while (*p != 0xC0) ++p;
      ++p;
    }
    std::vector<uint8_t> codes;
    do codes.push_back(*p); while (*p++ != 0xC0);
    return codes;
  }
  uint32_t DestPixel(int x, int y) const { return RefReadPixel(&dest, x, y); }
  void SetColor(int x, int y, uint32_t argb) {
    WriteRawPixel(static_cast<uint8_t *>(color.pixels) + y * color.pitch +
                      x * color.format.bytesPerPixel,
                  color.format.bytesPerPixel, argb);
  }
  MEMIMG dest = {};
  BASEIMAGE color = {}, alpha = {};
};

TEST_F(ImportTest, KeyedRowsGiveTransparentAndOpaqueRuns) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(3, 1, &color));
  ASSERT_EQ(0, MemImgCreate(&dest, 3, 1, -1, 0xF81F, 0, 0, 0, 1, nullptr));
  SetColor(0, 0, 0xFF00FF);
  SetColor(1, 0, 0x123456);
  SetColor(2, 0, 0xFF00FF);
  EXPECT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 3, 1, 0, 0, 0, 0), 0);
  EXPECT_EQ(0xF81Fu, DestPixel(0, 0));
  EXPECT_EQ(1, dest.base->runTableValid);
  EXPECT_EQ(0, dest.base->alphaPlaneValid);
  EXPECT_EQ((std::vector<uint8_t>{0x00, 0x40, 0x00, 0xC0}), RunRow(0));
}

TEST_F(ImportTest, LongRunsAreCutAtSixtyFourPixels) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(100, 2, &color));
  memset(color.pixels, 0x33, static_cast<size_t>(color.pitch) * 2);
  SetColor(99, 1, 0);
  ASSERT_EQ(0, MemImgCreate(&dest, 100, 2, -1, 0, 1, 0, 0, 1, nullptr));
  EXPECT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 100, 2, 0, 0, 0, 0), 0);
  EXPECT_EQ((std::vector<uint8_t>{0x7F, 0x63, 0xC0}), RunRow(0));
  // The same layout is copied raw: the last pixel is the key 0.
  EXPECT_EQ((std::vector<uint8_t>{0x7F, 0x62, 0x00, 0xC0}), RunRow(1));
}

// A mean run of 16 pixels or more keeps the run walk; shorter ones mark
// the table for the pixel-by-pixel draw.
TEST_F(ImportTest, MeanRunLengthMarksShortRuns) {
  struct Case {
    int keyedAt[2];  // pixels given the key, -1 for none
    int shortRuns;
  };
  const Case cases[] = {
      {{-1, -1}, 0},  // one run of 32
      {{0, -1}, 0},   // 1 and 31 pixels: a mean of 16
      {{31, -1}, 0},  // 31 and 1
      {{15, -1}, 1},  // 15, 1 and 16: a mean under 16
      {{0, 31}, 1},   // 1, 30 and 1
  };
  for (const Case &c : cases) {
    ASSERT_EQ(0, CreateXrgb32BaseImage(32, 1, &color));
    ASSERT_EQ(0, MemImgCreate(&dest, 32, 1, -1, 0xF81F, 0, 0, 0, 1, nullptr));
    for (int x = 0; x < 32; ++x) SetColor(x, 0, 0x123456);
    for (int at : c.keyedAt)
      if (at >= 0) SetColor(at, 0, 0xFF00FF);
    EXPECT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 32, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ(c.shortRuns, dest.base->runTableShortRuns) << c.keyedAt[0] << " " << c.keyedAt[1];
    MemImgRelease(&dest);
    FreeBaseImage(&color);
  }
}

TEST_F(ImportTest, AlphaImagesGivePartialRunsAndAPremultipliedPlane) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 1, &color));
  PixelFormat gray = {};
  MakeGray8PixelFormat(&gray);
  ASSERT_EQ(0, CreateBaseImageWithFormat(4, 1, &gray, &alpha));
  const uint8_t alphas[4] = {0, 0, 128, 255};
  memcpy(alpha.pixels, alphas, 4);
  for (int x = 0; x < 4; ++x) SetColor(x, 0, 0xFFC08040);
  for (int code = 0; code <= 1; ++code) {
    SCOPED_TRACE(code);
    ASSERT_EQ(0, MemImgCreate(&dest, 4, 1, -1, 0, code, 0, 1, 1, nullptr));
    EXPECT_GE(MemImgBlitFromBaseImage(&color, &alpha, &dest, 0, 0, 4, 1, 0, 0, 0, 0), 0);
    EXPECT_EQ((std::vector<uint8_t>{0x01, 0x80, 0x40, 0xC0}), RunRow(0));
    EXPECT_EQ(1, dest.base->alphaPlaneValid);
    const uint32_t plane = ReadRawPixel(dest.alpha + 8, 4);
    if (code == 1) {
      EXPECT_EQ(0x80C08040u, DestPixel(2, 0));
      EXPECT_EQ(0x80604020u, plane);  // each colour byte x 128 >> 8
    } else {
      // 565 colour 0xC408 (red 24, green 32, blue 8), alpha 128 in byte 2,
      // the unused top byte set like any fill bits.
      EXPECT_EQ(0xFF80C408u, DestPixel(2, 0));
      EXPECT_EQ(0x806204u, plane);  // red 12, green 16, blue 4
    }
    MemImgRelease(&dest);
  }
}

TEST_F(ImportTest, PaletteImagesGetTheirPaletteAndEntryCount) {
  PixelFormat pal = {};
  MakePalette8PixelFormat(&pal);
  memset(pal.palette, 0, sizeof(pal.palette));
  pal.palette[17][0] = 0x18;  // blue
  pal.palette[17][1] = 0x24;  // green
  pal.palette[17][2] = 0xF0;  // red
  ASSERT_EQ(0, CreateBaseImageWithFormat(4, 2, &pal, &color));
  const uint8_t indices[2][4] = {{0, 17, 3, 17}, {5, 0, 0, 0}};
  for (int y = 0; y < 2; ++y) memcpy(static_cast<uint8_t *>(color.pixels) + y * color.pitch, indices[y], 4);
  for (int code = 0; code <= 1; ++code) {
    SCOPED_TRACE(code);
    ASSERT_EQ(0, MemImgCreate(&dest, 4, 2, -1, 0, code, 1, 0, 1, nullptr));
    EXPECT_EQ(17, MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 4, 2, 0, 0, 0, 0));
    EXPECT_EQ(18, dest.base->paletteEntryCount);
    EXPECT_EQ(17u, DestPixel(1, 0));
    const uint8_t *palette = static_cast<uint8_t *>(dest.base->palette);
    if (code == 0) {
      EXPECT_EQ(0xF123u, ReadRawPixel(palette + 17 * 2, 2));
    } else {
      EXPECT_EQ(0x00F02418u, ReadRawPixel(palette + 17 * 4, 4));
    }
    EXPECT_EQ(0, memcmp(palette, dest.base->paletteCopy, code == 0 ? 512 : 1024));
    // Index 0 is the key: transparent.
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x42, 0xC0}), RunRow(0));
    EXPECT_EQ((std::vector<uint8_t>{0x40, 0x02, 0xC0}), RunRow(1));
    MemImgRelease(&dest);
  }
}

TEST_F(ImportTest, PartialImportsClearTheFlagsAndBuildNothing) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(20, 20, &color));
  memset(color.pixels, 0, static_cast<size_t>(color.pitch) * 20);
  ASSERT_EQ(0, MemImgCreate(&dest, 20, 20, -1, 0, 1, 0, 0, 1, nullptr));
  ASSERT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 20, 20, 0, 0, 0, 0), 0);
  EXPECT_EQ(1, dest.base->runTableValid);
  memset(dest.base->runTable, 0xEE, 25 * 20);
  EXPECT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 10, 10, 5, 5, 0, 0), 0);
  EXPECT_EQ(0, dest.base->runTableValid);
  EXPECT_EQ(0, dest.base->alphaPlaneValid);
  EXPECT_EQ(0xEE, dest.base->runTable[0]);
}

TEST_F(ImportTest, SingleChannelImagesTakeTheRedChannel) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 1, &color));
  SetColor(0, 0, 0x80FFFF);
  SetColor(1, 0, 0x20);
  ASSERT_EQ(0, MemImgCreate(&dest, 2, 1, -1, 0, 2, 0, 0, 1, nullptr));
  EXPECT_GE(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 2, 1, 0, 0, 0, 0), 0);
  EXPECT_EQ(0x80u, DestPixel(0, 0));
  EXPECT_EQ(0u, DestPixel(1, 0));
  EXPECT_EQ(nullptr, dest.base->runTable);
}

TEST_F(ImportTest, ConversionFailuresAreReportedOnEveryBranch) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &color));
  color.format.redMask = 0x00F0F000;  // not contiguous: unusable
  for (int code : {0, 1, 2, 3}) {
    SCOPED_TRACE(code);
    ASSERT_EQ(0, MemImgCreate(&dest, 2, 2, -1, 0, code, 0, 0, 1, nullptr));
    memset(dest.pixels, 0x5A, static_cast<size_t>(dest.base->pitch) * 2);
    EXPECT_LT(MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 2, 2, 0, 0, 0, 0), 0);
    EXPECT_EQ(0, dest.base->runTableValid);
    EXPECT_EQ(0x5A, dest.pixels[0]);
    MemImgRelease(&dest);
  }
}

TEST_F(ImportTest, RectanglesOutsideEitherImageAreRefused) {
  ASSERT_EQ(0, CreateXrgb32BaseImage(4, 4, &color));
  ASSERT_EQ(0, MemImgCreate(&dest, 4, 4, -1, 0, 1, 0, 0, 1, nullptr));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, nullptr, &dest, 1, 0, 4, 4, 0, 0, 0, 0));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 4, 4, 0, 1, 0, 0));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, nullptr, &dest, -1, 0, 2, 2, 0, 0, 0, 0));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, nullptr, &dest, 0, 0, 0, 2, 0, 0, 0, 0));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(nullptr, nullptr, &dest, 0, 0, 1, 1, 0, 0, 0, 0));
  MEMIMG invalid = {};
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, nullptr, &invalid, 0, 0, 1, 1, 0, 0, 0, 0));
  BASEIMAGE small = {};
  ASSERT_EQ(0, CreateXrgb32BaseImage(2, 2, &small));
  EXPECT_EQ(-1, MemImgBlitFromBaseImage(&color, &small, &dest, 0, 0, 4, 4, 0, 0, 0, 0));
  FreeBaseImage(&small);
}

TEST_F(ImportTest, FillSetsTheLowBytesAndClips) {
  struct Case {
    int code, palette, alpha;
    uint32_t stored;
  };
  const Case cases[] = {{0, 0, 0, 0x5678}, {1, 0, 0, 0x12345678}, {0, 0, 1, 0x12345678},
                        {2, 0, 0, 0x78},   {1, 1, 0, 0x78},       {3, 0, 0, 0x5678}};
  for (const Case &k : cases) {
    SCOPED_TRACE(k.code);
    ASSERT_EQ(0, MemImgCreate(&dest, 5, 4, -1, 0, k.code, k.palette, k.alpha, 0, nullptr));
    memset(dest.pixels, 0, static_cast<size_t>(dest.base->pitch) * 4);
    const Rect rect = {3, -2, 9, 2};
    MemImgFillRect(&dest, &rect, 0x12345678);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(x >= 3 && y < 2 ? k.stored : 0u, DestPixel(x, y)) << x << "," << y;
      }
    }
    // Null fills the whole view; a rectangle outside fills nothing.
    MemImgFillRect(&dest, nullptr, 1);
    const Rect outside = {5, 0, 8, 4};
    MemImgFillRect(&dest, &outside, 2);
    const Rect inverted = {4, 3, 1, 1};
    MemImgFillRect(&dest, &inverted, 3);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x) EXPECT_EQ(1u, DestPixel(x, y));
    }
    MemImgRelease(&dest);
  }
}

TEST_F(ImportTest, FillOfASubImageStaysInsideTheView) {
  ASSERT_EQ(0, MemImgCreate(&dest, 6, 6, -1, 0, 0, 0, 0, 0, nullptr));
  memset(dest.pixels, 0, static_cast<size_t>(dest.base->pitch) * 6);
  MEMIMG view = {};
  MemImgMakeSubImage(&view, &dest, 2, 2, 2, 2);
  MemImgFillRect(&view, nullptr, 0xFFFF);
  int filled = 0;
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool inside = x >= 2 && x < 4 && y >= 2 && y < 4;
      EXPECT_EQ(inside ? 0xFFFFu : 0u, DestPixel(x, y));
      filled += inside;
    }
  }
  EXPECT_EQ(4, filled);
  MemImgRelease(&view);
}

}  // namespace
