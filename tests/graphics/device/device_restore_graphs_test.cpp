// Restoring the device with graphs: every texture is made again, pictures
// from files come back byte for byte, graphs without a source come back
// zero-filled and draw targets black, with every handle unchanged; fonts
// are made again under their handles.
#include <gtest/gtest.h>

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "graphics/device/graphics_system.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/graphs/graph_load.h"
#include "graphics/images/image_fixtures.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/font_system.h"
#include "velvane.h"

namespace {

const char kFile[] = "device_restore_graphs.png";

// The bytes of every level of every texture of a graph's image.
std::vector<std::vector<uint8_t>> TextureBytes(FakeGfxDevice &device, int handle) {
  std::vector<std::vector<uint8_t>> bytes;
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return bytes;
  for (int i = 0; i < graph->image->entryCount; i++) {
    const GraphTextureEntry &entry = graph->image->entries[i];
    for (GfxTexture *texture : {entry.videoTexture, entry.systemTexture}) {
      if (!texture) continue;
      FakeGfxObject *object = device.Object(texture);
      if (!object) continue;
      bytes.push_back(object->pixels);
      for (const std::vector<uint8_t> &mip : object->mips) bytes.push_back(mip);
    }
  }
  return bytes;
}

bool AllZero(const std::vector<std::vector<uint8_t>> &levels) {
  for (const std::vector<uint8_t> &level : levels) {
    for (uint8_t byte : level) {
      if (byte) return false;
    }
  }
  return !levels.empty();
}

// Plain device (ex 0) and Ex device (ex 1, system copies kept).
class DeviceRestoreGraphsTest : public GraphFixture, public testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    Start(64, 0, GetParam(), 32);  // a small maximum: the wide graph is split
    SetFrameworkInitialised(1);
    const Bytes png = MakeSolidRgbPng(96, 16, 0x20, 0x40, 0x60);
    FILE *file = fopen(kFile, "wb");
    ASSERT_NE(nullptr, file);
    fwrite(png.data(), 1, png.size(), file);
    fclose(file);
    fromFile = LoadGraphFromFile(kFile, 0);
    sameFile = LoadGraphFromFile(kFile, 0);
    ASSERT_EQ(0, LoadDividedGraph(kFile, 3, 3, 1, 32, 16, cells, 0));
    fromMemory = LoadGraphFromMemory(png.data(), static_cast<int>(png.size()), nullptr, 0, 1, 0);
    BASEIMAGE image = MakeImage(20, 12, false, Pattern);
    fromImage = MakeGraphFromBaseImage(&image);
    FreeBaseImage(&image);
    g_drawSettings.makeDrawTargetGraphs = 1;
    target = CreateEmptyGraph(32, 32);
    g_drawSettings.makeDrawTargetGraphs = 0;
    for (int h : Handles()) ASSERT_NE(-1, h);
    ASSERT_EQ(0, FillGraph(target, 0x11, 0x22, 0x33, 0xFF));
  }
  void TearDown() override {
    remove(kFile);
    GraphFixture::TearDown();
  }
  std::vector<int> Handles() const {
    return {fromFile, sameFile, cells[0], cells[1], cells[2], fromMemory, fromImage, target};
  }
  std::map<std::string, int> LivePerKind() const {
    std::map<std::string, int> live;
    for (const char *kind : {"surface", "texture"}) live[kind] = device.LiveOf(kind);
    return live;
  }

  int fromFile = -1, sameFile = -1, fromMemory = -1, fromImage = -1, target = -1;
  int cells[3] = {-1, -1, -1};
};

