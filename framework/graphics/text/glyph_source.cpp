#include "graphics/text/glyph_source.h"

#include <stddef.h>

namespace {

struct GlyphSourceState {
  const GlyphSource *installed;
};

GlyphSourceState g_glyphSource = {NULL};

}  // namespace

const GlyphSource *GetGlyphSource(void) {
  return g_glyphSource.installed ? g_glyphSource.installed : PlatformGlyphSource();
}

void SetGlyphSource(const GlyphSource *source) { g_glyphSource.installed = source; }
