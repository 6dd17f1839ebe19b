// The rotated image draw: the whole destination buffer against the
// geometry and per-pixel models over every format, source kind, blend
// mode, parameter and condition; the drawing rules' own examples pinned by
// hand; the corners handed to the quad draw for mirrored images; and the
// limits of the 14.18 scan.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "blit_geometry_reference.h"
#include "blit_reference.h"
#include "softrender/blit/blit.h"
#include "softrender/blit/quad_blit.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle_reference.h"

namespace {

const int kDestWidth = 48;
const int kDestHeight = 40;
const Rect kClip = {2, 3, 45, 36};
const float kQuarterTurn = (float)(3.14159265358979323846 / 2);
const float kThirtyDegrees = (float)(3.14159265358979323846 / 6);

struct RotateCase {
  const char *name;
  int sourceWidth, sourceHeight;
  int x, y;
  float angle, scale;
};

const RotateCase kCases[] = {
    {"Angle0", 9, 7, 20, 18, 0.0f, 1.0f},
    {"Angle0Even", 8, 6, 20, 15, 0.0f, 1.0f},
    {"QuarterTurn", 8, 6, 20, 15, kQuarterTurn, 1.0f},
    {"Thirty15", 11, 9, 22, 19, kThirtyDegrees, 1.5f},
    {"ThirtyShrunk", 15, 13, 21, 17, kThirtyDegrees, 0.6f},
    {"MinusFortyFiveDoubled", 7, 5, 24, 20, -0.7853982f, 2.0f},
    {"NegativeScale", 9, 6, 20, 18, 0.4f, -1.3f},
    {"ClippedLeft", 11, 9, 1, 18, 0.3f, 1.2f},
    {"ClippedTop", 11, 9, 20, 2, 0.3f, 1.2f},
    {"ClippedRight", 11, 9, 45, 18, 0.3f, 1.2f},
    {"ClippedBottom", 11, 9, 20, 36, 0.3f, 1.2f},
    {"Outside", 11, 9, -40, 18, 0.3f, 1.0f},
    {"BeyondFullTurn", 10, 7, 23, 19, 7.5f, 0.9f},
    {"OneColumn", 1, 13, 20, 18, 1.0f, 2.0f},
};

class RotatedMatrix : public BlitMatrixTest {};

TEST_P(RotatedMatrix, MatchesModel) {
  const BlitMatrixParam &param = GetParam();
  const RotateCase &rc = kCases[param.caseIndex];
  std::mt19937 rng(777 + param.caseIndex * 7 + param.formatCode * 3 + param.sourceKind);
  TestImage source, mask, dest;
  MakeSource(&source, rc.sourceWidth, rc.sourceHeight, param.formatCode, param.sourceKind, &rng);
  MakeMask(&mask, rc.sourceWidth, rc.sourceHeight + 2, &rng);
  dest.Create(kDestWidth, kDestHeight, param.formatCode, 0, 0, 0);
  const GeometryMap map = RotatedGeometry(rc.sourceWidth, rc.sourceHeight, rc.x, rc.y, rc.angle,
                                          rc.scale, kDestWidth, kDestHeight, kClip);
  if (strcmp(rc.name, "Outside") != 0) {
    ASSERT_GT(map.DrawnCount(), 0);
  }
  EXPECT_EQ(CheckAllBlendStates(&dest, source, mask, kClip, map, &rng,
                                [&](int transparent, const MEMIMG *maskImage) {
                                  MemImgDrawRotated(&dest.image, &source.image, rc.x, rc.y,
                                                    rc.angle, rc.scale, transparent, 0,
                                                    maskImage);
                                }),
            "");
}

INSTANTIATE_TEST_SUITE_P(AllCombinations, RotatedMatrix,
                         testing::ValuesIn(AllBlitMatrixParams(kCases)), BlitMatrixNamer(kCases));

class RotatedExamples : public testing::Test {
 protected:
  void SetUp() override {
    InitTestBlendTables();
    SetTestDrawSettings({0, 0, kDestWidth, kDestHeight}, 0, 255, 0x00FFFFFFu);
  }

  // An 8888 source whose pixel (x, y) holds 0xFF00yyxx, so a destination
  // pixel tells which source pixel it shows.
  void MakeCoordinateSource(TestImage *source, int width, int height) {
    source->Create(width, height, 1, 0, 0, 0x00FF00FFu);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        RefWritePixel(&source->image, x, y, 0xFF000000u | (uint32_t)y << 8 | (uint32_t)x);
  }

