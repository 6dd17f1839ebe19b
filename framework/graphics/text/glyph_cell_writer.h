// Writing one cached glyph cell of the system-memory cache into a MEMIMG:
// the software path's only per-pixel work.
#ifndef VELVANE_GRAPHICS_GLYPH_CELL_WRITER_H
#define VELVANE_GRAPHICS_GLYPH_CELL_WRITER_H

#include <stdint.h>

#include "graphics/text/font_record.h"

struct MEMIMG;

// Where and how a glyph goes: its box's top-left before any turn, the clip
// (right and bottom exclusive, already inside the image), the direction and
// the screen-format colours.
struct GlyphPlacement {
  int left, top;
  Rect clip;
  int vertical;  // turned a quarter clockwise
  uint32_t text, edge;
};

// Writes the cell of slot into image: each non-zero cell value becomes the
// pixel its font type gives it (text, edge, or a colour with alpha for
// anti-aliased fonts); pixels with nothing to draw are left untouched.
void WriteGlyphCell(const FontRecord *font, const GlyphSlot *slot, MEMIMG *image,
                    const GlyphPlacement &placement);

#endif  // VELVANE_GRAPHICS_GLYPH_CELL_WRITER_H
