// Draw targets and presentation on the real device: a pattern cleared into
// the back buffer reads back exactly through both lock paths, reaches the
// screen through PresentScreen, and with the front buffer as draw target
// appears without any present call of the program's own.
#include <gtest/gtest.h>
#include <windows.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "picture_compare.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

struct Patch {
  Rect area;
  uint32_t rgb;
};

// Left half, right half, and a square in the top-left quarter; colours that
// survive a 16-bit screen unchanged.
const Patch kPattern[] = {
    {{0, 0, 320, 480}, 0x3366CC},
    {{320, 0, 640, 480}, 0xCC3300},
    {{40, 30, 120, 90}, 0x00FF00},
};

class PresentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-present"); }
  void SetUp() override {
    ASSERT_EQ(0, StartFrameworkInMode(FrameworkMode()));
    ASSERT_EQ(1, IsHardwareRenderingActive());
    device = GetGfxDevice();
  }
  void TearDown() override { EndFrameworkInMode(); }
  // The pattern in the back buffer through device clears of viewports.
  void PaintPattern() {
    FlushVertexBatch();
    EndDeviceScene();
    for (const Patch &patch : kPattern) {
      const Rect &r = patch.area;
      const GfxViewport area = {r.left, r.top, r.right - r.left, r.bottom - r.top, 0.0f, 1.0f};
      ASSERT_EQ(0, SetDeviceViewport(&area));
      ASSERT_EQ(0, device->Clear(GFX_CLEAR_TARGET, 0xFF000000u | patch.rgb, 1.0f));
    }
    SetDeviceViewportRect(0, 0, 640, 480);
  }
  static void PatternPicture(Picture *out) {
    out->Resize(640, 480);
    for (const Patch &patch : kPattern) out->Fill(patch.area, patch.rgb);
  }
  GfxDevice *device = nullptr;
};

TEST_F(PresentTest, EachLockPathReadsThePatternBack) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  PaintPattern();
  Picture wanted;
  PatternPicture(&wanted);
  for (int direct = 0; direct <= 1; direct++) {
    SCOPED_TRACE(direct);
    g_d3d.backBufferLock = direct;
    Picture read;
    ASSERT_EQ(0, ReadDrawScreenPicture(nullptr, &read));
    EXPECT_TRUE(PicturesMatch(wanted, read, PictureTolerance{0, 0},
                              direct ? "lock_direct" : "lock_copy"));
  }
}

TEST_F(PresentTest, PresentScreenShowsThePattern) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  PaintPattern();
  ASSERT_EQ(0, PresentScreen());
  Picture wanted, shown;
  PatternPicture(&wanted);
  ASSERT_EQ(0, ReadScreenDcPicture(nullptr, &shown));
  EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{0, 0}, "present_hardware"));
}

TEST_F(PresentTest, TheFrontBufferTargetPresentsItself) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  PaintPattern();
  Picture wanted, shown;
  PatternPicture(&wanted);
  // Generous: the timer ticks every 32 ms once the pump runs.
  bool seen = false;
  for (int i = 0; i < 200 && !seen; i++) {
    PumpMessages();
    Sleep(10);
    seen = ReadScreenDcPicture(nullptr, &shown) == 0 &&
           CountDifferingPixels(wanted, shown, 0) == 0;
  }
  EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{0, 0}, "front_target"));
}

}  // namespace
