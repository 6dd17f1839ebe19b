#include "graphics/text/glyph_cache.h"

#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/text/font_cache_graphs.h"
#include "graphics/text/glyph_paint.h"

namespace {

struct GlyphCacheSettings {
  int charCount;  // 0: automatic
};

GlyphCacheSettings g_glyphCache = {0};

const int kAutomaticSide = 512;
const int kMinimumTextureCells = 10;
const int kMemoryCachePixels = 327680;
const int kMinimumMemorySlots = 20;

int RoundUp(int value, int multiple) { return (value + multiple - 1) / multiple * multiple; }

int IntegerSquareRoot(int n) {
  int root = 0;
  while ((root + 1) * (root + 1) <= n) root++;
  return root;
}

int PowerOfTwoAtLeast(int value, int minimum) {
  int side = minimum;
  while (side < value) side *= 2;
  return side;
}

int CellsAlong(int side, int cell) { return (side - 1) / cell; }

int LimitSlots(int slots) { return slots > FONT_MAX_CACHE_SLOTS ? FONT_MAX_CACHE_SLOTS : slots; }

unsigned OutlineCode(const unsigned char *character) {
  return character[1] ? character[0] * 256u + character[1] : character[0];
}

// Clears a slot's cell in whichever cache the font keeps.
void ClearCell(FontRecord *font, const GlyphSlot *slot) {
  if (font->textureCache) {
    int x, y;
    CachedCellPosition(font, slot->cellIndex, &x, &y);
    WriteTextureCell(&font->cacheImage, x, y, font->cellSize, NULL);
    if (font->fontType & FONT_TYPE_EDGE) {
      WriteTextureCell(&font->cacheImage, x + font->cacheWidth, y, font->cellSize, NULL);
    }
  } else {
    ClearMemoryCell(font->memoryCache + slot->cellIndex * font->cellSize * font->memoryRowBytes,
                    font->memoryRowBytes, font->cellSize);
  }
}

void PaintCell(FontRecord *font, const GlyphSlot *slot, const GlyphCellPlanes *planes) {
  if (!font->textureCache) {
    WriteMemoryCell(font->memoryCache + slot->cellIndex * font->cellSize * font->memoryRowBytes,
                    font->memoryRowBytes, font->fontType, planes);
    return;
  }
  int x, y;
  CachedCellPosition(font, slot->cellIndex, &x, &y);
  WriteTextureCell(&font->cacheImage, x, y, font->cellSize, planes->levels);
  if (font->fontType & FONT_TYPE_EDGE) {
    WriteTextureCell(&font->cacheImage, x + font->cacheWidth, y, font->cellSize, planes->cover);
  }
  TransferFontCacheRect(font, x, y, font->cellSize, font->cellSize);
}

void Evict(GlyphSlot *slot) {
  if (!slot->inUse) return;
  if (slot->lookupEntry) *slot->lookupEntry = NULL;
  slot->lookupEntry = NULL;
  slot->inUse = 0;
}

// Renders one character into the slot at the ring position; the slot, or
// null when its glyph cannot be fetched (the slot then stays empty).
GlyphSlot *RenderOne(FontRecord *font, const unsigned char *character, GlyphCellPlanes *planes) {
  GlyphSlot *slot = &font->slots[font->nextSlot];
  Evict(slot);
  ClearCell(font, slot);
  const int grey = (font->fontType & FONT_TYPE_ANTIALIAS) != 0;
  GlyphImage glyph;
  const int got = GetGlyphSource()->get(font->glyphFont, OutlineCode(character),
                                        grey ? GLYPH_GREY : GLYPH_MONO, &glyph);
  if (got == -2) FatalErrorExit("アンチエイリアス文字取得用バッファの確保に失敗しました");
  if (got < 0) {
    WriteLogLine("GetGlyphOutline 関数が失敗しました\n");
    return NULL;
  }
  const int edge = FontEdgePixels(font);
  const int blank = IsBlankCharacter(character) || !glyph.rows || glyph.width <= 0 || glyph.height <= 0;
  if (blank) {
    slot->originX = slot->top = 0;
    slot->width = slot->height = 0;
  } else {
    RasteriseGlyph(&glyph, grey ? GLYPH_GREY : GLYPH_MONO, edge, planes);
    PaintCell(font, slot, planes);
    slot->originX = static_cast<int16_t>(glyph.originX);
    slot->top = static_cast<int16_t>(font->metrics.ascent - glyph.originY);
    slot->width = static_cast<int16_t>(planes->width);
    slot->height = static_cast<int16_t>(planes->height);
  }
  slot->advance = static_cast<int16_t>(glyph.advance + 2 * edge);
  GlyphSlot **entry = &font->lookup[GlyphLookupIndex(character)];
  if (*entry) Evict(*entry);
  *entry = slot;
  slot->lookupEntry = entry;
  slot->inUse = 1;
  font->nextSlot = font->nextSlot + 1 >= font->slotCount ? 0 : font->nextSlot + 1;
  return slot;
}

}  // namespace

