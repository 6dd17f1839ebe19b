// Presentation in full screen on a 640 x 480 display: the 320 x 240 mode
// shows its picture doubled, and the front buffer as draw target keeps its
// picture in the sub back buffer across flips.
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

class FullScreenPresentTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("graphics-present-full"); }
  void TearDown() override { EndFrameworkInMode(); }
};

TEST_F(FullScreenPresentTest, EmulationShowsTheTopLeftQuarterDoubled) {
  FrameworkMode mode;
  mode.windowed = 0;
  mode.width = 320;
  mode.height = 240;
  ASSERT_EQ(0, StartFrameworkInMode(mode));
  ASSERT_EQ(1, IsEmulating320x240());
  ASSERT_EQ(0, SetDrawTarget(-2));
  const PicturePatch picture[] = {
      {{0, 0, 640, 480}, 0xCC3300},  // outside the quarter: never shown
      {{0, 0, 320, 240}, 0x3366CC},
      {{40, 30, 120, 90}, 0x00FF00},
  };
  ASSERT_EQ(0, PaintPatches(picture, 3));
  ASSERT_EQ(0, PresentScreen());
  const PicturePatch doubled[] = {
      {{0, 0, 640, 480}, 0x3366CC},
      {{80, 60, 240, 180}, 0x00FF00},
  };
  Picture wanted, shown;
  PatchesPicture(doubled, 2, 640, 480, &wanted);
  ASSERT_EQ(0, ReadScreenDcPicture(nullptr, &shown));
  // The scaling blends the rows and columns at each colour edge (the last
  // ones with the picture beyond the quarter): about 2 x (640 + 480) for the
  // frame and as many for the square. Any other quarter differs everywhere.
  EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{8, 3000}, "emulation"));
}

TEST_F(FullScreenPresentTest, FrontBufferTargetKeepsItsPicture) {
  FrameworkMode mode;
  mode.windowed = 0;
  ASSERT_EQ(0, StartFrameworkInMode(mode));
  ASSERT_EQ(0, SetDrawTarget(-4));
  const PicturePatch picture[] = {
      {{0, 0, 320, 480}, 0x3366CC},
      {{320, 0, 640, 480}, 0xCC3300},
  };
  ASSERT_EQ(0, PaintPatches(picture, 2));
  Picture wanted, shown;
  PatchesPicture(picture, 2, 640, 480, &wanted);
  bool seen = false;
  for (int i = 0; i < 200 && !seen; i++) {
    PumpMessages();
    Sleep(10);
    seen = ReadScreenDcPicture(nullptr, &shown) == 0 && CountDifferingPixels(wanted, shown, 8) == 0;
  }
  EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{8, 0}, "front_full_screen"));
  EXPECT_NE(nullptr, g_d3d.subBackBuffer);
  // Later presents still show it: the flips do not lose it.
  for (int i = 0; i < 3; i++) ASSERT_EQ(0, PresentScreen());
  ASSERT_EQ(0, ReadScreenDcPicture(nullptr, &shown));
  EXPECT_TRUE(PicturesMatch(wanted, shown, PictureTolerance{8, 0}, "front_after_flips"));
}

}  // namespace
