#include <gtest/gtest.h>

#include <math.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/gfx_fixture.h"

namespace {

class DeviceMeasurementTest : public GfxFixture {};

TEST_F(DeviceMeasurementTest, BackBufferLockDecision) {
  const struct {
    int lockTime, copyTime, flag;
    const char *line;
  } cases[] = {
      {100, 200, 1, "バックバッファロックを使用します\r\n"},
      {200, 100, 0, "バックバッファロックを使用しません\r\n"},
      {150, 150, 0, "バックバッファロックを使用しません\r\n"},
      {-1, 100, 0, "バックバッファロックはロックできません\r\n"},
      {-1, -1, 0, "バックバッファロックはロックできません\r\n"},
      // A failed copy leaves the lock, which works, in use.
      {300, -1, 1,
       "バックバッファロック転送の時間:300nsec  一時的な描画可能バッファを使用した転送の時間:-1nsec"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.lockTime * 1000 + c.copyTime);
    log.Clear();
    EXPECT_EQ(c.flag, DecideBackBufferLock(c.lockTime, c.copyTime));
    EXPECT_TRUE(Logged(c.line)) << log.Text();
    if (c.flag) {
      EXPECT_TRUE(Logged("バックバッファロックを使用します\r\n"));
    }
    if (c.lockTime < 0) {
      EXPECT_FALSE(Logged("転送の時間"));
    }
  }
}

TEST_F(DeviceMeasurementTest, LockTestOverTheDeviceAndItsSwitch) {
  const struct {
    const char *failCall;
    int forced;
    int flag;
  } cases[] = {
      {"StretchRect", -1, 1},          // only the copy fails: lock
      {"LockSurface", -1, 0},          // both use locks: neither works
      {"GetRenderTargetData", 0, 0},   // forced off
      {nullptr, 1, 1},                 // forced on whatever was measured
  };
  for (const auto &c : cases) {
    FakeGfxInstall local;
    if (c.failCall) local.device.FailCall(c.failCall);
    g_gfxTestSwitches.backBufferLockForced = c.forced;
    ASSERT_EQ(0, InitDirect3D());
    EXPECT_EQ(c.flag, g_d3d.backBufferLock) << (c.failCall ? c.failCall : "none");
    TerminateDirect3D();
    EXPECT_EQ(0, local.device.LiveObjects());
    EXPECT_EQ(0, local.device.doubleReleases);
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

TEST_F(DeviceMeasurementTest, LockSquareHalvesForSmallScreens) {
  StoreScreenMode(320, 240, 16, 0);
  device.windowed = 0;
  ASSERT_EQ(0, InitDirect3D());
  const auto made = device.CallsOf("CreateSystemSurface");
  ASSERT_FALSE(made.empty());
  EXPECT_EQ(0u, made[0].find("CreateSystemSurface 128x128"));
  TerminateDirect3D();
}

TEST_F(DeviceMeasurementTest, VerticalBlankPeriodOnTheVirtualClock) {
  g_d3d.directDrawMade = 1;
  // Waiting returns at the blank; the 5 ms sleeps between tries add to the
  // interval the next wait measures.
  clock.blankIntervals = {1000};
  EXPECT_EQ(0, MeasureVerticalBlankPeriod());
  EXPECT_EQ(6000, g_d3d.verticalBlankPeriod);
  EXPECT_EQ(clock.now, g_d3d.lastPresentTime);
  // Two resets, then ten agreeing, then the frame wait that ends it.
  EXPECT_EQ(1 + 12 + 1, clock.blankWaits);

  // Intervals that never agree within a millisecond: unknown.
  FakeFrameClock wobbly;
  for (int i = 0; i < 70; i++) wobbly.blankIntervals.push_back(i % 2 ? 100 : 5000);
  SetFrameClock(&wobbly);
  MeasureVerticalBlankPeriod();
  EXPECT_EQ(-1, g_d3d.verticalBlankPeriod);
  EXPECT_EQ(61 + 1, wobbly.blankWaits);

  // Without DirectDraw nothing is measured; the frame wait still runs.
  g_d3d.directDrawMade = 0;
  FakeFrameClock idle;
  SetFrameClock(&idle);
  MeasureVerticalBlankPeriod();
  EXPECT_EQ(-1, g_d3d.verticalBlankPeriod);
  EXPECT_EQ(1, idle.blankWaits);
  SetFrameClock(&clock);
}

// The integer formula, written out from its description.
void ReferenceFullBrightness(int r, int g, int b, int out[3]) {
  int c[3] = {r > 255 ? 255 : r, g > 255 ? 255 : g, b > 255 ? 255 : b};
  for (int i = 0; i < 3; i++) c[i] = c[i] < 0 ? 0 : c[i];
  if (c[0] == c[1] && c[1] == c[2]) {
    out[0] = out[1] = out[2] = 255;
    return;
  }
  int hi = 0, lo = 0;
  for (int i = 0; i < 3; i++) {
    if (c[i] > c[hi]) hi = i;
  }
  lo = hi == 0 ? 1 : 0;
  for (int i = 0; i < 3; i++) {
    if (i != hi && c[i] < c[lo]) lo = i;
  }
  const int mid = 3 - hi - lo;
  const int M = c[hi], m = c[lo], k = c[mid];
  const int s = (M - m) * 255 / M;
  out[hi] = 255;
  out[lo] = 255 - s;
  out[mid] = 255 - s * ((m - k) * 255 / (M - m) + 255) / 255;
}

TEST_F(DeviceMeasurementTest, FullBrightnessExactCases) {
  const struct {
    int r, g, b, er, eg, eb;
  } cases[] = {
      {0, 0, 0, 255, 255, 255},      {128, 128, 128, 255, 255, 255},
      {255, 0, 0, 255, 0, 0},        {100, 0, 0, 255, 0, 0},
      {100, 100, 0, 255, 255, 0},    {0, 50, 50, 0, 255, 255},
      {300, 0, 0, 255, 0, 0},        {200, 100, 0, 255, 127, 0},
      {-50, 100, 100, 0, 255, 255},  // a negative channel counts as 0
      {-1, -1, -1, 255, 255, 255},
  };
  for (const auto &c : cases) {
    unsigned char r, g, b;
    ConvertToFullBrightness(c.r, c.g, c.b, &r, &g, &b);
    EXPECT_EQ(c.er, r) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(c.eg, g) << c.r << "," << c.g << "," << c.b;
    EXPECT_EQ(c.eb, b) << c.r << "," << c.g << "," << c.b;
  }
}

TEST_F(DeviceMeasurementTest, FullBrightnessSweepMatchesFormulaAndScaling) {
  for (int r = 0; r < 256; r += 5) {
    for (int g = 0; g < 256; g += 7) {
      for (int b = 0; b < 256; b += 11) {
        unsigned char out[3];
        ConvertToFullBrightness(r, g, b, &out[0], &out[1], &out[2]);
        int expected[3];
        ReferenceFullBrightness(r, g, b, expected);
        const int in[3] = {r, g, b};
        int M = r > g ? r : g;
        M = M > b ? M : b;
        for (int i = 0; i < 3; i++) {
          ASSERT_EQ(expected[i], out[i]) << r << "," << g << "," << b;
          if (M == 0) continue;
          const double scaled = in[i] * 255.0 / M;
          if (r != g || g != b) {
            ASSERT_LE(fabs(scaled - out[i]), 2.0) << r << "," << g << "," << b;
          }
        }
      }
    }
  }
}

TEST_F(DeviceMeasurementTest, FullBrightnessVolumeHoldsTheTable) {
  ASSERT_EQ(0, InitDirect3D());
  ASSERT_EQ(0, CreateFullBrightnessVolumeTexture());
  FakeGfxObject *volume = device.lastVideoVolume;
  ASSERT_NE(nullptr, volume);
  auto texel = [&](int x, int y, int z) {
    uint32_t value;
    memcpy(&value, &volume->pixels[(static_cast<size_t>(z) * 128 + y) * 128 * 4 + x * 4], 4);
    return value;
  };
  EXPECT_EQ(0xFFFFFFFFu, texel(7, 7, 7));
  EXPECT_EQ(0xFFFF0000u, texel(100, 0, 0));
  EXPECT_EQ(0xFFFFFF00u, texel(8, 8, 0));
  EXPECT_EQ(1, device.LiveOf("volume"));  // the system copy is gone
  TerminateDirect3D();
  EXPECT_EQ(0, device.LiveObjects());
}

TEST_F(DeviceMeasurementTest, FullBrightnessVolumeFailuresReleaseWhatWasMade) {
  const struct {
    const char *call;
    int nth;
    const char *line;
  } cases[] = {
      {"CreateVolumeTexture", 1,
       "RGBカラーを輝度を最大にしたRGB値に変換するためのボリュームテクスチャの作成に失敗しました"},
      {"CreateVolumeTexture", 2,
       "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャの作成に失敗しました"},
      {"LockVolume", 1,
       "RGBカラーを輝度を最大にしたRGB値に変換するための転送元用ボリュームテクスチャのロックに失敗しました"},
  };
  for (const auto &c : cases) {
    FakeGfxInstall local;
    local.device.FailCall(c.call, c.nth);
    ASSERT_EQ(0, InitDirect3D());
    log.Clear();
    EXPECT_EQ(-1, CreateFullBrightnessVolumeTexture());
    EXPECT_TRUE(Logged(c.line));
    EXPECT_EQ(0, local.device.LiveOf("volume"));
    EXPECT_EQ(nullptr, g_d3d.fullBrightnessTexture);
    TerminateDirect3D();
    EXPECT_EQ(0, local.device.doubleReleases);
    memset(&g_d3d, 0, sizeof g_d3d);
  }
}

}  // namespace
