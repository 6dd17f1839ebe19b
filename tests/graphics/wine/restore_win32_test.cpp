// Device loss and restore on the real device, full screen on a 640 x 480
// display: the plain device really lost by deactivation, the Ex device
// (never lost) rebuilt anyway, and window mode restored directly. One scene
// of point-filtered plain draws: two graphs from one PNG file, a divided
// graph, a draw-target graph filled and drawn into, text with the default
// font and an edged one, and a buffer pair drawn through the seam. After each cycle the handles are unchanged, the draw target
// reads black and the back buffer equal once it is filled again, and
// the live-block count is unchanged. On the software path in full screen a
// switch away and back brings the display mode back and keeps the screen
// image and the graphs.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/images/image_fixtures.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/text/font_handles.h"
#include "softrender/softrender.h"
#include "spine_support.h"
#include "graphics/state/device_state_check.h"
#include "velvane.h"

namespace {

const uint32_t kFvfXyzrhwDiffuse = 0x44;
const uint32_t kBackground = 0xFF00FF00u;  // exact at 16 bits too
const char kPictureFile[] = "restore_scene.png";
const int kTargetX = 20, kTargetY = 360, kTargetSide = 64;

struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
};

// A 64 x 32 picture of eight 16 x 16 blocks of colours exact at 16 bits.
Bytes ScenePng(void) {
  static const uint8_t kColors[8][3] = {{255, 0, 0},   {0, 0, 255},     {255, 255, 0}, {0, 255, 255},
                                        {255, 0, 255}, {255, 255, 255}, {0, 0, 0},     {0, 255, 0}};
  PngSpec spec;
  spec.width = 64;
  spec.height = 32;
  for (int y = 0; y < 32; y++) {
    Bytes row;
    for (int x = 0; x < 64; x++) {
      const uint8_t *c = kColors[(y / 16) * 4 + x / 16];
      row.insert(row.end(), c, c + 3);
    }
    spec.rows.push_back(row);
  }
  return MakePng(spec);
}

// Pixels of a rectangle of a 640-pixel-wide picture.
std::vector<uint32_t> Area(const std::vector<uint32_t> &picture, int x, int y, int side) {
  std::vector<uint32_t> area;
  for (int row = y; row < y + side; row++) {
    area.insert(area.end(), picture.begin() + row * 640 + x, picture.begin() + row * 640 + x + side);
  }
  return area;
}

// Whether a rectangle of a 640-pixel-wide picture holds a colour.
bool Holds(const std::vector<uint32_t> &picture, int x, int y, int width, int height,
           uint32_t color) {
  for (int row = y; row < y + height; row++) {
    for (int column = x; column < x + width; column++) {
      if (picture[row * 640 + column] == color) return true;
    }
  }
  return false;
}

