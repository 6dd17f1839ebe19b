// Device loss and restore on the real device, full screen on a 640 x 480
// display: the plain device really lost by deactivation, the Ex device
// (never lost) rebuilt anyway, and window mode restored directly. A buffer
// pair is drawn through the seam before and after; the picture and the
// live-block count must come back exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

const uint32_t kFvfXyzrhwDiffuse = 0x44;
const uint32_t kBackground = 0xFF00FF00u;  // exact at 16 bits too

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
        {100, 100, 0, 1, 0xFFFF0000u}, {300, 100, 0, 1, 0xFFFF0000u},
        {100, 260, 0, 1, 0xFFFF0000u}, {300, 260, 0, 1, 0xFFFF0000u},
        {350, 50, 0, 1, 0xFF0000FFu},  {600, 50, 0, 1, 0xFF0000FFu},
        {350, 400, 0, 1, 0xFF0000FFu}, {600, 400, 0, 1, 0xFF0000FFu}};
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
    EXPECT_EQ(0, device->DrawIndexedPrimitive(GFX_PRIM_TRIANGLELIST, 0, 0, 8, 0, 4));
    EndDeviceScene();
    std::vector<uint32_t> pixels(640 * 480);
    EXPECT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
    return pixels;
  }
  // Deactivates and reactivates the program as the system does.
  void SwitchAwayAndBack(bool expectLoss) {
    HWND window = static_cast<HWND>(GetGfxDevice()->MainWindow());
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    if (expectLoss) {
      EXPECT_EQ(-1, TestDeviceWithPresent());
    }
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    ShowWindow(window, SW_RESTORE);
    SendMessageA(window, WM_ACTIVATE, WA_ACTIVE, 0);
  }
  void RunCycles(int windowed, int noEx) {
    Start(windowed, noEx);
    const std::vector<uint32_t> before = DrawScene();
    ASSERT_EQ(0xFFFF0000u, before[180 * 640 + 200]);
    ASSERT_EQ(0xFF0000FFu, before[300 * 640 + 500]);
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
      // The system may activate the window once more itself when it is restored.
      ASSERT_LT(rebuilds, GetGraphicsRebuildCount());
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

// By hand (--gtest_also_run_disabled_tests): a restore against ending and
// starting graphics and making the same resources anew, with its split.
class RestoreBench : public RestoreTest {
 protected:
  static double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  }
  void MakeBuffers(std::vector<int> *handles) {
    std::vector<uint8_t> bytes(64 * 1024, 0x5A);
    for (int i = 0; i < kBuffers; i++) {
      const int h = MakeVertexBufferHandle(32, 2048, 0);
      ASSERT_NE(-1, h);
      ASSERT_EQ(0, WriteVertexBuffer(0, bytes.data(), 2048, h));
      handles->push_back(h);
    }
  }
  static const int kBuffers = 50;
};

TEST_F(RestoreBench, DISABLED_RestoreAgainstStartingAnew) {
  Start(1, 0);
  std::vector<int> handles;
  MakeBuffers(&handles);
  const int rounds = 10;
  double restore = 0, device = 0, recreate = 0, reload = 0, anew = 0;
  for (int i = 0; i < rounds; i++) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(0, RestoreGraphicsDevice());
    restore += Since(start);
    // The split: the same steps one by one.
    start = std::chrono::steady_clock::now();
    ReleaseDeviceResources();
    TerminateDirect3D();
    ASSERT_EQ(0, InitDirect3DHardwareOnly());
    device += Since(start);
    start = std::chrono::steady_clock::now();
    RecreateDeviceResources();
    recreate += Since(start);
    start = std::chrono::steady_clock::now();
    ReloadGraphicsResources();
    reload += Since(start);
    ASSERT_EQ(0, RestoreGraphicsDevice());
    start = std::chrono::steady_clock::now();
    const ScreenModeRequest request = {-1, -1, -1, 1, -1};
    ApplyScreenMode(request);
    handles.clear();
    MakeBuffers(&handles);
    anew += Since(start);
  }
  printf("restore %.2f ms (device %.2f, recreate %.2f, reload %.2f); starting anew %.2f ms\n",
         restore / rounds, device / rounds, recreate / rounds, reload / rounds, anew / rounds);
}

}  // namespace
