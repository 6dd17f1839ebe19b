#include "graphics/draw/draw_settings.h"

#include <string.h>

#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/lights.h"

namespace {

const int kTextureAddressClamp = 3;
const int kZFunctionLessEqual = 4;
const int kFillModeSolid = 3;
const int kFogModeNone = 3;

DrawSettings MakeDefaultDrawSettings(void) {
  DrawSettings settings;
  memset(&settings, 0, sizeof settings);
  SetDrawSettingsDefaults(&settings);
  return settings;
}

ColorF Color(float r, float g, float b, float a) {
  ColorF c = {r, g, b, a};
  return c;
}

}  // namespace

DrawSettings g_drawSettings = MakeDefaultDrawSettings();

void SetDrawSettingsDefaults(DrawSettings *settings) {
  const int vsyncWaitOff = settings->vsyncWaitOff;
  const int vsyncWaitRequest = settings->vsyncWaitRequest;
  const int emulate320x240 = settings->emulate320x240;
  const GraphReloadCallback graphReload = settings->graphReload;
  const int resetting = settings->resetting;
  void *const lightArea = settings->lightArea;

  memset(settings, 0, sizeof *settings);
  settings->vsyncWaitOff = vsyncWaitOff;
  settings->vsyncWaitRequest = vsyncWaitRequest;
  settings->emulate320x240 = emulate320x240;
  settings->graphReload = graphReload;
  settings->resetting = resetting;
  settings->lightArea = lightArea;

  settings->blendGraph = -1;
  for (int stage = 0; stage < DRAW_TEXTURE_STAGES; ++stage) {
    settings->textureAddressU[stage] = kTextureAddressClamp;
    settings->textureAddressV[stage] = kTextureAddressClamp;
    settings->textureAddressW[stage] = kTextureAddressClamp;
  }
  settings->depth2D = 0.2f;
  settings->zFunction2D = kZFunctionLessEqual;
  settings->zFunction3D = kZFunctionLessEqual;
  settings->newGraphAlphaTest = 1;
  settings->filterMode = 0;
  settings->anisotropy = 1;
  settings->fillMode = kFillModeSolid;
  settings->blendMode = DRAW_BLEND_NONE;
  settings->drawBrightness = DRAW_BRIGHTNESS_WHITE;
  settings->fogMode = kFogModeNone;
  settings->fogColor = 0x00FFFFFF;
  settings->fogStart = 0.0f;
  settings->fogEnd = 1500.0f;
  settings->drawTarget = -2;

  settings->cameraNear = 10.0f;
  settings->cameraFar = 10000.0f;
  settings->fieldOfView = 1.0471976f;
  settings->orthographicSize = 1.0f;
  settings->aspectScale = 1.0f;
  settings->viewportScale = 1.0f;
  MakeIdentityMatrix(&settings->worldMatrix);
  MakeIdentityMatrix(&settings->viewMatrix);
  MakeIdentityMatrix(&settings->projectionMatrix);
  MakeIdentityMatrix(&settings->viewportMatrix);
  MakeIdentityMatrix(&settings->viewportInverse);
  MakeIdentityMatrix(&settings->viewProjectionViewport);
  MakeIdentityMatrix(&settings->worldToScreen);
  MakeIdentityMatrix(&settings->cameraRotation);
  MakeIdentityMatrix(&settings->textureTransform);
  MakeIdentityMatrix(&settings->projectionAdjust);
  settings->materialDiffuse = Color(0.8f, 0.8f, 0.8f, 1.0f);
  settings->materialSpecular = Color(0.8f, 0.8f, 0.8f, 0.0f);
  settings->materialAmbient = Color(0.0f, 0.0f, 0.0f, 0.0f);
  settings->materialEmissive = Color(0.0f, 0.0f, 0.0f, 0.0f);
  settings->materialPower = 20.0f;
}

int ResetDrawSettings(void) {
  DrawSettings &s = g_drawSettings;
  const int defaultLight = s.defaultLight;
  SetDrawSettingsDefaults(&s);
  s.defaultLight = defaultLight;
  MakeIdentityMatrix(&s.projectionAdjust);
  s.resetting = 1;
  ResetMaskEnabled();
  s.drawTarget = -2;
  s.resetting = 0;
  if (IsHardwareRenderingActive()) UpdateBatchDiffuse();
  SetDrawTarget(DRAW_TARGET_FRONT);
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  SetDrawClipRect(0, 0, width, height);
  CreateDefaultLight();
  return 0;
}
