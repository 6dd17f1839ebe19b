// Clearing the draw target on both paths and the untextured box of the
// hardware path.
#include <gtest/gtest.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_fixture.h"
#include "softrender/softrender.h"

namespace {

class ClearTest : public DrawFixture {};

TEST_F(ClearTest, HardwareClearCoversTheRectangleThenTheClipComesBack) {
  ASSERT_EQ(0, SetDrawClipRect(10, 20, 300, 200));
  struct Case {
    const char *name;
    bool given;
    Rect r;
    const char *viewport;
  } cases[] = {
      {"rectangle", true, {5, 6, 105, 56}, "SetViewport 5,6 100x50 z=0-1"},
      {"left -1 is the whole target", true, {-1, 6, 105, 56}, "SetViewport 0,0 640x480 z=0-1"},
      {"top -1 is the whole target", true, {5, -1, 105, 56}, "SetViewport 0,0 640x480 z=0-1"},
      {"null", false, {0, 0, 0, 0}, "SetViewport 0,0 640x480 z=0-1"},
      {"past the target", true, {600, 400, 900, 900}, "SetViewport 600,400 40x80 z=0-1"},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    device.calls.clear();
    ASSERT_EQ(0, ClearDrawTarget(k.given ? &k.r : NULL));
    const std::vector<std::string> viewports = device.CallsOf("SetViewport");
    ASSERT_EQ(2u, viewports.size()) << Join(device.calls);
    EXPECT_EQ(k.viewport, viewports[0]);
    EXPECT_EQ("SetViewport 10,20 290x180 z=0-1", viewports[1]);
    const int clear = CallIndex("Clear");
    ASSERT_GE(clear, 0);
    // Colour and depth, black, Z 1.
    EXPECT_EQ("Clear flags=3 color=0x00000000 z=1", device.calls[clear]);
  }
}

TEST_F(ClearTest, ClearDrawsWhatWasQueuedFirst) {
  auto g = MakeDeviceGraph(10, {20});
  ASSERT_EQ(0, HardwareDrawGraph(&g->record, 10, 10, 10, 10, 1, 1));
  ASSERT_EQ(0, ClearDrawTarget(NULL));
  EXPECT_EQ(0, g_vertexBatch.count);
  EXPECT_LT(CallIndex("DrawPrimitiveUP"), CallIndex("Clear"));
}

TEST_F(ClearTest, FilledBoxIsTheColourTimesTheBatchColourInsideTheClip) {
  ASSERT_EQ(0, SetDrawClipRect(0, 0, 100, 100));
  SetDrawBrightness(255, 128, 0);
  ASSERT_EQ(0, DrawFilledBox(120, -5, 50, 40, static_cast<int>(PackDrawColor(200, 100, 255))));
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_EQ(BATCH_UNTEXTURED, g_vertexBatch.subKind);
  const float xs[6] = {49.5f, 99.5f, 49.5f, 99.5f, 49.5f, 99.5f};
  const float ys[6] = {-0.5f, -0.5f, 39.5f, 39.5f, 39.5f, -0.5f};
  for (int i = 0; i < 6; i++) {
    EXPECT_FLOAT_EQ(xs[i], got[i].x) << i;
    EXPECT_FLOAT_EQ(ys[i], got[i].y) << i;
    // 16-bit screen: 200 -> 206 in 565 is read back as its 0-255 channel.
    int r = 0, gr = 0, b = 0;
    UnpackDrawColor(PackDrawColor(200, 100, 255), &r, &gr, &b);
    const uint32_t want = 0xFF000000u | static_cast<uint32_t>(r) << 16 |
                          static_cast<uint32_t>(gr * 128 / 255) << 8;
    EXPECT_EQ(want, got[i].diffuse) << i;
  }
  FlushVertexBatch();
  EXPECT_EQ(0, DrawFilledBox(100, 0, 200, 50, 0));  // outside the clip
  EXPECT_EQ(0, g_vertexBatch.count);
  SetDrawBrightness(255, 255, 255);
}

class SoftwareClearTest : public GfxFixture {};

TEST_F(SoftwareClearTest, ClearFillsTheScreenImageWithBlack) {
  SetUseHardwareRendering(0);
  ASSERT_EQ(0, StartGraphicsSystem());
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  const uint16_t grey = 0x7BEF;
  auto paint = [&] { MemImgFillRect(screen, NULL, grey); };
  auto pixel = [&](int x, int y) {
    return reinterpret_cast<uint16_t *>(screen->pixels + y * screen->base->pitch)[x];
  };
  paint();
  const Rect r = {10, 20, 30, 40};
  ASSERT_EQ(0, ClearDrawTarget(&r));
  EXPECT_EQ(0, pixel(10, 20));
  EXPECT_EQ(0, pixel(29, 39));
  EXPECT_EQ(grey, pixel(30, 39));
  EXPECT_EQ(grey, pixel(9, 20));
  paint();
  const Rect negative = {-1, 20, 30, 40};
  ASSERT_EQ(0, ClearDrawTarget(&negative));
  EXPECT_EQ(0, pixel(639, 479));
  EXPECT_EQ(0, pixel(0, 0));
}

TEST_F(SoftwareClearTest, ClearBeforeStartUpRefuses) { EXPECT_EQ(-1, ClearDrawTarget(NULL)); }

}  // namespace
