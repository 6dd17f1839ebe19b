// Every byte the software glyph writer leaves in an image, against a model
// of the writing rules: each cell value of each glyph placed by the pen,
// turned for vertical text, clipped, and coloured by the font type.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/text/text_fixture.h"

namespace {

struct Colors {
  uint32_t text, edge;
  int is16;
};

uint32_t Field(uint32_t color, int shift, int bits) { return (color >> shift) & ((1u << bits) - 1); }

// The pixel a cell value writes; type 2 and 3 carry their alpha above the
// colour (bit 16 on 16-bit images, bit 24 on 32-bit ones).
uint32_t ModelPixel(int type, int value, const Colors &c) {
  const int alphaShift = c.is16 ? 16 : 24;
  const uint32_t colorMask = c.is16 ? 0xFFFFu : 0xFFFFFFu;
  if (type == 0) return c.text;
  if (type == FONT_TYPE_EDGE) return value == 1 ? c.text : c.edge;
  if (type == FONT_TYPE_ANTIALIAS) {
    return (c.text & colorMask) | static_cast<uint32_t>(value * 16) << alphaShift;
  }
  const int g = value & 15, e = value >> 4;
  if (g == 0) return (c.edge & colorMask) | static_cast<uint32_t>(e * 16) << alphaShift;
  if (g == 15) return (c.text & colorMask) | 0xFFu << alphaShift;
  const int a = e * (15 - g) + 16 * g;
  // Red, green, blue fields: 5-6-5 or 8-8-8.
  const int shifts[3] = {c.is16 ? 11 : 16, c.is16 ? 5 : 8, 0};
  const int bits[3] = {c.is16 ? 5 : 8, c.is16 ? 6 : 8, c.is16 ? 5 : 8};
  uint32_t mixed = 0;
  for (int i = 0; i < 3; i++) {
    const int t = static_cast<int>(Field(c.text, shifts[i], bits[i]));
    const int ed = static_cast<int>(Field(c.edge, shifts[i], bits[i]));
    const int channel = ed + (t - ed) * (g * 4096 / a) / 256;
    mixed |= (static_cast<uint32_t>(channel) & ((1u << bits[i]) - 1)) << shifts[i];
  }
  return mixed | static_cast<uint32_t>(a) << alphaShift;
}

// The stored value of a cached cell at (cx, cy).
int CellValue(const FontRecord *font, const GlyphSlot *slot, int cx, int cy) {
  const uint8_t *row = font->memoryCache + (slot->cellIndex * font->cellSize + cy) * font->memoryRowBytes;
  return font->memoryBits == 1 ? (row[cx >> 3] >> (7 - (cx & 7))) & 1 : row[cx];
}

struct Case {
  const char *text;
  int type, edgeSize, formatCode, alpha, vertical, x, y;
  Rect clip;
};

class TextSoftwareTest : public TextFixture {
 protected:
  void SetUp() override {
    TextFixture::SetUp();
    // Wide glyphs whose rows cross byte boundaries of the 1-bit cells, and
    // one with every grey level.
    FakeGlyph wide;
    wide.rows = {"##.#.##.#..#", "#.########.#", ".#.#.#.#.#.#", "############"};
    wide.advance = 13;
    glyphs.glyphs['W'] = wide;
    FakeGlyph grey;
    grey.rows = {"0123456789", "abcdefg###", "9876543210"};
    grey.originX = -2;
    glyphs.glyphs['G'] = grey;
  }

