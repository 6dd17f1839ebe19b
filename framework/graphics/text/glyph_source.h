// Where glyph bitmaps come from: a font opened by face, height, weight,
// italic flag and Windows character set, then glyphs fetched from it as
// 1-bit or 17-level grey bitmaps. The Windows build reads GDI outlines
// (glyph_source_win32.cpp); the native build has no fonts unless a test
// installs a source of its own.
#ifndef VELVANE_GRAPHICS_GLYPH_SOURCE_H
#define VELVANE_GRAPHICS_GLYPH_SOURCE_H

#include <stdint.h>

struct GlyphFont;

struct GlyphFontRequest {
  const char *face;  // null or empty: the source's own default face
  int height;        // character height in pixels
  int weight;        // 0-900
  int italic;
  int windowsCharSet;
};

struct GlyphFontMetrics {
  int height;  // text height
  int ascent;
  int maxCharWidth;
};

enum GlyphFormat {
  GLYPH_MONO = 0,  // 1 bit per pixel, most significant bit first
  GLYPH_GREY = 1   // one byte per pixel, levels 0-16
};

enum GlyphOpenResult {
  GLYPH_OPEN_OK = 0,
  GLYPH_OPEN_NO_FONT = -1,    // the font cannot be made
  GLYPH_OPEN_NO_METRICS = -2  // made, but its device context or metrics are not
};

// One glyph as the source hands it out. rows belongs to the font and stays
// valid until its next call; a glyph without pixels (a space, a control
// byte) has rows null and width and height 0.
struct GlyphImage {
  int width, height;     // black box
  int originX;           // left of the black box from the pen
  int originY;           // top of the black box above the baseline
  int advance;           // pen step
  int pitch;             // bytes from one row to the next
  const uint8_t *rows;
};

struct GlyphSource {
  // GLYPH_OPEN_OK with *font and *metrics set, or a GlyphOpenResult failure.
  int (*open)(const GlyphFontRequest *request, GlyphFont **font, GlyphFontMetrics *metrics);
  // 0 with *image filled; -1 when the glyph cannot be fetched, -2 when
  // there is no memory for its bitmap.
  int (*get)(GlyphFont *font, unsigned code, int format, GlyphImage *image);
  void (*close)(GlyphFont *font);
};

// The platform's source: GDI on Windows, none on the native build.
const GlyphSource *PlatformGlyphSource(void);
// The source fonts are made from; installing null puts the platform's back.
const GlyphSource *GetGlyphSource(void);
void SetGlyphSource(const GlyphSource *source);
// A source that opens no font.
const GlyphSource *NoFontsGlyphSource(void);

#endif  // VELVANE_GRAPHICS_GLYPH_SOURCE_H
