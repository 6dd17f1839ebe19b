// The small setters and getters of the window system.
#include <windows.h>

#include "core/util/strings.h"
#include "core/base/system_info.h"
#include "core/app/window_state.h"
#include "graphics/device/screen_settings.h"

namespace {

int Clamp(int value, int low, int high) { return value < low ? low : (value > high ? high : value); }

}  // namespace

int IsProgramEnding(void) { return g_windowState.window.endFlag; }

void *GetWindowHandle(void) { return g_windowState.window.mainWindow; }

int IsWindowedMode(void) { return g_windowState.settings.windowed; }

int GetDesktopMode(int *width, int *height, int *colorBits) {
  const WindowRuntime &run = g_windowState.window;
  int w = run.desktopWidth, h = run.desktopHeight, bits = run.desktopColorBits;
  if (!run.mainWindow) {
    PlatformDesktopSize(&w, &h);
    bits = PlatformDesktopColorBits();
  }
  if (width) *width = w;
  if (height) *height = h;
  if (colorBits) *colorBits = bits;
  return 0;
}

int IsWindowActive(void) { return g_windowState.window.active; }

int GetRunWhileInactive(void) { return g_windowState.settings.runWhileInactive; }

int SetRunWhileInactive(int on) {
  g_windowState.settings.runWhileInactive = on;
  return 0;
}

int IsMmxAvailable(void) { return GetSystemFacts()->mmx; }

int IsCloseRequested(void) { return g_windowState.window.closePosted; }

double GetWindowScale(double *x, double *y) {
  WindowSettings &settings = g_windowState.settings;
  if (settings.scaleX <= 0) settings.scaleX = 1.0;
  if (settings.scaleY <= 0) settings.scaleY = 1.0;
  const bool windowed = settings.windowed != 0;
  if (x) *x = windowed ? settings.scaleX : 1.0;
  if (y) *y = windowed ? settings.scaleY : 1.0;
  return windowed ? settings.scaleX : 1.0;
}

int SetWindowTitle(const char *title) {
  CopyStringN(g_windowState.settings.title, title ? title : "", WINDOW_TEXT_SIZE - 1);
  HWND window = g_windowState.window.mainWindow;
  if (window) SetWindowTextA(window, g_windowState.settings.title);
  return 0;
}

int SetWindowIcon(int resourceId) {
  g_windowState.settings.iconId = resourceId;
  HWND window = g_windowState.window.mainWindow;
  if (window) {
    SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadWindowIcon(resourceId)));
  }
  return 0;
}

int SetMouseCursorVisible(int show) {
  WindowRuntime &run = g_windowState.window;
  if (show != -1) run.cursorSetting = show ? 1 : 0;
  if (show == -1 || run.cursorSetting != run.cursorVisible) ForceCursorVisibility(run.cursorSetting);
  return 0;
}

int GetMousePosition(int *x, int *y) {
  const WindowRuntime &run = g_windowState.window;
  POINT cursor = {0, 0};
  GetCursorPos(&cursor);
  if (g_windowState.settings.windowed) {
    double scaleX = 1.0, scaleY = 1.0;
    GetWindowScale(&scaleX, &scaleY);
    cursor.x = static_cast<LONG>((cursor.x - run.clientRect.left) / scaleX);
    cursor.y = static_cast<LONG>((cursor.y - run.clientRect.top) / scaleY);
  }
  if (x) *x = cursor.x;
  if (y) *y = cursor.y;
  return 0;
}

int SetMousePosition(int x, int y) {
  const WindowRuntime &run = g_windowState.window;
  x = Clamp(x, 0, GetScreenWidthSetting());
  y = Clamp(y, 0, GetScreenHeightSetting());
  if (g_windowState.settings.windowed) {
    x += run.clientRect.left;
    y += run.clientRect.top;
  }
  SetCursorPos(x, y);
  return 0;
}

int GetClientScreenRect(Rect *out) {
  if (!out) return -1;
  const RECT &client = g_windowState.window.clientRect;
  *out = Rect{client.left, client.top, client.right, client.bottom};
  return 0;
}

// No operation of the framework makes a menu.
int ReadMenuItemText(int, char *) { return -1; }
