// Device release, rebuild and restore. The device is never reset in place:
// every resource it made is released, the device is made anew and the
// resources are made again from what the framework kept (graph images,
// buffer contents, shader code). A rebuild never changes path: when the
// hardware path ran and no device comes back, graphics stay lost (every
// Direct3D entry point refuses) until a later restore brings one back.
#include <stddef.h>

#include "core/input/input_devices.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/present.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "graphics/text/font_handles.h"
#include "model/draw/model_draw_buffers.h"
#include "model/textures/texture_reload.h"
#include "velvane.h"

namespace {

enum { REBUILD_CLEARS = 2 };

// The user's transforms and clip rectangle, kept across a rebuild.
struct KeptView {
  Matrix4x4 world, view, projection;
  Rect clip;
};

struct RestoreState {
  // The cache as the lost device left it: the states to put on the new one.
  RenderStateCache keptCache;
  KeptView keptView;
  int rebuilds;
};

RestoreState g_restore;

void KeepView(void) {
  const DrawSettings &settings = g_drawSettings;
  g_restore.keptView.world = settings.worldMatrix;
  g_restore.keptView.view = settings.viewMatrix;
  g_restore.keptView.projection = settings.projectionMatrix;
  g_restore.keptView.clip = settings.clipRequest;
}

void RestoreView(void) {
  const KeptView &kept = g_restore.keptView;
  SetDrawClipRect(kept.clip.left, kept.clip.top, kept.clip.right, kept.clip.bottom);
  SetWorldMatrix(&kept.world);
  SetViewMatrix(&kept.view);
  SetProjectionMatrix(&kept.projection);
}

// Starts Direct3D anew with the cache kept: a new device starts from its
// defaults, but the states the framework set are to be re-sent, not lost.
int StartNewDevice(void) {
  g_restore.keptCache = g_stateCache;
  const int result = InitDirect3DHardwareOnly();
  g_stateCache = g_restore.keptCache;
  ForgetDeviceBindings();
  return result;
}

// The whole target in the background colour, then shown: twice, so both
// buffers of the new device hold it.
void ClearAndPresentTwice(void) {
  for (int i = 0; i < REBUILD_CLEARS; i++) {
    GfxDevice *device = StateDevice();
    if (!device) return;
    FlushVertexBatch();
    EndDeviceScene();
    device->Clear(GFX_CLEAR_TARGET | GFX_CLEAR_ZBUFFER, D3D_BACKGROUND_COLOR, 1.0f);
    PresentScreen();
  }
}

void ReloadAfterRebuild(int change) {
  if (change != 1) {
    ReloadGraphicsResources();
    return;
  }
  RestoreAllGraphs();
  VLMReloadTextures();
  ReloadAllFonts();
}

// The software path: only the display mode and the vertical-blank timing
// come back; the screen image and the graphs stay as they are.
int RestartSoftwarePath(void) {
  const int useHardware = GetUseHardwareRendering();
  StoreUseHardwareRendering(0);
  const int result = InitDirect3D();
  StoreUseHardwareRendering(useHardware);
  return result;
}

// The hardware path with its device back: resources, states, pictures.
void RestoreOnNewDevice(int change) {
  RecreateDeviceResources();
  RestoreMaskScreen();
  if (change == 0) KeepView();
  SetDrawTarget(GetDrawTarget());
  ReapplyDrawStates();
  ClearAndPresentTwice();
  ReloadAfterRebuild(change);
  ReapplyDeviceStates();
  VLMCreateAllDrawBuffers();
  g_drawSettings.resendAllLights = 1;
  if (change == 0) RestoreView();
}

}  // namespace

int ReleaseDeviceResources(void) {
  ReleaseAllGraphTextures();
  ReleaseAllDeviceBuffers();
  ReleaseAllShaderObjects();
  return 0;
}

int RecreateDeviceResources(void) {
  CreateAllGraphTextures();
  RecreateAllDeviceBuffers();
  RecreateAllShaderObjects();
  return 0;
}

int ReapplyDrawStates(void) {
  if (!StateDevice()) return -1;
  ReapplyDeviceStates();
  g_stateCache.force = 1;
  SetDeviceWorldMatrix(&g_drawSettings.worldMatrix);
  SetDeviceViewMatrix(&g_drawSettings.viewMatrix);
  SendDeviceProjection();
  g_stateCache.force = 0;
  return 0;
}

int IsGraphicsDeviceLost(void) { return IsHardwareRenderingActive() && !g_d3d.deviceMade; }

int RebuildGraphics(int change, int width, int height, int bits, int refresh) {
  const int hardware = IsHardwareRenderingActive();
  g_restore.rebuilds++;
  if (hardware) {
    // What was queued goes to the old device, under the states it was
    // queued with.
    FlushVertexBatch();
    MaskSurfaceRelease();
    ReleaseDeviceResources();
  }
  TerminateDirect3D();
  if (change == 1) {
    StoreScreenMode(width, height, bits, refresh);
  } else {
    EndInputSystem();
    InitInputSystem();
  }
  if (!hardware) return RestartSoftwarePath() < 0 ? -1 : 0;
  if (StartNewDevice() < 0) {
    // Stay on the hardware path without a device; the next restore tries
    // again.
    SetHardwareRenderingActive(1);
    return -1;
  }
  RestoreOnNewDevice(change);
  return 0;
}

int GetGraphicsRebuildCount(void) { return g_restore.rebuilds; }

int RestoreGraphicsDevice(void) {
  if (!IsGraphicsStarted()) return 0;
  return RebuildGraphics(0, -1, -1, -1, -1);
}
