#include <gtest/gtest.h>

#include "graphics/text/text_fixture.h"

namespace {

TEST(GlyphCacheGeometryTest, CellAndLineRounding) {
  const struct { int width, height, edge, cell, line; } cases[] = {
      {8, 16, 0, 16, 16}, {7, 15, 0, 16, 16}, {14, 13, 0, 16, 14}, {8, 16, 2, 20, 20},
      {30, 20, 1, 40, 22}, {4, 9, 0, 10, 10}};
  for (const auto &c : cases) {
    int line = 0;
    EXPECT_EQ(c.cell, FontCellSize(c.width, c.height, c.edge, &line)) << c.width;
    EXPECT_EQ(c.line, line) << c.width;
  }
}

TEST(GlyphCacheGeometryTest, TextureCacheSidesAndSlots) {
  const struct { int cell, count, width, height, perColumn, slots; } cases[] = {
      {16, 0, 512, 512, 31, 961},   {16, 10, 128, 128, 7, 49},  {200, 0, 1024, 512, 2, 10},
      {8, 3000, 512, 512, 63, 2024}, {8, 1, 32, 32, 3, 9},      {16, 64, 256, 256, 15, 225}};
  for (const auto &c : cases) {
    CacheGeometry g;
    TextureCacheGeometry(c.cell, c.count, &g);
    EXPECT_EQ(c.width, g.width) << c.cell << " " << c.count;
    EXPECT_EQ(c.height, g.height) << c.cell << " " << c.count;
    EXPECT_EQ(c.perColumn, g.cellsPerColumn) << c.cell << " " << c.count;
    EXPECT_EQ(c.slots, g.slots) << c.cell << " " << c.count;
  }
}

// Cells sit one pixel right and down: every slot's cell must still end
// inside the image, also when the cell divides the side.
TEST(GlyphCacheGeometryTest, EveryTextureCellFitsTheImage) {
  for (int cell : {8, 16, 24, 32, 64}) {
    for (int count : {0, 10, 100}) {
      CacheGeometry g;
      TextureCacheGeometry(cell, count, &g);
      FontRecord font = {};
      font.textureCache = 1;
      font.cellSize = cell;
      font.cellsPerColumn = g.cellsPerColumn;
      for (int i = 0; i < g.slots; i++) {
        int x, y;
        CachedCellPosition(&font, i, &x, &y);
        ASSERT_LE(x + cell, g.width) << cell << " " << count << " " << i;
        ASSERT_LE(y + cell, g.height) << cell << " " << count << " " << i;
      }
    }
  }
}

TEST(GlyphCacheGeometryTest, MemoryCacheSlots) {
  const struct { int cell, count, slots; } cases[] = {
      {16, 0, 1280}, {200, 0, 20}, {16, 7, 7}, {8, 3000, 2024}, {8, 0, 2024}};
  for (const auto &c : cases) {
    CacheGeometry g;
    MemoryCacheGeometry(c.cell, c.count, &g);
    EXPECT_EQ(c.slots, g.slots);
    EXPECT_EQ(c.cell, g.width);
    EXPECT_EQ(c.cell * c.slots, g.height);
  }
}

class GlyphCacheTest : public TextFixture {};

int SlotIndex(const FontRecord *font, char c) {
  const unsigned char key[3] = {static_cast<unsigned char>(c), 0, 0};
  const GlyphSlot *slot = FindCachedGlyph(font, key);
  return slot ? static_cast<int>(slot - font->slots) : -1;
}

TEST_F(GlyphCacheTest, RingEvictsTheOldestAndRendersItAgainWhenDrawn) {
  SetFontCacheCharCount(20);
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  const FontRecord *font = GetFontRecord(handle);
  ASSERT_NE(nullptr, font);
  EXPECT_EQ(20, font->slotCount);
  MEMIMG *image = Image(400, 40, 1, 0);
  unsigned char list[21 * 3] = {};
  for (int i = 0; i < 21; i++) list[3 * i] = static_cast<unsigned char>('A' + i);
  ASSERT_EQ(&font->slots[0], RenderGlyphsToCache(handle, 21, list));
  EXPECT_EQ(-1, SlotIndex(font, 'A'));
  EXPECT_EQ(0, SlotIndex(font, 'U'));
  EXPECT_EQ(1, SlotIndex(font, 'B'));
  glyphs.fetched.clear();
  DrawTextSoftware(0, 0, "A", 0xFFFFFF, handle, 0, 0, image);
  EXPECT_EQ(std::vector<unsigned>{'A'}, glyphs.fetched);
  EXPECT_EQ(1, SlotIndex(font, 'A'));
  EXPECT_EQ(-1, SlotIndex(font, 'B'));
  // Cached characters are not fetched again.
  glyphs.fetched.clear();
  DrawTextSoftware(0, 0, "AU", 0xFFFFFF, handle, 0, 0, image);
  EXPECT_TRUE(glyphs.fetched.empty());
}

TEST_F(GlyphCacheTest, MoreDistinctCharactersThanSlotsStillDrawWhole) {
  SetFontCacheCharCount(20);
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  const char *text = "abcdefghijklmnopqrstuvwxyz0123";
  MEMIMG *image = Image(260, 20, 1, 0);
  EXPECT_EQ(30 * 8, DrawTextSoftware(0, 0, text, 0xFFFFFF, handle, 0, 0, image));
  // Every character left pixels in its own 8-pixel column.
  for (int i = 0; i < 30; i++) {
    int set = 0;
    for (int y = 0; y < 20; y++) {
      for (int x = i * 8; x < i * 8 + 8; x++) set += Pixel(image, x, y) == 0xFFFFFF;
    }
    EXPECT_GT(set, 0) << text[i];
  }
}

TEST_F(GlyphCacheTest, EdgeFontsWidenAdvanceWidthAndHeight) {
  const int handle = CreateFontToHandle(nullptr, 16, 6, FONT_TYPE_EDGE, -1, 2, 0, -1, -1);
  const FontRecord *font = GetFontRecord(handle);
  const unsigned char key[3] = {'A', 0, 0};
  const GlyphSlot *slot = RenderGlyphsToCache(handle, 1, key);
  ASSERT_NE(nullptr, slot);
  EXPECT_EQ(6 + 4, slot->width);
  EXPECT_EQ(10 + 4, slot->height);
  EXPECT_EQ(8 + 4, slot->advance);
  EXPECT_EQ(14 - 12, slot->top);
  EXPECT_EQ(slot, FindCachedGlyph(font, key));
  EXPECT_EQ(-1, ResetGlyphCache(-1));
  EXPECT_EQ(0, ResetGlyphCache(handle));
  EXPECT_EQ(nullptr, FindCachedGlyph(font, key));
  EXPECT_EQ(nullptr, RenderGlyphsToCache(-1, 1, key));
}

TEST_F(GlyphCacheTest, BlanksAndEmptyGlyphsOnlyAdvance) {
  FakeGlyph tab;
  tab.advance = 5;
  glyphs.glyphs['\t'] = tab;
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  const unsigned char list[9] = {' ', 0, 0, 0x81, 0x40, 0, '\t', 0, 0};
  for (int i = 0; i < 3; i++) {
    const GlyphSlot *slot = RenderGlyphsToCache(handle, 1, list + 3 * i);
    ASSERT_NE(nullptr, slot) << i;
    EXPECT_EQ(0, slot->width);
    EXPECT_EQ(0, slot->height);
    EXPECT_EQ(i == 2 ? 5 : 8, slot->advance);
  }
}

TEST_F(GlyphCacheTest, AGlyphThatCannotBeFetchedEndsTheString) {
  glyphs.failingCodes.insert('Q');
  const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
  MEMIMG *image = Image(100, 20, 1, 0);
  EXPECT_EQ(-1, DrawTextSoftware(0, 0, "AQ", 0xFFFFFF, handle, 0, 0, image));
  EXPECT_TRUE(Logged("GetGlyphOutline 関数が失敗しました"));
  EXPECT_TRUE(Logged("テキストキャッシュの作成に失敗しました"));
  glyphs.failingCodes.clear();
}

}  // namespace
