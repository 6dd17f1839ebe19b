#include "graphics/draw/draw_target.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/present.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const float kTan30 = 0.57735026f;
const float kSixtyDegrees = 1.0471976f;

// -3 and -5 name the back buffer's surface, and its size, as well.
bool IsScreenTarget(int target) { return target >= -5 && target <= -2; }

void PointDeviceAtScreen(void) {
  GfxDevice *device = StateDevice();
  if (!device) return;
  RenderStateCache &cache = g_stateCache;
  FlushVertexBatch();
  EndDeviceScene();
  if (cache.texturePending || cache.force) {
    SetPendingTexture(NULL);
    cache.blendPending = 1;
  }
  SetDeviceRenderTarget(g_d3d.subBackBuffer ? g_d3d.subBackBuffer : g_d3d.backBuffer);
}

void ArmTimer(int on) {
  GfxDevice *device = GetGfxDevice();
  if (device) device->SetDrawTargetTimer(on);
}

// One unit is one pixel of a w x h target: camera and projection.
void SetTwoDimensionalCamera(int width, int height) {
  Matrix4x4 identity;
  MakeIdentityMatrix(&identity);
  SetWorldMatrix(&identity);
  SetProjectionCenter(width / 2.0f, height / 2.0f);
  const float d = static_cast<float>(height / 2) / kTan30;
  const Vector3 eye = {width / 2.0f, height / 2.0f, -d};
  const Vector3 target = {width / 2.0f, height / 2.0f, -d + 1.0f};
  const Vector3 up = {0.0f, 1.0f, 0.0f};
  Matrix4x4 view;
  MakeLookAtMatrix(&view, &eye, &target, &up);
  SetViewMatrix(&view);
  UpdateCameraAngles();
  DrawSettings &s = g_drawSettings;
  s.projectionKind = 0;
  s.fieldOfView = kSixtyDegrees;
  s.cameraNear = d * 0.1f;
  s.cameraFar = d + 20000.0f;
  RefreshProjectionMatrix();
}

}  // namespace

void GetDrawTargetSize(int *width, int *height) {
  *width = GetScreenWidthSetting();
  *height = GetScreenHeightSetting();
}

int SetDrawTarget(int target) {
  if (!IsGraphicsStarted() || !IsScreenTarget(target)) return -1;
  WaitWhileInactive();
  const int maskOn = GetMaskEnabled();
  SetMaskEnabled(0);
  DrawSettings &s = g_drawSettings;
  if (IsHardwareRenderingActive()) PointDeviceAtScreen();
  s.drawTarget = target;
  if (target == DRAW_TARGET_FRONT) ArmTimer(1);
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  const bool sameSize = width == s.drawTargetWidth && height == s.drawTargetHeight;
  s.drawTargetWidth = width;
  s.drawTargetHeight = height;
  if (sameSize) {
    SetDrawClipRect(s.clipRect.left, s.clipRect.top, s.clipRect.right, s.clipRect.bottom);
  } else {
    SetDrawClipRect(0, 0, width, height);
  }
  SetTwoDimensionalCamera(width, height);
  SetMaskEnabled(maskOn);
  return 0;
}

int GetDrawTarget(void) { return g_drawSettings.drawTarget; }

int SetDrawClipRect(int x1, int y1, int x2, int y2) {
  DrawSettings &s = g_drawSettings;
  if (s.resetting) return 0;
  s.clipRequest = Rect{x1, y1, x2, y2};
  if (!IsScreenTarget(s.drawTarget)) return -1;
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  if (x1 > x2) {
    const int t = x1;
    x1 = x2;
    x2 = t;
  }
  if (y1 > y2) {
    const int t = y1;
    y1 = y2;
    y2 = t;
  }
  auto clamp = [](int v, int high) { return v < 0 ? 0 : v > high ? high : v; };
  x1 = clamp(x1, width);
  x2 = clamp(x2, width);
  y1 = clamp(y1, height);
  y2 = clamp(y2, height);
  s.clipRect = Rect{x1, y1, x2, y2};
  s.clipRectF[0] = static_cast<float>(x1);
  s.clipRectF[1] = static_cast<float>(y1);
  s.clipRectF[2] = static_cast<float>(x2);
  s.clipRectF[3] = static_cast<float>(y2);
  if (x1 == x2 || y1 == y2) {
    s.drawSuppressed = 1;
    return 0;
  }
  s.drawSuppressed = 0;
  if (!IsHardwareRenderingActive()) return 0;
  if (!StateDevice()) return -1;
  SetDeviceViewportRect(x1, y1, x2, y2);
  const GfxRect scissor = {x1, y1, x2, y2};
  SetDeviceScissorRect(&scissor);
  SendDeviceProjection();
  return 0;
}

void StopDrawTargetTimer(void) { ArmTimer(0); }

void DrawTargetTimerTick(void) {
  ArmTimer(0);
  GfxDevice *device = GetGfxDevice();
  if (!IsGraphicsStarted() || !device || g_drawSettings.drawTarget != DRAW_TARGET_FRONT ||
      device->IsLayeredWindow()) {
    return;
  }
  // Full screen flips the back buffer away; the picture lives on in the
  // sub back buffer.
  if (IsHardwareRenderingActive() && !device->IsWindowed()) SwitchToSubBackBuffer();
  PresentScreenRect(NULL);
  ArmTimer(1);
}
