// The texture cache's graphs: one texture of glyph cells (and edge cells on
// its right half) seen through two graphs, fed from the cache image, and
// made again on the next draw once the graphs are deleted under the font.
#include "graphics/text/font_cache_graphs.h"

#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_images.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/graphs/graph_transfer.h"
#include "graphics/images/base_image.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/glyph_paint.h"

namespace {

// The graph-creation settings a cache graph is made under, kept and put
// back around the call.
struct CreationSettings {
  int makeDrawTargetGraphs, newGraphAlphaTest, newGraphPalette;
};

CreationSettings SwapCreationSettings(const CreationSettings &with) {
  DrawSettings &s = g_drawSettings;
  const CreationSettings before = {s.makeDrawTargetGraphs, s.newGraphAlphaTest, s.newGraphPalette};
  s.makeDrawTargetGraphs = with.makeDrawTargetGraphs;
  s.newGraphAlphaTest = with.newGraphAlphaTest;
  s.newGraphPalette = with.newGraphPalette;
  return before;
}

// One plain graph of width x height: with an alpha channel for
// anti-aliased fonts, with the colour key's alpha test for the others.
int MakeCacheTextureGraph(int width, int height, int antialiased) {
  BASEIMAGE shape;
  memset(&shape, 0, sizeof shape);
  if (antialiased) {
    MakeArgb32PixelFormat(&shape.format);
  } else {
    MakeXrgb32PixelFormat(&shape.format);
  }
  shape.width = width;
  shape.height = height;
  shape.mipCount = 1;  // one level whatever the mip-map setting says
  const CreationSettings cache = {0, antialiased ? 0 : 1, 0};
  const CreationSettings before = SwapCreationSettings(cache);
  const int graph = MakeGraphForBaseImage(&shape, NULL);
  SwapCreationSettings(before);
  return graph;
}

// The cache image in the texture's own format, every pixel white of alpha 0.
int MakeCacheImage(FontRecord *font, int graph) {
  const GraphRecord *record = GetGraphRecord(graph);
  const PixelFormat *format = record && record->image ? GraphTexturePixelFormat(record->image) : NULL;
  if (!format || format->compression) return -1;
  BASEIMAGE &image = font->cacheImage;
  memset(&image, 0, sizeof image);
  image.format = *format;
  image.width = record->width;
  image.height = record->height;
  int bytes = 0;
  if (ComputeAlignedPitch(image.width, format->bytesPerPixel, 4, &image.pitch) < 0 ||
      ComputeImageBytes(image.pitch, image.height, &bytes) < 0 ||
      !(image.pixels = VV_ALLOC(bytes))) {
    memset(&image, 0, sizeof image);
    return WriteLogLine("文字キャッシュ基本イメージ用のメモリの確保に失敗しました\n");
  }
  const uint32_t blank = TextureCachePixel(format, 0);
  for (int y = 0; y < image.height; y++) {
    uint8_t *row = static_cast<uint8_t *>(image.pixels) + y * image.pitch;
    for (int x = 0; x < image.width; x++) {
      WriteRawPixel(row + x * format->bytesPerPixel, format->bytesPerPixel, blank);
    }
  }
  return 0;
}

void DeleteGraphs(FontRecord *font) {
  // Deleting fires the notices into this record: the flag is set again.
  DeleteGraphHandle(font->edgeCacheGraph);
  DeleteGraphHandle(font->cacheGraph);
  font->cacheGraph = font->edgeCacheGraph = -1;
}

// The glyph graph and, for edge fonts, the edge graph over the texture's
// right half; both report their deletion into the lost flag.
int MakeViews(FontRecord *font, int texture) {
  if (!(font->fontType & FONT_TYPE_EDGE)) {
    font->cacheGraph = texture;
  } else {
    font->cacheGraph = CreateSubGraph(0, 0, font->cacheWidth, font->cacheHeight, texture);
    font->edgeCacheGraph =
        CreateSubGraph(font->cacheWidth, 0, font->cacheWidth, font->cacheHeight, texture);
    // The views hold the texture between them.
    DeleteGraphHandle(texture);
    if (font->cacheGraph <= 0 || font->edgeCacheGraph <= 0) return -1;
  }
  SetGraphDeleteNotice(font->cacheGraph, &font->cacheGraphLost);
  if (font->edgeCacheGraph != -1) SetGraphDeleteNotice(font->edgeCacheGraph, &font->cacheGraphLost);
  return 0;
}

}  // namespace

int MakeFontCacheGraphs(FontRecord *font) {
  DeleteFontCacheGraphs(font);
  const int edge = (font->fontType & FONT_TYPE_EDGE) != 0;
  const int texture = MakeCacheTextureGraph(font->cacheWidth * (edge ? 2 : 1), font->cacheHeight,
                                            (font->fontType & FONT_TYPE_ANTIALIAS) != 0);
  if (texture < 0) return -1;
  int made = MakeCacheImage(font, texture);
  if (made < 0) {
    DeleteGraphHandle(texture);
    return -1;
  }
  made = MakeViews(font, texture);
  const Rect whole = {0, 0, font->cacheImage.width, font->cacheImage.height};
  if (made == 0) made = TransferImageToGraph(font->cacheGraph, &whole, 0, 0, &font->cacheImage, NULL, 0, 1);
  if (made < 0) {
    DeleteFontCacheGraphs(font);
    return -1;
  }
  font->cacheGraphLost = 0;
  return 0;
}

void DeleteFontCacheGraphs(FontRecord *font) {
  DeleteGraphs(font);
  FreeBaseImage(&font->cacheImage);
}

void TransferFontCacheRect(FontRecord *font, int x, int y, int width, int height) {
  if (font->cacheGraph == -1 || font->cacheGraphLost) return;
  const Rect glyph = {x, y, x + width, y + height};
  TransferImageToGraph(font->cacheGraph, &glyph, x, y, &font->cacheImage, NULL, 0, 1);
  if (font->edgeCacheGraph == -1) return;
  const Rect edge = {x + font->cacheWidth, y, x + font->cacheWidth + width, y + height};
  TransferImageToGraph(font->cacheGraph, &edge, edge.left, y, &font->cacheImage, NULL, 0, 1);
}

int PrepareFontCacheGraph(int fontHandle) {
  FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return -1;
  if (!font->textureCache || !font->cacheGraphLost) return 0;
  if (MakeFontCacheGraphs(font) < 0) return -1;
  ResetGlyphCacheOf(font);
  return 0;
}
