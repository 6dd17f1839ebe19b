// Model texture images from file data: power-of-two sides under the
// device's cap, the 180-degree turn, normal maps from height maps, the
// alpha test and the white stand-in colour of an alpha-only texture.
#include <math.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/images/image_fixtures.h"
#include "leak_check.h"
#include "model/textures/texture_images.h"

namespace {

// An RGB PNG whose pixel (x, y) is given by colour(x, y) as 0xRRGGBB.
template <typename F>
Bytes MakeRgbPng(int width, int height, F colour) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  for (int y = 0; y < height; y++) {
    Bytes row(static_cast<size_t>(width) * 3);
    for (int x = 0; x < width; x++) {
      const uint32_t c = colour(x, y);
      row[x * 3 + 0] = static_cast<uint8_t>(c >> 16);
      row[x * 3 + 1] = static_cast<uint8_t>(c >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(c);
    }
    spec.rows.push_back(row);
  }
  return MakePng(spec);
}

Bytes SolidPng(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t c = (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
  return MakeRgbPng(width, height, [c](int, int) { return c; });
}

Bytes MakeRgbaPng(int width, int height, uint8_t alphaOfFirst) {
  PngSpec spec;
  spec.width = width;
  spec.height = height;
  spec.colorType = PNG_COLOR_TYPE_RGBA;
  for (int y = 0; y < height; y++) {
    Bytes row(static_cast<size_t>(width) * 4);
    for (int x = 0; x < width; x++) {
      row[x * 4 + 0] = 10;
      row[x * 4 + 1] = 20;
      row[x * 4 + 2] = 30;
      row[x * 4 + 3] = static_cast<uint8_t>(x == 0 && y == 0 ? alphaOfFirst : 255);
    }
    spec.rows.push_back(row);
  }
  return MakePng(spec);
}

class TextureImagesTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    saved = g_d3d;
    g_d3d.maxTextureWidth = g_d3d.maxTextureHeight = 4096;
  }
  void TearDown() override {
    FreeBaseImage(&colour);
    FreeBaseImage(&alpha);
    g_d3d = saved;
    LeakCheckedTest::TearDown();
  }
  int Make(const Bytes &colourFile, const Bytes *alphaFile = nullptr, int bump = 0, float height = 1.0f, int reverse = 0) {
    return MakeModelTextureImages(&colour, &alpha, colourFile.empty() ? nullptr : colourFile.data(),
                                  static_cast<int>(colourFile.size()), alphaFile ? alphaFile->data() : nullptr,
                                  alphaFile ? static_cast<int>(alphaFile->size()) : 0, bump, height, reverse);
  }
  void ExpectRgb(int x, int y, int r, int g, int b, int tolerance = 0) {
    int rr, gg, bb, aa;
    ASSERT_EQ(0, ReadBaseImagePixel(&colour, x, y, &rr, &gg, &bb, &aa));
    EXPECT_NEAR(r, rr, tolerance) << x << "," << y;
    EXPECT_NEAR(g, gg, tolerance) << x << "," << y;
    EXPECT_NEAR(b, bb, tolerance) << x << "," << y;
  }

  Direct3DState saved;
  BASEIMAGE colour = {};
  BASEIMAGE alpha = {};
};

TEST_F(TextureImagesTest, SidesRoundUpToPowersOfTwoUnderHalfTheDeviceLimit) {
  const struct {
    int width, height, deviceMax;
    int expectedWidth, expectedHeight;
  } cases[] = {{100, 60, 4096, 128, 64}, {64, 32, 4096, 64, 32}, {300, 60, 256, 128, 64}, {3, 5, 256, 4, 8}};
  for (const auto &c : cases) {
    g_d3d.maxTextureWidth = g_d3d.maxTextureHeight = c.deviceMax;
    ASSERT_EQ(0, Make(SolidPng(c.width, c.height, 40, 80, 120)));
    EXPECT_EQ(c.expectedWidth, colour.width) << c.width;
    EXPECT_EQ(c.expectedHeight, colour.height) << c.height;
    ExpectRgb(colour.width - 1, colour.height - 1, 40, 80, 120, 1);
    FreeBaseImage(&colour);
  }
}