  void MakeNoiseDest(TestImage *dest, int formatCode, uint32_t seed) {
    std::mt19937 rng(seed);
    dest->Create(kDestWidth, kDestHeight, formatCode, 0, 0, 0);
    FillNoise(dest, &rng);
  }

  // Draws a width x height coordinate source centred on (20, 15) into a
  // noise destination and checks that exactly the pixels where shows()
  // names a source pixel changed, to that pixel's coordinate word.
  template <class Shows>
  void ExpectCoordinateDraw(int width, int height, float angle, float scale, Shows shows) {
    TestImage source, dest;
    MakeCoordinateSource(&source, width, height);
    MakeNoiseDest(&dest, 1, (uint32_t)(width * 31 + height));
    const std::vector<uint8_t> before = dest.buffer;
    MemImgDrawRotated(&dest.image, &source.image, 20, 15, angle, scale, 0, 0, nullptr);
    MEMIMG old = dest.image;
    old.pixels = const_cast<uint8_t *>(before.data()) + (dest.image.pixels - dest.buffer.data());
    int changed = 0;
    for (int y = 0; y < kDestHeight; ++y)
      for (int x = 0; x < kDestWidth; ++x) {
        int sx, sy;
        const uint32_t got = RefReadPixel(&dest.image, x, y);
        if (shows(x, y, &sx, &sy)) {
          EXPECT_EQ(got, 0xFF000000u | (uint32_t)sy << 8 | (uint32_t)sx) << x << ", " << y;
          ++changed;
        } else {
          EXPECT_EQ(got, RefReadPixel(&old, x, y)) << "untouched " << x << ", " << y;
        }
      }
    EXPECT_GT(changed, 0);
  }
};

TEST_F(RotatedExamples, AngleZeroDrawsTheSourceUnchangedAroundItsCentrePixel) {
  // Pixel (4, 3) on (20, 15): columns 16 to 23, rows 12 to 17; the box's
  // margin around them stays untouched.
  ExpectCoordinateDraw(8, 6, 0.0f, 1.0f, [](int x, int y, int *sx, int *sy) {
    *sx = x - 16;
    *sy = y - 12;
    return x >= 16 && x <= 23 && y >= 12 && y <= 17;
  });
  ExpectCoordinateDraw(9, 7, 0.0f, 1.0f, [](int x, int y, int *sx, int *sy) {
    *sx = x - 16;
    *sy = y - 12;
    return x >= 16 && x <= 24 && y >= 12 && y <= 18;
  });
}

TEST_F(RotatedExamples, QuarterTurnIsClockwise) {
  // Columns 18 to 23, rows 11 to 18; source (0, 0) on (23, 11); the top
  // row becomes the rightmost column, read from top to bottom.
  ExpectCoordinateDraw(8, 6, kQuarterTurn, 1.0f, [](int x, int y, int *sx, int *sy) {
    *sx = y - 11;
    *sy = 23 - x;
    return x >= 18 && x <= 23 && y >= 11 && y <= 18;
  });
}

TEST_F(RotatedExamples, NegativeScaleTurnsByHalfATurn) {
  ExpectCoordinateDraw(8, 6, 0.0f, -1.0f, [](int x, int y, int *sx, int *sy) {
    *sx = 24 - x;
    *sy = 18 - y;
    return x >= 17 && x <= 24 && y >= 13 && y <= 18;
  });
}

TEST_F(RotatedExamples, FlipDrawsTheMirroredCornersAsAQuad) {
  TestImage source, mask, dest;
  MakeCoordinateSource(&source, 8, 6);
  std::mt19937 rng(21);
  MakeMask(&mask, 8, 6, &rng);
  const struct {
    float angle, scale;
    int x, y;
    int transparent;
    bool masked;
  } turns[] = {{0.0f, 1.0f, 20, 15, 2, true},
               {kThirtyDegrees, 1.5f, 22, 19, 0, false},
               {-2.0f, 0.7f, -3, 40, 1, false},
               {1.0f, -2.0f, 30, 5, 0, true}};
  int points[8];
  FlippedQuadPoints(8, 6, 20, 15, 0.0f, 1.0f, points);
  EXPECT_EQ(std::vector<int>(points, points + 8),
            (std::vector<int>{24, 12, 16, 12, 24, 18, 16, 18}));
  for (const auto &t : turns) {
    MakeNoiseDest(&dest, 1, 5);
    std::vector<uint8_t> want = dest.buffer;
    MEMIMG predicted = dest.image;
    predicted.pixels = want.data() + (dest.image.pixels - dest.buffer.data());
    const MEMIMG *maskImage = t.masked ? &mask.image : nullptr;
    FlippedQuadPoints(8, 6, t.x, t.y, t.angle, t.scale, points);
    RefDrawQuad(&predicted, &source.image, points, t.transparent, maskImage, g_drawSettings);
    MemImgDrawRotated(&dest.image, &source.image, t.x, t.y, t.angle, t.scale, t.transparent, 1,
                      maskImage);
    EXPECT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "") << t.angle;
  }
  // The unturned mirror shows source column 24 - x at column x.
  MakeNoiseDest(&dest, 1, 6);
  MemImgDrawRotated(&dest.image, &source.image, 20, 15, 0.0f, 1.0f, 0, 1, nullptr);
  EXPECT_EQ(RefReadPixel(&dest.image, 17, 12), 0xFF000007u);
}

