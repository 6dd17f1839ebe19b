// The public draw calls: the steps every call runs before its path, the
// subtraction emulation, the part draw's clip, the quad's corner order and
// the software road through the graph table.
#include <gtest/gtest.h>
#include <math.h>

#include <functional>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_fixture.h"
#include "graphics/draw_calls/draw_support.h"
#include "softrender/softrender.h"
#include "velvane.h"

namespace {

const float kEps = 1e-4f;

class DrawCallTest : public DrawFixture {
 protected:
  // Every public call on a handle, each returning its result.
  std::vector<std::pair<const char *, std::function<int(int)>>> Calls() {
    return {
        {"DrawGraphAt", [](int h) { return DrawGraphAt(10, 10, h, 1); }},
        {"DrawGraphStretched", [](int h) { return DrawGraphStretched(0, 0, 40, 40, h, 1); }},
        {"DrawGraphStretchedF", [](int h) { return DrawGraphStretchedF(0, 0, 40, 40, h, 1); }},
        {"DrawGraphTurned", [](int h) { return DrawGraphTurned(10, 10, h, 1); }},
        {"DrawGraphRotated", [](int h) { return DrawGraphRotated(50, 50, 1.0, 0.5, h, 1, 0); }},
        {"DrawGraphRotatedF", [](int h) { return DrawGraphRotatedF(50, 50, 1.0, 0.5, h, 1, 0); }},
        {"DrawRectGraph", [](int h) { return DrawRectGraph(10, 10, 2, 2, 8, 6, h, 1, 0); }},
        {"DrawRectGraph turned", [](int h) { return DrawRectGraph(10, 10, 2, 2, 8, 6, h, 1, 1); }},
        {"DrawGraphQuadF",
         [](int h) { return DrawGraphQuadF(10, 10, 50, 12, 52, 40, 8, 38, h, 1); }},
        {"DrawGraphBillboard",
         [](int h) {
           return DrawGraphBillboard(Vector3{320, 240, 100}, 0.5f, 0.5f, 40, 0, h, 1, 0);
         }},
    };
  }
};

TEST_F(DrawCallTest, InvalidHandleRefusesEveryCall) {
  for (const auto &call : Calls()) {
    for (int handle : {-1, 0, 12345, (1 << 27) | 5}) {
      EXPECT_EQ(-1, call.second(handle)) << call.first << " " << handle;
    }
  }
  EXPECT_EQ(0, g_vertexBatch.count);
}

TEST_F(DrawCallTest, EmptyClipDrawsNothingAndSucceeds) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, SetDrawClipRect(50, 50, 50, 100));
  for (const auto &call : Calls()) {
    EXPECT_EQ(0, call.second(g.handle)) << call.first;
    EXPECT_EQ(0, g_vertexBatch.count) << call.first;
  }
  ASSERT_EQ(0, SetDrawClipRect(0, 0, 640, 480));
}

TEST_F(DrawCallTest, BlendGraphSmallerThanTheGraphRefusesEveryCall) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  TableGraph narrow(MakeDeviceGraph(16, {16}));
  TableGraph wide(MakeDeviceGraph(16, {32}));
  g_drawSettings.blendGraph = narrow.handle;
  for (const auto &call : Calls()) EXPECT_EQ(-1, call.second(g.handle)) << call.first;
  EXPECT_EQ(0, g_vertexBatch.count);
  g_drawSettings.blendGraph = wide.handle;
  for (const auto &call : Calls()) EXPECT_EQ(0, call.second(g.handle)) << call.first;
  g_drawSettings.blendGraph = -1;
}

TEST_F(DrawCallTest, DrawAtAndBillboardRefuseBeforeInitialisation) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  SetFrameworkInitialised(0);
  EXPECT_EQ(-1, DrawGraphAt(0, 0, g.handle, 1));
  EXPECT_EQ(-1, DrawGraphBillboard(Vector3{0, 0, 0}, 0.5f, 0.5f, 1, 0, g.handle, 1, 0));
  EXPECT_EQ(0, g_vertexBatch.count);
}

