// Glyphs from GDI: a font made with CreateFontA lives selected into a
// memory device context of its own, which answers GetTextMetricsA and
// GetGlyphOutlineA for the font's whole life.
#include <windows.h>

#include <stddef.h>

#include "core/debug/memory.h"
#include "graphics/text/glyph_source.h"

struct GlyphFont {
  HFONT font;
  HDC dc;
  HGDIOBJ previous;
  uint8_t *buffer;
  DWORD bufferBytes;
};

namespace {

void Release(GlyphFont *font) {
  if (font->dc) {
    SelectObject(font->dc, font->previous);
    DeleteDC(font->dc);
  }
  if (font->font) DeleteObject(font->font);
  VV_FREE(font->buffer);
  VV_FREE(font);
}

int Open(const GlyphFontRequest *request, GlyphFont **out, GlyphFontMetrics *metrics) {
  HFONT font = CreateFontA(request->height, 0, 0, 0, request->weight, request->italic ? TRUE : FALSE,
                           FALSE, FALSE, static_cast<DWORD>(request->windowsCharSet),
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                           FIXED_PITCH, request->face ? request->face : "");
  if (!font) return GLYPH_OPEN_NO_FONT;
  GlyphFont *made = static_cast<GlyphFont *>(VV_ALLOC_ZEROED(sizeof(GlyphFont)));
  if (!made) {
    DeleteObject(font);
    return GLYPH_OPEN_NO_METRICS;
  }
  made->font = font;
  made->dc = CreateCompatibleDC(NULL);
  TEXTMETRICA text;
  if (!made->dc) {
    Release(made);
    return GLYPH_OPEN_NO_METRICS;
  }
  made->previous = SelectObject(made->dc, font);
  if (!made->previous || !GetTextMetricsA(made->dc, &text)) {
    Release(made);
    return GLYPH_OPEN_NO_METRICS;
  }
  metrics->height = text.tmHeight;
  metrics->ascent = text.tmAscent;
  metrics->maxCharWidth = text.tmMaxCharWidth;
  *out = made;
  return GLYPH_OPEN_OK;
}

int Get(GlyphFont *font, unsigned code, int format, GlyphImage *image) {
  const UINT kind = format == GLYPH_GREY ? GGO_GRAY4_BITMAP : GGO_BITMAP;
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  GLYPHMETRICS glyph;
  const DWORD size = GetGlyphOutlineA(font->dc, code, kind, &glyph, 0, NULL, &identity);
  if (size == GDI_ERROR) return -1;
  image->originX = glyph.gmptGlyphOrigin.x;
  image->originY = glyph.gmptGlyphOrigin.y;
  image->advance = glyph.gmCellIncX;
  image->width = image->height = image->pitch = 0;
  image->rows = NULL;
  if (size == 0 || glyph.gmBlackBoxY == 0) return 0;
  if (size > font->bufferBytes) {
    void *grown = VV_REALLOC(font->buffer, size);
    if (!grown) return -2;
    font->buffer = static_cast<uint8_t *>(grown);
    font->bufferBytes = size;
  }
  if (GetGlyphOutlineA(font->dc, code, kind, &glyph, size, font->buffer, &identity) == GDI_ERROR) {
    return -1;
  }
  // Rows are padded to four bytes; the pitch follows from the size so a
  // padding rule of another system cannot make a row read past the block.
  const int pitch = static_cast<int>(size / glyph.gmBlackBoxY);
  const int rowBytes = format == GLYPH_GREY ? static_cast<int>(glyph.gmBlackBoxX)
                                            : static_cast<int>((glyph.gmBlackBoxX + 7) / 8);
  if (pitch < rowBytes) return -1;
  image->width = static_cast<int>(glyph.gmBlackBoxX);
  image->height = static_cast<int>(glyph.gmBlackBoxY);
  image->pitch = pitch;
  image->rows = font->buffer;
  return 0;
}

void Close(GlyphFont *font) {
  if (font) Release(font);
}

const GlyphSource kGdiGlyphs = {Open, Get, Close};

}  // namespace

const GlyphSource *PlatformGlyphSource(void) { return &kGdiGlyphs; }
