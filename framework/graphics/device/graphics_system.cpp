#include "graphics/device/graphics_system.h"

#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "core/base/core_state.h"
#include "core/debug/log.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw/lights.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/text/font_handles.h"
#include "graphics/text/font_system.h"
#include "model/draw/model_draw_buffers.h"
#include "model/textures/texture_reload.h"
#include "softrender/softrender.h"

namespace {

struct GraphicsSystemState {
  int started;
};

GraphicsSystemState g_graphics;

struct ScreenMode {
  int width, height, bits, refresh;
};

const ScreenMode kLastResortMode = {640, 480, 16, 0};

int KeepOr(int requested, int current) { return requested == -1 ? current : requested; }

ScreenMode CurrentMode(void) {
  ScreenMode mode = {GetScreenWidthSetting(), GetScreenHeightSetting(), GetScreenColorBits(),
                     GetScreenRefreshRate()};
  return mode;
}

bool SameMode(const ScreenMode &a, const ScreenMode &b) {
  return a.width == b.width && a.height == b.height && a.bits == b.bits &&
         a.refresh == b.refresh;
}

bool Is320x240(int width, int height) { return width == 320 && height == 240; }

void Store(const ScreenMode &mode) {
  StoreScreenMode(mode.width, mode.height, mode.bits, mode.refresh);
}

bool IsSupportedColorBits(int bits) { return bits == 8 || bits == 16 || bits == 32; }

// The mode a request aims at, with the 320 x 240 emulation flag set or
// cleared to match it.
ScreenMode TargetMode(const ScreenModeRequest &request) {
  const ScreenMode current = CurrentMode();
  ScreenMode target = {KeepOr(request.width, current.width),
                       KeepOr(request.height, current.height),
                       KeepOr(request.colorBits, current.bits),
                       KeepOr(request.refreshRate, current.refresh)};
  if (!IsFullScreenMode()) {
    // Leaving full screen while it emulated 320 x 240: a real 320 x 240 window.
    if (request.force == 1 && GetEmulation320x240Flag() && current.width == 640 &&
        current.height == 480) {
      target.width = 320;
      target.height = 240;
    }
    SetEmulation320x240Flag(0);
  } else if (Is320x240(target.width, target.height)) {
    SetEmulation320x240Flag(1);
    target.width = 640;
    target.height = 480;
  } else {
    SetEmulation320x240Flag(0);
  }
  return target;
}

// Starts graphics in the target mode or, failing that, in each fallback in
// turn; the last one failing ends the process.
void StartWithFallbacks(const ScreenMode &target, const ScreenMode &previous) {
  Store(target);
  if (StartGraphicsSystem() == 0) return;
  if (Is320x240(target.width, target.height)) {
    const ScreenMode emulated = {640, 480, target.bits, target.refresh};
    Store(emulated);
    SetEmulation320x240(1);
    if (StartGraphicsSystem() == 0) return;
  }
  Store(previous);
  if (StartGraphicsSystem() == 0) return;
  Store(kLastResortMode);
  SetScreenModeFallbackUsed(1);
  if (StartGraphicsSystem() == 0) return;
  FatalErrorExit("予期せぬ画面モード変更不能現象が起きました2");
}

}  // namespace

int StartGraphicsSystem(void) {
  if (g_graphics.started) return 0;
  ResetGraphTableCounts();
  if (IsFullScreenMode() && Is320x240(GetScreenWidthSetting(), GetScreenHeightSetting())) {
    SetEmulation320x240Flag(1);
    StoreScreenMode(640, 480, GetScreenColorBits(), GetScreenRefreshRate());
  }
  if (InitDirect3D() < 0) {
    EndGraphicsSystem();
    // A failed software-path display change leaves DirectDraw and the
    // library loaded: they go here, as the system never counted as started.
    TerminateDirect3D();
    return -1;
  }
  g_graphics.started = 1;
  if (IsHardwareRenderingActive()) {
    SetupDeviceStates();
  } else {
    CreateSoftwareScreen();
  }
  ResetDrawSettings();
  SetDrawTarget(DRAW_TARGET_FRONT);
  MemImgInitTables();
  InitFontSettings();
  return 0;
}

