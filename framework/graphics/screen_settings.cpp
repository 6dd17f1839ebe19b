#include "graphics/screen_settings.h"

namespace {

struct ScreenSettings {
  int width;
  int height;
  int colorBits;
};

ScreenSettings g_screen = {640, 480, 16};

}  // namespace

int GetScreenWidthSetting(void) { return g_screen.width; }

int GetScreenHeightSetting(void) { return g_screen.height; }

int GetScreenColorBits(void) { return g_screen.colorBits; }
