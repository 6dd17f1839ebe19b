#include <gtest/gtest.h>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "graphics/text/onscreen_log.h"
#include "graphics/text/text_fixture.h"

namespace {

class PresentLogTest : public TextFixture {
 protected:
  void SetUp() override {
    TextFixture::SetUp();
    SetFrameworkInitialised(1);
    ASSERT_EQ(0, InitOnScreenLog());
    StoreOnScreenLogLine(0, "A");
  }
  void TearDown() override {
    SetLogShownOnScreen(0);
    EndOnScreenLog();
    SetFrameworkInitialised(0);
    TextFixture::TearDown();
  }
};

// The log goes over the picture whatever clip, blend and brightness the
// game left, and those come back after the present.
TEST_F(PresentLogTest, TheShownLogIsDrawnWithPlainSettingsBeforePresenting) {
  MEMIMG *screen = GetSoftwareScreenImage();
  for (int shown : {0, 1}) {
    SCOPED_TRACE(shown);
    MemImgFillRect(screen, nullptr, 0x0841);
    SetLogShownOnScreen(shown);
    SetDrawClipRect(100, 100, 200, 200);
    SetBlendModeAndParam(DRAW_BLEND_ALPHA, 10);
    SetDrawBrightnessColor(0x00404040);
    ASSERT_EQ(0, PresentScreen());
    // The glyph of line 0 sits at (2, 3), white inside a black edge.
    EXPECT_EQ(shown ? 0xFFFFu : 0x0841u, Pixel(screen, 2, 3));
    EXPECT_EQ(shown ? 0u : 0x0841u, Pixel(screen, 1, 3));
    EXPECT_EQ(100, g_drawSettings.clipRect.left);
    EXPECT_EQ(200, g_drawSettings.clipRect.bottom);
    EXPECT_EQ(DRAW_BLEND_ALPHA, g_drawSettings.blendMode);
    EXPECT_EQ(10, g_drawSettings.blendParam);
    EXPECT_EQ(0x00404040u, g_drawSettings.drawBrightness & DRAW_BRIGHTNESS_WHITE);
  }
}

}  // namespace
