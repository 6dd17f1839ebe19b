#include <gtest/gtest.h>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_setters.h"
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
  const Rect dest = PresentDestination();
  EXPECT_EQ(1280, dest.right - dest.left);
  EXPECT_EQ(720, dest.bottom - dest.top);
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

// The software path's picture goes through GDI as a top-down bitmap; the
// last rectangles stay in picture units, so a dirty rectangle maps right
// at any window scale.
class SoftwarePresentTest : public TargetsPresentTest {
 protected:
  void SetUp() override {
    TargetsPresentTest::SetUp();
    SetHardwareRenderingActive(0);
    ASSERT_EQ(0, CreateSoftwareScreen());
    device.calls.clear();
  }
  void TearDown() override {
    ReleaseSoftwareScreen();
    SetHardwareRenderingActive(1);
    SetEmulation320x240Flag(0);
    device.windowed = 1;
    TargetsPresentTest::TearDown();
  }
};

TEST_F(SoftwarePresentTest, BitmapHeaderDescribesTheScreenImage) {
  const struct {
    int bits;
    uint16_t bitCount;
    uint32_t red, green, blue;
  } cases[] = {
      {16, 16, 0xF800u, 0x07E0u, 0x001Fu},
      {32, 32, 0xFF0000u, 0x00FF00u, 0x0000FFu},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.bits);
    StoreScreenMode(640, 480, c.bits, 0);
    ASSERT_EQ(0, CreateSoftwareScreen());
    const GfxDibHeader header = MakeScreenDibHeader(GetSoftwareScreenImage());
    EXPECT_EQ(40u, header.size);
    EXPECT_EQ(640, header.width);
    EXPECT_EQ(-480, header.height);
    EXPECT_EQ(1, header.planes);
    EXPECT_EQ(c.bitCount, header.bitCount);
    EXPECT_EQ(3u, header.compression);
    EXPECT_EQ(c.red, header.masks[0]);
    EXPECT_EQ(c.green, header.masks[1]);
    EXPECT_EQ(c.blue, header.masks[2]);
    ASSERT_EQ(0, PresentScreen());
    EXPECT_EQ(c.bitCount, device.lastDib.bitCount);
  }
  StoreScreenMode(640, 480, 16, 0);
}

TEST_F(SoftwarePresentTest, WholeDirtyAndEmulatedRectangles) {
  const Rect none = {0, 0, 0, 0};
  const struct {
    const char *name;
    double scale;
    int emulate;
    Rect dirty;  // none: the whole picture
    const char *call;
  } cases[] = {
      {"whole", 1.0, 0, none, "DrawBitmapToWindow 0,0-640,480 onto 0,0-640,480"},
      {"scaled", 2.0, 0, none, "DrawBitmapToWindow 0,0-640,480 onto 0,0-1280,960"},
      {"dirty at scale 2", 2.0, 0, {20, 40, 220, 440},
       "DrawBitmapToWindow 10,20-110,220 onto 20,40-220,440"},
      {"emulated", 1.0, 1, none, "DrawBitmapToWindow 0,0-320,240 onto 0,0-640,480"},
      {"dirty emulated", 1.0, 1, {0, 0, 640, 480},
       "DrawBitmapToWindow 0,0-320,240 onto 0,0-640,480"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    device.scaleX = device.scaleY = c.scale;
    SetEmulation320x240Flag(c.emulate);
    const bool whole = c.dirty.right == 0;
    ASSERT_EQ(0, PresentScreen());
    device.calls.clear();
    ASSERT_EQ(0, PresentScreenRect(whole ? nullptr : &c.dirty));
    EXPECT_EQ(std::vector<std::string>{c.call}, device.CallsOf("DrawBitmapToWindow"));
    EXPECT_TRUE(device.CallsOf("PresentRects").empty());
  }
}

TEST_F(SoftwarePresentTest, PacedOnlyWithTheWaitOn) {
  g_d3d.verticalBlankPeriod = 16667;
  g_drawSettings.vsyncWaitOff = 1;
  clock.sleeps = clock.blankWaits = 0;
  ASSERT_EQ(0, PresentScreen());
  EXPECT_EQ(0, clock.sleeps);
  EXPECT_EQ(0, clock.blankWaits);
  g_drawSettings.vsyncWaitOff = 0;
  g_d3d.lastPresentTime = clock.now;
  ASSERT_EQ(0, PresentScreen());
  EXPECT_EQ(1, clock.blankWaits);
  EXPECT_GT(clock.sleeps, 0);
}

TEST_F(SoftwarePresentTest, NoScreenImagePresentsNothing) {
  ReleaseSoftwareScreen();
  EXPECT_EQ(0, PresentScreen());
  EXPECT_TRUE(device.CallsOf("DrawBitmapToWindow").empty());
}

TEST_F(TargetsPresentTest, ToolbarPutsThePictureBelowIt) {
  device.toolbarHeight = 24;
  device.clientHeight = 504;
  const Rect dest = PresentDestination();
  EXPECT_EQ(0, dest.left);
  EXPECT_EQ(24, dest.top);
  EXPECT_EQ(640, dest.right);
  EXPECT_EQ(504, dest.bottom);
  device.calls.clear();
  ASSERT_EQ(0, PresentScreen());
  EXPECT_EQ(std::vector<std::string>{"PresentRects 0,0-640,480 onto 0,24-640,504"},
            device.CallsOf("PresentRects"));
  // Client coordinates below the toolbar map onto the picture's rows.
  const Rect dirty = {0, 24, 100, 124};
  Rect mapped;
  ASSERT_EQ(0, MapDirtyRect(&dirty, &mapped));
  EXPECT_EQ(0, mapped.top);
  EXPECT_EQ(100, mapped.bottom);
  device.toolbarHeight = 0;
  device.clientHeight = 480;
}

TEST_F(TargetsPresentTest, LayeredWindowTakesTheLockedBackBuffer) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  device.layered = 1;
  g_drawSettings.colorKey = 0xFF00FF;
  device.calls.clear();
  ASSERT_EQ(0, PresentScreen());
  EXPECT_EQ(std::vector<std::string>{"PresentToLayeredWindow 640x480 key=0xff00ff"},
            device.CallsOf("PresentToLayeredWindow"));
  EXPECT_TRUE(device.CallsOf("PresentRects").empty());
  EXPECT_EQ(-4, GetDrawTarget());
  BASEIMAGE image;
  const Rect r = {0, 0, 10, 10};
  EXPECT_EQ(0, LockDrawScreenBuffer(&r, &image));  // nothing left locked
  UnlockDrawScreenBuffer();
  // The front-buffer timer leaves a layered window alone.
  device.calls.clear();
  DrawTargetTimerTick();
  EXPECT_TRUE(device.CallsOf("PresentToLayeredWindow").empty());
  EXPECT_EQ(0, device.timerArmed);
  device.layered = 0;
}

