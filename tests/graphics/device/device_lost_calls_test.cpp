// Every class of graphics entry point called while the device is lost (a
// rebuild got no device back): each refuses or does nothing, and no call
// reaches the missing device or an object of the old one. The next restore
// brings the scene back.
#include <gtest/gtest.h>

#include <stdio.h>

#include <functional>
#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_readback.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/lights.h"
#include "graphics/draw/present.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/device/mask_screen.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/graphs/graph_transfer.h"
#include "graphics/images/image_fixtures.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_handles.h"
#include "velvane.h"

namespace {

const char kFile[] = "device_lost_calls.png";
const char kNoFormatLine[] =
    "指定のフォーマットで作成できるテクスチャフォーマットがありませんでした";
const char kNoTextureCacheLine[] = "テクスチャ文字キャッシュの作成に失敗しました";
// No line at all.
const char kNoLine[] = "";

class DeviceLostCallsTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    Start(4096, 0, 0, 32);  // the plain device: no system copies
    SetFrameworkInitialised(1);
    png = MakeSolidRgbPng(16, 8, 0x20, 0x40, 0x60);
    FILE *file = fopen(kFile, "wb");
    ASSERT_NE(nullptr, file);
    fwrite(png.data(), 1, png.size(), file);
    fclose(file);
    picture = LoadGraphFromFile(kFile, 0);
    g_drawSettings.makeDrawTargetGraphs = 1;
    target = CreateEmptyGraph(32, 32);
    g_drawSettings.makeDrawTargetGraphs = 0;
    vertices = MakeVertexBufferHandle(16, 4, 0);
    ASSERT_NE(-1, picture);
    ASSERT_NE(-1, target);
    ASSERT_NE(-1, vertices);
    // Fonts on the Direct3D path, their glyph caches filled once.
    font = CreateFontToHandle("Face", 16, -1, 0, -1, -1, 0, -1, -1);
    edgedFont = CreateFontToHandle("Face", 16, -1, 1, -1, 1, 0, -1, -1);
    ASSERT_NE(-1, font);
    ASSERT_NE(-1, edgedFont);
    ASSERT_EQ(0, DrawTextWithFont(0, 0, "ab", 0xFFFF, font, 0, 0));
    ASSERT_EQ(0, DrawTextWithFont(0, 0, "ab", 0xFFFF, edgedFont, 0, 0));
    ASSERT_EQ(0, DrawTextAt(0, 0, "ab", 0xFFFF, 0));
    ASSERT_EQ(0, PresentScreen());
  }
  void TearDown() override {
    DeleteAllVertexBufferHandles();
    remove(kFile);
    GraphFixture::TearDown();
  }

 public:
  Bytes png;
  int picture = -1, target = -1, vertices = -1, font = -1, edgedFont = -1;
  FakeGlyphSource glyphs;
};

struct LostCall {
  const char *name;
  std::function<int(DeviceLostCallsTest *)> call;
  int expected;
  const char *line;  // a log line the call writes, or null
};

