#include <gtest/gtest.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/gfx_fixture.h"
#include "graphics/device/mask_screen.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "softrender/softrender.h"
#include "graphics/graphs/graph_handles.h"
#include "velvane.h"
#include "fatal_exit_code.h"

namespace {

// Full screen at 640 x 480 x 16 on a device whose exclusive mode never
// works, so every start goes through the display change of the software
// path, which the tests script.
class ScreenModeTest : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    device.windowed = 0;
    device.FailCall("CreateDevice");
    SetFrameworkInitialised(1);
    ASSERT_EQ(0, StartGraphicsSystem());
    device.calls.clear();
  }
  int Mode(int w, int h, int bits, int refresh) {
    return GetScreenWidthSetting() == w && GetScreenHeightSetting() == h &&
           GetScreenColorBits() == bits && GetScreenRefreshRate() == refresh;
  }
  // Fails the next count display changes from now on.
  void FailNextDisplayChanges(int count) {
    const int done = device.CountCalls("ChangeDisplay");
    for (int i = 1; i <= count; i++) device.FailCall("ChangeDisplay", done + i);
  }
};

TEST_F(ScreenModeTest, ModeInForceReturnsZeroWithoutADeviceCall) {
  EXPECT_EQ(0, SetScreenMode(640, 480, 16, 0));
  EXPECT_TRUE(device.calls.empty());
  EXPECT_EQ(1, IsGraphicsStarted());
}

TEST_F(ScreenModeTest, RefusedArguments) {
  EXPECT_EQ(-1, SetScreenMode(0, 480, 16, 0));
  EXPECT_EQ(-1, SetScreenMode(640, 0, 16, 0));
  EXPECT_EQ(-1, SetScreenMode(800, 600, 24, 0));
  EXPECT_TRUE(device.calls.empty());
  EXPECT_TRUE(Mode(640, 480, 16, 0));
}

TEST_F(ScreenModeTest, AskedModeRuns) {
  EXPECT_EQ(0, SetScreenMode(800, 600, 32, 0));
  EXPECT_TRUE(Mode(800, 600, 32, 0));
  EXPECT_EQ(1, IsGraphicsStarted());
  EXPECT_TRUE(Logged("画面モード変更処理を開始します\r\n"));
  EXPECT_TRUE(Logged("画面モード変更処理は正常に終了しました\r\n"));
}

