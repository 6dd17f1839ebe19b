// The texture cache on the recording device: the cache graphs a font
// makes, the glyph and edge cells that reach their texture, the fallback
// to system memory, and graphs made again after they were deleted.
#include <gtest/gtest.h>

#include "core/base/core_state.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/graphs/graph_fixture.h"
#include "graphics/images/base_image.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_cache_graphs.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/glyph_paint.h"
#include "graphics/text/text_draw.h"
#include "graphics/state/vertex_batch.h"

namespace {

class FontCacheGraphsTest : public GraphFixture {
 protected:
  void SetUp() override {
    GraphFixture::SetUp();
    previousCharSet = GetFrameworkCharSet();
    previousCodePage = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
  }
  void TearDown() override {
    DeleteAllFontHandles();
    SetFrameworkCharSet(previousCharSet, previousCodePage);
    GraphFixture::TearDown();
  }
  int MakeFont(int type) { return CreateFontToHandle(NULL, 16, -1, type, -1, -1, 0, -1, -1); }
  // The texel of the font's cache texture at (x, y) of the cache image.
  uint32_t CacheTexel(const FontRecord *font, int x, int y) {
    const GraphRecord *graph = GetGraphRecord(font->cacheGraph);
    return Texel(font->cacheGraph, x - graph->x, y - graph->y);
  }
  uint32_t ImagePixel(const FontRecord *font, int x, int y) {
    const BASEIMAGE &image = font->cacheImage;
    return ReadRawPixel(static_cast<const uint8_t *>(image.pixels) + y * image.pitch +
                            x * image.format.bytesPerPixel,
                        image.format.bytesPerPixel);
  }

  static int LiveGraphs() {
    int live = 0;
    for (int slot = 0; slot < GetGraphSlotLimit(); slot++) live += GetGraphHandleInSlot(slot) != -1;
    return live;
  }

  FakeGlyphSource glyphs;
  int previousCharSet = 0;
  unsigned previousCodePage = 0;
};

TEST_F(FontCacheGraphsTest, EachTypeGetsGraphsOfItsKindAndTheSettingsComeBack) {
  g_drawSettings.newGraphAlphaTest = 0;
  g_drawSettings.makeDrawTargetGraphs = 1;
  SetNewGraphMipmapLevels(1, 4);
  const struct { int type, alpha, alphaTest, bytes; } cases[] = {
      {0, 0, 1, 4}, {1, 0, 1, 4}, {2, 1, 0, 4}, {3, 1, 0, 4}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.type);
    const int handle = MakeFont(c.type);
    const FontRecord *font = GetFontRecord(handle);
    ASSERT_NE(nullptr, font);
    EXPECT_EQ(1, font->textureCache);
    EXPECT_EQ(0, font->cacheGraphLost);
    int w = 0, h = 0;
    ASSERT_EQ(0, GetGraphHandleSize(font->cacheGraph, &w, &h));
    EXPECT_EQ(font->cacheWidth, w);
    EXPECT_EQ(font->cacheHeight, h);
    const SharedGraphImage *image = GetGraphRecord(font->cacheGraph)->image;
    EXPECT_EQ(c.alpha, image->alphaChannel);
    EXPECT_EQ(c.alphaTest, image->alphaTest);
    EXPECT_EQ(0, image->drawTarget);
    EXPECT_EQ(1, image->mipLevelCount);
    const int edged = c.type & FONT_TYPE_EDGE;
    EXPECT_EQ(font->cacheWidth * (edged ? 2 : 1), image->width);
    EXPECT_EQ(font->cacheWidth * (edged ? 2 : 1), font->cacheImage.width);
    EXPECT_EQ(c.bytes, font->cacheImage.format.bytesPerPixel);
    if (edged) {
      ASSERT_EQ(0, GetGraphHandleSize(font->edgeCacheGraph, &w, &h));
      EXPECT_EQ(font->cacheWidth, w);
      EXPECT_EQ(font->cacheWidth, GetGraphRecord(font->edgeCacheGraph)->x);
      EXPECT_EQ(image, GetGraphRecord(font->edgeCacheGraph)->image);
    } else {
      EXPECT_EQ(-1, font->edgeCacheGraph);
    }
    EXPECT_EQ(0, g_drawSettings.newGraphAlphaTest);
    EXPECT_EQ(1, g_drawSettings.makeDrawTargetGraphs);
    EXPECT_EQ(0, DeleteFontHandle(handle));
  }
  g_drawSettings.makeDrawTargetGraphs = 0;
  EXPECT_FALSE(Logged("テクスチャ文字キャッシュの作成に失敗しました"));
}