int EndGraphicsSystem(void) {
  EndFontSystem();
  if (!g_graphics.started) return 0;
  StopDrawTargetTimer();
  DeleteAllGraphHandles();
  DeleteAllVertexBufferHandles();
  DeleteAllIndexBufferHandles();
  DeleteAllShaderHandles();
  EndMaskScreen();
  DeleteAllMaskHandles();
  EndLightSystem();
  TerminateDirect3D();
  ReleaseSoftwareScreen();
  CloseShaderPack();
  g_graphics.started = 0;
  return 0;
}

int IsGraphicsStarted(void) { return g_graphics.started; }

void *GetDirectDrawObject(void) {
  GfxDevice *device = GetGfxDevice();
  return (device && g_d3d.directDrawMade) ? device->DirectDrawObject() : NULL;
}

int ApplyScreenMode(ScreenModeRequest request) {
  const ScreenMode current = CurrentMode();
  const ScreenMode target = TargetMode(request);
  if (SameMode(target, current) && request.force == 0) return 0;
  WriteLogLine("画面モード変更処理を開始します\n");
  IncreaseLogIndent();
  if (g_graphics.started) RememberDefaultFont();
  const ScreenMode previous = current;
  if (!IsFrameworkInitialised() && !IsFrameworkStarting()) {
    DecreaseLogIndent();
    return 0;
  }
  if (g_graphics.started) EndGraphicsSystem();
  StartWithFallbacks(target, previous);
  // The restart deleted every graph and draw buffer; the models live on.
  if (IsHardwareRenderingActive() == 1) RemakeModelGraphicsAfterModeChange();
  GfxDevice *device = GetGfxDevice();
  if (device && device->IsWindowed()) device->RestyleWindow();
  RecreateRememberedDefaultFont();
  DecreaseLogIndent();
  WriteLogLine("画面モード変更処理は正常に終了しました\n");
  PumpMessagesUnlocked();
  SetDrawTarget(GetDrawTarget());
  return 0;
}

int SetScreenMode(int width, int height, int colorBits, int refreshRate) {
  if (width <= 0 || height <= 0 || !IsSupportedColorBits(colorBits)) return -1;
  if (!IsFrameworkInitialised()) {
    StoreScreenMode(width, height, colorBits, refreshRate);
    return 0;
  }
  const ScreenMode before = CurrentMode();
  const ScreenMode asked = {width, height, colorBits, refreshRate};
  SetScreenModeFallbackUsed(0);
  const ScreenModeRequest request = {width, height, colorBits, 0, refreshRate};
  ApplyScreenMode(request);
  if (SameMode(CurrentMode(), asked)) return 0;
  if (GetScreenModeFallbackUsed() && !SameMode(kLastResortMode, before)) return -2;
  return -1;
}

int TestDeviceWithPresent(void) {
  GfxDevice *device = GetGfxDevice();
  if (IsGraphicsDeviceLost()) return -1;
  if (!device || !IsHardwareRenderingActive()) return 0;
  EndDeviceScene();
  return device->Present() < 0 ? -1 : 0;
}

int SetGraphReloadCallback(GraphReloadCallback reload) {
  g_drawSettings.graphReload = reload ? reload : RestoreAllGraphs;
  return 0;
}

int HasGraphReloadCallback(void) { return g_drawSettings.graphReload ? 1 : 0; }

int ReloadGraphicsResources(void) {
  if (g_drawSettings.graphReload) {
    g_drawSettings.graphReload();
  } else {
    RestoreAllGraphs();
  }
  VLMReloadTextures();
  ReloadAllFonts();
  return 0;
}
