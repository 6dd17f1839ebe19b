// Graphs on the real device and on the software path: pictures made from
// base images read back equal to the image (one texture, and several under
// a small maximum texture size), draw-target graphs filled and copied
// from the screen read back through their render-target surface, and a
// graph selected as the draw target drawn into and read through the lock,
// and graphs from a file restored from it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "picture_compare.h"
#include "softrender/softrender.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

uint32_t Pattern(int x, int y) {
  return 0xFF000000u | (static_cast<uint32_t>(x * 7 & 0xFF) << 16) |
         (static_cast<uint32_t>(y * 13 & 0xFF) << 8) | static_cast<uint32_t>((x + y) & 0xFF);
}

BASEIMAGE PatternImage(int w, int h) {
  BASEIMAGE image;
  memset(&image, 0, sizeof image);
  CreateXrgb32BaseImage(w, h, &image);
  for (int y = 0; y < h; y++) {
    for (int x = 0; x < w; x++) {
      const uint32_t v = Pattern(x, y);
      memcpy(static_cast<uint8_t *>(image.pixels) + y * image.pitch + x * 4, &v, 4);
    }
  }
  return image;
}

// 0x00RRGGBB of a pixel of a format.
uint32_t Rgb(const PixelFormat *format, const uint8_t *p) {
  uint32_t value = 0;
  memcpy(&value, p, format->bytesPerPixel);
  int r = 0, g = 0, b = 0;
  UnpackPixelColor(format, value, &r, &g, &b, nullptr);
  return static_cast<uint32_t>(r << 16 | g << 8 | b);
}

uint32_t Quantised(uint32_t argb, const PixelFormat *format) {
  const uint32_t packed = PackColorToPixel(format, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF,
                                           argb & 0xFF, 255);
  uint8_t bytes[4];
  memcpy(bytes, &packed, 4);
  return Rgb(format, bytes);
}

int DrawTargetGraph(int w, int h) {
  g_drawSettings.makeDrawTargetGraphs = 1;
  const int handle = CreateEmptyGraph(w, h);
  g_drawSettings.makeDrawTargetGraphs = 0;
  return handle;
}

class GraphsTest : public testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-graphs"); }
  void SetUp() override {
    software = GetParam();
    SetUseHardwareRendering(software ? 0 : 1);
    ASSERT_EQ(0, StartFrameworkWindowed());
    ASSERT_EQ(software ? 0 : 1, IsHardwareRenderingActive());
  }
  void TearDown() override {
    EndFramework();
    g_gfxTestSwitches.capsOverride = nullptr;
    SetUseHardwareRendering(1);
  }
  // Reads the graph's picture back: texture graphs through their
  // system-memory copy, draw targets through a system surface, software
  // graphs from their MEMIMG; checks it equals expected(x, y).
  template <typename F>
  void ExpectPicture(int handle, F expected) {
    const GraphRecord *graph = GetGraphRecord(handle);
    ASSERT_NE(nullptr, graph);
    if (software) {
      const MEMIMG &view = graph->memImage;
      for (int y = 0; y < graph->height; y++) {
        for (int x = 0; x < graph->width; x++) {
          const uint8_t *p = view.pixels + y * view.base->pitch + x * view.base->format->bytesPerPixel;
          ASSERT_EQ(Quantised(expected(x, y), view.base->format), Rgb(view.base->format, p))
              << x << "," << y;
        }
      }
      return;
    }
    GfxDevice *device = GetGfxDevice();
    const SharedGraphImage *image = graph->image;
    const PixelFormat *format = GraphTexturePixelFormat(image);
    for (int i = 0; i < image->entryCount; i++) {
      const GraphTextureEntry &e = image->entries[i];
      GfxLocked locked;
      GfxSurface *system = nullptr;
      if (image->drawTarget) {
        ASSERT_EQ(0, device->CreateSystemSurface(e.textureWidth, e.textureHeight,
                                                 g_d3d.table.formats[image->textureFormat],
                                                 &system));
        ASSERT_EQ(0, device->GetRenderTargetData(e.surface, system));
        ASSERT_EQ(0, device->LockSurface(system, nullptr, 1, &locked));
      } else {
        ASSERT_NE(nullptr, e.systemTexture);
        ASSERT_EQ(0, device->LockTextureLevel(e.systemTexture, 0, nullptr, &locked));
      }
      for (int y = 0; y < e.usedHeight; y++) {
        for (int x = 0; x < e.usedWidth; x++) {
          const uint8_t *p = locked.bits + y * locked.pitch + x * format->bytesPerPixel;
          ASSERT_EQ(Quantised(expected(e.x + x, e.y + y), format), Rgb(format, p))
              << "entry " << i << " at " << x << "," << y;
        }
      }
      if (system) {
        device->UnlockSurface(system);
        device->ReleaseSurface(system);
      } else {
        device->UnlockTextureLevel(e.systemTexture, 0);
      }
    }
  }
  int software = 0;
};

