// Draw targets and presentation on the real display, both paths: a pattern
// painted straight into the draw screen reads back through every lock path,
// reaches the window through PresentScreen (Direct3D content read from the
// screen, GDI output from the window itself), reaches a layered window, and
// with the front buffer as draw target appears without any present call of
// the program's own.
#include <gtest/gtest.h>
#include <windows.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "picture_compare.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

// Left half, right half, and a square in the top-left quarter.
const PicturePatch kPattern[] = {
    {{0, 0, 320, 480}, 0x3366CC},
    {{320, 0, 640, 480}, 0xCC3300},
    {{40, 30, 120, 90}, 0x00FF00},
};
const int kPatches = 3;
// A 16-bit screen keeps 5 or 6 bits of each channel.
const PictureTolerance kExact = {0, 0}, kRgb565 = {8, 0};

class PresentTest : public testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-present"); }
  void SetUp() override {
    FrameworkMode mode;
    mode.hardware = Hardware();
    ASSERT_EQ(0, StartFrameworkInMode(mode));
    ASSERT_EQ(mode.hardware, IsHardwareRenderingActive());
    PatchesPicture(kPattern, kPatches, 640, 480, &wanted);
  }
  void TearDown() override { EndFrameworkInMode(); }
  int Hardware() const { return GetParam(); }
  PictureTolerance Tolerance() const { return Hardware() ? kExact : kRgb565; }
  // Direct3D content is on the screen only; GDI output is read from the
  // window (the screen shows it only once the window surface is flushed).
  int ReadShown(Picture *out) {
    return Hardware() ? ReadScreenDcPicture(nullptr, out) : ReadWindowDcPicture(nullptr, out);
  }
  Picture wanted;
};

TEST_P(PresentTest, EachLockPathReadsThePatternBack) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  ASSERT_EQ(0, PaintPatches(kPattern, kPatches));
  for (int direct = 0; direct <= 1; direct++) {
    SCOPED_TRACE(direct);
    g_d3d.backBufferLock = direct;
    Picture read;
    ASSERT_EQ(0, ReadDrawScreenPicture(nullptr, &read));
    EXPECT_TRUE(PicturesMatch(wanted, read, Tolerance(), direct ? "lock_direct" : "lock_copy"));
  }
}

TEST_P(PresentTest, PresentScreenShowsThePattern) {
  ASSERT_EQ(0, SetDrawTarget(-2));
  ASSERT_EQ(0, PaintPatches(kPattern, kPatches));
  ASSERT_EQ(0, PresentScreen());
  Picture shown;
  ASSERT_EQ(0, ReadShown(&shown));
  EXPECT_TRUE(PicturesMatch(wanted, shown, Tolerance(), "present"));
}

TEST_P(PresentTest, TheFrontBufferTargetPresentsItself) {
  ASSERT_EQ(0, SetDrawTarget(-4));
  ASSERT_EQ(0, PaintPatches(kPattern, kPatches));
  // Generous: the timer ticks every 32 ms once the pump runs.
  Picture shown;
  bool seen = false;
  for (int i = 0; i < 200 && !seen; i++) {
    PumpMessages();
    Sleep(10);
    seen = ReadShown(&shown) == 0 && CountDifferingPixels(wanted, shown, Tolerance().channel) == 0;
  }
  EXPECT_TRUE(PicturesMatch(wanted, shown, Tolerance(), "front_target"));
}

TEST_P(PresentTest, ALayeredWindowShowsThePicture) {
  HWND window = static_cast<HWND>(GetWindowHandle());
  SetWindowLongA(window, GWL_EXSTYLE, GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  ASSERT_EQ(0, SetDrawTarget(-2));
  ASSERT_EQ(0, PaintPatches(kPattern, kPatches));
  ASSERT_EQ(0, PresentScreen());
  Picture shown;
  bool seen = false;
  for (int i = 0; i < 50 && !seen; i++) {
    PumpMessages();
    Sleep(10);
    seen = ReadScreenDcPicture(nullptr, &shown) == 0 &&
           CountDifferingPixels(wanted, shown, Tolerance().channel) == 0;
  }
  EXPECT_TRUE(PicturesMatch(wanted, shown, Tolerance(), "layered"));
  EXPECT_EQ(-2, GetDrawTarget());
}

INSTANTIATE_TEST_SUITE_P(BothPaths, PresentTest, testing::Values(1, 0),
                         [](const testing::TestParamInfo<int> &info) {
                           return std::string(info.param ? "Hardware" : "Software");
                         });

}  // namespace
