// Draw targets and presentation on the real device: a pattern cleared into
// the back buffer reads back exactly through both lock paths, reaches the
// screen through PresentScreen, and with the front buffer as draw target
// appears without any present call of the program's own.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const uint32_t kLeftColor = 0xFF336699u, kRightColor = 0xFFCC3300u;

class PresentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-present"); }
  void SetUp() override {
    ASSERT_EQ(0, StartFrameworkWindowed());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    device = GetGfxDevice();
  }
  void TearDown() override { EndFramework(); }
  // Left half one colour, right half another, in the back buffer.
  void PaintPattern() {
    FlushVertexBatch();
    EndDeviceScene();
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, kLeftColor, 1.0f));
    const GfxViewport right = {320, 0, 320, 480, 0.0f, 1.0f};
    ASSERT_EQ(0, SetDeviceViewport(&right));
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, kRightColor, 1.0f));
    SetDeviceViewportRect(0, 0, 640, 480);
  }
  uint32_t ScreenPixel(int x, int y) {
    POINT origin = {0, 0};
    ClientToScreen(static_cast<HWND>(GetWindowHandle()), &origin);
    uint32_t pixel = 0;
    ReadScreenDcPixels(origin.x + x, origin.y + y, 1, 1, &pixel);
    return pixel;
  }
  GfxDevice *device = nullptr;
};

TEST_F(PresentTest, EachLockPathReadsThePatternBack) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  PaintPattern();
  for (int direct = 0; direct <= 1; direct++) {
    SCOPED_TRACE(direct);
    g_d3d.backBufferLock = direct;
    const Rect r = {300, 100, 340, 110};
    BASEIMAGE image;
    ASSERT_EQ(0, LockDrawScreenBuffer(&r, &image));
    EXPECT_EQ(40, image.width);
    for (int y = 0; y < image.height; y++) {
      for (int x = 0; x < image.width; x++) {
        const uint32_t argb = GetBaseImagePixelArgb(&image, x, y) | 0xFF000000u;
        ASSERT_EQ(x < 20 ? kLeftColor : kRightColor, argb) << x << "," << y;
      }
    }
    EXPECT_EQ(0, UnlockDrawScreenBuffer());
  }
}

TEST_F(PresentTest, PresentScreenShowsThePattern) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  PaintPattern();
  ASSERT_EQ(0, PresentScreen());
  EXPECT_EQ(kLeftColor, ScreenPixel(100, 240));
  EXPECT_EQ(kRightColor, ScreenPixel(540, 240));
}

TEST_F(PresentTest, TheFrontBufferTargetPresentsItself) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  PaintPattern();
  bool shown = false;
  for (int i = 0; i < 100 && !shown; i++) {
    PumpMessages();
    Sleep(10);
    shown = ScreenPixel(540, 240) == kRightColor && ScreenPixel(100, 240) == kLeftColor;
  }
  EXPECT_TRUE(shown);
}

}  // namespace