TEST_F(TargetsPresentTest, SubBackBufferTakesOverTheBackBuffer) {
  ASSERT_EQ(0, SwitchToSubBackBuffer());
  ASSERT_NE(nullptr, g_d3d.subBackBuffer);
  EXPECT_EQ(g_d3d.subBackBuffer, g_stateCache.renderTarget);
  EXPECT_EQ(1u, device.CallsOf("CreateRenderTarget").size());
  EXPECT_EQ(1u, device.CallsOf("StretchRect").size());
  ASSERT_EQ(0, SwitchToSubBackBuffer());
  EXPECT_EQ(1u, device.CallsOf("CreateRenderTarget").size());
  // Each present copies it into the back buffer first.
  device.calls.clear();
  ASSERT_EQ(0, PresentScreen());
  ASSERT_EQ(1u, device.CallsOf("StretchRect").size());
  EXPECT_LT(CallIndex("StretchRect"), CallIndex("PresentRects"));
  device.calls.clear();
  device.FailCall("StretchRect");
  EXPECT_EQ(-1, PresentScreen());
  EXPECT_TRUE(device.CallsOf("PresentRects").empty());
}

TEST_F(TargetsPresentTest, FullScreenFrontBufferKeepsItsPictureInTheSubBackBuffer) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  device.windowed = 0;
  DrawTargetTimerTick();
  EXPECT_NE(nullptr, g_d3d.subBackBuffer);
  EXPECT_EQ(g_d3d.subBackBuffer, g_stateCache.renderTarget);
  EXPECT_EQ(1, device.timerArmed);
  device.windowed = 1;
}

TEST_F(TargetsPresentTest, TwoDimensionalCameraForFourHundredEightyRows) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  const DrawSettings &s = g_drawSettings;
  const float d = 240.0f / 0.57735026f;
  // The eye at (320, 240, -d) looking along +Z, upright.
  EXPECT_FLOAT_EQ(-320.0f, s.viewMatrix.m[3][0]);
  EXPECT_FLOAT_EQ(-240.0f, s.viewMatrix.m[3][1]);
  EXPECT_FLOAT_EQ(d, s.viewMatrix.m[3][2]);
  EXPECT_FLOAT_EQ(1.0f, s.viewMatrix.m[1][1]);
  EXPECT_EQ(0, s.projectionKind);
  EXPECT_FLOAT_EQ(1.0471976f, s.fieldOfView);
  EXPECT_FLOAT_EQ(d * 0.1f, s.cameraNear);
  EXPECT_FLOAT_EQ(d + 20000.0f, s.cameraFar);
  EXPECT_FLOAT_EQ(320.0f, s.projectionCenterX);
  EXPECT_FLOAT_EQ(240.0f, s.projectionCenterY);
  // One unit is one pixel on the plane z = 0; world Y runs up the screen.
  const Vector3 p = WorldToScreen(Vector3{420.0f, 340.0f, 0.0f});
  EXPECT_NEAR(420.0f, p.x, 0.01f);
  EXPECT_NEAR(140.0f, p.y, 0.01f);
}

DrawSettings g_seenByDraw;
int RecordSettings(void) {
  g_seenByDraw = g_drawSettings;
  return 7;
}

TEST_F(TargetsPresentTest, PlainSettingsAroundAnOverlayAndBackAfter) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  SetDrawClipRect(10, 20, 100, 200);
  SetBlendModeAndParam(1, 128);
  SetDrawBrightness(10, 20, 30);
  EXPECT_EQ(7, DrawWithPlainSettings(RecordSettings));
  EXPECT_EQ(0, g_seenByDraw.clipRect.left);
  EXPECT_EQ(480, g_seenByDraw.clipRect.bottom);
  EXPECT_EQ(0, g_seenByDraw.blendMode);
  EXPECT_EQ(0, g_seenByDraw.blendParam);
  EXPECT_EQ(0x00FFFFFFu, g_seenByDraw.drawBrightness & 0x00FFFFFFu);
  const DrawSettings &s = g_drawSettings;
  EXPECT_EQ(10, s.clipRect.left);
  EXPECT_EQ(20, s.clipRect.top);
  EXPECT_EQ(100, s.clipRect.right);
  EXPECT_EQ(200, s.clipRect.bottom);
  EXPECT_EQ(1, s.blendMode);
  EXPECT_EQ(128, s.blendParam);
  EXPECT_EQ(0x000A141Eu, s.drawBrightness & 0x00FFFFFFu);
}

}  // namespace
