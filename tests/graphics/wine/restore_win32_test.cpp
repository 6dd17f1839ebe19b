// Device loss and restore on the real device, full screen on a 640 x 480
// display: the plain device really lost by deactivation, the Ex device
// (never lost) rebuilt anyway, and window mode restored directly. A buffer
// pair is drawn through the seam before and after; the picture and the
// live-block count must come back exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const uint32_t kFvfXyzrhwDiffuse = 0x44;
const uint32_t kBackground = 0xFF204080u;

struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};

class RestoreTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-restore"); }
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    EndFramework();
    g_gfxTestSwitches.noEx = 0;
    StoreScreenMode(640, 480, 16, 0);
    ChangeWindowMode(1);
  }
  void Start(int windowed, int noEx) {
    g_gfxTestSwitches.noEx = noEx;
    SetScreenMode(640, 480, 16, 0);
    ChangeWindowMode(windowed);
    SetRunWhileInactive(1);
    ASSERT_EQ(0, InitFramework());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    ASSERT_EQ(!noEx, g_d3d.exDevice);
    vertices = MakeVertexBufferHandle(sizeof(ScreenVertex), 8, kFvfXyzrhwDiffuse);
    indices = MakeIndexBufferHandle(2, 12, 0);
    ASSERT_NE(-1, vertices);
    ASSERT_NE(-1, indices);
    const ScreenVertex quads[8] = {
        {100, 100, 0, 1, 0xFFC03020u}, {300, 100, 0, 1, 0xFFC03020u},
        {100, 260, 0, 1, 0xFFC03020u}, {300, 260, 0, 1, 0xFFC03020u},
        {350, 50, 0, 1, 0xFF30E0A0u},  {600, 50, 0, 1, 0xFF30E0A0u},
        {350, 400, 0, 1, 0xFF30E0A0u}, {600, 400, 0, 1, 0xFF30E0A0u}};
    const uint16_t order[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
    ASSERT_EQ(0, WriteVertexBuffer(0, quads, 8, vertices));
    ASSERT_EQ(0, WriteIndexBuffer(0, order, 12, indices));
  }
  // Clears the screen and draws the buffer pair; returns the back buffer.
  std::vector<uint32_t> DrawScene() {
    GfxDevice *device = GetGfxDevice();
    FlushVertexBatch();
    EndDeviceScene();
    device->Clear(GFX_CLEAR_TARGET | GFX_CLEAR_ZBUFFER, kBackground, 1.0f);
    PrepareDrawStates(nullptr, nullptr, 0);
    FlushVertexBatch();
    BeginDeviceScene();
    device->SetFVF(kFvfXyzrhwDiffuse);
    g_stateCache.fvf = kFvfXyzrhwDiffuse;
    EXPECT_EQ(0, device->SetStreamSource(GetVertexBufferDevice(vertices), sizeof(ScreenVertex)));
    EXPECT_EQ(0, device->SetIndices(GetIndexBufferDevice(indices)));
    EXPECT_EQ(0, device->DrawIndexedPrimitive(GFX_PRIM_TRIANGLELIST, 0, 8, 0, 4));
    EndDeviceScene();
    std::vector<uint32_t> pixels(640 * 480);
    EXPECT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
    return pixels;
  }
  // Deactivates and reactivates the program as the system does.
  void SwitchAwayAndBack(bool expectLoss) {
    HWND window = static_cast<HWND>(GetGfxDevice()->MainWindow());
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    if (expectLoss) EXPECT_EQ(-1, TestDeviceWithPresent());
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    ShowWindow(window, SW_RESTORE);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
  }
  void RunCycles(int windowed, int noEx) {
    Start(windowed, noEx);
    const std::vector<uint32_t> before = DrawScene();
    ASSERT_EQ(0xFFC03020u, before[180 * 640 + 200]);
    ASSERT_EQ(0xFF30E0A0u, before[300 * 640 + 500]);
    ASSERT_EQ(kBackground, before[20 * 640 + 20]);
    const int handles[2] = {vertices, indices};
    const int blocks = GetAllocatedBlockCount();
    for (int cycle = 0; cycle < 3; cycle++) {
      SCOPED_TRACE(cycle);
      const int rebuilds = GetGraphicsRebuildCount();
      if (windowed) {
        ASSERT_EQ(0, RestoreGraphicsDevice());
      } else {
        SwitchAwayAndBack(noEx != 0);
      }
      ASSERT_EQ(rebuilds + 1, GetGraphicsRebuildCount());
      EXPECT_EQ(0, IsGraphicsDeviceLost());
      EXPECT_EQ(0, TestDeviceWithPresent());
      EXPECT_EQ(handles[0], vertices);
      ASSERT_NE(nullptr, GetVertexBufferDevice(vertices));
      ASSERT_NE(nullptr, GetIndexBufferDevice(indices));
      EXPECT_TRUE(DrawScene() == before);
      EXPECT_EQ(blocks, GetAllocatedBlockCount());
    }
  }

  int vertices = -1, indices = -1;
};

TEST_F(RestoreTest, PlainDeviceFullScreenIsLostAndRestored) { RunCycles(0, 1); }

TEST_F(RestoreTest, ExDeviceFullScreenIsRebuiltWithoutALoss) { RunCycles(0, 0); }

TEST_F(RestoreTest, WindowModeRestoredDirectly) { RunCycles(1, 0); }

}  // namespace
