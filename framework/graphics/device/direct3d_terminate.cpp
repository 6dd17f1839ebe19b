#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/display_modes.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/state/render_state_cache.h"
#include "model/draw/model_draw_buffers.h"

int TerminateDirect3D(void) {
  GfxDevice *device = GetGfxDevice();
  VLMReleaseAllDrawBuffers();
  ReleaseBoundShaderObjects();
  ReleaseBuiltinShaders();
  ForgetDeviceBindings();
  if (device && g_d3d.libraryLoaded) {
    // The display was switched by this module itself (the device's own
    // exclusive mode restores itself when it goes).
    const bool changedDisplay =
        !IsHardwareRenderingActive() || (device->IsVistaOrLater() && IsEmulating320x240());
    if (!device->IsWindowed() && changedDisplay) device->RestoreDesktopDisplayMode();
    ReleaseHardwareObjects();
    if (g_d3d.directDrawMade) device->ReleaseDirectDraw();
    g_d3d.directDrawMade = 0;
    device->FreeD3DLibrary();
    g_d3d.libraryLoaded = 0;
  }
  FreeDisplayModeList();
  return 0;
}