TEST_F(DeviceLostCallsTest, EveryEntryPointRefusesWithoutReachingTheDevice) {
  LoseTheDevice();
  const Vector3 origin = {0, 0, 0};
  const LostCall calls[] = {
      // Graph creation: textures cannot be made.
      {"empty graph", [](DeviceLostCallsTest *) { return CreateEmptyGraph(16, 16); }, -1,
       kNoFormatLine},
      {"draw-target graph",
       [](DeviceLostCallsTest *) {
         g_drawSettings.makeDrawTargetGraphs = 1;
         const int made = CreateEmptyGraph(16, 16);
         g_drawSettings.makeDrawTargetGraphs = 0;
         return made;
       },
       -1, kNoFormatLine},
      {"graph from a file", [](DeviceLostCallsTest *) { return LoadGraphFromFile(kFile, 0); }, -1,
       kNoFormatLine},
      {"divided graph",
       [](DeviceLostCallsTest *) {
         int cells[2] = {0, 0};
         return LoadDividedGraph(kFile, 2, 2, 1, 8, 8, cells, 0);
       },
       -1, kNoFormatLine},
      {"graph from memory",
       [](DeviceLostCallsTest *t) {
         return LoadGraphFromMemory(t->png.data(), static_cast<int>(t->png.size()), nullptr, 0,
                                    1, 0);
       },
       -1, kNoFormatLine},
      // Pictures into existing graphs.
      {"reload from memory",
       [](DeviceLostCallsTest *t) {
         return ReloadGraphFromMemory(t->png.data(), static_cast<int>(t->png.size()), t->picture,
                                      nullptr, 0, 1, 0);
       },
       -1, nullptr},
      {"fill a draw target", [](DeviceLostCallsTest *t) { return FillGraph(t->target, 1, 2, 3, 4); },
       -1, nullptr},
      {"copy the screen",
       [](DeviceLostCallsTest *t) { return CopyDrawScreenToGraph(0, 0, 32, 32, t->target); }, -1,
       nullptr},
      {"restore all graphs", [](DeviceLostCallsTest *) { return RestoreAllGraphs(); }, 0, nullptr},
      // Draws.
      {"draw at", [](DeviceLostCallsTest *t) { return DrawGraphAt(0, 0, t->picture, 1); }, -1,
       nullptr},
      {"draw rotated",
       [](DeviceLostCallsTest *t) { return DrawGraphRotated(50, 50, 1.0, 0.5, t->picture, 1, 0); },
       -1, nullptr},
      {"draw stretched",
       [](DeviceLostCallsTest *t) { return DrawGraphStretched(0, 0, 40, 40, t->picture, 1); }, -1,
       nullptr},
      {"draw turned", [](DeviceLostCallsTest *t) { return DrawGraphTurned(0, 0, t->picture, 1); },
       -1, nullptr},
      {"draw a part",
       [](DeviceLostCallsTest *t) { return DrawRectGraph(0, 0, 1, 1, 4, 4, t->picture, 1, 0); },
       -1, nullptr},
      {"draw on a quad",
       [](DeviceLostCallsTest *t) {
         return DrawGraphQuadF(0, 0, 40, 0, 40, 40, 0, 40, t->picture, 1);
       },
       -1, nullptr},
      {"draw a billboard",
       [origin](DeviceLostCallsTest *t) {
         return DrawGraphBillboard(origin, 0.5f, 0.5f, 1.0f, 0.0f, t->picture, 1, 0);
       },
       -1, nullptr},
      {"draw the draw target", [](DeviceLostCallsTest *t) { return DrawGraphAt(0, 0, t->target, 0); },
       -1, nullptr},
      {"clear", [](DeviceLostCallsTest *) { return ClearDrawTarget(nullptr); }, -1, nullptr},
      {"filled box", [](DeviceLostCallsTest *) { return DrawFilledBox(0, 0, 20, 20, 0xFFFF); }, -1,
       nullptr},
      {"blend graph",
       [](DeviceLostCallsTest *t) {
         const int set = SetDrawBlendGraph(t->picture, 0, 64);
         SetDrawBlendGraph(-1, 0, 0);
         return set;
       },
       -1, nullptr},
      {"blend mode", [](DeviceLostCallsTest *) { return SetBlendModeAndParam(1, 128); }, 0, nullptr},
      {"mask", [](DeviceLostCallsTest *) { return SetMaskEnabled(1); }, -1, nullptr},
      // Text on the Direct3D path: glyphs cached before the loss, new ones,
      // vertical, edged and formatted; none is put into a cache texture.
      {"text, default font", [](DeviceLostCallsTest *) { return DrawTextAt(0, 0, "ab", 0xFFFF, 0); },
       -1, kNoLine},
      {"text, cached glyphs",
       [](DeviceLostCallsTest *t) { return DrawTextWithFont(0, 0, "ab", 0xFFFF, t->font, 0, 0); },
       -1, kNoLine},
      {"text, new glyphs",
       [](DeviceLostCallsTest *t) { return DrawTextWithFont(0, 0, "xyz", 0xFFFF, t->font, 0, 0); },
       -1, kNoLine},
      {"text, vertical",
       [](DeviceLostCallsTest *t) { return DrawTextWithFont(0, 0, "abq", 0xFFFF, t->font, 0, 1); },
       -1, kNoLine},
      {"text, edged",
       [](DeviceLostCallsTest *t) {
         return DrawTextWithFont(0, 0, "abw", 0xFFFF, t->edgedFont, 0x1F, 0);
       },
       -1, kNoLine},
      {"text, formatted",
       [](DeviceLostCallsTest *) { return DrawFormattedText(0, 0, 0xFFFF, "%d", 42); }, -1,
       kNoLine},
      // A font made while lost gets no cache texture and keeps its glyphs
      // in memory.
      {"font made while lost",
       [](DeviceLostCallsTest *) {
         const int made = CreateFontToHandle("Face", 20, -1, 0, -1, -1, 0, -1, -1);
         return made == -1 ? -1 : 0;
       },
       0, kNoTextureCacheLine},
      // Targets, locks and presentation.
      {"select the back buffer", [](DeviceLostCallsTest *) { return SetDrawTarget(-2); }, 0,
       nullptr},
      {"clip", [](DeviceLostCallsTest *) { return SetDrawClipRect(0, 0, 10, 10); }, -1, nullptr},
      {"lock the draw screen",
       [](DeviceLostCallsTest *) {
         BASEIMAGE image;
         return LockDrawScreenBuffer(nullptr, &image);
       },
       -1, nullptr},
      {"present", [](DeviceLostCallsTest *) { return PresentScreen(); }, -1, nullptr},
      {"read the back buffer",
       [](DeviceLostCallsTest *) {
         std::vector<uint32_t> pixels(640 * 480);
         return ReadBackBufferPixels(pixels.data(), 640, 480);
       },
       -1, nullptr},
      {"dialog-box mode", [](DeviceLostCallsTest *) { return EnableDeviceDialogBoxMode(1); }, 0,
       nullptr},
      // Settings that go to the device when one exists.
      {"camera",
       [origin](DeviceLostCallsTest *) {
         const Vector3 ahead = {0, 0, 1};
         return SetCameraLookAt(origin, ahead);
       },
       0, nullptr},
      {"depth test", [](DeviceLostCallsTest *) { return SetDepthTest3D(1); }, 0, nullptr},
      {"light", [](DeviceLostCallsTest *) { return SetDefaultLightDiffuse(ColorF{1, 1, 1, 1}); }, 0,
       nullptr},
      {"lights sent", [](DeviceLostCallsTest *) { return UpdateDeviceLights(); }, 0, nullptr},
      {"filter", [](DeviceLostCallsTest *) { return SetDrawFilterMode(1); }, 0, nullptr},
      // Deleting goes on without the device.
      {"delete a graph", [](DeviceLostCallsTest *t) { return DeleteGraphHandle(t->picture); }, 0,
       nullptr},
  };
  const int blocks = GetAllocatedBlockCount();
  for (const LostCall &c : calls) {
    SCOPED_TRACE(c.name);
    log.Clear();
    const int result = c.call(this);
    EXPECT_EQ(c.expected, result);
    EXPECT_EQ(0, device.deviceLessCalls) << device.firstDeviceLessCall;
    EXPECT_EQ(0, device.staleUses);
    if (c.line == kNoLine) {
      EXPECT_EQ("", log.Text());
    } else if (c.line) {
      EXPECT_TRUE(Logged(c.line)) << testing::PrintToString(log.Text());
    }
    device.deviceLessCalls = 0;
    device.staleUses = 0;
  }
  EXPECT_GE(blocks, GetAllocatedBlockCount());
  // The next restore brings the scene back: the draw target and the buffer.
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ(0, FillGraph(target, 1, 2, 3, 4));
  EXPECT_EQ(0, DrawGraphAt(0, 0, target, 0));
  EXPECT_NE(nullptr, GetVertexBufferDevice(vertices));
  // Text too, old glyphs and new ones.
  device.calls.clear();
  EXPECT_EQ(0, DrawTextWithFont(0, 0, "abxyz", 0xFFFF, font, 0, 0));
  EXPECT_EQ(0, DrawTextWithFont(0, 0, "abw", 0xFFFF, edgedFont, 0x1F, 0));
  FlushVertexBatch();
  EXPECT_FALSE(device.CallsOf("DrawPrimitiveUP").empty());
  EXPECT_EQ(0, device.staleUses);
}

}  // namespace
