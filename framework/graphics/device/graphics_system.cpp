#include "graphics/device/graphics_system.h"

#include "graphics/device/screen_settings.h"

namespace {

struct GraphicsSystemState {
  int started;
  int reloaderInstalled;
  GraphReloadCallback reload;
};

GraphicsSystemState g_graphics;

int KeepOr(int requested, int current) { return requested == -1 ? current : requested; }

}  // namespace

int StartGraphicsSystem(void) {
  g_graphics.started = 1;
  return 0;
}

int EndGraphicsSystem(void) {
  g_graphics.started = 0;
  return 0;
}

int IsGraphicsStarted(void) { return g_graphics.started; }

int IsHardwareRenderingActive(void) { return 0; }

void *GetDirectDrawObject(void) { return nullptr; }

int ApplyScreenMode(ScreenModeRequest mode) {
  StoreScreenMode(KeepOr(mode.width, GetScreenWidthSetting()),
                  KeepOr(mode.height, GetScreenHeightSetting()),
                  KeepOr(mode.colorBits, GetScreenColorBits()),
                  KeepOr(mode.refreshRate, GetScreenRefreshRate()));
  return 0;
}

int RestoreGraphicsDevice(void) { return 0; }

int TestDeviceWithPresent(void) { return 0; }

int SetGraphReloadCallback(GraphReloadCallback reload) {
  g_graphics.reload = reload;
  g_graphics.reloaderInstalled = 1;
  return 0;
}

int HasGraphReloadCallback(void) { return g_graphics.reloaderInstalled; }
