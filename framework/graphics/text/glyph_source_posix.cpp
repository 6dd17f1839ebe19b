// The native build has no system fonts: every font creation fails unless a
// test installs a source.
#include "graphics/text/glyph_source.h"

namespace {

int OpenNothing(const GlyphFontRequest *, GlyphFont **, GlyphFontMetrics *) {
  return GLYPH_OPEN_NO_FONT;
}

int GetNothing(GlyphFont *, unsigned, int, GlyphImage *) { return -1; }

void CloseNothing(GlyphFont *) {}

const GlyphSource kNoFonts = {OpenNothing, GetNothing, CloseNothing};

}  // namespace

const GlyphSource *PlatformGlyphSource(void) { return &kNoFonts; }
