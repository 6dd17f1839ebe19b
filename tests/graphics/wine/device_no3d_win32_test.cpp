// Run with Wine's 3-D renderer switched off for this program alone: the
// device cannot be made, so the software screen runs.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "softrender/softrender.h"
#include "picture_compare.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

TEST(NoThreeD, SoftwareScreenRunsAndGoes) {
  EnterPrivateDirectory("graphics-no3d");
  SwitchOffThreeD();
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(0, IsHardwareRenderingActive());
  EXPECT_EQ(0, g_d3d.deviceMade);
  MEMIMG *screen = GetSoftwareScreenImage();
  ASSERT_NE(nullptr, screen);
  EXPECT_EQ(640, screen->width);
  EXPECT_EQ(480, screen->height);
  EXPECT_EQ(0, screen->pixels[0]);
  EndFramework();
  EXPECT_EQ(nullptr, GetSoftwareScreenImage());
  EXPECT_EQ(0, g_d3d.libraryLoaded);
}

}  // namespace
