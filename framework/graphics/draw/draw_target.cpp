#include "graphics/draw/draw_target.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/present.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const float kTan30 = 0.57735026f;
const float kSixtyDegrees = 1.0471976f;

// -3 and -5 name the back buffer's surface, and its size, as well.
bool IsScreenTarget(int target) { return target >= -5 && target <= -2; }

// The graph a target value names when it is one made to be drawn into.
const GraphRecord *DrawableGraph(int target) {
  const GraphRecord *graph = GetGraphRecord(target);
  if (!graph || !graph->image || !graph->image->drawTarget) return NULL;
  return graph;
}

// A draw-target graph has one texture, so its first entry is all of it.
GfxSurface *TargetGraphSurface(const GraphRecord *graph) {
  const SharedGraphImage *image = graph ? graph->image : NULL;
  if (!image || !image->hardware || image->entryCount < 1) return NULL;
  return image->entries[0].surface;
}

void PointDeviceAt(GfxSurface *graphSurface) {
  GfxDevice *device = StateDevice();
  if (!device) return;
  RenderStateCache &cache = g_stateCache;
  FlushVertexBatch();
  EndDeviceScene();
  if (cache.texturePending || cache.force) {
    SetPendingTexture(NULL);
    cache.blendPending = 1;
  }
  if (graphSurface) {
    SetDeviceRenderTarget(graphSurface);
  } else {
    SetDeviceRenderTarget(g_d3d.subBackBuffer ? g_d3d.subBackBuffer : g_d3d.backBuffer);
  }
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

// The clip as the draws read it: ordered, inside the target; an empty one
// suppresses drawing.
void StoreClipRect(const Rect &clip) {
  DrawSettings &s = g_drawSettings;
  s.clipRect = clip;
  s.clipRectF[0] = static_cast<float>(clip.left);
  s.clipRectF[1] = static_cast<float>(clip.top);
  s.clipRectF[2] = static_cast<float>(clip.right);
  s.clipRectF[3] = static_cast<float>(clip.bottom);
  s.drawSuppressed = clip.left == clip.right || clip.top == clip.bottom;
}

}  // namespace

void GetDrawTargetSize(int *width, int *height) {
  // A target graph deleted while selected leaves nothing to draw into.
  if (GetGraphHandleSize(g_drawSettings.drawTarget, width, height) < 0) *width = *height = 0;
}

GfxSurface *GetDrawTargetSurface(void) {
  const int target = g_drawSettings.drawTarget;
  if (!IsScreenTarget(target)) return TargetGraphSurface(DrawableGraph(target));
  return g_d3d.subBackBuffer ? g_d3d.subBackBuffer : g_d3d.backBuffer;
}

MEMIMG *GetSoftwareDrawTargetImage(void) {
  const int target = g_drawSettings.drawTarget;
  if (IsScreenTarget(target)) return GetSoftwareScreenImage();
  GraphRecord *graph = GetGraphRecord(target);
  return graph && graph->image ? &graph->memImage : NULL;
}

int SetDrawTarget(int target) {
  if (!IsGraphicsStarted()) return -1;
  WaitWhileInactive();
  const GraphRecord *graph = IsScreenTarget(target) ? NULL : DrawableGraph(target);
  if (!IsScreenTarget(target) && !graph) return -1;
  GfxSurface *graphSurface = NULL;
  if (graph && IsHardwareRenderingActive()) {
    graphSurface = TargetGraphSurface(graph);
    if (!graphSurface) return -1;
  }
  const int maskOn = GetMaskEnabled();
  SetMaskEnabled(0);
  DrawSettings &s = g_drawSettings;
  if (IsHardwareRenderingActive()) PointDeviceAt(graphSurface);
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
  if (!IsScreenTarget(s.drawTarget) && !DrawableGraph(s.drawTarget)) return -1;
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
  StoreClipRect(Rect{x1, y1, x2, y2});
  if (s.drawSuppressed || !IsHardwareRenderingActive()) return 0;
  if (!StateDevice()) return -1;
  SetDeviceViewportRect(x1, y1, x2, y2);
  const GfxRect scissor = {x1, y1, x2, y2};
  SetDeviceScissorRect(&scissor);
  SendDeviceProjection();
  return 0;
}

SavedDrawClip NarrowCutDrawClip(const Rect &box) {
  const DrawSettings &s = g_drawSettings;
  const SavedDrawClip saved = {s.clipRect, s.clipRequest};
  StoreClipRect(IntersectRects(saved.clip, box));
  return saved;
}

void RestoreCutDrawClip(const SavedDrawClip &saved) {
  StoreClipRect(saved.clip);
  g_drawSettings.clipRequest = saved.request;
}

SavedDrawClip NarrowDrawClip(const Rect &box) {
  const DrawSettings &s = g_drawSettings;
  const SavedDrawClip saved = {s.clipRect, s.clipRequest};
  const Rect narrowed = IntersectRects(saved.clip, box);
  SetDrawClipRect(narrowed.left, narrowed.top, narrowed.right, narrowed.bottom);
  return saved;
}

void RestoreDrawClip(const SavedDrawClip &saved) {
  SetDrawClipRect(saved.clip.left, saved.clip.top, saved.clip.right, saved.clip.bottom);
  g_drawSettings.clipRequest = saved.request;
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