  // The image a draw leaves, and the model's picture over the same fill.
  void Check(const Case &c) {
    const int width = 96, height = 64;
    const uint32_t fill = c.formatCode ? 0x00102030u : 0x0841u;
    const Colors colors = {c.formatCode ? 0x00F08010u : 0xF81Fu, c.formatCode ? 0x000020E0u : 0x07E0u,
                           c.formatCode == 0};
    // Pixels of the exact size, so that a write past the last row's end
    // is caught by the address checker.
    const int bytes = c.formatCode == 0 && !c.alpha ? 2 : 4;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * bytes * height);
    MEMIMG *image = &images.emplace_back();
    memset(image, 0, sizeof *image);
    ASSERT_EQ(0, MemImgCreate(image, width, height, width * bytes, 0, c.formatCode, 0, c.alpha, 0,
                              pixels.data()));
    MemImgFillRect(image, nullptr, fill);
    const int handle = CreateFontToHandle(nullptr, 16, 6, c.type, -1, c.edgeSize, 0, -1, -1);
    ASSERT_GE(handle, 0);
    SetFontSpacing(1, handle);
    TextDrawRequest request;
    InitTextDrawRequest(&request, c.x, c.y, c.text, colors.text, colors.edge, handle, c.vertical,
                        DrawGlyphToImage);
    request.target = image;
    request.clip = c.clip;
    const int pen = DrawStringCore(&request);
    ASSERT_GE(pen, 0);

