#include "graphics/text/glyph_source.h"

#include <stddef.h>

namespace {

struct GlyphSourceState {
  const GlyphSource *installed;
};

GlyphSourceState g_glyphSource = {NULL};

int OpenNothing(const GlyphFontRequest *, GlyphFont **, GlyphFontMetrics *) {
  return GLYPH_OPEN_NO_FONT;
}

int GetNothing(GlyphFont *, unsigned, int, GlyphImage *) { return -1; }

void CloseNothing(GlyphFont *) {}

const GlyphSource kNoFonts = {OpenNothing, GetNothing, CloseNothing};

}  // namespace

const GlyphSource *GetGlyphSource(void) {
  return g_glyphSource.installed ? g_glyphSource.installed : PlatformGlyphSource();
}

void SetGlyphSource(const GlyphSource *source) { g_glyphSource.installed = source; }

const GlyphSource *NoFontsGlyphSource(void) { return &kNoFonts; }
