#include <gtest/gtest.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/graphs/graph_formats.h"
#include "graphics/state/state_fixture.h"

namespace {

class DrawScreenLockTest : public StateFixture {};

TEST_F(DrawScreenLockTest, RectanglesOutsideEmptyOrPastTheEdgeLockNothing) {
  const Rect bad[] = {{-1, 0, 10, 10}, {0, -1, 10, 10},   {630, 0, 641, 10},
                      {0, 470, 10, 481}, {10, 10, 10, 20}, {10, 20, 20, 20},
                      {20, 10, 10, 20}};
  BASEIMAGE image;
  for (const Rect &r : bad) {
    device.calls.clear();
    EXPECT_EQ(-1, LockDrawScreenBuffer(&r, &image));
    EXPECT_TRUE(device.CallsOf("LockSurface").empty());
    EXPECT_TRUE(device.CallsOf("CreateRenderTarget").empty());
  }
  EXPECT_EQ(-1, LockDrawScreenBuffer(nullptr, &image));
}

TEST_F(DrawScreenLockTest, EachPathAndTheFallback) {
  const struct {
    const char *name;
    int directFlag;
    const char *failing;
    const char *locked;  // what ends up locked
  } cases[] = {
      {"direct", 1, nullptr, "direct"},
      {"copy", 0, nullptr, "copy"},
      {"direct fails", 1, "LockSurface", "copy"},
      {"copy fails", 0, "CreateRenderTarget", "direct"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    g_d3d.backBufferLock = c.directFlag;
    device.calls.clear();
    const int before = device.CountCalls("LockSurface");
    if (c.failing) device.FailCall(c.failing, device.CountCalls(c.failing) + 1);
    const Rect r = {10, 20, 110, 70};
    BASEIMAGE image;
    ASSERT_EQ(0, LockDrawScreenBuffer(&r, &image));
    EXPECT_EQ(100, image.width);
    EXPECT_EQ(50, image.height);
    EXPECT_NE(nullptr, image.pixels);
    EXPECT_EQ(GetD3DFormatPixelFormat(g_d3d.displayFormat)->redMask, image.format.redMask);
    const bool copied = !device.CallsOf("GetRenderTargetData").empty();
    EXPECT_EQ(std::string(c.locked) == "copy", copied);
    EXPECT_GT(device.CountCalls("LockSurface"), before);
    BASEIMAGE again;
    EXPECT_EQ(-1, LockDrawScreenBuffer(&r, &again));
    EXPECT_EQ(0, UnlockDrawScreenBuffer());
    EXPECT_EQ(0, UnlockDrawScreenBuffer());
  }
  EXPECT_EQ(0, device.doubleReleases);
}

TEST(GraphFormats, Direct3DFormatsHaveTheirMasks) {
  const PixelFormat *rgb565 = GetD3DFormatPixelFormat(23);
  ASSERT_NE(nullptr, rgb565);
  EXPECT_EQ(16, rgb565->bitsPerPixel);
  EXPECT_EQ(0xF800u, rgb565->redMask);
  const PixelFormat *argb = GetD3DFormatPixelFormat(21);
  ASSERT_NE(nullptr, argb);
  EXPECT_EQ(0xFF000000u, argb->alphaMask);
  EXPECT_EQ(0x3FF00000u, GetD3DFormatPixelFormat(35)->redMask);
  EXPECT_EQ(nullptr, GetD3DFormatPixelFormat(0x31545844));
  EXPECT_EQ(nullptr, GetD3DFormatPixelFormat(0));
}

}  // namespace