TEST_F(ScreenModeTest, FallbackChainResults) {
  const struct {
    const char *name;
    int before[3];
    int failures;  // display changes failing after the asked one's two tries
    int result;
    int after[3];
  } cases[] = {
      {"previous mode", {640, 480, 16}, 0, -1, {640, 480, 16}},
      {"last resort equal to before", {640, 480, 16}, 2, -1, {640, 480, 16}},
      {"last resort differs from before", {800, 600, 32}, 2, -2, {640, 480, 16}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(0, SetScreenMode(c.before[0], c.before[1], c.before[2], 0));
    FailNextDisplayChanges(2 + c.failures);
    EXPECT_EQ(c.result, SetScreenMode(1024, 768, 16, 0));
    EXPECT_TRUE(Mode(c.after[0], c.after[1], c.after[2], 0));
    EXPECT_EQ(1, IsGraphicsStarted());
  }
}

TEST_F(ScreenModeTest, EveryFallbackFailingEndsTheProcess) {
  EXPECT_EXIT(
      {
        device.FailCall("ChangeDisplay");
        SetScreenMode(1024, 768, 16, 0);
      },
      testing::ExitedWithCode(kFatalExitCode), "");
}

TEST_F(ScreenModeTest, FullScreen320x240RunsAs640x480) {
  EXPECT_EQ(-1, SetScreenMode(320, 240, 16, 0));  // in force: 640 x 480
  EXPECT_TRUE(Mode(640, 480, 16, 0));
  int w = 0, h = 0, bits = 0;
  GetLogicalScreenInfo(&w, &h, &bits);
  EXPECT_EQ(320, w);
  EXPECT_EQ(240, h);
  EXPECT_EQ(16, bits);
  device.calls.clear();
  EXPECT_EQ(-1, SetScreenMode(320, 240, 16, 0));
  EXPECT_TRUE(device.calls.empty());  // the same call again restarts nothing
}

TEST_F(ScreenModeTest, DisplayChangeOf320x240FallsBackTo640x480) {
  StoreScreenMode(320, 240, 16, 60);
  FailNextDisplayChanges(2);
  EXPECT_EQ(0, ChangeDisplayMode(320, 240, 16));
  EXPECT_EQ(1, IsEmulating320x240());
  EXPECT_TRUE(Mode(640, 480, 16, 0));
  EXPECT_EQ(1, device.CountCalls("RestyleWindow"));
  EXPECT_EQ("ChangeDisplay 640x480x16 refresh=0 full=1", device.CallsOf("ChangeDisplay").back());
}

TEST_F(ScreenModeTest, DisplayChangeRefusesOtherDepths) {
  EXPECT_EQ(-1, ChangeDisplayMode(640, 480, 24));
  EXPECT_TRUE(device.CallsOf("ChangeDisplay").empty());
  FailNextDisplayChanges(2);
  EXPECT_EQ(-1, ChangeDisplayMode(800, 600, 16));
  EXPECT_TRUE(Logged("画面モードの変更に失敗しました\r\n"));
  const auto changes = device.CallsOf("ChangeDisplay");
  ASSERT_EQ(2u, changes.size());
  EXPECT_EQ("ChangeDisplay 800x600x16 refresh=0 full=1", changes[0]);
  EXPECT_EQ("ChangeDisplay 800x600x16 refresh=0 full=0", changes[1]);
}

TEST_F(ScreenModeTest, FailedStartLeavesNoObjectAlive) {
  EndGraphicsSystem();
  device.FailCall("ChangeDisplay");
  EXPECT_EQ(-1, StartGraphicsSystem());
  EXPECT_EQ(0, IsGraphicsStarted());
  EXPECT_EQ(0, device.LiveObjects());
}

TEST_F(ScreenModeTest, EndReleasesTheSoftwareScreenAndEveryObject) {
  EXPECT_NE(nullptr, GetSoftwareScreenImage());
  EndGraphicsSystem();
  EXPECT_EQ(nullptr, GetSoftwareScreenImage());
  EXPECT_EQ(0, device.LiveObjects());
}

class GraphicsLifecycleTest : public GfxFixture {};

TEST_F(GraphicsLifecycleTest, StartAndEndCyclesOnBothPaths) {
  SetGraphReloadCallback(nullptr);  // as framework start-up does
  for (int noHardware = 0; noHardware < 2; noHardware++) {
    SetUseHardwareRendering(!noHardware);
    for (int cycle = 0; cycle < 3; cycle++) {
      ASSERT_EQ(0, StartGraphicsSystem());
      EXPECT_EQ(0, StartGraphicsSystem());  // already started
      EXPECT_EQ(!noHardware, IsHardwareRenderingActive());
      EXPECT_EQ(noHardware ? 1 : 0, GetSoftwareScreenImage() != nullptr);
      EXPECT_EQ(-4, GetDrawTarget());
      EXPECT_EQ(1, HasGraphReloadCallback());
      EndGraphicsSystem();
      EXPECT_EQ(0, device.LiveObjects());
    }
  }
}

TEST_F(GraphicsLifecycleTest, SoftwareScreenIsBlackAtTheScreenDepth) {
  SetUseHardwareRendering(0);
  ASSERT_EQ(0, StartGraphicsSystem());
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  EXPECT_EQ(640, screen->width);
  EXPECT_EQ(480, screen->height);
  for (int i = 0; i < 640 * 2; i++) EXPECT_EQ(0, screen->pixels[i]);
}

int CountingReload(void) { return 7; }

TEST_F(GraphicsLifecycleTest, GraphReloaderSurvivesResets) {
  SetGraphReloadCallback(CountingReload);
  ASSERT_EQ(0, StartGraphicsSystem());
  EXPECT_EQ(CountingReload, g_drawSettings.graphReload);
  SetGraphReloadCallback(nullptr);
  EXPECT_EQ(RestoreAllGraphs, g_drawSettings.graphReload);
  EXPECT_EQ(1, HasGraphReloadCallback());
}

TEST_F(GraphicsLifecycleTest, TestDeviceWithPresent) {
  EXPECT_EQ(0, TestDeviceWithPresent());  // no device: nothing to test
  ASSERT_EQ(0, StartGraphicsSystem());
  device.presentResult = GFX_S_PRESENT_OCCLUDED;
  EXPECT_EQ(0, TestDeviceWithPresent());
  device.presentResult = static_cast<int>(0x88760868u);  // device lost
  EXPECT_EQ(-1, TestDeviceWithPresent());
}

TEST_F(GraphicsLifecycleTest, SetUseHardwareRenderingOnlyBeforeStartUp) {
  EXPECT_EQ(0, SetUseHardwareRendering(0));
  EXPECT_EQ(0, GetUseHardwareRendering());
  SetFrameworkInitialised(1);
  EXPECT_EQ(-1, SetUseHardwareRendering(1));
  EXPECT_EQ(0, GetUseHardwareRendering());
}

TEST_F(GraphicsLifecycleTest, MaskScreenFrame) {
  EXPECT_EQ(1, GetMaskEnabled());
  EXPECT_EQ(-1, SetMaskEnabled(0));
  EXPECT_EQ(1, GetMaskEnabled());
  const int values[] = {-1, 0, 1, 5 << 27, (5 << 27) | 511, (5 << 27) | 512, (1 << 27) | 3,
                        0x7FFFFFFF};
  for (int value : values) EXPECT_EQ(-1, DeleteMaskHandle(value)) << value;
  EXPECT_EQ(0, DeleteAllMaskHandles());
  EXPECT_EQ(0, RestoreMaskScreen());
  EXPECT_EQ(0, EndMaskScreen());
  EXPECT_EQ(1, GetMaskEnabled());
  EXPECT_EQ(0, IsMaskDrawActive());
}

TEST_F(GraphicsLifecycleTest, QueriesAndSwitches) {
  unsigned char caps[380];
  memset(caps, 0xAB, sizeof caps);
  EXPECT_EQ(caps, GetDisplayHardwareCaps(caps));
  for (unsigned char byte : caps) ASSERT_EQ(0, byte);
  EXPECT_EQ(0, SetNewGraphMipmapLevels(1, -1));
  EXPECT_EQ(0, EnableDeviceDialogBoxMode(1));  // no device yet
  EXPECT_EQ(0, device.CountCalls("SetDialogBoxMode"));
  ASSERT_EQ(0, StartGraphicsSystem());
  int marker = 0;
  ResetDeviceDialogBoxMode(&marker);
  ResetDeviceDialogBoxMode(nullptr);
  const std::vector<std::string> expected = {"SetDialogBoxMode 0", "SetDialogBoxMode 1",
                                             "SetDialogBoxMode 0"};
  EXPECT_EQ(expected, device.CallsOf("SetDialogBoxMode"));
  EXPECT_EQ(device.DirectDrawObject(), GetDirectDrawObject());
  EXPECT_EQ(0, IsFullScreenMode());
}

// Window mode on a 16-bit desktop, so the colour bits stay as asked.
class WindowModeChangeTest : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    device.adapterFormat = GFX_FMT_R5G6B5;
    SetFrameworkInitialised(1);
    ASSERT_EQ(0, StartGraphicsSystem());
  }
};