TEST_F(TextureImagesTest, ReversalTurnsTheImageBy180Degrees) {
  const uint32_t corners[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  const Bytes file = MakeRgbPng(2, 2, [&](int x, int y) { return corners[y * 2 + x]; });
  ASSERT_EQ(0, Make(file, nullptr, 0, 1.0f, 1));
  ExpectRgb(0, 0, 255, 255, 255);
  ExpectRgb(1, 0, 0, 0, 255);
  ExpectRgb(0, 1, 0, 255, 0);
  ExpectRgb(1, 1, 255, 0, 0);
}

TEST_F(TextureImagesTest, FlatHeightMapGivesTheUpNormal) {
  ASSERT_EQ(0, Make(SolidPng(4, 4, 90, 90, 90), nullptr, 1, 2.0f));
  for (int y = 0; y < 4; y++) {
    for (int x = 0; x < 4; x++) ExpectRgb(x, y, 127, 127, 255);
  }
}

// Heights rising by 16 a pixel to the right (wrapping back at the edge):
// n = normalise(-h slopeX, -h slopeY, h x h), channel = (n + 1) x 127.5.
TEST_F(TextureImagesTest, SlopedHeightMapMatchesAFloatReference) {
  const float h = 0.5f;
  const Bytes file = MakeRgbPng(4, 4, [](int x, int) {
    const uint32_t v = static_cast<uint32_t>(x * 16);
    return (v << 16) | (v << 8) | v;
  });
  ASSERT_EQ(0, Make(file, nullptr, 1, h));
  for (int x = 0; x < 4; x++) {
    const float slope = static_cast<float>((x + 1 < 4 ? (x + 1) * 16 : 0) - x * 16) / 255.0f;
    float n[3] = {-h * slope, 0.0f, h * h};
    const float length = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    ExpectRgb(x, 0, static_cast<int>((n[0] / length + 1.0f) * 127.5f), 127, static_cast<int>((n[2] / length + 1.0f) * 127.5f), 1);
  }
}

TEST_F(TextureImagesTest, AlphaPixelsOtherThan255MarkTheTexture) {
  ASSERT_EQ(0, Make(MakeRgbaPng(4, 2, 255)));
  EXPECT_EQ(0, ImageHasTranslucentPixel(&colour));
  FreeBaseImage(&colour);
  ASSERT_EQ(0, Make(MakeRgbaPng(4, 2, 128)));
  EXPECT_EQ(1, ImageHasTranslucentPixel(&colour));
  FreeBaseImage(&colour);
  ASSERT_EQ(0, Make(SolidPng(2, 2, 1, 2, 3)));
  EXPECT_EQ(0, ImageHasTranslucentPixel(&colour));
}

// An alpha image of another size is scaled to the colour image's, so the
// pair can become one graph.
TEST_F(TextureImagesTest, AlphaImageTakesTheColourImagesSize) {
  const Bytes colourFile = SolidPng(4, 4, 10, 20, 30);
  const Bytes alphaFile = SolidPng(8, 16, 128, 128, 128);
  ASSERT_EQ(0, Make(colourFile, &alphaFile));
  EXPECT_EQ(4, alpha.width);
  EXPECT_EQ(4, alpha.height);
}

// The white colour image takes the fitted alpha image's size, so both can
// become one graph.
TEST_F(TextureImagesTest, AlphaOnlyTextureIsWhiteAtTheFittedAlphaImagesSize) {
  const Bytes alphaFile = SolidPng(100, 60, 128, 128, 128);
  ASSERT_EQ(0, Make(Bytes(), &alphaFile));
  EXPECT_EQ(128, colour.width);
  EXPECT_EQ(64, colour.height);
  ExpectRgb(127, 63, 255, 255, 255);
  EXPECT_EQ(128, alpha.width);
  EXPECT_EQ(64, alpha.height);
}

TEST_F(TextureImagesTest, UndecodableDataKeepsNothing) {
  const Bytes junk(8, 7);
  EXPECT_EQ(-1, Make(junk));
  const Bytes good = SolidPng(2, 2, 1, 2, 3);
  EXPECT_EQ(-1, Make(good, &junk));
  EXPECT_EQ(nullptr, colour.pixels);
  EXPECT_EQ(nullptr, alpha.pixels);
}

}  // namespace