TEST_P(DeviceRestoreGraphsTest, TexturesComeBackFromTheirFilesZeroOrBlack) {
  std::map<int, std::vector<std::vector<uint8_t>>> before;
  for (int h : Handles()) before[h] = TextureBytes(device, h);
  ASSERT_FALSE(AllZero(before[fromMemory]));
  const std::map<std::string, int> liveBefore = LivePerKind();
  const int blocks = GetAllocatedBlockCount();
  for (int cycle = 0; cycle < 3; cycle++) {
    SCOPED_TRACE(cycle);
    log.Clear();
    ASSERT_EQ(0, RestoreGraphicsDevice());
    EXPECT_EQ(0, device.staleUses);
    EXPECT_EQ(0, device.doubleReleases);
    EXPECT_EQ(liveBefore, LivePerKind());
    EXPECT_TRUE(Logged("グラフィックを復帰します"));
    // Pictures with a file behind them are back as they were; the file is
    // read once for the graphs that share it.
    for (int h : {fromFile, sameFile, cells[0], cells[1], cells[2]}) {
      SCOPED_TRACE(h);
      EXPECT_EQ(before[h], TextureBytes(device, h));
    }
    // Without a source: zero-filled; the draw target black.
    EXPECT_TRUE(AllZero(TextureBytes(device, fromMemory)));
    EXPECT_TRUE(AllZero(TextureBytes(device, fromImage)));
    EXPECT_TRUE(AllZero(TextureBytes(device, target)));
    EXPECT_FALSE(device.CallsOf("ColorFill").empty());
    for (int h : Handles()) EXPECT_NE(nullptr, GetGraphRecord(h));
    EXPECT_EQ(blocks, GetAllocatedBlockCount());
  }
  // The draw target takes pictures again, and graphs draw from the new
  // textures.
  device.calls.clear();
  EXPECT_EQ(0, FillGraph(target, 0x11, 0x22, 0x33, 0xFF));
  EXPECT_FALSE(AllZero(TextureBytes(device, target)));
  EXPECT_EQ(0, DrawGraphAt(0, 0, fromFile, 0));
  EXPECT_EQ(0, DrawGraphAt(0, 0, target, 0));
  EXPECT_EQ(0, PresentScreen());
  EXPECT_EQ(0, device.staleUses);
  EXPECT_EQ(0, device.deviceLessCalls);
}

// The rebuild sends the states of an untextured draw (it forgets the old
// texture); the first graph drawn afterwards must still choose the
// textured stage sets and vertex layout, not only swap the texture in.
TEST_P(DeviceRestoreGraphsTest, TheFirstGraphDrawnAfterARestoreReachesTheDevice) {
  EXPECT_EQ(0, DrawGraphAt(0, 0, fromFile, 0));
  EXPECT_EQ(0, PresentScreen());
  ASSERT_EQ(0, RestoreGraphicsDevice());
  device.calls.clear();
  EXPECT_EQ(0, DrawGraphAt(0, 0, fromImage, 0));
  FlushVertexBatch();
  const std::vector<std::string> draws = device.CallsOf("DrawPrimitiveUP");
  ASSERT_EQ(1u, draws.size());
  EXPECT_EQ("DrawPrimitiveUP type=4 count=2 stride=28", draws[0]);
  EXPECT_EQ(std::vector<std::string>{"SetFVF 0x144"}, device.CallsOf("SetFVF"));
  EXPECT_EQ(0, device.staleUses);
}

// A texture that cannot be made again is logged by its maker; the other
// graphs come back, and the next restore makes the missing one.
TEST_P(DeviceRestoreGraphsTest, OneTextureFailingLeavesTheRestRestored) {
  const std::vector<std::vector<uint8_t>> fileBytes = TextureBytes(device, fromFile);
  device.FailCall("CreateGraphTexture", device.CountCalls("CreateGraphTexture") + 1);
  log.Clear();
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_TRUE(Logged("書き込み専用テクスチャの作成に失敗しました"));
  EXPECT_EQ(fileBytes, TextureBytes(device, sameFile));
  EXPECT_EQ(0, device.staleUses);
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_EQ(fileBytes, TextureBytes(device, fromFile));
  EXPECT_EQ(fileBytes, TextureBytes(device, sameFile));
  EXPECT_EQ(0, device.staleUses);
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceRestoreGraphsTest, testing::Values(0, 1));

// Fonts are made again under the handles they had, with what they were
// made with.
class DeviceRestoreFontsTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    SetFrameworkInitialised(1);
  }
  FakeGlyphSource glyphs;
};

TEST_F(DeviceRestoreFontsTest, FontsKeepTheirHandlesAndSettings) {
  const int font = CreateFontToHandle("Face", 20, 3, 0, -1, 2, 0, -1, 0);
  ASSERT_NE(-1, font);
  ASSERT_NE(nullptr, GetFontRecord(font));
  const size_t opensBefore = glyphs.requests.size();
  ASSERT_EQ(0, RestoreGraphicsDevice());
  EXPECT_LT(opensBefore, glyphs.requests.size());
  const FontRecord *made = GetFontRecord(font);
  ASSERT_NE(nullptr, made);
  EXPECT_EQ(20, made->size);
  EXPECT_EQ(3, made->thickness);
  EXPECT_EQ(2, made->edgeSize);
  EXPECT_EQ(0, device.staleUses);
}

}  // namespace
