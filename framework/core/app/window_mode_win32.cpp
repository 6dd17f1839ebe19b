// Switching between window mode and full screen, and fitting the window to
// the screen size.
#include <windows.h>

#include "core/base/core_state.h"
#include "core/base/system_info.h"
#include "core/debug/log.h"
#include "core/app/window_state.h"
#include "graphics/device/display_modes.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"

namespace {

// A display change takes effect within a few frames; past this the mode is
// taken as unchanged (some systems never report one).
const uint32_t kDisplayChangeWaitMilliseconds = 2000;
const int kMenuAutoShowHeight = 60;

struct DisplayMode {
  DWORD width;
  DWORD height;
  DWORD bits;
};

DisplayMode CurrentDisplayMode(void) {
  DEVMODEA mode;
  ZeroMemory(&mode, sizeof(mode));
  mode.dmSize = sizeof(mode);
  DisplayMode current = {0, 0, 0};
  if (EnumDisplaySettingsA(NULL, ENUM_CURRENT_SETTINGS, &mode)) {
    current.width = mode.dmPelsWidth;
    current.height = mode.dmPelsHeight;
    current.bits = mode.dmBitsPerPel;
  }
  return current;
}

bool SameDisplayMode(const DisplayMode &a, const DisplayMode &b) {
  return a.width == b.width && a.height == b.height && a.bits == b.bits;
}

int PrepareFullScreenSize(void) {
  if (!IsFullScreenSizeAvailable()) return -1;
  StartEmulationFor320x240();
  return 0;
}

void WaitForDisplayChange(const DisplayMode &before) {
  const WindowRuntime &run = g_windowState.window;
  if (SameDisplayMode(before, CurrentDisplayMode())) return;
  const int start = GetNowMilliseconds();
  while (!run.displayChanged && !run.endFlag &&
         ElapsedMilliseconds(start, GetNowMilliseconds()) < kDisplayChangeWaitMilliseconds) {
    if (PumpMessagesUnlocked() != 0) break;
    Sleep(1);
  }
}

int RebuildForMode(int windowed) {
  WindowRuntime &run = g_windowState.window;
  const DisplayMode before = CurrentDisplayMode();
  run.modeChanging = 1;
  ApplyWindowModeStyle();
  ScreenModeRequest keep = {-1, -1, -1, 1, -1};
  const int result = ApplyScreenMode(keep);
  WaitForDisplayChange(before);
  run.modeChanging = 0;
  if (!windowed) run.menuShowCounter = 0;
  return result;
}

void ApplyWindowedStyle(void) {
  const WindowRuntime &run = g_windowState.window;
  WriteLogLine("ウインドウスタイルをウインドウモード用に変更します... ");
  SetWindowLongPtrA(run.mainWindow, GWL_EXSTYLE, WindowModeExStyle());
  SetWindowLongPtrA(run.mainWindow, GWL_STYLE, WindowModeStyle());
  const RECT outer = WindowModeFrameRect();
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  int x = (run.desktopWidth - outerWidth) / 2;
  int y = (run.desktopHeight - outerHeight) / 2;
  SetWindowPos(run.mainWindow, HWND_NOTOPMOST, x, y, outerWidth, outerHeight, SWP_FRAMECHANGED);
  // A window larger than the desktop keeps its client area on the screen.
  POINT origin = {0, 0};
  ClientToScreen(run.mainWindow, &origin);
  if (origin.x < 0 || origin.y < 0) {
    if (origin.x < 0) x -= origin.x;
    if (origin.y < 0) y -= origin.y;
    SetWindowPos(run.mainWindow, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  SetMouseCursorVisible(1);
  WriteLogLine("完了\n");
}

void ApplyFullScreenStyle(void) {
  WindowRuntime &run = g_windowState.window;
  WriteLogLine("ウインドウスタイルをフルスクリーンモード用に変更します... ");
  SetWindowLongPtrA(run.mainWindow, GWL_EXSTYLE, WS_EX_TOPMOST);
  SetWindowLongPtrA(run.mainWindow, GWL_STYLE, WS_POPUP);
  const int width = GetScreenWidthSetting();
  const int height = GetScreenHeightSetting();
  run.clientRect.left = 0;
  run.clientRect.top = 0;
  run.clientRect.right = width;
  run.clientRect.bottom = height;
  ShowWindow(run.mainWindow, SW_SHOW);
  UpdateWindow(run.mainWindow);
  SetWindowPos(run.mainWindow, HWND_TOPMOST, 0, 0, width, height, SWP_NOREDRAW);
  SetMouseCursorVisible(0);
  WriteLogLine("完了\n");
}

}  // namespace

int IsFullScreenSizeAvailable(void) {
  int width = 0, height = 0;
  GetScreenSizeSetting(&width, &height);
  const bool is320x240 = width == 320 && height == 240;
  return (HasDisplayModeOfSize(width, height) || (is320x240 && GetUseHardwareRendering())) ? 1 : 0;
}

void StartEmulationFor320x240(void) {
  if (GetScreenWidthSetting() != 320 || GetScreenHeightSetting() != 240) return;
  SetEmulation320x240Flag(1);
  StoreScreenMode(640, 480, GetScreenColorBits(), GetScreenRefreshRate());
}

int ChangeWindowMode(int windowed) {
  WriteLogLine("ChangeWindowMode実行 \n");
  windowed = windowed ? 1 : 0;
  if (windowed == g_windowState.settings.windowed) return 0;
  const WindowRuntime &run = g_windowState.window;
  if (!windowed && run.mainWindow && PrepareFullScreenSize() < 0) return -1;
  g_windowState.settings.styleApplied = 1;
  g_windowState.window.displayChanged = 0;
  RecordWindowMode(windowed);
  if (!run.mainWindow) return 0;
  return RebuildForMode(windowed);
}

int RecordWindowMode(int windowed) {
  g_windowState.settings.windowed = windowed;
  WriteLogLine(windowed ? "ウインドウモードフラグが立てられました\n"
                        : "ウインドウモードフラグが倒されました\n");
  return 0;
}

int ApplyWindowModeStyle(void) {
  if (!g_windowState.window.mainWindow) return 0;
  if (g_windowState.settings.windowed) {
    ApplyWindowedStyle();
  } else {
    ApplyFullScreenStyle();
  }
  return 0;
}

int FitWindowToScreenSize(void) {
  WindowRuntime &run = g_windowState.window;
  if (!run.mainWindow) return 0;
  int width = 0, height = 0;
  ScaledClientSize(&width, &height);
  RECT outer, client;
  GetWindowRect(run.mainWindow, &outer);
  GetClientRect(run.mainWindow, &client);
  const int frameWidth = (outer.right - outer.left) - client.right;
  const int frameHeight = (outer.bottom - outer.top) - client.bottom;
  MoveWindow(run.mainWindow, outer.left, outer.top, width + frameWidth, height + frameHeight, TRUE);
  run.clientRect.right = run.clientRect.left + width;
  run.clientRect.bottom = run.clientRect.top + height;
  if (g_windowState.settings.windowed && !g_windowState.settings.styleApplied) {
    g_windowState.settings.styleApplied = 1;
    ApplyWindowModeStyle();
  }
  return 0;
}

// No operation of the framework makes a menu, so there is none to show.
int ShowMenuBar(int) { return 0; }

int UpdateMenuAutoShow(void) {
  const WindowRuntime &run = g_windowState.window;
  if (g_windowState.settings.windowed) return 0;
  if (IsHardwareRenderingActive()) {
    POINT cursor;
    if (!GetCursorPos(&cursor) || cursor.y >= kMenuAutoShowHeight) return 0;
  }
  SetMouseCursorVisible(run.cursorSetting);
  return 0;
}

int SetDesktopComposition(int enable) {
  WindowRuntime &run = g_windowState.window;
  const int off = enable ? 0 : 1;
  if (off == run.compositionOff) return 0;
  run.compositionOff = off;
  DwmEnableCompositionFunction dwmEnable = g_windowState.lifecycle.dwmEnableComposition;
  if (dwmEnable) dwmEnable(enable ? 1 : 0);
  return 0;
}
