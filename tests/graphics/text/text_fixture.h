// Graphics started on the software path (640 x 480 x 16) with the fake
// glyph source installed, so the default font exists; helpers to make
// images and read their pixels.
#ifndef VELVANE_TESTS_TEXT_FIXTURE_H
#define VELVANE_TESTS_TEXT_FIXTURE_H

#include <string.h>

#include <deque>

#include "graphics/device/gfx_fixture.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/images/base_image.h"
#include "graphics/text/fake_glyph_source.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/font_system.h"
#include "graphics/text/glyph_cache.h"
#include "graphics/text/text_draw.h"
#include "softrender/softrender.h"

class TextFixture : public GfxFixture {
 protected:
  void SetUp() override {
    GfxFixture::SetUp();
    previousCharSet = GetFrameworkCharSet();
    previousCodePage = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
    SetUseHardwareRendering(0);
    ASSERT_EQ(0, StartGraphicsSystem());
  }
  void TearDown() override {
    for (MEMIMG &image : images) MemImgRelease(&image);
    EndGraphicsSystem();
    SetFontCacheCharCount(0);
    SetFrameworkCharSet(previousCharSet, previousCodePage);
    GfxFixture::TearDown();
  }
  // A width x height image (format code 0 565, 1 XRGB8888) filled with fill.
  MEMIMG *Image(int width, int height, int formatCode, uint32_t fill, int alpha = 0) {
    images.emplace_back();
    MEMIMG *image = &images.back();
    memset(image, 0, sizeof *image);
    EXPECT_EQ(0, MemImgCreate(image, width, height, -1, 0, formatCode, 0, alpha, 0, nullptr));
    MemImgFillRect(image, nullptr, fill);
    return image;
  }
public:
  static uint32_t Pixel(const MEMIMG *image, int x, int y) {
    const int bytes = image->base->format->bytesPerPixel;
    return ReadRawPixel(image->pixels + y * image->base->pitch + x * bytes, bytes);
  }

protected:
  FakeGlyphSource glyphs;
  int previousCharSet = 0;
  unsigned previousCodePage = 0;
  std::deque<MEMIMG> images;
};

#endif  // VELVANE_TESTS_TEXT_FIXTURE_H