TEST_P(GraphsTest, GraphsFromBaseImagesReadBackEqual) {
  BASEIMAGE image = PatternImage(300, 100);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  ExpectPicture(handle, Pattern);
  FreeBaseImage(&image);
}

TEST_P(GraphsTest, SeveralTexturesUnderASmallMaximum) {
  if (software) GTEST_SKIP() << "no textures on the software path";
  EndFramework();
  static GfxCaps caps;
  GfxDevice *device = GetGfxDevice();
  ASSERT_NE(nullptr, device);
  caps = GfxCaps{};
  // The real device's caps, with a maximum of 256.
  SetUseHardwareRendering(1);
  ASSERT_EQ(0, StartFrameworkWindowed());
  caps = g_d3d.caps;
  EndFramework();
  caps.maxTextureWidth = caps.maxTextureHeight = 256;
  g_gfxTestSwitches.capsOverride = &caps;
  ASSERT_EQ(0, StartFrameworkWindowed());
  BASEIMAGE image = PatternImage(300, 100);
  const int handle = MakeGraphFromBaseImage(&image);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(3, GetGraphRecord(handle)->image->entryCount);
  ExpectPicture(handle, Pattern);
  FreeBaseImage(&image);
}

TEST_P(GraphsTest, DrawTargetGraphAfterFillAndScreenCopy) {
  const int handle = DrawTargetGraph(640, 48);
  ASSERT_NE(-1, handle);
  // The software fill blends: mode 0 and the whole clip make it plain.
  ASSERT_EQ(0, FillGraph(handle, 0x33, 0x66, 0x99, 255));
  ExpectPicture(handle, [](int, int) { return 0xFF336699u; });
  // Two halves painted into the back buffer, copied in.
  ASSERT_EQ(0, SetDrawTarget(-2));
  const uint32_t left = 0xFFCC3300u, right = 0xFF00AA55u;
  if (software) {
    MEMIMG *screen = GetSoftwareScreenImage();
    const PixelFormat *format = screen->base->format;
    const Rect leftHalf = {0, 0, 320, 480}, rightHalf = {320, 0, 640, 480};
    MemImgFillRect(screen, &leftHalf, PackColorToPixel(format, 0xCC, 0x33, 0x00, 255));
    MemImgFillRect(screen, &rightHalf, PackColorToPixel(format, 0x00, 0xAA, 0x55, 255));
  } else {
    GfxDevice *device = GetGfxDevice();
    FlushVertexBatch();
    EndDeviceScene();
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, left, 1.0f));
    const GfxViewport half = {320, 0, 320, 480, 0.0f, 1.0f};
    ASSERT_EQ(0, SetDeviceViewport(&half));
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, right, 1.0f));
    SetDeviceViewportRect(0, 0, 640, 480);
  }
  ASSERT_EQ(0, CopyDrawScreenToGraph(0, 100, 640, 148, handle));
  ExpectPicture(handle, [&](int x, int) { return x < 320 ? left : right; });
}

