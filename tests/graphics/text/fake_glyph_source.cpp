#include "graphics/text/fake_glyph_source.h"

#include <stdint.h>

namespace {

FakeGlyphSource *g_active = nullptr;

struct FakeFont {
  std::vector<uint8_t> buffer;
};

int Open(const GlyphFontRequest *request, GlyphFont **font, GlyphFontMetrics *metrics) {
  FakeGlyphSource *fake = g_active;
  const std::string face = request->face ? request->face : "";
  fake->requests.push_back({face, request->height, request->weight, request->italic,
                            request->windowsCharSet});
  if (fake->refuseAll || fake->refusedFaces.count(face)) return GLYPH_OPEN_NO_FONT;
  if (fake->failMetrics) return GLYPH_OPEN_NO_METRICS;
  *metrics = fake->metrics;
  *font = reinterpret_cast<GlyphFont *>(new FakeFont);
  fake->openFonts++;
  return GLYPH_OPEN_OK;
}

int Get(GlyphFont *font, unsigned code, int format, GlyphImage *image) {
  FakeGlyphSource *fake = g_active;
  fake->fetched.push_back(code);
  if (fake->failingCodes.count(code)) return -1;
  const FakeGlyph glyph = fake->GlyphFor(code);
  image->originX = glyph.originX;
  image->originY = glyph.originY;
  image->advance = glyph.advance;
  image->width = image->height = image->pitch = 0;
  image->rows = nullptr;
  if (glyph.rows.empty()) return 0;
  const int width = static_cast<int>(glyph.rows[0].size());
  const int height = static_cast<int>(glyph.rows.size());
  const int rowBytes = format == GLYPH_GREY ? width : (width + 7) / 8;
  const int pitch = (rowBytes + 3) / 4 * 4;
  std::vector<uint8_t> &buffer = reinterpret_cast<FakeFont *>(font)->buffer;
  // Padding and the bits past the width are set: none of them is a pixel.
  buffer.assign(static_cast<size_t>(pitch) * height, format == GLYPH_GREY ? 16 : 0xFF);
  for (int y = 0; y < height; y++) {
    uint8_t *row = buffer.data() + y * pitch;
    if (format != GLYPH_GREY) {
      for (int i = 0; i < rowBytes; i++) row[i] = 0;
      for (int x = width; x < rowBytes * 8; x++) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    for (int x = 0; x < width; x++) {
      const int level = FakeGlyphSource::Level(glyph, x, y);
      if (format == GLYPH_GREY) {
        row[x] = static_cast<uint8_t>(level);
      } else if (level >= 8) {
        row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  image->width = width;
  image->height = height;
  image->pitch = pitch;
  image->rows = buffer.data();
  return 0;
}

void Close(GlyphFont *font) {
  if (g_active) g_active->openFonts--;
  delete reinterpret_cast<FakeFont *>(font);
}

const GlyphSource kFake = {Open, Get, Close};

}  // namespace

FakeGlyphSource::FakeGlyphSource() {
  g_active = this;
  SetGlyphSource(&kFake);
}

FakeGlyphSource::~FakeGlyphSource() {
  SetGlyphSource(nullptr);
  g_active = nullptr;
}

FakeGlyph FakeGlyphSource::GlyphFor(unsigned code) const {
  const auto found = glyphs.find(code);
  if (found != glyphs.end()) return found->second;
  FakeGlyph glyph;
  if (code == 0x20 || code == 0x8140) return glyph;
  for (int y = 0; y < 10; y++) {
    std::string row;
    for (int x = 0; x < 6; x++) {
      const int level = static_cast<int>((x * 3 + y * 5 + code) % 17);
      row += level < 10 ? static_cast<char>('0' + level) : static_cast<char>('a' + level - 10);
    }
    glyph.rows.push_back(row);
  }
  return glyph;
}

int FakeGlyphSource::Level(const FakeGlyph &glyph, int x, int y) {
  const char c = glyph.rows[y][x];
  if (c == '.') return 0;
  if (c == '#') return 16;
  if (c >= '0' && c <= '9') return c - '0';
  return c - 'a' + 10;
}

FakeGlyphSource *ActiveFakeGlyphSource() { return g_active; }
