// The texture cache's graphs. Graph creation is not available to fonts
// yet, so every font keeps its glyphs in system memory.
#include "graphics/text/font_cache_graphs.h"

#include "graphics/images/base_image.h"
#include "graphics/text/glyph_cache.h"

int MakeFontCacheGraphs(FontRecord *font) {
  font->cacheGraph = font->edgeCacheGraph = -1;
  return -1;
}

void DeleteFontCacheGraphs(FontRecord *font) {
  font->cacheGraph = font->edgeCacheGraph = -1;
  FreeBaseImage(&font->cacheImage);
}

void TransferFontCacheRect(FontRecord *, int, int, int, int) {}

int PrepareFontCacheGraph(int fontHandle) {
  FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return -1;
  if (!font->textureCache || !font->cacheGraphLost) return 0;
  if (MakeFontCacheGraphs(font) < 0) return -1;
  font->cacheGraphLost = 0;
  ResetGlyphCacheOf(font);
  return 0;
}
