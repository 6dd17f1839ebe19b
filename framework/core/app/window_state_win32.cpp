#include "core/app/window_state.h"

#include <string.h>

#include "graphics/device/screen_settings.h"

WindowState g_windowState = {
    // Full screen unless the program asks for window mode; scale 1.
    {0, "", "", 0, 0, 1.0, 1.0, 0},
    {0, NULL, NULL},
    {},
};

void ResetWindowRuntime(void) { memset(&g_windowState.window, 0, sizeof(g_windowState.window)); }

int IsMainThread(void) {
  return GetCurrentThreadId() == g_windowState.window.mainThreadId ? 1 : 0;
}

DWORD WindowModeStyle(void) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  if (g_windowState.settings.styleApplied) style |= WS_VISIBLE;
  return style;
}

DWORD WindowModeExStyle(void) { return WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE; }

void ScaledClientSize(int *width, int *height) {
  double scaleX = 1.0;
  double scaleY = 1.0;
  GetWindowScale(&scaleX, &scaleY);
  *width = static_cast<int>(GetScreenWidthSetting() * scaleX);
  *height = static_cast<int>(GetScreenHeightSetting() * scaleY);
}

RECT WindowModeFrameRect(void) {
  int width = 0, height = 0;
  ScaledClientSize(&width, &height);
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, WindowModeStyle(), FALSE, WindowModeExStyle());
  return outer;
}

HICON LoadWindowIcon(int id) {
  return id ? LoadIconA(g_windowState.window.instance, MAKEINTRESOURCEA(id))
            : LoadIconA(NULL, IDI_APPLICATION);
}

void ForceCursorVisibility(int show) {
  WindowRuntime &run = g_windowState.window;
  if (show) {
    while (ShowCursor(TRUE) < 0) {
    }
  } else {
    while (ShowCursor(FALSE) >= 0) {
    }
  }
  run.cursorVisible = show ? 1 : 0;
  if (run.mainWindow) PostMessageA(run.mainWindow, WM_SETCURSOR, reinterpret_cast<WPARAM>(run.mainWindow), HTCLIENT);
}
