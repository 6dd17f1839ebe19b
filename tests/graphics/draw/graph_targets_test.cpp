#include <gtest/gtest.h>

#include <string.h>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/state/render_state_cache.h"
#include "softrender/softrender.h"

namespace {

class GraphTargetsTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    SetFrameworkInitialised(1);
  }
  void TearDown() override {
    g_drawSettings.makeDrawTargetGraphs = 0;
    SetDrawTarget(DRAW_TARGET_BACK);
    SetFrameworkInitialised(0);
    GraphFixture::TearDown();
  }
  static Rect Clip() { return g_drawSettings.clipRect; }
  static void ExpectClip(int l, int t, int r, int b) {
    EXPECT_EQ(l, Clip().left);
    EXPECT_EQ(t, Clip().top);
    EXPECT_EQ(r, Clip().right);
    EXPECT_EQ(b, Clip().bottom);
  }
  static uint32_t Read32(const BASEIMAGE &view, int x, int y) {
    uint32_t v = 0;
    memcpy(&v, static_cast<const uint8_t *>(view.pixels) + y * view.pitch + x * 4, 4);
    return v;
  }
};

TEST_F(GraphTargetsTest, OnlyGraphsMadeAsDrawTargetsAreTargets) {
  const int plain = CreateEmptyGraph(64, 64);
  const int target = DrawTargetGraph(100, 50);
  ASSERT_GE(plain, 0);
  ASSERT_GE(target, 0);
  ASSERT_EQ(0, SetDrawTarget(DRAW_TARGET_BACK));
  SetDrawClipRect(10, 20, 30, 40);
  device.calls.clear();
  EXPECT_EQ(-1, SetDrawTarget(plain));
  EXPECT_EQ(DRAW_TARGET_BACK, GetDrawTarget());
  ExpectClip(10, 20, 30, 40);
  EXPECT_TRUE(device.CallsOf("SetRenderTarget").empty());
  EXPECT_EQ(-1, SetDrawTarget(target + 1));

  ASSERT_EQ(0, SetDrawTarget(target));
  EXPECT_EQ(target, GetDrawTarget());
  EXPECT_EQ(GetGraphRecord(target)->image->entries[0].surface, device.mirror.renderTarget);
  EXPECT_EQ(GetGraphRecord(target)->image->entries[0].surface, GetDrawTargetSurface());
  int w = 0, h = 0;
  GetDrawTargetSize(&w, &h);
  EXPECT_EQ(100, w);
  EXPECT_EQ(50, h);
}

TEST_F(GraphTargetsTest, TheClipFollowsTheTargetSize) {
  const int small = DrawTargetGraph(100, 50);
  const int same = DrawTargetGraph(100, 50);
  const int screenSized = DrawTargetGraph(640, 480);
  ASSERT_EQ(0, SetDrawTarget(DRAW_TARGET_BACK));
  SetDrawClipRect(10, 20, 300, 400);
  // Another size: the whole target.
  ASSERT_EQ(0, SetDrawTarget(small));
  ExpectClip(0, 0, 100, 50);
  // Clip rectangles are clamped to the graph.
  EXPECT_EQ(0, SetDrawClipRect(-5, 60, 5, 10));
  ExpectClip(0, 10, 5, 50);
  // Same size: the clip stays.
  ASSERT_EQ(0, SetDrawTarget(same));
  ExpectClip(0, 10, 5, 50);
  ASSERT_EQ(0, SetDrawTarget(DRAW_TARGET_FRONT));
  ExpectClip(0, 0, 640, 480);
  SetDrawClipRect(1, 2, 3, 4);
  ASSERT_EQ(0, SetDrawTarget(screenSized));
  ExpectClip(1, 2, 3, 4);
  // The 2-D camera of the graph: its centre projects to its centre.
  ASSERT_EQ(0, SetDrawTarget(small));
  const Vector3 centre = WorldToScreen(Vector3{50.0f, 25.0f, 0.0f});
  EXPECT_NEAR(50.0f, centre.x, 0.01f);
  EXPECT_NEAR(25.0f, centre.y, 0.01f);
}

TEST_F(GraphTargetsTest, DeletingTheTargetGraphReturnsToTheBackBuffer) {
  const int target = DrawTargetGraph(100, 50);
  ASSERT_EQ(0, SetDrawTarget(target));
  ASSERT_EQ(0, DeleteGraphHandle(target));
  EXPECT_EQ(DRAW_TARGET_BACK, GetDrawTarget());
  EXPECT_EQ(g_d3d.backBuffer, device.mirror.renderTarget);
  ExpectClip(0, 0, 640, 480);
}

TEST_F(GraphTargetsTest, TheLockReadsTheTargetGraph) {
  const int target = DrawTargetGraph(100, 50);
  ASSERT_EQ(0, FillGraph(target, 0x12, 0x34, 0x56, 0xFF));
  ASSERT_EQ(0, SetDrawTarget(target));
  g_d3d.backBufferLock = 1;  // the fake reads locked surfaces only in place
  const Rect past = {0, 0, 101, 50};
  BASEIMAGE view;
  EXPECT_EQ(-1, LockDrawScreenBuffer(&past, &view));
  const Rect inside = {90, 40, 100, 50};
  ASSERT_EQ(0, LockDrawScreenBuffer(&inside, &view));
  EXPECT_EQ(10, view.width);
  EXPECT_EQ(10, view.height);
  EXPECT_EQ(0x123456u, Read32(view, 9, 9) & 0xFFFFFFu);
  UnlockDrawScreenBuffer();
}

TEST_F(GraphTargetsTest, SoftwareTargetsDrawIntoTheGraphImage) {
  SetFrameworkInitialised(0);  // the renderer is chosen before start-up
  Start(0, 0, 0, 32);
  SetFrameworkInitialised(1);
  const int graph = CreateEmptyGraph(40, 30);
  ASSERT_GE(graph, 0);
  ASSERT_EQ(GetSoftwareScreenImage(), GetSoftwareDrawTargetImage());
  ASSERT_EQ(0, SetDrawTarget(graph));
  GraphRecord *record = GetGraphRecord(graph);
  EXPECT_EQ(&record->memImage, GetSoftwareDrawTargetImage());
  ExpectClip(0, 0, 40, 30);
  const Rect cell = {39, 29, 40, 30};
  MemImgFillRect(&record->memImage, &cell, 0x00ABCDEFu);
  BASEIMAGE view;
  const Rect past = {0, 0, 40, 31};
  EXPECT_EQ(-1, LockDrawScreenBuffer(&past, &view));
  ASSERT_EQ(0, LockDrawScreenBuffer(&cell, &view));
  EXPECT_EQ(0x00ABCDEFu, Read32(view, 0, 0) & 0xFFFFFFu);
  UnlockDrawScreenBuffer();
  ASSERT_EQ(0, SetDrawTarget(-3));
  EXPECT_EQ(GetSoftwareScreenImage(), GetSoftwareDrawTargetImage());
  ExpectClip(0, 0, 640, 480);
}

}  // namespace