TEST_F(DrawCallTest, NonFiniteArgumentsQueueNothingAndRefuse) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  EXPECT_EQ(-1, DrawGraphRotatedF(NAN, 5, 1, 0, g.handle, 1, 0));
  EXPECT_EQ(-1, DrawGraphRotatedF(5, 5, INFINITY, 0, g.handle, 1, 0));
  EXPECT_EQ(-1, DrawGraphStretchedF(0, 0, NAN, 10, g.handle, 1));
  EXPECT_EQ(-1, DrawGraphQuadF(0, 0, 10, 0, 10, INFINITY, 0, 10, g.handle, 1));
  EXPECT_EQ(-1, DrawGraphBillboard(Vector3{NAN, 0, 0}, 0.5f, 0.5f, 1, 0, g.handle, 1, 0));
  EXPECT_EQ(0, g_vertexBatch.count);
}

TEST_F(DrawCallTest, SubtractionWithoutTheBlendOperationIsEmulatedAroundTheDraw) {
  ASSERT_EQ(0, g_d3d.blendOpSupported);
  TableGraph g(MakeDeviceGraph(10, {20}));
  SetDrawBrightness(200, 100, 50);
  ASSERT_EQ(0, SetBlendModeAndParam(DRAW_BLEND_SUB, 90));
  device.calls.clear();
  ASSERT_EQ(0, DrawGraphAt(30, 40, g.handle, 1));
  FlushVertexBatch();
  // White box, the graph, white box: three draws of their own.
  std::vector<std::string> draws = device.CallsOf("DrawPrimitiveUP");
  ASSERT_EQ(3u, draws.size()) << Join(device.calls);
  EXPECT_EQ("DrawPrimitiveUP type=4 count=2 stride=20", draws[0]);
  EXPECT_EQ("DrawPrimitiveUP type=4 count=2 stride=28", draws[1]);
  EXPECT_EQ("DrawPrimitiveUP type=4 count=2 stride=20", draws[2]);
  // The last box: white at full strength over the graph's rectangle.
  const Vertex2D *box = reinterpret_cast<const Vertex2D *>(device.lastVertices.data());
  EXPECT_EQ(0xFFFFFFFFu, box[0].diffuse & 0xFFFFFFFFu);
  EXPECT_FLOAT_EQ(29.5f, box[0].x);
  EXPECT_FLOAT_EQ(49.5f, box[3].x);
  // Mode, parameter and brightness as the caller left them.
  EXPECT_EQ(DRAW_BLEND_SUB, g_drawSettings.blendMode);
  EXPECT_EQ(90, g_drawSettings.blendParam);
  EXPECT_EQ(0x00C86432u, g_drawSettings.drawBrightness & 0x00FFFFFFu);
  SetBlendModeAndParam(0, 255);
  SetDrawBrightness(255, 255, 255);
}

TEST_F(DrawCallTest, SubtractionWithTheBlendOperationDrawsOnce) {
  StartWithCaps(1);
  SetFrameworkInitialised(1);
  ASSERT_EQ(1, g_d3d.blendOpSupported);
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, SetBlendModeAndParam(DRAW_BLEND_SUB, 90));
  ASSERT_EQ(0, DrawGraphAt(30, 40, g.handle, 1));
  FlushVertexBatch();
  EXPECT_EQ(1u, device.CallsOf("DrawPrimitiveUP").size());
  SetBlendModeAndParam(0, 255);
}

