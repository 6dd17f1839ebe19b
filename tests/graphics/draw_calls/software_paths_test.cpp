// The software helpers against the blits they stand for: each leaves the
// screen byte for byte as the blit called directly with the graph's view
// and the same arguments, which pins argument order, flags and truncation.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <functional>
#include <vector>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/gfx_fixture.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"

namespace {

const uint32_t kKey = 0x00FF00FF;

class SoftwarePathTest : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    StoreScreenMode(640, 480, 32, 0);
    SetUseHardwareRendering(0);
    ASSERT_EQ(0, StartGraphicsSystem());
    screen = GetSoftwareScreenImage();
    ASSERT_NE(nullptr, screen);
    // An asymmetric 9 x 5 sprite: every pixel differs, with two keyed ones.
    ASSERT_EQ(0, MemImgCreate(&graph.memImage, 9, 5, -1, kKey, 1, 0, 0, 0, NULL));
    for (int y = 0; y < 5; y++) {
      uint32_t *row = reinterpret_cast<uint32_t *>(graph.memImage.pixels +
                                                   y * graph.memImage.base->pitch);
      for (int x = 0; x < 9; x++) row[x] = 0x00102030u + static_cast<uint32_t>(x * 0x1F0000 + y * 0x2D00);
    }
    Pixel(0, 0) = kKey;
    Pixel(8, 4) = kKey;
    graph.width = 9;
    graph.height = 5;
  }
  void TearDown() override {
    MemImgRelease(&graph.memImage);
    GfxFixture::TearDown();
  }
  uint32_t &Pixel(int x, int y) {
    return reinterpret_cast<uint32_t *>(graph.memImage.pixels +
                                        y * graph.memImage.base->pitch)[x];
  }
  // The screen filled with a pattern, then drawn on; its bytes.
  std::vector<uint8_t> After(const std::function<void()> &draw) {
    for (int y = 0; y < screen->height; y++) {
      uint32_t *row = reinterpret_cast<uint32_t *>(screen->pixels + y * screen->base->pitch);
      for (int x = 0; x < screen->width; x++) row[x] = static_cast<uint32_t>(x * 7 + y * 13);
    }
    draw();
    const uint8_t *first = screen->pixels;
    return std::vector<uint8_t>(first, first + screen->height * screen->base->pitch);
  }

  MEMIMG *screen = nullptr;
  GraphRecord graph;
};

TEST_F(SoftwarePathTest, EachHelperDrawsAsItsBlit) {
  const Rect mirrored = {100, 10, 40, 60};
  struct Case {
    const char *name;
    std::function<void()> helper, blit;
  } cases[] = {
      {"at", [&] { SoftwareDrawGraph(&graph, 10, 20, 1); },
       [&] { MemImgDrawImage(screen, &graph.memImage, 10, 20, 1, NULL); }},
      {"at, clipped", [&] { SoftwareDrawGraph(&graph, -4, 477, 0); },
       [&] { MemImgDrawImage(screen, &graph.memImage, -4, 477, 0, NULL); }},
      {"stretched, mirrored", [&] { SoftwareDrawGraphStretched(&graph, &mirrored, 1); },
       [&] { MemImgDrawStretched(screen, &graph.memImage, &mirrored, 1, NULL); }},
      {"rotated, turned", [&] { SoftwareDrawGraphRotated(&graph, 100.9, 50.6, 1.5, 0.5, 1, 0); },
       [&] { MemImgDrawRotated(screen, &graph.memImage, 100, 50, 0.5f, 1.5f, 0, 1, NULL); }},
      {"rotated, keyed", [&] { SoftwareDrawGraphRotated(&graph, -7.5, 33.2, 3.0, 2.0, 0, 1); },
       [&] { MemImgDrawRotated(screen, &graph.memImage, -7, 33, 2.0f, 3.0f, 1, 0, NULL); }},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    const std::vector<uint8_t> want = After(k.blit);
    EXPECT_TRUE(want != After([] {})) << "the blit draws something";
    EXPECT_TRUE(want == After(k.helper));
  }
}

TEST_F(SoftwarePathTest, QuadIsTwoTrianglesAlongTheRisingDiagonalHonouringTheKey) {
  for (int transparent : {0, 1}) {
    SCOPED_TRACE(transparent);
    // Top-left, top-right, bottom-left, bottom-right.
    const int tl[2] = {20, 10}, tr[2] = {70, 15}, bl[2] = {15, 60}, br[2] = {80, 70};
    const std::vector<uint8_t> want = After([&] {
      const int first[12] = {tl[0], tl[1], 0, 0, tr[0], tr[1], 9, 0, bl[0], bl[1], 0, 5};
      const int second[12] = {br[0], br[1], 9, 5, bl[0], bl[1], 0, 5, tr[0], tr[1], 9, 0};
      MemImgDrawTriangle(screen, &graph.memImage, first, transparent, NULL, 0);
      MemImgDrawTriangle(screen, &graph.memImage, second, transparent, NULL, 0);
    });
    EXPECT_TRUE(want == After([&] {
      SoftwareDrawGraphQuad(&graph, tl[0], tl[1], tr[0], tr[1], bl[0], bl[1], br[0], br[1],
                            transparent);
    }));
    const PointF corners[4] = {{20.7f, 10.2f}, {70.9f, 15.0f}, {15.1f, 60.5f}, {80.99f, 70.3f}};
    EXPECT_TRUE(want == After([&] { SoftwareDrawGraphQuadF(&graph, corners, transparent); }));
  }
  // The key's texel at the top-left corner: keyed, the pattern shows there.
  const std::vector<uint8_t> keyed = After([&] {
    SoftwareDrawGraphQuad(&graph, 100, 100, 190, 100, 100, 150, 190, 150, 1);
  });
  const std::vector<uint8_t> plain = After([&] {
    SoftwareDrawGraphQuad(&graph, 100, 100, 190, 100, 100, 150, 190, 150, 0);
  });
  const size_t at = 101 * screen->base->pitch + 101 * 4;
  uint32_t keyedPixel, plainPixel;
  memcpy(&keyedPixel, &keyed[at], 4);
  memcpy(&plainPixel, &plain[at], 4);
  EXPECT_EQ(101u * 7 + 101 * 13, keyedPixel);
  EXPECT_EQ(kKey, plainPixel);
}

TEST_F(SoftwarePathTest, ValuesOutsideTheIntRangeDrawNothing) {
  const std::vector<uint8_t> untouched = After([] {});
  const PointF far[4] = {{0, 0}, {3e9f, 0}, {0, 10}, {10, 10}};
  const PointF nan[4] = {{0, 0}, {10, 0}, {0, NAN}, {10, 10}};
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphQuadF(&graph, far, 1); }));
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphQuadF(&graph, nan, 1); }));
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphRotated(&graph, NAN, 5, 1, 0, 0, 0); }));
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphRotated(&graph, 5, 1e12, 1, 0, 0, 0); }));
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphRotated(&graph, 5, 5, INFINITY, 0, 0, 0); }));
  EXPECT_TRUE(untouched == After([&] { SoftwareDrawGraphRotated(&graph, 5, 5, 1, NAN, 0, 0); }));
}

}  // namespace
