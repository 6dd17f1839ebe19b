// The texture cache's graphs: made on demand, re-made after a device
// rebuild, and fed from the cache image.
#ifndef VELVANE_GRAPHICS_FONT_CACHE_GRAPHS_H
#define VELVANE_GRAPHICS_FONT_CACHE_GRAPHS_H

#include "graphics/text/font_record.h"

// Makes the cache graph (and the edge graph) and the cache image in the
// graphs' texture format; 0, or -1 with nothing made.
int MakeFontCacheGraphs(FontRecord *font);
// Deletes the graphs and frees the cache image.
void DeleteFontCacheGraphs(FontRecord *font);
// Copies a rectangle of the cache image into the graphs.
void TransferFontCacheRect(FontRecord *font, int x, int y, int width, int height);
// Makes the graphs again when they were lost, emptying the cache; 0 / -1.
int PrepareFontCacheGraph(int fontHandle);

#endif  // VELVANE_GRAPHICS_FONT_CACHE_GRAPHS_H
