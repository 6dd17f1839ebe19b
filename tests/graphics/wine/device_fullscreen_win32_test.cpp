// Full screen on a 640 x 480 display: exclusive mode at 16 and 32 bits
// through both interfaces, and the 320 x 240 mode run as 640 x 480.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

class FullScreenTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-fullscreen"); }
  void TearDown() override {
    EndFramework();
    g_gfxTestSwitches.noEx = 0;
    StoreScreenMode(640, 480, 16, 0);
    SetEmulation320x240Flag(0);
    SetEmulation320x240(0);
    ChangeWindowMode(1);
    EXPECT_EQ(0, g_d3d.deviceMade);
    EXPECT_EQ(0, g_d3d.libraryLoaded);
  }
  int StartFullScreen(int bits) {
    SetScreenMode(640, 480, bits, 0);
    ChangeWindowMode(0);
    SetRunWhileInactive(1);
    return InitFramework();
  }
};

TEST_F(FullScreenTest, ExclusiveModeAtBothDepthsThroughBothInterfaces) {
  const int depths[] = {16, 32};
  for (int bits : depths) {
    for (int noEx = 0; noEx < 2; noEx++) {
      SCOPED_TRACE(bits * 10 + noEx);
      g_gfxTestSwitches.noEx = noEx;
      ASSERT_EQ(0, StartFullScreen(bits));
      EXPECT_EQ(1, IsFullScreenMode());
      EXPECT_EQ(1, IsHardwareRenderingActive());
      EXPECT_EQ(bits, GetScreenColorBits());
      EXPECT_EQ(!noEx, g_d3d.exDevice);
      if (bits == 32) {
        EXPECT_EQ(GFX_FMT_X8R8G8B8, g_d3d.displayFormat);
      } else {
        EXPECT_TRUE(g_d3d.displayFormat == GFX_FMT_R5G6B5 ||
                    g_d3d.displayFormat == GFX_FMT_X1R5G5B5);
      }
      const uint32_t color = 0xFF00FF00u;
      ASSERT_EQ(0, GetGfxDevice()->Clear(GFX_CLEAR_TARGET, color, 1.0f));
      std::vector<uint32_t> pixels(640 * 480);
      ASSERT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
      for (size_t i = 0; i < pixels.size(); i += 97) ASSERT_EQ(color, pixels[i]) << i;
      EndFramework();
      EXPECT_EQ(0, g_d3d.deviceMade);
    }
  }
}

TEST_F(FullScreenTest, Mode320x240RunsAs640x480) {
  ASSERT_EQ(0, StartFullScreen(16));
  EXPECT_EQ(-1, SetScreenMode(320, 240, 16, 0));
  EXPECT_EQ(640, GetScreenWidthSetting());
  EXPECT_EQ(480, GetScreenHeightSetting());
  int w = 0, h = 0, bits = 0;
  GetLogicalScreenInfo(&w, &h, &bits);
  EXPECT_EQ(320, w);
  EXPECT_EQ(240, h);
  EXPECT_EQ(16, bits);
  EXPECT_EQ(1, IsHardwareRenderingActive());
  const size_t linesBefore = ReadLogLines().size();
  EXPECT_EQ(-1, SetScreenMode(320, 240, 16, 0));  // restarts nothing
  EXPECT_EQ(linesBefore, ReadLogLines().size());
}

TEST_F(FullScreenTest, StartAt320x240RunsAs640x480) {
  SetScreenMode(320, 240, 16, 0);
  ChangeWindowMode(0);
  SetRunWhileInactive(1);
  ASSERT_EQ(0, InitFramework());
  EXPECT_EQ(0, IsWindowedMode());
  EXPECT_EQ(640, GetScreenWidthSetting());
  EXPECT_EQ(480, GetScreenHeightSetting());
  EXPECT_EQ(1, IsEmulating320x240());
}

}  // namespace
