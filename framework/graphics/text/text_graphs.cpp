// The graph path of string drawing: each glyph is a transparent rectangle
// draw from the font's cache graphs, coloured through the draw brightness
// (the cells are white); the edge cell goes first, under the glyph.

#include <math.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_support.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/text/font_cache_graphs.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/text_draw.h"
#include "velvane.h"

namespace {

// Half a pixel: turned cells are placed by their corners, which must fall
// on pixel edges for the texels to land on whole pixels.
const float kCornerShift = 0.5f;

int BrightnessOf(uint32_t color) {
  int r = 0, g = 0, b = 0;
  UnpackDrawColor(color, &r, &g, &b);
  return r << 16 | g << 8 | b;
}

// A glyph box's corner on the target: scaled boxes start and end on the
// whole pixel at or before their exact corners.
int Corner(double position) { return static_cast<int>(floor(position)); }

// The box a cell fills at (left, top): the cell's size, turned for
// vertical text, times the scale when the request is scaled.
Rect CellBox(const TextDrawRequest *request, const GlyphSlot *slot, double left, double top) {
  const int across = request->vertical ? slot->height : slot->width;
  const int down = request->vertical ? slot->width : slot->height;
  if (!request->scaled) {
    // Unscaled boxes start on whole pixels already.
    const int x = static_cast<int>(left), y = static_cast<int>(top);
    return Rect{x, y, x + across, y + down};
  }
  return Rect{Corner(left), Corner(top), Corner(left + across * request->scaleX),
              Corner(top + down * request->scaleY)};
}

// The cell of one graph turned a quarter clockwise into the box, through a
// graph derived from the cell, with the clip narrowed to the box.
void DrawTurnedCell(int graph, int cellX, int cellY, const GlyphSlot *slot, const Rect &box) {
  const int derived = CreateSubGraph(cellX, cellY, slot->width, slot->height, graph);
  if (derived <= 0) return;
  const SavedDrawClip saved = NarrowDrawClip(box);
  const float l = box.left - kCornerShift, t = box.top - kCornerShift;
  const float r = box.right - kCornerShift, b = box.bottom - kCornerShift;
  // The cell's top-left goes to the box's top-right, its top edge down the
  // right side.
  DrawGraphQuadF(r, t, r, b, l, b, l, t, derived, 1);
  RestoreDrawClip(saved);
  DeleteGraphHandle(derived);
}

void DrawCell(const TextDrawRequest *request, int graph, int cellX, int cellY,
              const GlyphSlot *slot, const Rect &box) {
  if (request->vertical) {
    DrawTurnedCell(graph, cellX, cellY, slot, box);
  } else if (request->scaled) {
    DrawRectGraphStretchedF(static_cast<float>(box.left), static_cast<float>(box.top),
                            static_cast<float>(box.right), static_cast<float>(box.bottom), cellX,
                            cellY, slot->width, slot->height, graph, 1);
  } else {
    DrawRectGraph(box.left, box.top, cellX, cellY, slot->width, slot->height, graph, 1, 0);
  }
}

void DrawGlyphFromGraphs(const TextDrawRequest *request, const FontRecord *font,
                         const GlyphSlot *slot, double left, double top) {
  int cellX = 0, cellY = 0;
  CachedCellPosition(font, slot->cellIndex, &cellX, &cellY);
  const Rect box = CellBox(request, slot, left, top);
  if (font->edgeCacheGraph != -1) {
    SetDrawBrightnessColor(BrightnessOf(request->edgeColor));
    DrawCell(request, font->edgeCacheGraph, cellX, cellY, slot, box);
  }
  SetDrawBrightnessColor(BrightnessOf(request->color));
  DrawCell(request, font->cacheGraph, cellX, cellY, slot, box);
}

}  // namespace

int DrawTextGraphs(int x, int y, const char *text, uint32_t color, int fontHandle,
                   uint32_t edgeColor, int vertical) {
  return DrawScaledTextGraphs(x, y, 0, 1.0, 1.0, text, color, fontHandle, edgeColor, vertical);
}

int DrawScaledTextGraphs(int x, int y, int scaled, double scaleX, double scaleY, const char *text,
                         uint32_t color, int fontHandle, uint32_t edgeColor, int vertical) {
  // A lost device takes the cache textures: no glyph can be put into them
  // or drawn from them until the restore.
  if (!StateDevice()) return -1;
  if (PrepareFontCacheGraph(fontHandle) < 0) return -1;
  TextDrawRequest request;
  InitTextDrawRequest(&request, x, y, text, color, edgeColor, fontHandle, vertical,
                      DrawGlyphFromGraphs);
  request.scaled = scaled;
  request.scaleX = scaleX;
  request.scaleY = scaleY;
  // The glyphs are drawn with no blend graph and their own brightness;
  // both go back afterwards.
  DrawSettings &s = g_drawSettings;
  const int blendGraph = s.blendGraph, borderParam = s.blendBorderParam;
  const int borderRange = s.blendBorderRange;
  const uint32_t brightness = s.drawBrightness;
  if (blendGraph != -1) SetDrawBlendGraph(-1, borderParam, borderRange);
  // Edged glyphs switch between two brightnesses, one of them often white:
  // held vertex colour keeps one stage set for the whole string.
  HoldVertexColor(1);
  const int pen = DrawStringCore(&request);
  HoldVertexColor(0);
  SetDrawBrightnessColor(static_cast<int>(brightness & DRAW_BRIGHTNESS_WHITE));
  if (blendGraph != -1) SetDrawBlendGraph(blendGraph, borderParam, borderRange);
  return pen;
}
