#include <gtest/gtest.h>

#include <string>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/text/char_class.h"
#include "graphics/text/onscreen_log.h"
#include "graphics/text/text_fixture.h"

namespace {

class TextDrawTest : public TextFixture {
 protected:
  void SetUp() override {
    TextFixture::SetUp();
    // 'A': a 2 x 2 glyph, its black box 1 right of the pen and 2 below the
    // line top (ascent 14, origin 12).
    FakeGlyph a;
    a.rows = {"##", "#."};
    glyphs.glyphs['A'] = a;
    FakeGlyph dot;
    dot.rows = {"8"};
    glyphs.glyphs['g'] = dot;
  }
  int Font(int type, int edge = -1) { return CreateFontToHandle(nullptr, 16, 6, type, -1, edge, 0, -1, -1); }
};

// Which pixels of a 6 x 6 window at (9, 21) a draw of "A" at (10, 20) sets.
std::vector<std::string> Window(const MEMIMG *image, uint32_t text, uint32_t edge, uint32_t fill) {
  std::vector<std::string> rows;
  for (int y = 20; y < 26; y++) {
    std::string row;
    for (int x = 9; x < 15; x++) {
      const uint32_t p = TextFixture::Pixel(image, x, y);
      row += p == text ? '#' : p == edge ? 'e' : p == fill ? '.' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST_F(TextDrawTest, PlainAndEdgedTypesOnBothDepths) {
  const std::vector<std::string> plain = {"......", "......", "..##..", "..#...", "......", "......"};
  // The painted box, edge included, starts where the plain glyph does; the
  // glyph sits one further in, ringed by the cross pattern.
  const std::vector<std::string> edged = {"......", "......", "...ee.", "..e##e", "..e#e.", "...e.."};
  const struct { int formatCode; uint32_t text, edge, fill; } depths[] = {
      {0, 0xF800, 0x001F, 0x0841}, {1, 0xFF0000, 0x0000FF, 0x101010}};
  for (const auto &d : depths) {
    for (int type : {0, static_cast<int>(FONT_TYPE_EDGE)}) {
      SCOPED_TRACE(std::to_string(d.formatCode) + " type " + std::to_string(type));
      MEMIMG *image = Image(40, 40, d.formatCode, d.fill);
      const int handle = Font(type);
      EXPECT_EQ(type ? 10 : 8, DrawTextSoftware(10, 20, "A", d.text, handle, d.edge, 0, image));
      EXPECT_EQ(type ? edged : plain, Window(image, d.text, d.edge, d.fill));
      DeleteFontHandle(handle);
    }
  }
}

TEST_F(TextDrawTest, AntialiasedPixelsCarryAlpha) {
  // A single pixel of level 8: the grey font stores 7; with an edge the
  // pixel holds g 7 and e 7 (its own coverage (256 - 16 x 8) / 16 = 8, minus 1).
  const struct {
    int formatCode, type;
    uint32_t centre, beside;  // pixel of the glyph, pixel left of it
  } cases[] = {
      {1, FONT_TYPE_ANTIALIAS, 0x70FFFFFFu, 0},
      // a = 7 x 8 + 16 x 7 = 168; channel = 255 x (7 x 4096 / 168) / 256 = 169.
      {1, FONT_TYPE_ANTIALIAS | FONT_TYPE_EDGE, 0xA8A9A9A9u, 0x70000000u},
      // 5-6-5: 31 -> 20, 63 -> 41.
      {0, FONT_TYPE_ANTIALIAS | FONT_TYPE_EDGE, 0xA8A534u, 0x700000u},
      {0, FONT_TYPE_ANTIALIAS, 0x70FFFFu, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(std::to_string(c.formatCode) + " type " + std::to_string(c.type));
    const int handle = Font(c.type);
    MEMIMG *work = Image(40, 40, c.formatCode, 0, 1);
    TextDrawRequest request = {};
    request.draw = 1;
    request.x = 10;
    request.y = 20;
    request.text = "g";
    request.color = c.formatCode ? 0xFFFFFF : 0xFFFF;
    request.edgeColor = 0;
    request.target = work;
    request.clip = {0, 0, 40, 40};
    request.fontHandle = handle;
    request.length = -1;
    request.drawer = DrawGlyphToImage;
    ASSERT_GE(DrawStringCore(&request), 0);
    const int edge = (c.type & FONT_TYPE_EDGE) ? 1 : 0;
    EXPECT_EQ(c.centre, Pixel(work, 11 + edge, 22 + edge));
    EXPECT_EQ(c.beside, Pixel(work, 10 + edge, 22 + edge));
    DeleteFontHandle(handle);
  }
}

TEST_F(TextDrawTest, VerticalTextIsTheCellTurnedClockwise) {
  MEMIMG *image = Image(60, 60, 1, 0);
  const int handle = Font(0);
  EXPECT_EQ(8, DrawTextSoftware(10, 20, "A", 0xFFFFFF, handle, 0, 1, image));
  // Box: left 10 + 16 - 2 - 2 = 22, top 20 + 1 = 21; the glyph's top row
  // becomes its right column.
  EXPECT_EQ(0xFFFFFFu, Pixel(image, 23, 21));
  EXPECT_EQ(0xFFFFFFu, Pixel(image, 23, 22));
  EXPECT_EQ(0xFFFFFFu, Pixel(image, 22, 21));
  EXPECT_EQ(0u, Pixel(image, 22, 22));
  int set = 0;
  for (int y = 0; y < 60; y++) {
    for (int x = 0; x < 60; x++) set += Pixel(image, x, y) != 0;
  }
  EXPECT_EQ(3, set);
}

// Scaling belongs to the graph path: a request without a target measures
// with the scaled pen, one into a software image ignores the scale.
TEST_F(TextDrawTest, OnlyTheGraphPathScales) {
  const int handle = Font(0);
  TextDrawRequest request = {};
  request.text = "AB";
  request.fontHandle = handle;
  request.length = -1;
  request.scaled = 1;
  request.scaleX = 1.5;
  request.scaleY = 3.0;
  EXPECT_EQ(24, DrawStringCore(&request));
  request.vertical = 1;
  EXPECT_EQ(48, DrawStringCore(&request));
  MEMIMG *scaled = Image(40, 40, 1, 0);
  MEMIMG *plain = Image(40, 40, 1, 0);
  request.vertical = 0;
  request.draw = 1;
  request.x = 2;
  request.y = 3;
  request.color = 0xFFFFFF;
  request.target = scaled;
  request.clip = {0, 0, 40, 40};
  request.drawer = DrawGlyphToImage;
  EXPECT_EQ(16, DrawStringCore(&request));
  EXPECT_EQ(16, DrawTextSoftware(2, 3, "AB", 0xFFFFFF, handle, 0, 0, plain));
  int set = 0;
  for (int y = 0; y < 40; y++) {
    for (int x = 0; x < 40; x++) {
      EXPECT_EQ(Pixel(plain, x, y), Pixel(scaled, x, y)) << x << "," << y;
      set += Pixel(plain, x, y) != 0;
    }
  }
  EXPECT_GT(set, 0);
}

TEST_F(TextDrawTest, MeasuringBlanksAndSpacing) {
  const int handle = Font(0);
  SetFontSpacing(2, handle);
  int size[2] = {};
  TextDrawRequest request = {};
  request.text = "AB";
  request.fontHandle = handle;
  request.length = -1;
  request.size = size;
  EXPECT_EQ(8 + 8 + 2 * 2, DrawStringCore(&request));
  EXPECT_EQ(20, size[0]);
  EXPECT_EQ(16, size[1]);
  request.vertical = 1;
  DrawStringCore(&request);
  EXPECT_EQ(16, size[0]);
  EXPECT_EQ(20, size[1]);
  MEMIMG *image = Image(60, 40, 1, 0);
  EXPECT_EQ(30, DrawTextSoftware(0, 0, "A A", 0xFFFFFF, handle, 0, 0, image));
  // The space draws nothing between the two letters.
  for (int y = 0; y < 40; y++) {
    for (int x = 10; x < 20; x++) EXPECT_EQ(0u, Pixel(image, x, y)) << x << "," << y;
  }
  EXPECT_EQ(0xFFFFFFu, Pixel(image, 21, 2));
}

TEST_F(TextDrawTest, ClippingAndBrightnessOnTheScreen) {
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  ASSERT_EQ(0, SetDrawClipRect(0, 0, 12, 480));
  ASSERT_EQ(0, SetDrawBrightness(128, 255, 0));
  const int handle = Font(0);
  EXPECT_EQ(0, DrawTextWithFont(10, 20, "A", 0xFFFF, handle, 0, 0));
  // 31 x 128 / 255 = 15, 63 stays, blue 0; column 12 lies outside the clip.
  const uint32_t scaled = (15u << 11) | (63u << 5);
  EXPECT_EQ(scaled, Pixel(screen, 11, 22));
  EXPECT_EQ(0u, Pixel(screen, 12, 22));
  EXPECT_EQ(scaled, Pixel(screen, 11, 23));
  SetDrawBrightness(255, 255, 255);
  SetDrawClipRect(0, 0, 640, 480);
  EXPECT_EQ(0xFFFFu, ApplyBrightnessToColor(0xFFFF, 16, DRAW_BRIGHTNESS_WHITE));
  EXPECT_EQ(0x808080u, ApplyBrightnessToColor(0xFFFFFF, 32, 0x808080));
}

TEST_F(TextDrawTest, BlendedTextGoesThroughTheWorkImage) {
  MEMIMG *screen = GetSoftwareScreenImage();
  MemImgFillRect(screen, nullptr, 0x0841);
  SetBlendModeAndParam(DRAW_BLEND_ALPHA, 255);
  const int handle = Font(0);
  EXPECT_EQ(0, DrawTextWithFont(10, 20, "A", 0x8000, handle, 0, 0));
  SetBlendModeAndParam(DRAW_BLEND_NONE, 255);
  EXPECT_EQ(0x8000u, Pixel(screen, 11, 22));
  EXPECT_EQ(0x0841u, Pixel(screen, 12, 23));
}

TEST_F(TextDrawTest, BadCallsAndTheDefaultFont) {
  EXPECT_EQ(0, DrawTextWithFont(0, 0, "", 0xFFFF, GetDefaultFontHandle(), 0, 0));
  EXPECT_EQ(0, DrawTextWithFont(0, 0, nullptr, 0xFFFF, GetDefaultFontHandle(), 0, 0));
  EXPECT_EQ(-1, DrawTextWithFont(0, 0, "A", 0xFFFF, 12345, 0, 0));
  EXPECT_TRUE(Logged("フォントハンドル値が異常です"));
  MEMIMG *screen = GetSoftwareScreenImage();
  EXPECT_EQ(0, DrawTextAt(100, 100, "A", 0xFFFF, 0));
  EXPECT_EQ(0xFFFFu, Pixel(screen, 101, 102));
  // A result longer than the format buffer is cut, not written past it.
  const std::string longText(3000, 'A');
  EXPECT_EQ(0, DrawFormattedText(0, 200, 0xFFFF, "%s%d", longText.c_str(), 7));
  EXPECT_EQ(0xFFFFu, Pixel(screen, 1, 202));
}

TEST_F(TextDrawTest, CharacterListsStopAtTheTerminator) {
  const int handle = Font(0);
  const char text[] = {'A', static_cast<char>(0x82), 0, 'B', 0};
  unsigned char list[12] = {};
  int count = 0;
  EXPECT_EQ(0, BuildCharList(-1, text, handle, list, &count));
  ASSERT_EQ(2, count);
  EXPECT_EQ(0x82, list[3]);
  EXPECT_EQ(0, list[4]);
  const char pair[] = {static_cast<char>(0x82), static_cast<char>(0xA0), 'C', 0};
  EXPECT_EQ(0, BuildCharList(-1, pair, handle, list, &count));
  ASSERT_EQ(2, count);
  EXPECT_EQ(0xA0, list[1]);
  EXPECT_EQ(0, BuildCharList(1, pair, handle, list, &count));
  EXPECT_EQ(1, count);
  EXPECT_EQ(-1, BuildCharList(-1, pair, -1, list, &count));
  // 300 characters go through an allocated list and draw whole.
  const std::string many(300, 'A');
  MEMIMG *image = Image(640, 20, 0, 0);
  EXPECT_EQ(300 * 8, DrawTextSoftware(0, 0, many.c_str(), 0xFFFF, handle, 0, 0, image));
  EXPECT_EQ(0xFFFFu, Pixel(image, 79 * 8 + 1, 2));
}

TEST_F(TextDrawTest, OnScreenLogLinesAndItsFont) {
  MEMIMG *screen = GetSoftwareScreenImage();
  MemImgFillRect(screen, nullptr, 0x0841);
  ASSERT_EQ(0, InitOnScreenLog());
  const int font = GetOnScreenLogFont();
  ASSERT_GE(font, 0);
  EXPECT_EQ(FONT_TYPE_EDGE, GetFontRecord(font)->fontType);
  StoreOnScreenLogLine(0, "A");
  StoreOnScreenLogLine(2, "A");
  EXPECT_EQ(0, DrawOnScreenLog());
  // Edge 1: the glyph sits at (2, 3) of its line; white inside a black edge.
  for (int line : {0, 2}) {
    EXPECT_EQ(0xFFFFu, Pixel(screen, 2, line * 16 + 3)) << line;
    EXPECT_EQ(0u, Pixel(screen, 1, line * 16 + 3)) << line;
  }
  EXPECT_EQ(0x0841u, Pixel(screen, 2, 16 + 3));
  // A deleted font is made again on the next draw.
  DeleteFontHandle(font);
  EXPECT_EQ(-1, GetOnScreenLogFont());
  const int fonts = GetFontCount();
  DrawOnScreenLog();
  EXPECT_GE(GetOnScreenLogFont(), 0);
  EXPECT_EQ(fonts + 1, GetFontCount());
  // A device rebuild keeps the same font: no second one is made.
  ReloadAllFonts();
  DrawOnScreenLog();
  EXPECT_EQ(fonts + 1, GetFontCount());
  EXPECT_EQ(0, EndOnScreenLog());
  EXPECT_EQ(fonts, GetFontCount());
  EXPECT_EQ(0, IsLogShownOnScreen());
}

}  // namespace
