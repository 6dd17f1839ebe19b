// Small queries and switches over the device record.
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/state/render_state_cache.h"
#include "velvane.h"

namespace {

enum { kDirectDrawCapsSize = 380 };

struct GraphCreationSettings {
  int mipmapLevels;  // -1 the full chain, 0 one level
};

GraphCreationSettings g_graphCreation;

}  // namespace

int SetNewGraphMipmapLevels(int enable, int levels) {
  g_graphCreation.mipmapLevels = enable == 1 ? levels : 0;
  return 0;
}

int GetNewGraphMipmapLevels(void) { return g_graphCreation.mipmapLevels; }

void *GetDisplayHardwareCaps(void *caps) {
  if (caps) memset(caps, 0, kDirectDrawCapsSize);
  return caps;
}

int EnableDeviceDialogBoxMode(int mode) {
  GfxDevice *device = GetGfxDevice();
  if (!device || !g_d3d.deviceMade) return 0;
  EndDeviceScene();
  device->SetDialogBoxMode(mode ? 1 : 0);
  return 0;
}

int ResetDeviceDialogBoxMode(void *menu) {
  GfxDevice *device = GetGfxDevice();
  if (!device || !IsHardwareRenderingActive() || !g_d3d.deviceMade) return 0;
  device->SetDialogBoxMode(0);
  if (menu) device->SetDialogBoxMode(1);
  return 0;
}

int ReturnZeroStub(void) { return 0; }
