// Painting one glyph into its cache cell: the glyph's levels and its edge
// coverage laid out on the cell, then written in the encoding of the cache
// (a texture-format BASEIMAGE, or the system-memory cell rows).
#ifndef VELVANE_GRAPHICS_GLYPH_PAINT_H
#define VELVANE_GRAPHICS_GLYPH_PAINT_H

#include <stdint.h>

#include "graphics/text/glyph_source.h"
#include "velvane.h"

enum { GLYPH_FULL_LEVEL = 16 };

// cell x cell planes of one glyph: levels 0-16 of the glyph drawn at
// (edge, edge) and the coverage 0-16 of its edge, both clipped to the cell.
struct GlyphCellPlanes {
  int cell;
  uint8_t *levels;
  uint8_t *cover;  // null when the font has no edge
  int width;       // painted size, edge included, clipped to the cell
  int height;
};

// 1 when the edge pattern of size edge marks offset (dx, dy) from a glyph
// pixel (|dx|, |dy| <= edge).
int EdgePatternCovers(int edge, int dx, int dy);
// Coverage of an edge pixel after one more glyph pixel of level reaches it.
int AccumulateEdgeCover(int cover, int level);
// Clears the planes and lays the glyph (format GLYPH_MONO or GLYPH_GREY)
// and, with edge > 0 and a cover plane, its edge onto them.
void RasteriseGlyph(const GlyphImage *glyph, int format, int edge, GlyphCellPlanes *planes);

// The texture-cache pixel of a level (0-16): white, alpha from the level.
uint32_t TextureCachePixel(const PixelFormat *format, int level);
// Writes cell x cell values (levels or coverage, 0-16; null: all 0) at
// (x, y) of the image, clipped to it.
void WriteTextureCell(BASEIMAGE *image, int x, int y, int cell, const uint8_t *values);

// System-memory cell encodings by font type: 0 one bit per pixel (most
// significant first); 1 one byte, 1 glyph and 2 edge; 2 the level minus one;
// 3 the level minus one in the low nibble, the edge in the high one.
void WriteMemoryCell(uint8_t *rows, int rowBytes, int fontType, const GlyphCellPlanes *planes);
// Clears cell rows of a memory cache.
void ClearMemoryCell(uint8_t *rows, int rowBytes, int cell);

#endif  // VELVANE_GRAPHICS_GLYPH_PAINT_H
