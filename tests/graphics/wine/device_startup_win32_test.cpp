// Start-up of the real device in window mode on the screen this program
// runs on (a 24-bit screen is a 32-bit desktop, a 16-bit one R5G6B5), a
// clear read back from the back buffer and from the screen, the software
// screen, and a shut-down that leaves nothing behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/base/platform.h"
#include "core/debug/memory.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "softrender/softrender.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

class DeviceStartUpTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-device"); }
  void SetUp() override { blocksBefore = GetAllocatedBlockCount(); }
  void TearDown() override {
    EndFramework();
    SetUseHardwareRendering(1);
    StoreScreenMode(640, 480, 16, 0);
    EXPECT_EQ(0, g_d3d.libraryLoaded);
    EXPECT_EQ(0, g_d3d.directDrawMade);
    EXPECT_EQ(0, g_d3d.deviceMade);
    EXPECT_EQ(0, g_d3d.direct3DMade);
    EXPECT_EQ(nullptr, g_d3d.backBuffer);
    EXPECT_EQ(nullptr, GetSoftwareScreenImage());
    EXPECT_EQ(blocksBefore, GetAllocatedBlockCount());
  }
  static bool Desktop16(void) { return PlatformDesktopColorBits() == 16; }
  int blocksBefore = 0;
};

TEST_F(DeviceStartUpTest, WindowModeTakesTheDesktopFormat) {
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(1, IsHardwareRenderingActive());
  EXPECT_EQ(0, IsFullScreenMode());
  EXPECT_EQ(Desktop16() ? 16 : 32, GetScreenColorBits());
  EXPECT_EQ(Desktop16() ? GFX_FMT_R5G6B5 : GFX_FMT_X8R8G8B8, g_d3d.displayFormat);
  EXPECT_EQ(1, g_d3d.exDevice);
  const std::vector<std::string> lines = ReadLogLines();
  EXPECT_GE(FindLine(lines, Desktop16() ? "画面のフォーマットは D3DFMT_R5G6B5 です"
                                        : "画面のフォーマットは D3DFMT_X8R8G8B8 です"),
            0)
      << JoinLines(lines);
  EXPECT_GE(FindLine(lines, "Ｚバッファのフォーマットは D3DFMT_D16 です"), 0);
  EXPECT_NE(nullptr, GetDirectDrawObject());
}

TEST_F(DeviceStartUpTest, ClearReadsBackExactlyAndReachesTheScreen) {
  ASSERT_EQ(0, StartFrameworkWindowed());
  // Colours every pixel format holds exactly.
  const uint32_t color = Desktop16() ? 0xFFFF00FFu : 0xFF336699u;
  GfxDevice *device = GetGfxDevice();
  ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, color, 1.0f));
  std::vector<uint32_t> pixels(640 * 480);
  ASSERT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
  for (size_t i = 0; i < pixels.size(); i++) ASSERT_EQ(color, pixels[i]) << i;

  EXPECT_EQ(0, TestDeviceWithPresent());
  POINT origin = {0, 0};
  ClientToScreen(static_cast<HWND>(GetWindowHandle()), &origin);
  std::vector<uint32_t> shown(16 * 16);
  ASSERT_EQ(0, ReadScreenDcPixels(origin.x + 300, origin.y + 200, 16, 16, shown.data()));
  for (uint32_t pixel : shown) ASSERT_EQ(color, pixel);
}

TEST_F(DeviceStartUpTest, SoftwareRenderingMakesABlackScreenImage) {
  ASSERT_EQ(0, SetUseHardwareRendering(0));
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(-1, SetUseHardwareRendering(1));
  EXPECT_EQ(0, IsHardwareRenderingActive());
  EXPECT_EQ(0, g_d3d.deviceMade);
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  EXPECT_EQ(640, screen->width);
  EXPECT_EQ(480, screen->height);
  const int bytes = screen->base->format->bytesPerPixel;
  for (int y = 0; y < screen->height; y++) {
    const uint8_t *row = screen->pixels + y * screen->base->pitch;
    for (int x = 0; x < 640 * bytes; x++) ASSERT_EQ(0, row[x]);
  }
}

}  // namespace