TEST_F(WindowModeChangeTest, FailedWindowOf320x240RunsAs640x480WithTheEmulation) {
  device.FailCall("LoadD3DLibrary", device.CountCalls("LoadD3DLibrary") + 1);
  EXPECT_EQ(-1, SetScreenMode(320, 240, 16, 0));
  EXPECT_EQ(640, GetScreenWidthSetting());
  EXPECT_EQ(480, GetScreenHeightSetting());
  EXPECT_EQ(1, IsEmulating320x240());
  EXPECT_EQ(1, IsGraphicsStarted());
  EXPECT_GE(device.CountCalls("RestyleWindow"), 1);
}

TEST_F(WindowModeChangeTest, LeavingFullScreenEmulationMakesARealSmallWindow) {
  SetEmulation320x240Flag(1);
  const ScreenModeRequest keep = {-1, -1, -1, 1, -1};
  EXPECT_EQ(0, ApplyScreenMode(keep));
  EXPECT_EQ(320, GetScreenWidthSetting());
  EXPECT_EQ(240, GetScreenHeightSetting());
  EXPECT_EQ(0, GetEmulation320x240Flag());
}

TEST_F(WindowModeChangeTest, BeforeStartUpOnlyTheModeIsStored) {
  EndGraphicsSystem();
  SetFrameworkInitialised(0);
  device.calls.clear();
  EXPECT_EQ(0, SetScreenMode(800, 600, 32, 75));
  EXPECT_TRUE(device.calls.empty());
  EXPECT_EQ(800, GetScreenWidthSetting());
  EXPECT_EQ(75, GetScreenRefreshRate());
}

}  // namespace
