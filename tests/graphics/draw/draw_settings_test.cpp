#include <gtest/gtest.h>

#include <string.h>

#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/state/state_fixture.h"

namespace {

class DrawSettingsTest : public StateFixture {};

TEST_F(DrawSettingsTest, BrightnessAndParameterAreClamped) {
  EXPECT_EQ(0, SetDrawBrightness(300, -5, 128));
  EXPECT_EQ(0x00FF0080u, g_drawSettings.drawBrightness);
  EXPECT_EQ(0, SetBlendModeAndParam(1, 999));
  EXPECT_EQ(255, g_drawSettings.blendParam);
  EXPECT_EQ(0, SetBlendModeAndParam(2, -4));
  EXPECT_EQ(0, g_drawSettings.blendParam);
  EXPECT_EQ(0, SetDrawBrightnessColor(0x7F102030));
  EXPECT_EQ(0x00102030u, g_drawSettings.drawBrightness);
}

TEST_F(DrawSettingsTest, ModesOutsideTheBlendTableAreRefused) {
  SetBlendModeAndParam(4, 100);
  for (int mode : {13, -1, 255}) {
    EXPECT_EQ(-1, SetBlendModeAndParam(mode, 50)) << mode;
    EXPECT_EQ(4, g_drawSettings.blendMode);
    EXPECT_EQ(100, g_drawSettings.blendParam);
  }
}

TEST_F(DrawSettingsTest, BatchDiffuseFollowsModeParameterAndBrightness) {
  const struct {
    int mode, param, r, g, b;
    uint32_t diffuse;
  } cases[] = {{0, 128, 255, 255, 255, 0xFFFFFFFFu},
               {1, 128, 255, 255, 255, 0x80FFFFFFu},
               {1, 128, 16, 32, 48, 0x80102030u},
               {0, 7, 16, 32, 48, 0xFF102030u}};
  for (const auto &c : cases) {
    SetBlendModeAndParam(c.mode, c.param);
    SetDrawBrightness(c.r, c.g, c.b);
    EXPECT_EQ(c.diffuse, g_vertexBatch.diffuse) << c.mode << " " << c.param;
  }
}

TEST_F(DrawSettingsTest, ColourKeyIsKeptOnAnEightBitScreen) {
  EXPECT_EQ(0, SetColorKey(0x1FF, 0, 0x1FF));
  EXPECT_EQ(0x00FF00FFu, g_drawSettings.colorKey);
  StoreScreenMode(640, 480, 8, 0);
  EXPECT_EQ(0, SetColorKey(1, 2, 3));
  EXPECT_EQ(0x00FF00FFu, g_drawSettings.colorKey);
  StoreScreenMode(640, 480, 16, 0);
}

TEST_F(DrawSettingsTest, ClipRectangleCases) {
  const struct {
    const char *name;
    int target, x1, y1, x2, y2;
    Rect clip;
    int suppressed;
    const char *viewport;
  } cases[] = {
      {"inside", -2, 10, 20, 110, 220, {10, 20, 110, 220}, 0, "SetViewport 10,20 100x200"},
      {"reversed", -2, 110, 220, 10, 20, {10, 20, 110, 220}, 0, nullptr},
      {"out of range", -4, 700, 500, -10, -10, {0, 0, 640, 480}, 0, "SetViewport 0,0 640x480"},
      {"empty", -2, 100, 100, 100, 200, {100, 100, 100, 200}, 1, nullptr},
      {"target -3", -3, 0, 0, 320, 240, {0, 0, 320, 240}, 0, "SetViewport 0,0 320x240"},
      {"target -5", -5, 0, 0, 1000, 1000, {0, 0, 640, 480}, 0, "SetViewport 0,0 640x480"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(0, SetDrawTarget(c.target));
    SetDrawClipRect(5, 5, 6, 6);
    device.calls.clear();
    EXPECT_EQ(0, SetDrawClipRect(c.x1, c.y1, c.x2, c.y2));
    EXPECT_EQ(0, memcmp(&c.clip, &g_drawSettings.clipRect, sizeof c.clip));
    EXPECT_EQ(c.suppressed, g_drawSettings.drawSuppressed);
    if (c.viewport) {
      EXPECT_NE(-1, CallIndex(c.viewport)) << Join(device.calls);
      EXPECT_EQ(c.clip.right, device.mirror.scissor.right);
      EXPECT_EQ(c.clip.top, device.mirror.scissor.top);
    }
  }
  SetDrawClipRect(0, 0, 640, 480);
}

TEST_F(DrawSettingsTest, PackAndUnpackRoundTripOnEveryScreen) {
  const struct {
    int bits;
    uint32_t white, sample;
  } screens[] = {{16, 0xFFFFu, 0x8410u}, {32, 0xFFFFFFFFu, 0xFF808080u}};
  for (int hardware = 0; hardware <= 1; hardware++) {
    for (const auto &screen : screens) {
      SCOPED_TRACE(testing::Message() << "hardware " << hardware << " bits " << screen.bits);
      StoreScreenMode(640, 480, screen.bits, 0);
      SetHardwareRenderingActive(hardware);
      EXPECT_EQ(screen.white, PackDrawColor(255, 255, 255));
      EXPECT_EQ(screen.sample, PackDrawColor(128, 128, 128));
      int r = -1, g = -1, b = -1;
      UnpackDrawColor(PackDrawColor(255, 0, 255), &r, &g, &b);
      EXPECT_EQ(255, r);
      EXPECT_EQ(0, g);
      EXPECT_EQ(255, b);
      UnpackDrawColor(screen.white, &r, &g, &b);
      EXPECT_EQ(255, g);
    }
  }
  SetHardwareRenderingActive(1);
  StoreScreenMode(640, 480, 16, 0);
}

TEST_F(DrawSettingsTest, ResetKeepsExactlyItsKeepList) {
  GraphReloadCallback reload = [] { return 0; };
  int lightArea = 0;
  DrawSettings &s = g_drawSettings;
  s.vsyncWaitOff = 1;
  s.vsyncWaitRequest = 1;
  s.emulate320x240 = 1;
  s.graphReload = reload;
  s.lightArea = &lightArea;
  s.blendMode = 5;
  s.colorKey = 0x123456;
  s.fogEnable = 1;
  s.depthTest3D = 1;
  const int defaultLight = s.defaultLight;
  EXPECT_EQ(0, ResetDrawSettings());
  EXPECT_EQ(1, s.vsyncWaitOff);
  EXPECT_EQ(1, s.vsyncWaitRequest);
  EXPECT_EQ(1, s.emulate320x240);
  EXPECT_EQ(reload, s.graphReload);
  EXPECT_EQ(&lightArea, s.lightArea);
  EXPECT_EQ(defaultLight, s.defaultLight);
  EXPECT_EQ(0, s.blendMode);
  EXPECT_EQ(0u, s.colorKey);
  EXPECT_EQ(0, s.fogEnable);
  EXPECT_EQ(0, s.depthTest3D);
  EXPECT_EQ(0, s.resetting);
  EXPECT_EQ(DRAW_TARGET_FRONT, s.drawTarget);
  EXPECT_EQ(640, s.clipRect.right);
  EXPECT_EQ(480, s.clipRect.bottom);
  s.lightArea = nullptr;
  s.graphReload = nullptr;
  s.vsyncWaitOff = 0;
  s.emulate320x240 = 0;
}

TEST_F(DrawSettingsTest, BlendGraphsAreAHardwareFeature) {
  EXPECT_EQ(-1, SetDrawBlendGraph(0x08010000, 10, 20));  // no such graph
  EXPECT_EQ(-1, g_drawSettings.blendGraph);
  EXPECT_EQ(0, SetDrawBlendGraph(-1, 10, 20));
  SetHardwareRenderingActive(0);
  EXPECT_EQ(-1, SetDrawBlendGraph(0x08010000, 10, 20));
  EXPECT_EQ(nullptr, g_drawSettings.blendMaskImage);
  SetHardwareRenderingActive(1);
}

TEST_F(DrawSettingsTest, FilterModeIsAppliedAtOnce) {
  EXPECT_EQ(0, SetDrawFilterMode(1));
  EXPECT_EQ(1, GetDrawFilterMode());
  EXPECT_EQ(2u, device.GetSamplerState(0, SAMP_MAGFILTER));
  EXPECT_EQ(-1, SetDrawFilterMode(3));
  EXPECT_EQ(1, GetDrawFilterMode());
}

}  // namespace
