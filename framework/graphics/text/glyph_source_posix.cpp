// The native build has no system fonts: every font creation fails unless a
// test installs a source.
#include "graphics/text/glyph_source.h"

const GlyphSource *PlatformGlyphSource(void) { return NoFontsGlyphSource(); }