// How two pictures differ: the count of pixels and the first one.
std::string Difference(const std::vector<uint32_t> &a, const std::vector<uint32_t> &b) {
  int count = 0;
  char first[96] = "";
  for (size_t i = 0; i < a.size() && i < b.size(); i++) {
    if (a[i] == b[i]) continue;
    if (!count++) {
      snprintf(first, sizeof first, " first at %d,%d: %08x against %08x", static_cast<int>(i % 640),
               static_cast<int>(i / 640), a[i], b[i]);
    }
  }
  return std::to_string(count) + " pixels differ" + first;
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

class RestoreTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnterPrivateDirectory("graphics-restore");
    const Bytes png = ScenePng();
    FILE *file = fopen(kPictureFile, "wb");
    ASSERT_NE(nullptr, file);
    fwrite(png.data(), 1, png.size(), file);
    fclose(file);
  }
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    DeleteAllIndexBufferHandles();
    EndFramework();
    g_gfxTestSwitches.noEx = 0;
    StoreScreenMode(640, 480, 16, 0);
    ChangeWindowMode(1);
    SetUseHardwareRendering(1);
  }
  // Two graphs of the one file, its four 32 x 16 cells and a draw target.
  void MakeGraphs() {
    SetDrawFilterMode(0);
    first = LoadGraphFromFile(kPictureFile, 0);
    second = LoadGraphFromFile(kPictureFile, 0);
    ASSERT_NE(-1, first);
    ASSERT_NE(-1, second);
    ASSERT_EQ(0, LoadDividedGraph(kPictureFile, 4, 2, 2, 32, 16, cells, 0));
    g_drawSettings.makeDrawTargetGraphs = 1;
    target = CreateEmptyGraph(kTargetSide, kTargetSide);
    g_drawSettings.makeDrawTargetGraphs = 0;
    ASSERT_NE(-1, target);
    edgedFont = CreateFontToHandle(NULL, 16, -1, 1, 1, 1, 0, -1, -1);
    ASSERT_NE(-1, edgedFont);
  }
  std::vector<int> GraphHandles() const {
    return {first, second, cells[0], cells[1], cells[2], cells[3], target};
  }
  // The draw target's picture: filled whole in red, one cell drawn into it.
  void DrawIntoTarget() {
    EXPECT_EQ(0, FillGraph(target, 255, 0, 0, 255));
    EXPECT_EQ(0, SetDrawTarget(target));
    EXPECT_EQ(0, DrawGraphAt(16, 24, cells[1], 0));
    EXPECT_EQ(0, SetDrawTarget(DRAW_TARGET_BACK));
  }
  // The graphs at fixed places of the back buffer.
  void DrawGraphs() {
    EXPECT_EQ(0, DrawGraphAt(20, 300, first, 0));
    EXPECT_EQ(0, DrawGraphTurned(100, 300, second, 0));
    for (int i = 0; i < 4; i++) EXPECT_EQ(0, DrawGraphAt(200 + 40 * i, 420, cells[i], 0));
    EXPECT_EQ(0, DrawGraphAt(kTargetX, kTargetY, target, 0));
    // Text with the default font and with an edged font: glyphs drawn
    // again into caches that came back empty.
    const int white = static_cast<int>(PackDrawColor(255, 255, 255));
    EXPECT_EQ(0, DrawTextAt(120, 360, "Restore 123", white, 0));
    EXPECT_EQ(0, DrawTextWithFont(120, 390, "Again", static_cast<int>(PackDrawColor(255, 255, 0)),
                                  edgedFont, static_cast<int>(PackDrawColor(0, 0, 255)), 0));
    FlushVertexBatch();
  }
  void Start(int windowed, int noEx) {
    g_gfxTestSwitches.noEx = noEx;
    SetScreenMode(640, 480, 16, 0);
    ChangeWindowMode(windowed);
    SetRunWhileInactive(1);
    ASSERT_EQ(0, InitFramework());
    ASSERT_EQ(1, IsHardwareRenderingActive());
    ASSERT_EQ(!noEx, g_d3d.exDevice);
    // Start-up draws to the visible screen; the scene goes to the back buffer.
    ASSERT_EQ(0, SetDrawTarget(DRAW_TARGET_BACK));
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
    MakeGraphs();
  }
  // Clears the screen and draws the buffer pair; returns the back buffer.
  std::vector<uint32_t> DrawScene() {
    GfxDevice *device = GetGfxDevice();
    FlushVertexBatch();
    EndDeviceScene();
    device->Clear(GFX_CLEAR_TARGET | GFX_CLEAR_ZBUFFER, kBackground, 1.0f);
    DrawGraphs();
    // The buffer pair goes round the state cache, untextured; the device
    // gets the cache's states back afterwards.
    BeginDeviceScene();
    device->SetTexture(0, nullptr);
    device->SetFVF(kFvfXyzrhwDiffuse);
    g_stateCache.fvf = kFvfXyzrhwDiffuse;
    EXPECT_EQ(0, device->SetStreamSource(GetVertexBufferDevice(vertices), sizeof(ScreenVertex)));
    EXPECT_EQ(0, device->SetIndices(GetIndexBufferDevice(indices)));
    EXPECT_EQ(0, device->DrawIndexedPrimitive(GFX_PRIM_TRIANGLELIST, 0, 0, 8, 0, 4));
    EndDeviceScene();
    ReapplyDeviceStates();
    std::vector<uint32_t> pixels(640 * 480);
    EXPECT_EQ(0, ReadBackBufferPixels(pixels.data(), 640, 480));
    return pixels;
  }
  void RunCycles(int windowed, int noEx) {
    Start(windowed, noEx);
    DrawIntoTarget();
    const std::vector<uint32_t> before = DrawScene();
    ASSERT_EQ(0xFFFF0000u, before[180 * 640 + 200]);
    ASSERT_EQ(0xFF0000FFu, before[200 * 640 + 500]);
    ASSERT_EQ(kBackground, before[20 * 640 + 20]);
    // The file's blocks: red at the top left of the first graph, mirrored
    // in the second; the draw target red.
    ASSERT_EQ(0xFFFF0000u, before[305 * 640 + 25]);
    ASSERT_EQ(0xFFFF0000u, before[305 * 640 + 160]);
    ASSERT_EQ(0xFFFF0000u, before[(kTargetY + 2) * 640 + kTargetX + 2]);
    ASSERT_EQ(0xFFFFFF00u, before[(kTargetY + 26) * 640 + kTargetX + 18]);
    // The texts: white, and yellow edged in blue.
    ASSERT_TRUE(Holds(before, 120, 360, 200, 24, 0xFFFFFFFFu));
    ASSERT_TRUE(Holds(before, 120, 390, 200, 24, 0xFFFFFF00u));
    ASSERT_TRUE(Holds(before, 120, 390, 200, 24, 0xFF0000FFu));
    const std::vector<uint32_t> black(kTargetSide * kTargetSide, 0xFF000000u);
    const int handles[2] = {vertices, indices};
    const std::vector<int> graphs = GraphHandles();
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
      EXPECT_TRUE(GraphHandles() == graphs);
      for (int h : graphs) EXPECT_NE(nullptr, GetGraphRecord(h));
      // The draw target comes back black; the rest of the picture as before.
      EXPECT_TRUE(CacheDeviceMismatches(GetGfxDevice(), 1).empty());
      std::vector<uint32_t> after = DrawScene();
      EXPECT_TRUE(Area(after, kTargetX, kTargetY, kTargetSide) == black)
          << Difference(Area(after, kTargetX, kTargetY, kTargetSide), black);
      for (int row = kTargetY; row < kTargetY + kTargetSide; row++) {
        memcpy(&after[row * 640 + kTargetX], &before[row * 640 + kTargetX], kTargetSide * 4);
      }
      EXPECT_TRUE(after == before) << Difference(after, before);
      // Filled again, it gives the same picture.
      DrawIntoTarget();
      const std::vector<uint32_t> again = DrawScene();
      EXPECT_TRUE(again == before) << Difference(again, before);
      EXPECT_EQ(blocks, GetAllocatedBlockCount());
    }
  }

  int vertices = -1, indices = -1;
  int first = -1, second = -1, target = -1, edgedFont = -1;
  int cells[4] = {-1, -1, -1, -1};
};

