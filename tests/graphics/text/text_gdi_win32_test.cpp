// Text drawn from the system's own glyphs: the default face must resolve to
// a Japanese font, and the software path must place GDI's bitmaps exactly
// where GDI's metrics say.
#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "core/base/core_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/images/base_image.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/text_draw.h"
#include "leak_check.h"
#include "softrender/softrender.h"

namespace {

const char kGothic[] = "ＭＳ ゴシック";

struct GdiFont {
  explicit GdiFont(const char *face) {
    font = CreateFontA(16, 0, 0, 0, 600, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH, face);
    dc = CreateCompatibleDC(NULL);
    previous = SelectObject(dc, font);
    GetTextMetricsA(dc, &metrics);
  }
  ~GdiFont() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
  }
  // The glyph's bitmap in the format asked for, with its metrics.
  std::vector<uint8_t> Bitmap(unsigned code, UINT format, GLYPHMETRICS *glyph) const {
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD size = GetGlyphOutlineA(dc, code, format, glyph, 0, NULL, &identity);
    std::vector<uint8_t> bits(size == GDI_ERROR ? 0 : size);
    if (!bits.empty()) GetGlyphOutlineA(dc, code, format, glyph, size, bits.data(), &identity);
    return bits;
  }
  HFONT font;
  HDC dc;
  HGDIOBJ previous;
  TEXTMETRICA metrics;
};

unsigned CodeAt(const unsigned char *p, int *bytes) {
  const bool lead = (p[0] >= 0x81 && p[0] <= 0x9F) || (p[0] >= 0xE0 && p[0] <= 0xFC);
  *bytes = lead ? 2 : 1;
  return lead ? p[0] * 256u + p[1] : p[0];
}

class TextGdiTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    previousCharSet = GetFrameworkCharSet();
    previousCodePage = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
    previousClip = g_drawSettings.clipRect;
    g_drawSettings.clipRect = {0, 0, kWidth, kHeight};
    memset(&image, 0, sizeof image);
    ASSERT_EQ(0, MemImgCreate(&image, kWidth, kHeight, -1, 0, 1, 0, 1, 0, nullptr));
    MemImgFillRect(&image, nullptr, 0);
  }
  void TearDown() override {
    MemImgRelease(&image);
    DeleteAllFontHandles();
    g_drawSettings.clipRect = previousClip;
    SetFrameworkCharSet(previousCharSet, previousCodePage);
    LeakCheckedTest::TearDown();
  }
  uint32_t Pixel(int x, int y) const {
    return ReadRawPixel(image.pixels + y * image.base->pitch + x * 4, 4);
  }

  static const int kWidth = 640, kHeight = 40;
  MEMIMG image;
  Rect previousClip;
  int previousCharSet = 0;
  unsigned previousCodePage = 0;
};

TEST_F(TextGdiTest, DefaultFaceIsTheJapaneseGothic) {
  GdiFont gothic(kGothic);
  EXPECT_EQ(SHIFTJIS_CHARSET, gothic.metrics.tmCharSet);
  GdiFont ipa("IPAGothic");
  GLYPHMETRICS a, b;
  const std::vector<uint8_t> left = gothic.Bitmap(0x8DB6, GGO_BITMAP, &a);  // 左
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(ipa.Bitmap(0x8DB6, GGO_BITMAP, &b), left);
  EXPECT_EQ(b.gmBlackBoxX, a.gmBlackBoxX);
  EXPECT_EQ(b.gmptGlyphOrigin.y, a.gmptGlyphOrigin.y);
}

TEST_F(TextGdiTest, PlainTextEqualsGdiBitmapsPlacedByItsMetrics) {
  const char *const texts[] = {"Now Loading...", "左orホイールボタンをクリックで再開"};
  GdiFont gdi(kGothic);
  for (const char *text : texts) {
    SCOPED_TRACE(text);
    MemImgFillRect(&image, nullptr, 0);
    const int handle = CreateFontToHandle(nullptr, 16, 6, 0, -1, -1, 0, -1, -1);
    ASSERT_GE(handle, 0);
    const int pen = DrawTextSoftware(0, 0, text, 0xFFFFFF, handle, 0, 0, &image);
    std::vector<uint8_t> expected(kWidth * kHeight, 0);
    int x = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p;) {
      int bytes;
      const unsigned code = CodeAt(p, &bytes);
      p += bytes;
      GLYPHMETRICS glyph;
      const std::vector<uint8_t> bits = gdi.Bitmap(code, GGO_BITMAP, &glyph);
      const int pitch = (static_cast<int>(glyph.gmBlackBoxX) + 31) / 32 * 4;
      const int left = x + glyph.gmptGlyphOrigin.x;
      const int top = gdi.metrics.tmAscent - glyph.gmptGlyphOrigin.y;
      for (int gy = 0; !bits.empty() && code != 0x20 && gy < static_cast<int>(glyph.gmBlackBoxY); gy++) {
        for (int gx = 0; gx < static_cast<int>(glyph.gmBlackBoxX); gx++) {
          if (!(bits[gy * pitch + gx / 8] & (0x80 >> (gx % 8)))) continue;
          if (left + gx >= 0 && left + gx < kWidth && top + gy >= 0 && top + gy < kHeight) {
            expected[(top + gy) * kWidth + left + gx] = 1;
          }
        }
      }
      x += glyph.gmCellIncX;
    }
    EXPECT_EQ(x, pen);
    int differences = 0, set = 0;
    for (int y = 0; y < kHeight; y++) {
      for (int px = 0; px < kWidth; px++) {
        const int drawn = (Pixel(px, y) & 0xFFFFFF) == 0xFFFFFF;
        set += drawn;
        differences += drawn != expected[y * kWidth + px];
      }
    }
    EXPECT_GT(set, 50);
    EXPECT_EQ(0, differences);
    DeleteFontHandle(handle);
  }
}

TEST_F(TextGdiTest, GreyCellsFollowTheGreyLevels) {
  GdiFont gdi(kGothic);
  const int handle = CreateFontToHandle(nullptr, 16, 6, FONT_TYPE_ANTIALIAS, -1, -1, 0, -1, -1);
  ASSERT_GE(handle, 0);
  TextDrawRequest request = {};
  request.draw = 1;
  request.text = "左";
  request.color = 0xFFFFFF;
  request.target = &image;
  request.clip = {0, 0, kWidth, kHeight};
  request.fontHandle = handle;
  request.length = -1;
  request.drawer = DrawGlyphToImage;
  ASSERT_GT(DrawStringCore(&request), 0);
  GLYPHMETRICS glyph;
  const std::vector<uint8_t> levels = gdi.Bitmap(0x8DB6, GGO_GRAY4_BITMAP, &glyph);
  ASSERT_FALSE(levels.empty());
  const int pitch = (static_cast<int>(glyph.gmBlackBoxX) + 3) / 4 * 4;
  const int left = glyph.gmptGlyphOrigin.x, top = gdi.metrics.tmAscent - glyph.gmptGlyphOrigin.y;
  int differences = 0;
  for (int gy = 0; gy < static_cast<int>(glyph.gmBlackBoxY); gy++) {
    for (int gx = 0; gx < static_cast<int>(glyph.gmBlackBoxX); gx++) {
      const int level = levels[gy * pitch + gx];
      // Levels 1-16 are kept as 0-15; a stored 0 draws nothing.
      const uint32_t want = level >= 2 ? (static_cast<uint32_t>((level - 1) * 16) << 24) | 0xFFFFFF : 0;
      differences += Pixel(left + gx, top + gy) != want;
    }
  }
  EXPECT_EQ(0, differences);
}

}  // namespace