TEST_F(DrawCallTest, RectGraphDrawsThePartAndRestoresTheClipOnEveryRoad) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, SetDrawClipRect(5, 5, 600, 400));
  const Rect clip = g_drawSettings.clipRect;
  struct Case {
    const char *name;
    int x, y, handle, turn, result;
  } cases[] = {
      {"plain", 100, 50, g.handle, 0, 0},   {"turned", 100, 50, g.handle, 1, 0},
      {"outside the clip", 700, 50, g.handle, 0, 0}, {"bad handle", 100, 50, -1, 0, -1},
  };
  for (const Case &k : cases) {
    SCOPED_TRACE(k.name);
    FlushVertexBatch();
    EXPECT_EQ(k.result, DrawRectGraph(k.x, k.y, 4, 2, 8, 6, k.handle, 1, k.turn));
    EXPECT_EQ(clip.left, g_drawSettings.clipRect.left);
    EXPECT_EQ(clip.top, g_drawSettings.clipRect.top);
    EXPECT_EQ(clip.right, g_drawSettings.clipRect.right);
    EXPECT_EQ(clip.bottom, g_drawSettings.clipRect.bottom);
    EXPECT_EQ(0, g_drawSettings.drawSuppressed);
  }
  FlushVertexBatch();
  device.lastVertices.clear();
  device.calls.clear();
  // The plain part is cut to its rectangle as it is queued: the device's
  // clip stays, and so does the batch.
  ASSERT_EQ(0, DrawRectGraph(100, 50, 4, 2, 8, 6, g.handle, 1, 0));
  EXPECT_TRUE(device.CallsOf("SetViewport").empty());
  EXPECT_TRUE(device.CallsOf("SetScissorRect").empty());
  const auto got = DrawnThenQueued();
  ASSERT_EQ(6u, got.size());
  // Cut to the part: from (100, 50) to (108, 56), texels from (4, 2).
  EXPECT_NEAR(100.0f, got[0].x, kEps);
  EXPECT_NEAR(50.0f, got[0].y, kEps);
  EXPECT_NEAR(4.5f / 32, got[0].u, kEps);
  EXPECT_NEAR(2.5f / 16, got[0].v, kEps);
  EXPECT_NEAR(108.0f, got[3].x, kEps);
  EXPECT_NEAR(12.5f / 32, got[3].u, kEps);
  FlushVertexBatch();
  device.lastVertices.clear();
  // Putting the clip back draws what the turned part queued.
  ASSERT_EQ(0, DrawRectGraph(100, 50, 4, 2, 8, 6, g.handle, 1, 1));
  const auto turned = DrawnThenQueued();
  ASSERT_EQ(6u, turned.size());
  // Mirrored: the graph's left edge on the right, the part's last texel
  // column at the left.
  EXPECT_NEAR(108.0f, turned[0].x, kEps);
  EXPECT_NEAR(3.5f / 32, turned[0].u, kEps);
  EXPECT_NEAR(100.0f, turned[1].x, kEps);
  EXPECT_NEAR(11.5f / 32, turned[1].u, kEps);
  ASSERT_EQ(0, SetDrawClipRect(0, 0, 640, 480));
}

TEST_F(DrawCallTest, QuadCornersComeClockwiseAndAreReordered) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, DrawGraphQuadF(10, 10, 50, 20, 40, 50, 0, 40, g.handle, 1));
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_NEAR(50.0f, got[1].x, kEps);  // top-right
  EXPECT_NEAR(0.0f, got[2].x, kEps);   // bottom-left
  EXPECT_NEAR(40.0f, got[3].x, kEps);  // bottom-right
  EXPECT_NEAR(50.0f, got[3].y, kEps);
}

TEST_F(DrawCallTest, TurnedIsStretchedFromTheRightEdge) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  ASSERT_EQ(0, DrawGraphTurned(100, 50, g.handle, 1));
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_NEAR(119.5f, got[0].x, kEps);
  EXPECT_NEAR(99.5f, got[1].x, kEps);
  EXPECT_NEAR(0.0f, got[0].u, kEps);
}

// The software road: the graph table's MEMIMG views drawn on the screen.
class SoftwareDrawCallTest : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    StoreScreenMode(640, 480, 32, 0);
    SetUseHardwareRendering(0);
    ASSERT_EQ(0, StartGraphicsSystem());
    SetFrameworkInitialised(1);
    screen = GetSoftwareScreenImage();
    handle = AddGraphHandle();
    GraphRecord *r = GetGraphRecord(handle);
    image.referenceCount = 1000;
    r->image = &image;
    r->width = 6;
    r->height = 4;
    ASSERT_EQ(0, MemImgCreate(&r->memImage, 6, 4, -1, 0, 1, 0, 0, 0, NULL));
    for (int i = 0; i < 24; i++) {
      reinterpret_cast<uint32_t *>(r->memImage.pixels)[i] = 0x00010203u * static_cast<uint32_t>(i + 1);
    }
  }
  void TearDown() override {
    GraphRecord *r = GetGraphRecord(handle);
    MemImgRelease(&r->memImage);
    r->image = nullptr;
    DeleteGraphHandle(handle);
    GfxFixture::TearDown();
  }
  std::vector<uint8_t> Screen() {
    return std::vector<uint8_t>(screen->pixels, screen->pixels + 480 * screen->base->pitch);
  }
  SharedGraphImage image = {};
  MEMIMG *screen = nullptr;
  int handle = -1;
};