int FontCellSize(int maxCharWidth, int textHeight, int edgePixels, int *lineHeight) {
  const int cell = RoundUp(maxCharWidth + 2 + 2 * edgePixels, 8);
  const int line = RoundUp(textHeight + 2 * edgePixels, 2);
  *lineHeight = line;
  return line > cell ? line : cell;
}

void TextureCacheGeometry(int cell, int count, CacheGeometry *geometry) {
  int width, height;
  if (count > 0) {
    width = height = PowerOfTwoAtLeast((IntegerSquareRoot(count) + 1) * cell + 1, 8);
  } else {
    width = height = kAutomaticSide;
    while (CellsAlong(width, cell) * CellsAlong(height, cell) < kMinimumTextureCells) {
      if (height < width) {
        height *= 2;
      } else {
        width *= 2;
      }
    }
  }
  geometry->width = width;
  geometry->height = height;
  geometry->cellsPerColumn = CellsAlong(height, cell);
  geometry->slots = LimitSlots(CellsAlong(width, cell) * CellsAlong(height, cell));
}

void MemoryCacheGeometry(int cell, int count, CacheGeometry *geometry) {
  int slots = count;
  if (slots <= 0) {
    slots = kMemoryCachePixels / (cell * cell);
    if (slots < kMinimumMemorySlots) slots = kMinimumMemorySlots;
  }
  slots = LimitSlots(slots);
  geometry->width = cell;
  geometry->height = cell * slots;
  geometry->cellsPerColumn = slots;
  geometry->slots = slots;
}

void CachedCellPosition(const FontRecord *font, int cellIndex, int *x, int *y) {
  const int offset = font->textureCache ? 1 : 0;
  *x = cellIndex / font->cellsPerColumn * font->cellSize + offset;
  *y = cellIndex % font->cellsPerColumn * font->cellSize + offset;
}

int GetFontCacheCharCount(void) { return g_glyphCache.charCount; }

void SetFontCacheCharCount(int count) { g_glyphCache.charCount = count < 0 ? 0 : count; }

int ResetGlyphCache(int fontHandle) {
  FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return -1;
  ResetGlyphCacheOf(font);
  return 0;
}

void ResetGlyphCacheOf(FontRecord *font) {
  memset(font->lookup, 0, sizeof font->lookup);
  memset(font->slots, 0, sizeof font->slots);
  for (int i = 0; i < FONT_GLYPH_SLOTS; i++) font->slots[i].cellIndex = i < font->slotCount ? i : -1;
  font->nextSlot = 0;
}

GlyphSlot *RenderGlyphsToCache(int fontHandle, int count, const unsigned char *list) {
  if (g_drawSettings.resetting) return NULL;
  FontRecord *font = GetFontRecord(fontHandle);
  if (!font || count <= 0) return NULL;
  const int cell = font->cellSize;
  GlyphCellPlanes planes = {cell, NULL, NULL, 0, 0};
  uint8_t *block = static_cast<uint8_t *>(VV_ALLOC(2 * cell * cell));
  if (!block) FatalErrorExit("アンチエイリアス文字取得用バッファの確保に失敗しました");
  planes.levels = block;
  if (font->fontType & FONT_TYPE_EDGE) planes.cover = block + cell * cell;
  GlyphSlot *last = NULL;
  for (int i = 0; i < count; i++) last = RenderOne(font, list + 3 * i, &planes);
  VV_FREE(block);
  return last;
}
