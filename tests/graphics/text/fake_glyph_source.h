// A glyph source with hand-made glyphs for the native tests: it records
// every font asked for, can refuse faces, metrics or single glyphs, and
// pads its rows with set bits so a reader that ignores the pitch shows.
#ifndef VELVANE_TESTS_FAKE_GLYPH_SOURCE_H
#define VELVANE_TESTS_FAKE_GLYPH_SOURCE_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "graphics/text/glyph_source.h"

// Rows of a glyph: '.' is level 0, '#' level 16, '0'-'9' and 'a'-'g' the
// levels 0-16 (grey fonts); a mono fetch sets a bit for any level >= 8.
struct FakeGlyph {
  int originX = 1;
  int originY = 12;
  int advance = 8;
  std::vector<std::string> rows;
};

struct FakeFontRequest {
  std::string face;
  int height, weight, italic, charSet;
};

class FakeGlyphSource {
 public:
  FakeGlyphSource();
  ~FakeGlyphSource();

  GlyphFontMetrics metrics = {16, 14, 8};
  // Glyphs by outline code; codes without one get a pattern of their own
  // (6 x 10, origin (1, 12), advance 8); the space has no pixels.
  std::map<unsigned, FakeGlyph> glyphs;
  std::set<std::string> refusedFaces;  // "" refuses the empty face
  bool refuseAll = false;
  bool failMetrics = false;
  std::set<unsigned> failingCodes;

  std::vector<FakeFontRequest> requests;  // every open, refused or not
  std::vector<unsigned> fetched;          // every glyph fetched
  int openFonts = 0;

  // The glyph the source serves for a code.
  FakeGlyph GlyphFor(unsigned code) const;
  // Its level at (x, y), 0-16.
  static int Level(const FakeGlyph &glyph, int x, int y);
};

// The installed fake (null when none).
FakeGlyphSource *ActiveFakeGlyphSource();

#endif  // VELVANE_TESTS_FAKE_GLYPH_SOURCE_H
