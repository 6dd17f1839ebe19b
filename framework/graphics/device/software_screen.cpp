// The software path's screen: a MEMIMG of the screen size that the software
// renderer draws into, with two work images beside it.
#include <string.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "softrender/softrender.h"
#include "velvane.h"

namespace {

struct SoftwareScreen {
  MEMIMG screen;
  MEMIMG work;
  MEMIMG workAlpha;
};

SoftwareScreen g_software;

const int kFormat16 = 0;
const int kFormat32 = 1;

int Make(MEMIMG *image, int format, int alpha) {
  memset(image, 0, sizeof *image);
  return MemImgCreate(image, GetScreenWidthSetting(), GetScreenHeightSetting(), -1, 0, format, 0,
                      alpha, 0, NULL);
}

}  // namespace

int CreateSoftwareScreen(void) {
  ReleaseSoftwareScreen();
  const int format = GetScreenColorBits() == 16 ? kFormat16 : kFormat32;
  if (Make(&g_software.screen, format, 0) < 0) {
    FatalErrorExit("プライマリサーフェス用の MEMIMG の作成に失敗しました");
  }
  Make(&g_software.work, format, 0);
  Make(&g_software.workAlpha, format, 1);
  MemImgFillRect(&g_software.screen, NULL, D3D_BACKGROUND_COLOR);
  return 0;
}

void ReleaseSoftwareScreen(void) {
  MemImgRelease(&g_software.screen);
  MemImgRelease(&g_software.work);
  MemImgRelease(&g_software.workAlpha);
}

MEMIMG *GetSoftwareScreenImage(void) {
  return MemImgIsValid(&g_software.screen) ? &g_software.screen : NULL;
}

MEMIMG *GetSoftwareWorkImage(int alpha) {
  MEMIMG *image = alpha ? &g_software.workAlpha : &g_software.work;
  return MemImgIsValid(image) ? image : NULL;
}
