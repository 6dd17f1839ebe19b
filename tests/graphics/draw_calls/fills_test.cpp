// Clearing the draw target on both paths and the untextured box of the
// hardware path.
#include <gtest/gtest.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_fixture.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/images/base_image.h"
#include "core/base/core_state.h"
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

// Graph draw targets: the clear reaches the graph (its surface on the device,
// its image in software), bounded by the graph's size.
class GraphTargetClearTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    SetFrameworkInitialised(1);
  }
  void TearDown() override {
    SetDrawTarget(DRAW_TARGET_BACK);
    SetFrameworkInitialised(0);
    GraphFixture::TearDown();
  }
};

TEST_F(GraphTargetClearTest, DeviceClearsTheTargetGraphSurfaceWithinItsSize) {
  const int target = DrawTargetGraph(100, 50);
  ASSERT_GE(target, 0);
  ASSERT_EQ(0, SetDrawTarget(target));
  ASSERT_EQ(0, SetDrawClipRect(10, 5, 60, 40));
  const struct {
    const char *name;
    bool given;
    Rect r;
    const char *viewport;
  } cases[] = {
      {"inside", true, {5, 6, 25, 16}, "SetViewport 5,6 20x10 z=0-1"},
      {"past the graph", true, {90, 40, 640, 480}, "SetViewport 90,40 10x10 z=0-1"},
      {"left -1", true, {-1, 6, 25, 16}, "SetViewport 0,0 100x50 z=0-1"},
      {"null", false, {0, 0, 0, 0}, "SetViewport 0,0 100x50 z=0-1"},
  };
  GfxSurface *surface = GetGraphRecord(target)->image->entries[0].surface;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    device.calls.clear();
    ASSERT_EQ(0, ClearDrawTarget(c.given ? &c.r : NULL));
    EXPECT_EQ(surface, device.mirror.renderTarget);
    const std::vector<std::string> viewports = device.CallsOf("SetViewport");
    ASSERT_EQ(2u, viewports.size());
    EXPECT_EQ(c.viewport, viewports[0]);
    EXPECT_EQ("SetViewport 10,5 50x35 z=0-1", viewports[1]);
    EXPECT_EQ(1u, device.CallsOf("Clear").size());
  }
  // Nothing of the graph left: no clear at all.
  device.calls.clear();
  const Rect outside = {100, 0, 200, 50};
  ASSERT_EQ(0, ClearDrawTarget(&outside));
  EXPECT_TRUE(device.CallsOf("Clear").empty());
}

TEST_F(GraphTargetClearTest, SoftwareClearsTheTargetGraphImageOnly) {
  for (int bits : {32, 16}) {
    SCOPED_TRACE(bits);
    SetFrameworkInitialised(0);  // the renderer is chosen before start-up
    Start(0, 0, 0, bits);
    SetFrameworkInitialised(1);
    MEMIMG *screen = GetSoftwareScreenImage();
    ASSERT_NE(nullptr, screen);
    MemImgFillRect(screen, NULL, 0x1234);
    const int target = CreateEmptyGraph(40, 30);
    ASSERT_GE(target, 0);
    MEMIMG *image = &GetGraphRecord(target)->memImage;
    const int bytes = image->base->format->bytesPerPixel;
    auto pixel = [&](const MEMIMG *m, int x, int y) {
      return ReadRawPixel(m->pixels + y * m->base->pitch + x * bytes, bytes);
    };
    const struct {
      const char *name;
      bool given;
      Rect r;
      Rect cleared;
    } cases[] = {
        {"inside", true, {5, 6, 25, 16}, {5, 6, 25, 16}},
        {"past the graph", true, {30, 20, 640, 480}, {30, 20, 40, 30}},
        {"top -1", true, {5, -1, 25, 16}, {0, 0, 40, 30}},
        {"null", false, {0, 0, 0, 0}, {0, 0, 40, 30}},
    };
    ASSERT_EQ(0, SetDrawTarget(target));
    for (const auto &c : cases) {
      SCOPED_TRACE(c.name);
      MemImgFillRect(image, NULL, 0x5678);
      ASSERT_EQ(0, ClearDrawTarget(c.given ? &c.r : NULL));
      for (int y = 0; y < 30; y++) {
        for (int x = 0; x < 40; x++) {
          const bool inside = x >= c.cleared.left && x < c.cleared.right && y >= c.cleared.top &&
                              y < c.cleared.bottom;
          ASSERT_EQ(inside ? 0u : 0x5678u, pixel(image, x, y)) << x << "," << y;
        }
      }
    }
    EXPECT_EQ(0x1234u, pixel(screen, 0, 0));
    EXPECT_EQ(0x1234u, pixel(screen, 39, 29));
    ASSERT_EQ(0, SetDrawTarget(DRAW_TARGET_BACK));
    DeleteGraphHandle(target);
  }
}
