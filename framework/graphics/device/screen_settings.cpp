#include "graphics/device/screen_settings.h"

#include "core/base/core_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/device/gfx_device.h"
#include "graphics/device/graphics_system.h"

namespace {

struct ScreenSettings {
  int width;
  int height;
  int colorBits;
  int refreshRate;
  int emulation320x240;
  int noHardware;
  int hardwareActive;
  int lastResortUsed;
};

ScreenSettings g_screen = {640, 480, 16, 0, 0, 0, 0, 0};

}  // namespace

int GetScreenWidthSetting(void) { return g_screen.width; }

int GetScreenHeightSetting(void) { return g_screen.height; }

int GetScreenSizeSetting(int *width, int *height) {
  if (width) *width = g_screen.width;
  if (height) *height = g_screen.height;
  return 0;
}

int GetScreenColorBits(void) { return g_screen.colorBits; }

int GetScreenRefreshRate(void) { return g_screen.refreshRate; }

void StoreScreenMode(int width, int height, int colorBits, int refreshRate) {
  g_screen.width = width;
  g_screen.height = height;
  g_screen.colorBits = colorBits;
  g_screen.refreshRate = refreshRate;
}

int GetEmulation320x240Flag(void) { return g_screen.emulation320x240; }

void SetEmulation320x240Flag(int on) { g_screen.emulation320x240 = on ? 1 : 0; }

int SetEmulation320x240(int on) {
  g_drawSettings.emulate320x240 = on ? 1 : 0;
  return 0;
}

int IsEmulating320x240(void) {
  return (g_screen.emulation320x240 || g_drawSettings.emulate320x240) ? 1 : 0;
}

int SetUseHardwareRendering(int use) {
  if (IsFrameworkInitialised()) return -1;
  g_screen.noHardware = use ? 0 : 1;
  return 0;
}

void StoreUseHardwareRendering(int use) { g_screen.noHardware = use ? 0 : 1; }

int GetUseHardwareRendering(void) { return g_screen.noHardware ? 0 : 1; }

int IsHardwareRenderingActive(void) { return g_screen.hardwareActive; }

void SetHardwareRenderingActive(int on) { g_screen.hardwareActive = on ? 1 : 0; }

int GetScreenModeFallbackUsed(void) { return g_screen.lastResortUsed; }

void SetScreenModeFallbackUsed(int used) { g_screen.lastResortUsed = used; }

int GetLogicalScreenInfo(int *width, int *height, int *colorBits) {
  const bool emulating = IsEmulating320x240() != 0;
  if (width) *width = emulating ? 320 : g_screen.width;
  if (height) *height = emulating ? 240 : g_screen.height;
  if (colorBits) *colorBits = g_screen.colorBits;
  return 0;
}

int IsFullScreenMode(void) {
  GfxDevice *device = GetGfxDevice();
  return (device && !device->IsWindowed()) ? 1 : 0;
}