    std::vector<uint32_t> expected(static_cast<size_t>(width) * height, fill);
    const FontRecord *font = GetFontRecord(handle);
    const Rect clip = {std::max(0, c.clip.left), std::max(0, c.clip.top), std::min(width, c.clip.right),
                       std::min(height, c.clip.bottom)};
    int penX = 0;
    for (const char *p = c.text; *p; p++) {
      const unsigned char key[3] = {static_cast<unsigned char>(*p), 0, 0};
      const GlyphSlot *slot = FindCachedGlyph(font, key);
      ASSERT_NE(nullptr, slot) << *p;
      for (int cy = 0; cy < slot->height && *p != ' '; cy++) {
        for (int cx = 0; cx < slot->width; cx++) {
          const int value = CellValue(font, slot, cx, cy);
          // Vertical: the cell turned a quarter clockwise, its top row on
          // the right of a box that starts line height - top - height in.
          const int x = c.vertical ? c.x + font->lineHeight - slot->top - 1 - cy : c.x + penX + slot->originX + cx;
          const int y = c.vertical ? c.y + penX + slot->originX + cx : c.y + slot->top + cy;
          if (!value || x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
          expected[static_cast<size_t>(y) * width + x] = ModelPixel(font->fontType, value, colors);
        }
      }
      penX += slot->advance + 1;
    }
    EXPECT_EQ(penX, pen);
    int wrong = 0;
    for (int y = 0; y < height; y++) {
      for (int x = 0; x < width; x++) {
        const uint32_t got = Pixel(image, x, y), want = expected[static_cast<size_t>(y) * width + x];
        if (got != want && ++wrong <= 5) ADD_FAILURE() << "(" << x << ", " << y << ") " << std::hex << got << " != " << want;
      }
    }
    EXPECT_EQ(0, wrong);
    MemImgRelease(image);
    DeleteFontHandle(handle);
  }
};

const Rect kAll = {0, 0, 96, 64};

TEST_F(TextSoftwareTest, EveryPixelOfEveryTypeDepthAndDirection) {
  const int types[4] = {0, FONT_TYPE_EDGE, FONT_TYPE_ANTIALIAS, FONT_TYPE_ANTIALIAS | FONT_TYPE_EDGE};
  for (int type : types) {
    for (int formatCode : {0, 1}) {
      for (int vertical : {0, 1}) {
        const int alpha = (type & FONT_TYPE_ANTIALIAS) ? 1 : 0;
        // Edge size 2 makes every type an edge font: the plain ones use 1.
        const Case c = {"AW G?q", type, (type & FONT_TYPE_EDGE) ? 2 : 1, formatCode, alpha, vertical, 5, 3, kAll};
        SCOPED_TRACE("type " + std::to_string(type) + " format " + std::to_string(formatCode) +
                     " vertical " + std::to_string(vertical));
        Check(c);
      }
    }
  }
}

TEST_F(TextSoftwareTest, ClippedOnEverySideAndOffTheImage) {
  const int types[4] = {0, FONT_TYPE_EDGE, FONT_TYPE_ANTIALIAS, FONT_TYPE_ANTIALIAS | FONT_TYPE_EDGE};
  const struct {
    int x, y;
    Rect clip;
  } places[] = {
      {5, 3, {9, 5, 40, 11}},     // cuts through glyphs on all four sides
      {13, 0, {0, 0, 17, 64}},    // one byte boundary of a 1-bit cell each side
      {5, 3, {16, 6, 18, 30}},    // a narrow band across vertical glyphs
      {4, 3, {15, 0, 96, 64}},    // the W loses its first column
      {88, 52, kAll},             // a glyph in the image's last pixels
      {-7, -5, kAll},             // starts off the image's top-left
      {70, 52, {-10, -10, 200, 200}},  // runs off the bottom-right; clip beyond the image
      {5, 3, {30, 0, 20, 64}},    // empty clip
  };
  for (int type : types) {
    for (int formatCode : {0, 1}) {
      for (int vertical : {0, 1}) {
        for (const auto &place : places) {
          const int alpha = (type & FONT_TYPE_ANTIALIAS) ? 1 : 0;
          const Case c = {"?WGAW", type, 1, formatCode, alpha, vertical, place.x, place.y, place.clip};
          SCOPED_TRACE("type " + std::to_string(type) + " format " + std::to_string(formatCode) +
                       " vertical " + std::to_string(vertical) + " at " + std::to_string(place.x) + "," +
                       std::to_string(place.y));
          Check(c);
        }
      }
    }
  }
}

TEST_F(TextSoftwareTest, WideEdgesAndPlainTypesOnAlphaImages) {
  for (int edgeSize : {1, 3, 5}) {
    for (int formatCode : {0, 1}) {
      SCOPED_TRACE("edge " + std::to_string(edgeSize) + " format " + std::to_string(formatCode));
      Check({"WGA", FONT_TYPE_EDGE, edgeSize, formatCode, 0, 0, 4, 4, kAll});
      Check({"WGA", FONT_TYPE_ANTIALIAS | FONT_TYPE_EDGE, edgeSize, formatCode, 1, 1, 4, 4, kAll});
      // A plain font written on an image with alpha writes its colour whole.
      Check({"WGA", 0, -1, formatCode, 1, edgeSize & 1, 4, 4, kAll});
    }
  }
}

TEST_F(TextSoftwareTest, AFailingGlyphLeavesTheImageUntouched) {
  glyphs.failingCodes.insert('Q');
  const int handle = CreateFontToHandle(nullptr, 16, 6, FONT_TYPE_EDGE, -1, -1, 0, -1, -1);
  MEMIMG *image = Image(100, 20, 0, 0x0841);
  // Cold, then with the letters before it cached: nothing is drawn.
  for (int round = 0; round < 2; round++) {
    EXPECT_EQ(-1, DrawTextSoftware(0, 0, "ABQC", 0xFFFF, handle, 0x001F, 0, image)) << round;
    for (int y = 0; y < 20; y++) {
      for (int x = 0; x < 100; x++) ASSERT_EQ(0x0841u, Pixel(image, x, y)) << x << "," << y;
    }
  }
  EXPECT_TRUE(Logged("テキストキャッシュの作成に失敗しました"));
  glyphs.failingCodes.clear();
  DeleteFontHandle(handle);
}

TEST_F(TextSoftwareTest, EvictionsWhileDrawingChangeNoPixel) {
  const char *text = "abcdefghijklmnopqrstuvwxyz0123ABCDEFGH";
  MEMIMG *pictures[2];
  for (int small = 0; small < 2; small++) {
    SetFontCacheCharCount(small ? 20 : 0);
    const int handle = CreateFontToHandle(nullptr, 16, 6, FONT_TYPE_EDGE, -1, -1, 0, -1, -1);
    pictures[small] = Image(320, 20, 0, 0x0841);
    EXPECT_EQ(38 * 10, DrawTextSoftware(0, 0, text, 0xFFFF, handle, 0x001F, 0, pictures[small]));
    DeleteFontHandle(handle);
  }
  for (int y = 0; y < 20; y++) {
    for (int x = 0; x < 320; x++) ASSERT_EQ(Pixel(pictures[0], x, y), Pixel(pictures[1], x, y)) << x << "," << y;
  }
}

}  // namespace
