// Each font's glyph cache: the geometry of its cells, the ring of slots and
// the rendering of characters into it.
#ifndef VELVANE_GRAPHICS_GLYPH_CACHE_H
#define VELVANE_GRAPHICS_GLYPH_CACHE_H

#include "graphics/text/font_record.h"

struct CacheGeometry {
  int width, height;
  int cellsPerColumn;
  int slots;
};

// Cell side from the font's widest character and text height (plus the
// edge on both sides); *lineHeight gets the even line height.
int FontCellSize(int maxCharWidth, int textHeight, int edgePixels, int *lineHeight);
// A texture cache for count characters (0: automatic). Its cells sit one
// pixel right and down, so only (side - 1) / cell of them fit a side.
void TextureCacheGeometry(int cell, int count, CacheGeometry *geometry);
// A system-memory cache: one column of cells.
void MemoryCacheGeometry(int cell, int count, CacheGeometry *geometry);
// Top-left pixel of a cell in the cache image (the glyph half).
void CachedCellPosition(const FontRecord *font, int cellIndex, int *x, int *y);

// The cache character count setting (0 automatic), read at font creation.
int GetFontCacheCharCount(void);
void SetFontCacheCharCount(int count);

// Empties the cache: no character cached, slot i owns cell i. 0 / -1.
int ResetGlyphCache(int fontHandle);
void ResetGlyphCacheOf(FontRecord *font);
// Puts count characters of a character list (three bytes each: first
// byte, second byte, 0) into the cache; the slot of the last one, or null
// when it could not be rendered, the handle is invalid or graphics reset.
GlyphSlot *RenderGlyphsToCache(int fontHandle, int count, const unsigned char *list);
// A character's entry in the lookup: first byte + 256 x second byte.
inline int GlyphLookupIndex(const unsigned char *character) { return character[0] + 256 * character[1]; }
// The cached slot of a character, or null. (Inline: the string walks ask
// for every character.)
inline GlyphSlot *FindCachedGlyph(const FontRecord *font, const unsigned char *character) {
  return font->lookup[GlyphLookupIndex(character)];
}
// 1 for the blanks that get only an advance: the space and the full-width
// space.
inline int IsBlankCharacter(const unsigned char *character) {
  return (character[0] == 0x20 && character[1] == 0) || (character[0] == 0x81 && character[1] == 0x40);
}

#endif  // VELVANE_GRAPHICS_GLYPH_CACHE_H