TEST_F(RestoreTest, PlainDeviceFullScreenIsLostAndRestored) { RunCycles(0, 1); }

TEST_F(RestoreTest, ExDeviceFullScreenIsRebuiltWithoutALoss) { RunCycles(0, 0); }

TEST_F(RestoreTest, WindowModeRestoredDirectly) { RunCycles(1, 0); }

// The software path in full screen: deactivation gives the desktop its
// mode back, reactivation restores the program's; no device is made and
// the screen image and the graphs stay as they are.
TEST_F(RestoreTest, SoftwarePathFullScreenGetsItsDisplayModeBack) {
  SetUseHardwareRendering(0);
  SetScreenMode(640, 480, 16, 0);
  ChangeWindowMode(0);
  SetRunWhileInactive(1);
  ASSERT_EQ(0, InitFramework());
  ASSERT_EQ(0, IsHardwareRenderingActive());
  MakeGraphs();
  DrawIntoTarget();
  EXPECT_EQ(0, ClearDrawTarget(nullptr));
  DrawGraphs();
  DEVMODEA modeBefore = {};
  modeBefore.dmSize = sizeof modeBefore;
  ASSERT_TRUE(EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &modeBefore));
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  auto bytesOf = [](const MEMIMG *image) {
    const uint8_t *start = image->pixels;
    return std::vector<uint8_t>(start, start + image->base->pitch * image->height);
  };
  const std::vector<uint8_t> screenBefore = bytesOf(screen);
  std::vector<std::vector<uint8_t>> graphsBefore;
  for (int h : GraphHandles()) graphsBefore.push_back(bytesOf(&GetGraphRecord(h)->image->memImage));
  const int blocks = GetAllocatedBlockCount();
  const int rebuilds = GetGraphicsRebuildCount();

  SwitchAwayAndBack(false);

  ASSERT_LT(rebuilds, GetGraphicsRebuildCount());
  DEVMODEA modeAfter = {};
  modeAfter.dmSize = sizeof modeAfter;
  ASSERT_TRUE(EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &modeAfter));
  EXPECT_EQ(modeBefore.dmPelsWidth, modeAfter.dmPelsWidth);
  EXPECT_EQ(modeBefore.dmPelsHeight, modeAfter.dmPelsHeight);
  EXPECT_EQ(modeBefore.dmBitsPerPel, modeAfter.dmBitsPerPel);
  EXPECT_EQ(0, IsHardwareRenderingActive());
  EXPECT_EQ(0, g_d3d.deviceMade);
  EXPECT_EQ(0, IsGraphicsDeviceLost());
  EXPECT_EQ(screen, GetSoftwareScreenImage());
  EXPECT_TRUE(bytesOf(screen) == screenBefore);
  std::vector<std::vector<uint8_t>> graphsAfter;
  for (int h : GraphHandles()) graphsAfter.push_back(bytesOf(&GetGraphRecord(h)->image->memImage));
  EXPECT_TRUE(graphsAfter == graphsBefore);
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  EXPECT_EQ(0, PresentScreen());
}

