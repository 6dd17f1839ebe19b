#include <gtest/gtest.h>

#include "core/base/core_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "graphics/state/state_fixture.h"

namespace {

class TargetsPresentTest : public StateFixture {
 protected:
  void SetUp() override {
    StateFixture::SetUp();
    SetFrameworkInitialised(1);
  }
  void TearDown() override {
    SetFrameworkInitialised(0);
    device.scaleX = device.scaleY = 1.0;
    StateFixture::TearDown();
  }
};

TEST_F(TargetsPresentTest, SameSizeSwitchKeepsTheClip) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  SetDrawClipRect(10, 20, 30, 40);
  ASSERT_EQ(0, SetDrawTarget(-4));
  EXPECT_EQ(10, g_drawSettings.clipRect.left);
  EXPECT_EQ(40, g_drawSettings.clipRect.bottom);
  EXPECT_EQ(-1, SetDrawTarget(-1));
  EXPECT_EQ(-1, SetDrawTarget(-6));
  EXPECT_EQ(-4, GetDrawTarget());
}

TEST_F(TargetsPresentTest, TimerRunsForTheFrontBufferOnly) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  device.timerArmed = 0;
  device.calls.clear();
  ASSERT_EQ(0, SetDrawTarget(-4));
  EXPECT_EQ(1, device.timerArmed);
  DrawTargetTimerTick();
  EXPECT_EQ(1, device.timerArmed);
  EXPECT_EQ(1u, device.CallsOf("PresentRects").size());
  ASSERT_EQ(0, SetDrawTarget(-2));
  EXPECT_EQ(1, device.timerArmed);  // until its next tick
  DrawTargetTimerTick();
  EXPECT_EQ(0, device.timerArmed);
  EXPECT_EQ(1u, device.CallsOf("PresentRects").size());
}

TEST_F(TargetsPresentTest, PresentMapsDirtyRectanglesThroughTheLastPresent) {
  const struct {
    double scale;
    Rect dirty;
    Rect source;
    const char *call;
  } cases[] = {
      {1.0, {10, 20, 110, 220}, {10, 20, 110, 220}, "PresentRects 10,20-110,220 onto 10,20-110,220"},
      {2.0, {20, 40, 220, 440}, {10, 20, 110, 220}, "PresentRects 10,20-110,220 onto 20,40-220,440"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.scale);
    device.scaleX = device.scaleY = c.scale;
    ASSERT_EQ(0, PresentScreen());
    device.calls.clear();
    Rect mapped;
    ASSERT_EQ(0, MapDirtyRect(&c.dirty, &mapped));
    EXPECT_EQ(c.source.left, mapped.left);
    EXPECT_EQ(c.source.bottom, mapped.bottom);
    ASSERT_EQ(0, PresentScreenRect(&c.dirty));
    EXPECT_EQ(std::vector<std::string>{c.call}, device.CallsOf("PresentRects"));
  }
  const Rect empty = {10, 10, 10, 50};
  device.calls.clear();
  EXPECT_EQ(-1, PresentScreenRect(&empty));
  EXPECT_TRUE(device.CallsOf("PresentRects").empty());
}

TEST_F(TargetsPresentTest, DestinationFollowsTheWindowScale) {
  device.scaleX = 2.0;
  device.scaleY = 1.5;
  int width = 0, height = 0;
  PresentDestination(&width, &height);
  EXPECT_EQ(1280, width);
  EXPECT_EQ(720, height);
  device.calls.clear();
  PresentScreen();
  EXPECT_EQ(std::vector<std::string>{"PresentRects 0,0-640,480 onto 0,0-1280,720"},
            device.CallsOf("PresentRects"));
}

TEST_F(TargetsPresentTest, EmulationPresentsTheTopLeftQuarterDoubled) {
  device.windowed = 0;
  SetEmulation320x240Flag(1);
  device.calls.clear();
  PresentScreen();
  EXPECT_EQ(std::vector<std::string>{"PresentRects 0,0-320,240 onto 0,0-640,480"},
            device.CallsOf("PresentRects"));
  SetEmulation320x240Flag(0);
  device.windowed = 1;
}

TEST_F(TargetsPresentTest, PresentRefusesBeforeStartAndWhenEnding) {
  device.programEnding = 1;
  EXPECT_EQ(-1, PresentScreen());
  device.programEnding = 0;
  SetFrameworkInitialised(0);
  EXPECT_EQ(-1, PresentScreen());
  SetFrameworkInitialised(1);
  device.FailCall("PresentRects");
  EXPECT_EQ(-1, PresentScreen());
}

// Pacing on the virtual clock: each case starts at a known distance from
// the last present.
TEST_F(TargetsPresentTest, FramePacingThresholds) {
  const struct {
    int64_t period;
    uint64_t since;
    int sleeps;
    uint64_t waitedUntil;  // time since the last present at the blank wait
  } cases[] = {
      {16667, 0, 1 + 13664 / 1000 + 1, 14000},  // period - 3000, in 1 ms steps
      {-1, 0, 1 + 4, 4000},                     // unknown period: 4000
      {16667, 20000, 1, 20000},                 // already late: straight to the blank
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.period);
    g_d3d.verticalBlankPeriod = c.period;
    g_d3d.lastPresentTime = clock.now - c.since;
    const uint64_t last = g_d3d.lastPresentTime;
    clock.sleeps = 0;
    clock.blankIntervals = {0};
    clock.blankWaits = 0;
    WaitForNextFrame();
    EXPECT_EQ(1, clock.blankWaits);
    EXPECT_EQ(c.sleeps, clock.sleeps);
    EXPECT_EQ(c.waitedUntil, g_d3d.lastPresentTime - last);
  }
}

TEST_F(TargetsPresentTest, QuickPresentsArePacedOnlyWithTheWaitOn) {
  g_d3d.verticalBlankPeriod = 16667;
  g_d3d.lastPresentTime = clock.now;
  clock.sleeps = 0;
  g_drawSettings.vsyncWaitOff = 1;
  PresentScreen();
  EXPECT_EQ(0, clock.sleeps);
  g_drawSettings.vsyncWaitOff = 0;
  PresentScreen();
  EXPECT_GT(clock.sleeps, 0);
  device.runWhileInactive = 0;
  clock.sleeps = 0;
  g_d3d.lastPresentTime = clock.now;
  PresentScreen();
  EXPECT_EQ(0, clock.sleeps);
  device.runWhileInactive = 1;
}

}  // namespace

namespace {

TEST_F(TargetsPresentTest, ALastPresentAheadOfTheClockEndsTheWait) {
  g_d3d.verticalBlankPeriod = 16667;
  g_d3d.lastPresentTime = clock.now + 1000000;
  clock.sleeps = 0;
  WaitForNextFrame();
  EXPECT_LE(clock.sleeps, 2);
}

TEST_F(TargetsPresentTest, GraphicsShutDownStopsTheTimer) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  EXPECT_EQ(1, device.timerArmed);
  EndGraphicsSystem();
  EXPECT_EQ(0, device.timerArmed);
  DrawTargetTimerTick();
  EXPECT_EQ(0, device.timerArmed);
}

}  // namespace
