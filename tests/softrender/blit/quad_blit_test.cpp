// The quad draw: two triangles of the triangle model after the padded
// bounding-box test, placements that copy the source texel for texel, the
// box's uneven margins and a collinear corner triple.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "blit_geometry_reference.h"
#include "blit_reference.h"
#include "softrender/blit/quad_blit.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle_reference.h"

namespace {

const int kDestWidth = 48, kDestHeight = 40;

class QuadBlitTest : public testing::Test {
 protected:
  void SetUp() override {
    InitTestBlendTables();
    SetTestDrawSettings({0, 0, kDestWidth, kDestHeight}, 0, 0, 0x00FFFFFFu);
  }

  // Draws with the quad and the model into copies of a noise destination.
  std::string Compare(const MEMIMG *source, const int points[8], int transparent,
                      const MEMIMG *mask, std::vector<uint8_t> *before = nullptr) {
    TestImage dest;
    std::mt19937 rng(points[0] * 7 + points[1]);
    dest.Create(kDestWidth, kDestHeight, source->base->formatCode, 0, 0, 0);
    FillNoise(&dest, &rng);
    std::vector<uint8_t> want = dest.buffer;
    MEMIMG predicted = dest.image;
    predicted.pixels = want.data() + (dest.image.pixels - dest.buffer.data());
    if (before) *before = dest.buffer;
    RefDrawQuad(&predicted, source, points, transparent, mask, g_drawSettings);
    MemImgDrawQuad(&dest.image, source, points, transparent, mask);
    if (before) *before = dest.buffer == *before ? std::vector<uint8_t>() : dest.buffer;
    return FirstDifference(dest.buffer, want, dest.image.base->pitch);
  }
};

TEST_F(QuadBlitTest, IdentityPlacementCopiesTheSourceTexelForTexel) {
  std::mt19937 rng(3);
  for (int formatCode = 0; formatCode < 2; ++formatCode) {
    TestImage source, dest;
    MakeSource(&source, 13, 9, formatCode, TEST_SOURCE_DIRECT, &rng, true);
    dest.Create(kDestWidth, kDestHeight, formatCode, 0, 0, 0);
    FillNoise(&dest, &rng);
    const std::vector<uint8_t> before = dest.buffer;
    MEMIMG old = dest.image;
    old.pixels = const_cast<uint8_t *>(before.data()) + (dest.image.pixels - dest.buffer.data());
    const int x = 7, y = 5;
    const int points[8] = {x, y, x + 13, y, x, y + 9, x + 13, y + 9};
    MemImgDrawQuad(&dest.image, &source.image, points, 0, nullptr);
    for (int py = 0; py < kDestHeight; ++py)
      for (int px = 0; px < kDestWidth; ++px) {
        const bool inside = px >= x && px < x + 13 && py >= y && py < y + 9;
        const uint32_t want = inside ? RefReadPixel(&source.image, px - x, py - y)
                                     : RefReadPixel(&old, px, py);
        ASSERT_EQ(RefReadPixel(&dest.image, px, py), want) << px << ", " << py;
      }
  }
}

TEST_F(QuadBlitTest, MatchesTheTriangleModel) {
  std::mt19937 rng(4);
  const int placements[][8] = {
      {30, 2, 44, 20, 4, 16, 20, 36},    // turned
      {40, 5, 8, 5, 40, 30, 8, 30},      // mirrored
      {10, 3, 40, 8, 2, 35, 46, 30},     // not a parallelogram
      {-20, -10, 30, -4, -6, 25, 60, 45},  // beyond the destination
  };
  for (int kind = 0; kind < 3; ++kind)
    for (int formatCode = 0; formatCode < 2; ++formatCode) {
      TestImage source, mask;
      MakeSource(&source, 17, 12, formatCode, kind, &rng, true);
      MakeMask(&mask, 17, 12, &rng, true);
      for (const auto &p : placements)
        for (int transparent = 0; transparent < 2; ++transparent) {
          EXPECT_EQ(Compare(&source.image, p, transparent, transparent ? &mask.image : nullptr),
                    "")
              << "kind " << kind << " format " << formatCode << " at " << p[0] << ", " << p[1];
        }
    }
}

TEST_F(QuadBlitTest, BoxMarginsPassTheTestButTheTrianglesWriteNothing) {
  // Clip rectangle 10..30 x 10..30 (exclusive right and bottom).
  SetTestDrawSettings({10, 10, 30, 30}, 0, 0, 0x00FFFFFFu);
  std::mt19937 rng(5);
  TestImage source;
  MakeSource(&source, 4, 4, 1, TEST_SOURCE_DIRECT, &rng, true);
  const int placements[][8] = {
      {31, 12, 35, 12, 31, 16, 35, 16},  // smallest x 1 beyond the right edge
      {12, 31, 16, 31, 12, 35, 16, 35},  // smallest y 1 beyond the bottom edge
      {2, 12, 6, 12, 2, 16, 6, 16},      // largest x 4 before the left edge
      {12, 2, 16, 2, 12, 6, 16, 6},      // largest y 4 before the top edge
      {50, 12, 54, 12, 50, 16, 54, 16},  // wholly outside
  };
  for (const auto &p : placements) {
    std::vector<uint8_t> changed;
    EXPECT_EQ(Compare(&source.image, p, 0, nullptr, &changed), "");
    EXPECT_TRUE(changed.empty()) << p[0] << ", " << p[1];
  }
}

TEST_F(QuadBlitTest, CollinearTripleStillDrawsTheOtherTriangle) {
  std::mt19937 rng(6);
  TestImage source;
  MakeSource(&source, 8, 8, 1, TEST_SOURCE_DIRECT, &rng, true);
  // Points 0, 1 and 2 on one line; 1, 2, 3 a proper triangle.
  const int points[8] = {4, 4, 12, 12, 20, 20, 30, 4};
  std::vector<uint8_t> changed;
  EXPECT_EQ(Compare(&source.image, points, 0, nullptr, &changed), "");
  EXPECT_FALSE(changed.empty());
}

TEST_F(QuadBlitTest, BadArgumentsDrawNothing) {
  std::mt19937 rng(7);
  TestImage source, dest, huge;
  MakeSource(&source, 8, 8, 1, TEST_SOURCE_DIRECT, &rng, true);
  huge.Create(8192, 1, 1, 0, 0, 0, 0, true);
  dest.Create(kDestWidth, kDestHeight, 1, 0, 0, 0);
  FillNoise(&dest, &rng);
  const std::vector<uint8_t> before = dest.buffer;
  const int points[8] = {4, 4, 12, 4, 4, 12, 12, 12};
  const int extreme[8] = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN,
                          INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX};
  MemImgDrawQuad(nullptr, &source.image, points, 0, nullptr);
  MemImgDrawQuad(&dest.image, nullptr, points, 0, nullptr);
  MemImgDrawQuad(&dest.image, &source.image, nullptr, 0, nullptr);
  MemImgDrawQuad(&dest.image, &source.image, extreme, 0, nullptr);
  // A source 8192 wide needs a texture coordinate of 8192: nothing.
  MemImgDrawQuad(&dest.image, &huge.image, points, 0, nullptr);
  EXPECT_EQ(dest.buffer, before);
}

}  // namespace
