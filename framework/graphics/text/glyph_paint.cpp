#include "graphics/text/glyph_paint.h"

#include <string.h>

#include "graphics/images/base_image.h"
#include "graphics/text/font_record.h"

namespace {

// Rows of the patterns of edge sizes 1 to 4, each (2e + 1) wide; larger
// edges cover the whole square.
const char *const kEdgeRows[4][9] = {
    {".X.", "XXX", ".X."},
    {".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."},
    {"...X...", ".XXXXX.", ".XXXXX.", "XXXXXXX", ".XXXXX.", ".XXXXX.", "...X..."},
    {"..XXXXX..", ".XXXXXXX.", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX", "XXXXXXXXX",
     "XXXXXXXXX", ".XXXXXXX.", "..XXXXX.."},
};

int GlyphLevel(const GlyphImage *glyph, int format, int x, int y) {
  const uint8_t *row = glyph->rows + y * glyph->pitch;
  if (format == GLYPH_GREY) {
    const int level = row[x];
    return level > GLYPH_FULL_LEVEL ? GLYPH_FULL_LEVEL : level;
  }
  return (row[x >> 3] & (0x80 >> (x & 7))) ? GLYPH_FULL_LEVEL : 0;
}

void MarkEdge(GlyphCellPlanes *planes, int edge, int cx, int cy, int level) {
  const int cell = planes->cell;
  for (int dy = -edge; dy <= edge; dy++) {
    const int y = cy + dy;
    if (y < 0 || y >= cell) continue;
    for (int dx = -edge; dx <= edge; dx++) {
      const int x = cx + dx;
      if (x < 0 || x >= cell || !EdgePatternCovers(edge, dx, dy)) continue;
      uint8_t *cover = &planes->cover[y * cell + x];
      *cover = static_cast<uint8_t>(AccumulateEdgeCover(*cover, level));
    }
  }
}

int Clip(int size, int cell) { return size < cell ? size : cell; }

int NonZeroLess1(int value) { return value > 0 ? value - 1 : 0; }

}  // namespace

int EdgePatternCovers(int edge, int dx, int dy) {
  if (edge <= 0 || dx < -edge || dx > edge || dy < -edge || dy > edge) return 0;
  if (edge > 4) return 1;
  return kEdgeRows[edge - 1][dy + edge][dx + edge] == 'X';
}

int AccumulateEdgeCover(int cover, int level) {
  return (256 - (GLYPH_FULL_LEVEL - cover) * (GLYPH_FULL_LEVEL - level)) / 16;
}

void RasteriseGlyph(const GlyphImage *glyph, int format, int edge, GlyphCellPlanes *planes) {
  const int cell = planes->cell;
  memset(planes->levels, 0, static_cast<size_t>(cell) * cell);
  if (planes->cover) memset(planes->cover, 0, static_cast<size_t>(cell) * cell);
  const int width = glyph->rows ? glyph->width : 0;
  const int height = glyph->rows ? glyph->height : 0;
  planes->width = Clip(width + 2 * edge, cell);
  planes->height = Clip(height + 2 * edge, cell);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) {
      const int level = GlyphLevel(glyph, format, x, y);
      if (level == 0) continue;
      if (planes->cover && edge > 0) MarkEdge(planes, edge, edge + x, edge + y, level);
      if (edge + x < cell && edge + y < cell) planes->levels[(edge + y) * cell + edge + x] = static_cast<uint8_t>(level);
    }
  }
}

uint32_t TextureCachePixel(const PixelFormat *format, int level) {
  const uint32_t white = format->redMask | format->greenMask | format->blueMask;
  const uint32_t bits = PixelValueMask(format->bitsPerPixel);
  if (level <= 0) return white & bits;
  if (format->alphaBits == 0) return white & bits;
  // Unsigned and wrapping: level 16 at the top of a 32-bit pixel becomes
  // all ones, full alpha; each level below is a sixteenth less.
  const int shift = format->alphaShift + format->alphaBits - 4;
  const uint32_t alpha = (static_cast<uint32_t>(level) << shift) - 1u;
  return (white | (alpha & format->alphaMask)) & bits;
}

void WriteTextureCell(BASEIMAGE *image, int x, int y, int cell, const uint8_t *values) {
  const int bytes = image->format.bytesPerPixel;
  for (int row = 0; row < cell; row++) {
    const int py = y + row;
    if (py < 0 || py >= image->height) continue;
    uint8_t *line = static_cast<uint8_t *>(image->pixels) + py * image->pitch;
    for (int col = 0; col < cell; col++) {
      const int px = x + col;
      if (px < 0 || px >= image->width) continue;
      const int level = values ? values[row * cell + col] : 0;
      WriteRawPixel(line + px * bytes, bytes, TextureCachePixel(&image->format, level));
    }
  }
}

void WriteMemoryCell(uint8_t *rows, int rowBytes, int fontType, const GlyphCellPlanes *planes) {
  const int cell = planes->cell;
  ClearMemoryCell(rows, rowBytes, cell);
  for (int y = 0; y < cell; y++) {
    uint8_t *row = rows + y * rowBytes;
    for (int x = 0; x < cell; x++) {
      const int level = planes->levels[y * cell + x];
      const int cover = planes->cover ? planes->cover[y * cell + x] : 0;
      switch (fontType) {
        case 0:
          if (level) row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
          break;
        case FONT_TYPE_EDGE:
          row[x] = static_cast<uint8_t>(level ? 1 : (cover ? 2 : 0));
          break;
        case FONT_TYPE_ANTIALIAS:
          row[x] = static_cast<uint8_t>(NonZeroLess1(level));
          break;
        default:
          row[x] = static_cast<uint8_t>(NonZeroLess1(level) | (NonZeroLess1(cover) << 4));
          break;
      }
    }
  }
}

void ClearMemoryCell(uint8_t *rows, int rowBytes, int cell) {
  memset(rows, 0, static_cast<size_t>(rowBytes) * cell);
}