// By hand (--gtest_also_run_disabled_tests): a restore against ending and
// starting graphics and making the same resources anew, with its split.
class RestoreBench : public RestoreTest {
 protected:
  static double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
  }
  static std::string BenchFile(int i) { return "restore_bench_" + std::to_string(i) + ".png"; }
  static void WriteBenchFiles() {
    for (int i = 0; i < kFiles; i++) {
      PngSpec spec;
      spec.width = spec.height = 256;
      for (int y = 0; y < 256; y++) {
        Bytes row;
        for (int x = 0; x < 256; x++) {
          row.push_back(static_cast<uint8_t>(x + i));
          row.push_back(static_cast<uint8_t>(y * 3));
          row.push_back(static_cast<uint8_t>(x ^ y));
        }
        spec.rows.push_back(row);
      }
      const Bytes png = MakePng(spec);
      FILE *file = fopen(BenchFile(i).c_str(), "wb");
      ASSERT_NE(nullptr, file);
      fwrite(png.data(), 1, png.size(), file);
      fclose(file);
    }
  }
  // 200 graphs from 40 files, 4 draw targets, 2 fonts, 50 buffers of 64 KB.
  void MakeResources() {
    for (int i = 0; i < kFiles; i++) {
      for (int copy = 0; copy < kGraphsPerFile; copy++) {
        ASSERT_NE(-1, LoadGraphFromFile(BenchFile(i).c_str(), 0));
      }
    }
    g_drawSettings.makeDrawTargetGraphs = 1;
    for (int i = 0; i < kTargets; i++) ASSERT_NE(-1, CreateEmptyGraph(256, 256));
    g_drawSettings.makeDrawTargetGraphs = 0;
    ASSERT_NE(-1, CreateFontToHandle(NULL, 16, 3, 0, -1, 0, 0, -1, 0));
    ASSERT_NE(-1, CreateFontToHandle(NULL, 24, 6, 0, -1, 1, 0, -1, 0));
    std::vector<uint8_t> bytes(64 * 1024, 0x5A);
    for (int i = 0; i < kBuffers; i++) {
      const int h = MakeVertexBufferHandle(32, 2048, 0);
      ASSERT_NE(-1, h);
      ASSERT_EQ(0, WriteVertexBuffer(0, bytes.data(), 2048, h));
    }
  }
  static const int kFiles = 40, kGraphsPerFile = 5, kTargets = 4, kBuffers = 50;
};

TEST_F(RestoreBench, DISABLED_RestoreAgainstStartingAnew) {
  WriteBenchFiles();
  Start(1, 0);
  MakeResources();
  // Three rounds stay inside the Wine runner's time limit on a busy machine.
  const int rounds = 3;
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
    // The baseline: graphics ended and started, everything made anew.
    start = std::chrono::steady_clock::now();
    const ScreenModeRequest request = {-1, -1, -1, 1, -1};
    ApplyScreenMode(request);
    MakeResources();
    anew += Since(start);
  }
  printf("restore %.2f ms (device %.2f, recreate %.2f, reload %.2f, the rest %.2f); starting anew "
         "%.2f ms\n",
         restore / rounds, device / rounds, recreate / rounds, reload / rounds,
         (restore - device - recreate - reload) / rounds, anew / rounds);
}

}  // namespace