// Drawing goes into the selected graph (wider than 512, so one texture must
// hold it all) and the lock reads it back; the screen keeps its picture.
TEST_P(GraphsTest, DrawingIntoATargetGraphReadsBackThroughTheLock) {
  const int handle = DrawTargetGraph(640, 48);
  ASSERT_NE(-1, handle);
  BASEIMAGE image = PatternImage(16, 16);
  const int texture = MakeGraphFromBaseImage(&image);
  FreeBaseImage(&image);
  // Every software graph is an image drawing can go to.
  if (!software) {
    EXPECT_EQ(-1, SetDrawTarget(texture));
  }
  EXPECT_EQ(-1, SetDrawTarget(-1));
  ASSERT_EQ(0, SetDrawTarget(handle));
  ASSERT_EQ(handle, GetDrawTarget());
  const uint32_t left = 0xFF2288EEu, right = 0xFFEE8822u;
  if (software) {
    MEMIMG *target = GetSoftwareDrawTargetImage();
    ASSERT_EQ(&GetGraphRecord(handle)->memImage, target);
    const PixelFormat *format = target->base->format;
    const Rect leftHalf = {0, 0, 320, 48}, rightHalf = {320, 0, 640, 48};
    MemImgFillRect(target, &leftHalf, PackColorToPixel(format, 0x22, 0x88, 0xEE, 255));
    MemImgFillRect(target, &rightHalf, PackColorToPixel(format, 0xEE, 0x88, 0x22, 255));
  } else {
    GfxDevice *device = GetGfxDevice();
    FlushVertexBatch();
    EndDeviceScene();
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, left, 1.0f));
    const GfxViewport half = {320, 0, 320, 48, 0.0f, 1.0f};
    ASSERT_EQ(0, SetDeviceViewport(&half));
    ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, right, 1.0f));
    ASSERT_EQ(0, SetDrawClipRect(0, 0, 640, 48));
  }
  const Rect past = {0, 0, 640, 49};
  BASEIMAGE view;
  EXPECT_EQ(-1, LockDrawScreenBuffer(&past, &view));
  const Rect whole = {0, 0, 640, 48};
  ASSERT_EQ(0, LockDrawScreenBuffer(&whole, &view));
  EXPECT_EQ(640, view.width);
  EXPECT_EQ(48, view.height);
  int wrong = 0;
  for (int y = 0; y < 48; y++) {
    for (int x = 0; x < 640; x++) {
      const uint8_t *p = static_cast<const uint8_t *>(view.pixels) + y * view.pitch +
                         x * view.format.bytesPerPixel;
      if (Rgb(&view.format, p) != Quantised(x < 320 ? left : right, &view.format)) wrong++;
    }
  }
  UnlockDrawScreenBuffer();
  EXPECT_EQ(0, wrong);
  ASSERT_EQ(0, SetDrawTarget(-2));
  ExpectPicture(handle, [&](int x, int) { return x < 320 ? left : right; });
}

// The clear of a graph target blackens the rectangle (across the 512 column
// where a split graph would change texture) and nothing else of the graph.
TEST_P(GraphsTest, ClearingATargetGraphBlackensItsRectangle) {
  const int handle = DrawTargetGraph(640, 48);
  ASSERT_NE(-1, handle);
  ASSERT_EQ(0, FillGraph(handle, 0x33, 0x66, 0x99, 255));
  ASSERT_EQ(0, SetDrawTarget(handle));
  const Rect area = {500, 10, 600, 30};
  ASSERT_EQ(0, ClearDrawTarget(&area));
  ASSERT_EQ(0, SetDrawTarget(-2));
  ExpectPicture(handle, [&](int x, int y) {
    const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
    return inside ? 0xFF000000u : 0xFF336699u;
  });
}

// Graphs from a file, whole and divided, come back from the file after the
// device's textures are rebuilt (or, in software, after being drawn over);
// a graph without a file is left cleared.
TEST_P(GraphsTest, FileGraphsComeBackFromTheirFile) {
  Picture file(48, 20);
  for (int y = 0; y < 20; y++) {
    for (int x = 0; x < 48; x++) file.Set(x, y, Pattern(x, y));
  }
  ASSERT_EQ(0, file.WriteRgbBmp("graphs_restore.bmp"));
  const int whole = LoadGraphFromFile("graphs_restore.bmp", 0);
  ASSERT_NE(-1, whole);
  int cells[2] = {-1, -1};
  ASSERT_EQ(0, LoadDividedGraph("graphs_restore.bmp", 2, 2, 1, 24, 20, cells, 0));
  BASEIMAGE image = PatternImage(8, 8);
  const int plain = MakeGraphFromBaseImage(&image);
  FreeBaseImage(&image);
  ASSERT_NE(-1, plain);
  if (software) {
    ASSERT_EQ(0, FillGraph(whole, 1, 2, 3, 255));
    ASSERT_EQ(0, FillGraph(cells[1], 1, 2, 3, 255));
  } else {
    ASSERT_EQ(0, ReleaseAllGraphTextures());
    ASSERT_EQ(0, CreateAllGraphTextures());
    ExpectPicture(plain, [](int, int) { return 0u; });
  }
  ASSERT_EQ(0, RestoreAllGraphs());
  ExpectPicture(whole, Pattern);
  // The device read covers the cells' shared image, the software read the
  // cell's own view.
  const int cellX = software ? 24 : 0;
  ExpectPicture(cells[1], [cellX](int x, int y) { return Pattern(x + cellX, y); });
  if (!software) ExpectPicture(plain, [](int, int) { return 0u; });
}

INSTANTIATE_TEST_SUITE_P(Paths, GraphsTest, testing::Values(0, 1),
                         [](const testing::TestParamInfo<int> &info) {
                           return info.param ? "Software" : "Hardware";
                         });

}  // namespace