TEST_F(FontCacheGraphsTest, RenderedCellsReachTheTextureGlyphLeftEdgeRight) {
  const int handle = MakeFont(FONT_TYPE_EDGE);
  FontRecord *font = GetFontRecord(handle);
  ASSERT_NE(nullptr, font);
  const unsigned char list[3] = {'A', 0, 0};
  const GlyphSlot *slot = RenderGlyphsToCache(handle, 1, list);
  ASSERT_NE(nullptr, slot);
  int x = 0, y = 0;
  CachedCellPosition(font, slot->cellIndex, &x, &y);
  const PixelFormat &format = font->cacheImage.format;
  const uint32_t clear = TextureCachePixel(&format, 0), full = TextureCachePixel(&format, 16);
  int glyphPixels = 0, edgePixels = 0;
  for (int cy = 0; cy < font->cellSize; cy++) {
    for (int cx = 0; cx < font->cellSize; cx++) {
      const uint32_t glyph = CacheTexel(font, x + cx, y + cy);
      const uint32_t edge = CacheTexel(font, font->cacheWidth + x + cx, y + cy);
      ASSERT_EQ(ImagePixel(font, x + cx, y + cy), glyph) << cx << "," << cy;
      ASSERT_EQ(ImagePixel(font, font->cacheWidth + x + cx, y + cy), edge) << cx << "," << cy;
      ASSERT_TRUE(glyph == clear || glyph == full);
      glyphPixels += glyph == full;
      edgePixels += edge == full;
    }
  }
  EXPECT_GT(glyphPixels, 0);
  EXPECT_GT(edgePixels, glyphPixels);
  // Outside the cell the texture stays white of alpha 0.
  EXPECT_EQ(clear, CacheTexel(font, 0, 0));
  EXPECT_EQ(clear, CacheTexel(font, font->cacheWidth - 1, font->cacheHeight - 1));
}

TEST_F(FontCacheGraphsTest, AFontWhoseGraphsFailKeepsItsGlyphsInSystemMemory) {
  const int graphsBefore = LiveGraphs();
  device.FailCall("CreateGraphTexture");
  const int handle = MakeFont(0);
  const FontRecord *font = GetFontRecord(handle);
  ASSERT_NE(nullptr, font);
  EXPECT_EQ(0, font->textureCache);
  EXPECT_NE(nullptr, font->memoryCache);
  EXPECT_EQ(-1, font->cacheGraph);
  EXPECT_EQ(nullptr, font->cacheImage.pixels);
  EXPECT_TRUE(Logged("テクスチャ文字キャッシュの作成に失敗しました"));
  EXPECT_EQ(graphsBefore, LiveGraphs());
}

TEST_F(FontCacheGraphsTest, DeletedGraphsAreMadeAgainOnTheNextDrawWithAnEmptyCache) {
  const int handle = MakeFont(FONT_TYPE_EDGE);
  FontRecord *font = GetFontRecord(handle);
  ASSERT_NE(nullptr, font);
  ASSERT_EQ(0, DrawTextWithFont(10, 10, "AB", -1, handle, 0, 0));
  const unsigned char a[3] = {'A', 0, 0};
  EXPECT_NE(nullptr, FindCachedGlyph(font, a));
  DeleteAllGraphHandles();
  EXPECT_EQ(1, font->cacheGraphLost);
  ASSERT_EQ(0, PrepareFontCacheGraph(handle));
  EXPECT_EQ(0, font->cacheGraphLost);
  EXPECT_EQ(nullptr, FindCachedGlyph(font, a));
  EXPECT_EQ(1, IsGraphHandleValid(font->cacheGraph));
  EXPECT_EQ(1, IsGraphHandleValid(font->edgeCacheGraph));
  // Drawing after a loss renders the glyphs into the new graphs.
  DeleteAllGraphHandles();
  ASSERT_EQ(0, DrawTextWithFont(10, 10, "AB", -1, handle, 0, 0));
  EXPECT_EQ(1, IsGraphHandleValid(font->cacheGraph));
  EXPECT_NE(nullptr, FindCachedGlyph(font, a));
  // Deleting the font deletes its graphs.
  const int graph = font->cacheGraph, edge = font->edgeCacheGraph;
  ASSERT_EQ(0, DeleteFontHandle(handle));
  EXPECT_EQ(0, IsGraphHandleValid(graph));
  EXPECT_EQ(0, IsGraphHandleValid(edge));
}

// Edged glyphs alternate between the edge and the text brightness, white
// here; the stage states are set once for the string, not again at each
// glyph.
TEST_F(FontCacheGraphsTest, EdgedTextKeepsOneStageSetForTheWholeString) {
  SetFrameworkInitialised(1);
  const int handle = MakeFont(FONT_TYPE_EDGE);
  const char shortText[] = "AB", longText[] = "ABCDEFGHIJKLMNOP";
  ASSERT_EQ(0, DrawTextWithFont(10, 10, longText, -1, handle, 0, 0));
  const auto deviceCalls = [&](const char *text, const char *kind) {
    DrawFilledBox(0, 0, 8, 8, 0);  // the stage set of an untextured draw
    FlushVertexBatch();
    device.calls.clear();
    EXPECT_EQ(0, DrawTextWithFont(10, 10, text, -1, handle, 0, 0));
    FlushVertexBatch();
    return device.CallsOf(kind).size();
  };
  EXPECT_LT(0u, deviceCalls(longText, "DrawPrimitiveUP"));
  EXPECT_EQ(deviceCalls(shortText, "SetTextureStageState"),
            deviceCalls(longText, "SetTextureStageState"));
}

}  // namespace