TEST_F(RotatedExamples, BoxOutsideTheDrawAreaDrawsNothing) {
  TestImage source, dest;
  MakeCoordinateSource(&source, 8, 6);
  MakeNoiseDest(&dest, 1, 6);
  const std::vector<uint8_t> before = dest.buffer;
  SetTestDrawSettings({10, 10, 30, 30}, 0, 255, 0x00FFFFFFu);
  MemImgDrawRotated(&dest.image, &source.image, 0, 0, 0.3f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(&dest.image, &source.image, 40, 20, 0.3f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(&dest.image, &source.image, 20, 2000000000, 0.3f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(dest.buffer, before);
}

TEST_F(RotatedExamples, WhiteBrightnessIgnoresTheTopByte) {
  std::mt19937 rng(8);
  TestImage source, a, b;
  MakeSource(&source, 9, 7, 0, TEST_SOURCE_DIRECT, &rng);
  a.Create(kDestWidth, kDestHeight, 0, 0, 0, 0);
  FillNoise(&a, &rng);
  b.Create(kDestWidth, kDestHeight, 0, 0, 0, 0);
  b.buffer = a.buffer;
  SetTestDrawSettings({0, 0, kDestWidth, kDestHeight}, 1, 200, 0xFFFFFFFFu);
  MemImgDrawRotated(&a.image, &source.image, 20, 20, 0.5f, 1.0f, 0, 0, nullptr);
  SetTestDrawSettings({0, 0, kDestWidth, kDestHeight}, 1, 200, 0x00FFFFFFu);
  MemImgDrawRotated(&b.image, &source.image, 20, 20, 0.5f, 1.0f, 0, 0, nullptr);
  EXPECT_EQ(a.buffer, b.buffer);
}

// One source pixel drawn at angle 0 onto one destination pixel.
uint32_t DrawOnePixel(int formatCode, int alphaFlag, uint32_t sourcePixel, uint32_t destPixel,
                      int transparent) {
  TestImage source, dest;
  source.Create(1, 1, formatCode, 0, alphaFlag, 0x00FF00FFu);
  RefWritePixel(&source.image, 0, 0, sourcePixel);
  dest.Create(4, 4, formatCode, 0, 0, 0);
  RefWritePixel(&dest.image, 0, 0, destPixel);
  g_drawSettings.clipRect = {0, 0, 4, 4};
  MemImgDrawRotated(&dest.image, &source.image, 0, 0, 0.0f, 1.0f, transparent, 0, nullptr);
  return RefReadPixel(&dest.image, 0, 0);
}

TEST_F(RotatedExamples, AlphaSourceInCopyMode) {
  // Under the flag: alpha 255 copies the whole word, alpha 0 is skipped.
  EXPECT_EQ(DrawOnePixel(1, 1, 0xFF102030u, 0x01020304u, 1), 0xFF102030u);
  EXPECT_EQ(DrawOnePixel(1, 1, 0x00102030u, 0x01020304u, 1), 0x01020304u);
  // Without it alpha 255 weighs 255/256: 255 over 0 gives 254.
  EXPECT_EQ(DrawOnePixel(1, 1, 0xFF0000FFu, 0x7F000000u, 0), 0x7F0000FEu);
}

TEST_F(RotatedExamples, AddSetsAndSubtractClearsTheFourthByte) {
  SetTestDrawSettings({0, 0, 4, 4}, 2, 255, 0x00FFFFFFu);
  // 240 + 32 in every channel saturates and carries out of red.
  EXPECT_EQ(DrawOnePixel(1, 0, 0x00202020u, 0x00F0F0F0u, 0), 0x01FFFFFFu);
  EXPECT_EQ(DrawOnePixel(1, 0, 0x00010101u, 0x00010101u, 0), 0x00010102u);
  SetTestDrawSettings({0, 0, 4, 4}, 3, 255, 0x00FFFFFFu);
  EXPECT_EQ(DrawOnePixel(1, 0, 0x00202020u, 0xAB101010u, 0), 0u);
}

TEST_F(RotatedExamples, MultiplyTurnsAlphaZeroBlackUnderTransparency) {
  SetTestDrawSettings({0, 0, 4, 4}, 4, 255, 0x00FFFFFFu);
  EXPECT_EQ(DrawOnePixel(1, 1, 0x00FFFFFFu, 0x55FFFFFFu, 1), 0x55000000u);
  EXPECT_EQ(DrawOnePixel(0, 1, 0x0000FFFFu, 0xFFFFu, 1), 0u);
}

TEST_F(RotatedExamples, PaletteKeyComparesTheIndex) {
  TestImage source, dest;
  source.Create(2, 1, 1, 1, 0, 0x17);
  uint32_t *palette = (uint32_t *)source.image.base->palette;
  palette[5] = 0x17;      // a colour equal to the key's value
  palette[0x17] = 0x00ABCDEF;
  source.image.pixels[0] = 5;
  source.image.pixels[1] = 0x17;
  dest.Create(4, 2, 1, 0, 0, 0);
  g_drawSettings.clipRect = {0, 0, 4, 2};
  MemImgDrawRotated(&dest.image, &source.image, 1, 0, 0.0f, 1.0f, 1, 0, nullptr);
  EXPECT_EQ(RefReadPixel(&dest.image, 0, 0), 0x17u);
  EXPECT_EQ(RefReadPixel(&dest.image, 1, 0), 0u);
}

// Arguments beyond what the 14.18 arithmetic holds, and refused images.
class RotatedLimits : public RotatedExamples {
 protected:
  // Draws on both roads and expects no pixel.
  void ExpectNothing(const MEMIMG *source, float angle, float scale, int x = 20, int y = 20,
                     const MEMIMG *mask = nullptr, bool flipRoadToo = true) {
    TestImage dest;
    MakeNoiseDest(&dest, source->base->formatCode, 9);
    const std::vector<uint8_t> before = dest.buffer;
    MemImgDrawRotated(&dest.image, source, x, y, angle, scale, 0, 0, mask);
    if (flipRoadToo) MemImgDrawRotated(&dest.image, source, x, y, angle, scale, 0, 1, mask);
    EXPECT_EQ(dest.buffer, before) << "angle " << angle << " scale " << scale;
  }
};

TEST_F(RotatedLimits, ScalesAndAnglesWithoutAValueDrawNothing) {
  TestImage source;
  MakeCoordinateSource(&source, 8, 6);
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float scale : {0.0f, -0.0f, nan, inf, -inf}) ExpectNothing(&source.image, 0.3f, scale);
  for (float angle : {nan, inf, -inf}) ExpectNothing(&source.image, angle, 1.0f);
}

TEST_F(RotatedLimits, ConversionsOutOfRangeDrawNothing) {
  TestImage source;
  MakeCoordinateSource(&source, 8, 6);
  ExpectNothing(&source.image, 0.3f, 2.0e6f);   // corners beyond an int
  // Steps beyond an int (the mirrored draw takes no steps).
  ExpectNothing(&source.image, 0.3f, 1.0e-5f, 20, 20, nullptr, false);
  // Corners that fit in 14.18 only as 64-bit numbers, in whole pixels
  // beyond an int or beyond the triangle's range: nothing.
  TestImage dest;
  MakeNoiseDest(&dest, 1, 10);
  const std::vector<uint8_t> before = dest.buffer;
  MemImgDrawRotated(&dest.image, &source.image, 2147483647, 0, 0.0f, 1.0f, 0, 1, nullptr);
  MemImgDrawRotated(&dest.image, &source.image, 2147483640, 0, 0.0f, 1.0f, 0, 1, nullptr);
  EXPECT_EQ(dest.buffer, before);
}

TEST_F(RotatedLimits, OversizedSourcesAndMasksDrawNothingOnTheScanRoad) {
  TestImage wide, widest, tall, small, tallMask, narrowMask, shortMask;
  wide.Create(8193, 1, 0, 0, 0, 0);
  widest.Create(8192, 1, 0, 0, 0, 0);
  tall.Create(1, 4097, 0, 0, 0, 0);
  small.Create(4, 4, 0, 0, 0, 0);
  tallMask.Create(4, 4097, 2, 0, 0, 0);
  narrowMask.Create(3, 4, 2, 0, 0, 0);
  shortMask.Create(4, 3, 2, 0, 0, 0);
  for (TestImage *image : {&wide, &widest, &tall, &small})
    memset(image->buffer.data(), 0x5A, image->buffer.size());

  TestImage dest;
  MakeNoiseDest(&dest, 0, 11);
  std::vector<uint8_t> before = dest.buffer;
  MemImgDrawRotated(&dest.image, &wide.image, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(&dest.image, &tall.image, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  MemImgDrawRotated(&dest.image, &small.image, 20, 20, 0.0f, 1.0f, 0, 0, &tallMask.image);
  EXPECT_EQ(dest.buffer, before);
  MemImgDrawRotated(&dest.image, &widest.image, 20, 20, 0.0f, 1.0f, 0, 0, nullptr);
  EXPECT_NE(dest.buffer, before);

  ExpectNothing(&small.image, 0.2f, 1.0f, 20, 20, &narrowMask.image);
  ExpectNothing(&small.image, 0.2f, 1.0f, 20, 20, &shortMask.image);
}

TEST_F(RotatedLimits, StartPointsFarFromTheCentre) {
  // A 16 x 1 source at scale 1000, turned by 45 degrees: its corners lie
  // about 6010 pixels from the centre on both axes, so at the box's
  // top-left pixel the 32-bit products of the start point would overflow
  // (2 x 6012 x 185363 > 2^31). The image's end edge crosses the box 353
  // pixels in from that corner.
  TestImage source, dest;
  MakeCoordinateSource(&source, 16, 1);
  dest.Create(400, 400, 1, 0, 0, 0);
  std::mt19937 rng(13);
  FillNoise(&dest, &rng);
  const Rect clip = {0, 0, 400, 400};
  SetTestDrawSettings(clip, 0, 255, 0x00FFFFFFu);
  const float angle = 0.78539819f, scale = 1000.0f;
  const GeometryMap map = RotatedGeometry(16, 1, 6014, 6014, angle, scale, 400, 400, clip);
  ASSERT_GT(map.DrawnCount(), 1000);
  std::vector<uint8_t> want = dest.buffer;
  PredictDraw(dest, &want, &source.image, nullptr, 0, map, g_drawSettings);
  MemImgDrawRotated(&dest.image, &source.image, 6014, 6014, angle, scale, 0, 0, nullptr);
  EXPECT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "");
  // Only the source's first column reaches this corner of the image.
  EXPECT_EQ(RefReadPixel(&dest.image, 380, 380), 0xFF000000u);
}

// A draw area larger than the destination: the box is cut at the
// destination's edges (the turned image reaches past its right and bottom).
TEST_F(RotatedLimits, DrawAreaReachingPastTheDestinationIsCut) {
  std::mt19937 rng(16);
  for (int fc = 0; fc < 2; ++fc) {
    TestImage source, dest;
    MakeSource(&source, 9, 7, fc, TEST_SOURCE_DIRECT, &rng);
    dest.Create(16, 12, fc, 0, 0, 0);
    FillNoise(&dest, &rng);
    const Rect area = {-20, -20, 100, 100};
    SetTestDrawSettings(area, 0, 255, 0x00FFFFFFu);
    const GeometryMap map = RotatedGeometry(9, 7, 11, 8, 0.3f, 1.5f, 16, 12, area);
    ASSERT_GT(map.DrawnCount(), 0);
    std::vector<uint8_t> want = dest.buffer;
    PredictDraw(dest, &want, &source.image, nullptr, 0, map, g_drawSettings);
    MemImgDrawRotated(&dest.image, &source.image, 11, 8, 0.3f, 1.5f, 0, 0, nullptr);
    EXPECT_EQ(FirstDifference(dest.buffer, want, dest.image.base->pitch), "") << "format " << fc;
  }
}

}  // namespace
