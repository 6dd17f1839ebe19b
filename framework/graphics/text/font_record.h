// The record behind a font handle (kind 4) and its glyph cache, shared by
// the font table, the glyph cache and the string drawing.
#ifndef VELVANE_GRAPHICS_FONT_RECORD_H
#define VELVANE_GRAPHICS_FONT_RECORD_H

#include <stdint.h>

#include "core/base/handle_table.h"
#include "graphics/text/glyph_source.h"
#include "velvane.h"

enum {
  FONT_HANDLE_KIND = 4,
  FONT_TABLE_SLOTS = 40,
  FONT_GLYPH_SLOTS = 2025,
  FONT_MAX_CACHE_SLOTS = 2024,
  FONT_LOOKUP_SIZE = 65536,
  FONT_FACE_SIZE = 256,
  FONT_TYPE_EDGE = 1,
  FONT_TYPE_ANTIALIAS = 2
};

struct GlyphSlot {
  uint8_t inUse;
  int16_t originX;  // black box left from the pen
  int16_t top;      // rows from the line top to the black box
  int16_t advance;
  int cellIndex;    // fixed cell of this slot, -1 past the last
  int16_t width;    // painted size, edge included, clipped to the cell
  int16_t height;
  GlyphSlot **lookupEntry;
};

struct FontRecord {
  HandleObject head;  // the handle, with its check number
  int *deleteNotice;  // set to 1 when the font is deleted (may be null)
  GlyphSlot slots[FONT_GLYPH_SLOTS];
  int nextSlot;
  int slotCount;
  // Indexed by first byte + 256 x second byte; null while not cached.
  GlyphSlot *lookup[FONT_LOOKUP_SIZE];
  // System-memory cache: one column of cells.
  uint8_t *memoryCache;
  int memoryRowBytes;
  int memoryBits;
  char face[FONT_FACE_SIZE];
  int thickness;
  int size;
  int lineHeight;
  int italic;
  int spacing;
  int cellSize;
  GlyphFont *glyphFont;
  GlyphFontMetrics metrics;
  int fontType;  // FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS
  int charSetCode;
  int edgeSize;
  int cacheWidth, cacheHeight, cellsPerColumn;
  int cacheGraph, edgeCacheGraph;  // -1 when none
  int cacheGraphLost;
  BASEIMAGE cacheImage;  // staging copy of the texture cache
  int textureCache;      // 1: the cache lives in graphs
};

// The record of a valid font handle, else null.
FontRecord *GetFontRecord(int handle);
// Pixels of edge the glyphs carry: the edge size for edge fonts, else 0.
static inline int FontEdgePixels(const FontRecord *font) {
  return (font->fontType & FONT_TYPE_EDGE) ? font->edgeSize : 0;
}

#endif  // VELVANE_GRAPHICS_FONT_RECORD_H
