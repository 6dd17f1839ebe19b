// String drawing shared by the graph path and the software path: character
// lists, the pen walk over cached glyphs and the glyph placement.
#ifndef VELVANE_GRAPHICS_TEXT_DRAW_H
#define VELVANE_GRAPHICS_TEXT_DRAW_H

#include <stdint.h>

#include "graphics/text/font_record.h"
#include "velvane.h"

struct MEMIMG;
struct TextDrawRequest;

// Draws one cached glyph whose black box starts at (left, top) before any
// turn; vertical glyphs are turned a quarter clockwise into the box of
// height x width at (left, top). Both are whole numbers unless the request
// is scaled; the box's size is the cell's, times the scale when scaled.
typedef void (*GlyphDrawer)(const TextDrawRequest *request, const FontRecord *font,
                            const GlyphSlot *slot, double left, double top);

struct TextDrawRequest {
  int draw;  // 0 only measures
  int x, y;
  int scaled;
  double scaleX, scaleY;
  const char *text;
  uint32_t color, edgeColor;  // screen-format colours, brightness applied
  MEMIMG *target;             // software path: the image written
  Rect clip;                  // right and bottom exclusive
  int fontHandle;
  int length;  // characters; -1 all
  int vertical;
  int *size;  // {width, height} when not null
  // Draws nothing unless the whole string can be drawn: a glyph that
  // cannot be rendered is found before the first pixel.
  int wholeOrNothing;
  GlyphDrawer drawer;
};

// A request that draws the whole of text at (x, y) with drawer, clipped to
// the draw settings' clip; the path-specific fields are left zero.
void InitTextDrawRequest(TextDrawRequest *request, int x, int y, const char *text, uint32_t color,
                         uint32_t edgeColor, int fontHandle, int vertical, GlyphDrawer drawer);
// Splits s (at most maxLength characters, -1 all) into three-byte entries
// of list (room for every character) and renders the characters not yet
// cached, each once, as many as the cache holds. 0, or -1 for a bad handle.
int BuildCharList(int maxLength, const char *s, int fontHandle, unsigned char *list, int *count);
// Characters s holds (at most maxLength, -1 all).
int CountCharacters(int maxLength, const char *s, int charSetCode);
// Walks the string, drawing (when asked) and measuring; the pen total
// rounded, or -1 for a bad handle or a glyph that cannot be rendered.
int DrawStringCore(const TextDrawRequest *request);
// A screen-format colour with each channel scaled by the draw brightness.
uint32_t ApplyBrightnessToColor(uint32_t color, int screenBits, uint32_t brightness);

// The software path's glyph writer, and the target image of that path.
void DrawGlyphToImage(const TextDrawRequest *request, const FontRecord *font,
                      const GlyphSlot *slot, double left, double top);
int DrawTextSoftware(int x, int y, const char *text, uint32_t color, int fontHandle,
                     uint32_t edgeColor, int vertical, MEMIMG *target);
// The graph path: the glyphs drawn from the font's cache graphs (made
// again first when they were lost) onto the current draw target; the pen
// total, or -1.
int DrawTextGraphs(int x, int y, const char *text, uint32_t color, int fontHandle,
                   uint32_t edgeColor, int vertical);
// The same, each glyph's box scaled by (scaleX, scaleY) when scaled is 1
// (the pen moves by the scaled advance): stretched rectangle draws, corners
// on whole pixels.
int DrawScaledTextGraphs(int x, int y, int scaled, double scaleX, double scaleY, const char *text,
                         uint32_t color, int fontHandle, uint32_t edgeColor, int vertical);

#endif  // VELVANE_GRAPHICS_TEXT_DRAW_H