TEST_F(SoftwareDrawCallTest, CallsDrawThroughTheBlitsAndTheBillboardDrawsNothing) {
  const std::vector<uint8_t> black = Screen();
  EXPECT_EQ(0, DrawGraphBillboard(Vector3{0, 0, 0}, 0.5f, 0.5f, 10, 0, handle, 1, 0));
  EXPECT_TRUE(black == Screen());
  ASSERT_EQ(0, DrawGraphAt(3, 7, handle, 0));
  const std::vector<uint8_t> viaCall = Screen();
  MemImgFillRect(screen, NULL, 0);
  MemImgDrawImage(screen, &GetGraphRecord(handle)->memImage, 3, 7, 0, NULL);
  EXPECT_TRUE(viaCall == Screen());
  EXPECT_TRUE(black != viaCall);
  // Out of the int range: nothing, and no failure.
  MemImgFillRect(screen, NULL, 0);
  EXPECT_EQ(0, DrawGraphStretchedF(0, 0, 3e10f, 10, handle, 0));
  EXPECT_EQ(0, DrawGraphRotatedF(NAN, 0, 1, 0, handle, 0, 0));
  EXPECT_TRUE(black == Screen());
}

int LiveGraphs() {
  int live = 0;
  for (int slot = 0; slot < GetGraphSlotLimit(); slot++) live += GetGraphHandleInSlot(slot) != -1;
  return live;
}

TEST_F(SoftwareDrawCallTest, RectStretchedDrawsThePartAndLeavesNoGraphBehind) {
  // The shared image the part is cut from holds the same pixels as the view.
  GraphRecord *r = GetGraphRecord(handle);
  ASSERT_EQ(0, MemImgCreate(&image.memImage, 6, 4, -1, 0, 1, 0, 0, 0, NULL));
  MemImgDrawImage(&image.memImage, &r->memImage, 0, 0, 0, NULL);
  const int live = LiveGraphs();
  const std::vector<uint8_t> black = Screen();
  EXPECT_EQ(0, DrawRectGraphStretchedF(10.7f, 20.2f, 22.9f, 28.0f, 2, 1, 3, 2, handle, 0));
  const std::vector<uint8_t> viaCall = Screen();
  EXPECT_EQ(live, LiveGraphs());
  MemImgFillRect(screen, NULL, 0);
  MEMIMG part = {};
  MemImgMakeSubImage(&part, &r->memImage, 2, 1, 3, 2);
  const Rect rect = {10, 20, 22, 28};
  MemImgDrawStretched(screen, &part, &rect, 0, NULL);
  EXPECT_TRUE(viaCall == Screen());
  EXPECT_TRUE(black != viaCall);
  MemImgRelease(&part);
  // A part starting outside the graph, or no graph: refused, nothing left.
  EXPECT_EQ(-1, DrawRectGraphStretchedF(0, 0, 8, 8, 6, 0, 2, 2, handle, 0));
  EXPECT_EQ(-1, DrawRectGraphStretchedF(0, 0, 8, 8, 0, 0, 2, 2, -1, 0));
  EXPECT_EQ(live, LiveGraphs());
  MemImgRelease(&image.memImage);
}

}  // namespace

namespace {

TEST_F(DrawCallTest, BlendGraphKeepsItsTextureScalesForTheTwoTextureLayout) {
  TableGraph g(MakeDeviceGraph(10, {20}));
  TableGraph blend(MakeDeviceGraph(40, {50}));
  ASSERT_EQ(0, SetDrawBlendGraph(blend.handle, 0, 0));
  EXPECT_FLOAT_EQ(64.0f, g_vertexBatch.blendWidth);
  EXPECT_FLOAT_EQ(1.0f / 64, g_vertexBatch.blendWidthInverse);
  EXPECT_FLOAT_EQ(1.0f / 64, g_vertexBatch.blendHeightInverse);
  ASSERT_EQ(0, DrawGraphAt(100, 50, g.handle, 1));
  const auto got = QueuedVertices();
  ASSERT_EQ(6u, got.size());
  EXPECT_EQ(BATCH_BLEND_TEXTURED, g_vertexBatch.subKind);
  EXPECT_NEAR(20.0f / 64, got[1].blendU, kEps);
  EXPECT_NEAR(0.625f, got[1].u, kEps);
  ASSERT_EQ(0, SetDrawBlendGraph(-1, 0, 0));
  EXPECT_FLOAT_EQ(0.0f, g_vertexBatch.blendWidthInverse);
}

}  // namespace
