#include "graphics/device/screen_settings.h"

#include "core/base/core_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/device/graphics_system.h"

namespace {

struct ScreenSettings {
  int width;
  int height;
  int colorBits;
  int refreshRate;
  int emulation320x240;
  int noHardware;
};

ScreenSettings g_screen = {640, 480, 16, 0, 0, 0};

bool IsSupportedColorBits(int bits) { return bits == 8 || bits == 16 || bits == 32; }

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

int SetScreenMode(int width, int height, int colorBits, int refreshRate) {
  // A 24-bit screen is refused here already, so a start-up never meets it.
  if (width <= 0 || height <= 0 || !IsSupportedColorBits(colorBits)) return -1;
  if (!IsFrameworkInitialised()) {
    StoreScreenMode(width, height, colorBits, refreshRate);
    return 0;
  }
  ScreenModeRequest request = {width, height, colorBits, 0, refreshRate};
  return ApplyScreenMode(request);
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

int GetUseHardwareRendering(void) { return g_screen.noHardware ? 0 : 1; }
