// The main window's procedure: turns window messages into framework state
// (activity, end of program, typed characters, dropped files, display
// changes).
#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include "core/input/char_ring.h"
#include "core/base/core_state.h"
#include "core/input/input_devices.h"
#include "core/input/key_input.h"
#include "core/debug/memory.h"
#include "core/net/network.h"
#include "core/base/system_info.h"
#include "core/app/window_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/device/graphics_system.h"
#include "graphics/draw/present.h"
#include "graphics/device/screen_settings.h"
#include "sound/core/sound_services.h"

namespace {

const UINT kInputMessageFirst = 0x46F;
const UINT kInputMessageSecond = 0x470;
const UINT kSocketMessage = 0x505;
const int kMenuHitHeight = 8;

struct EditKey {
  WPARAM virtualKey;
  int code;
};

const EditKey kEditKeys[] = {
    {VK_DELETE, CONTROL_CODE_DELETE}, {VK_LEFT, CONTROL_CODE_LEFT},
    {VK_RIGHT, CONTROL_CODE_RIGHT},   {VK_UP, CONTROL_CODE_UP},
    {VK_DOWN, CONTROL_CODE_DOWN},     {VK_HOME, CONTROL_CODE_HOME},
    {VK_END, CONTROL_CODE_END},       {VK_PRIOR, CONTROL_CODE_PAGE_UP},
    {VK_NEXT, CONTROL_CODE_PAGE_DOWN},
};

// Control characters the key-input editor acts on: Ctrl+A, Ctrl+C,
// Backspace, Tab, Enter, Ctrl+P, Ctrl+V, Ctrl+X, Escape.
bool IsEditingCharacter(WPARAM c) {
  switch (c) {
    case 1: case 3: case 8: case 9: case 13: case 16: case 22: case 24: case 27:
      return true;
    default:
      return false;
  }
}

void PushTypedCharacter(WPARAM c) {
  if (c == 10) {
    PushInputChar(13);
  } else if (c >= 32 || IsEditingCharacter(c)) {
    PushInputChar(static_cast<int>(c));
  }
}

void PushEditKey(WPARAM virtualKey) {
  if (IsCharRingFull()) return;
  for (const EditKey &key : kEditKeys) {
    if (key.virtualKey == virtualKey) {
      PushInputChar(key.code);
      return;
    }
  }
}

void StoreWindowRect(HWND window) { GetWindowRect(window, &g_windowState.window.windowRect); }

void OnActivated(WPARAM wParam) {
  const WindowSettings &settings = g_windowState.settings;
  StartImeRestoreIfOpen();
  if (!settings.windowed && IsFrameworkInitialised()) {
    if (HIWORD(wParam) == 0) RestoreGraphicsDevice();
    ResumeAllMovies();
  } else {
    if (settings.windowed && TestDeviceWithPresent() < 0) RestoreGraphicsDevice();
    if (!settings.runWhileInactive) ResumeAllMovies();
  }
  RefreshInputAcquire();
}

void OnDeactivated(void) {
  WindowRuntime &run = g_windowState.window;
  const WindowSettings &settings = g_windowState.settings;
  if (!settings.windowed) {
    if (GetSystemFacts()->osCode >= OS_CODE_VISTA || !IsHardwareRenderingActive()) {
      ChangeDisplaySettingsA(NULL, 0);
      ShowWindow(run.mainWindow, SW_MINIMIZE);
    }
    if (GetDirectDrawObject()) {
      if (run.compositionOff) SetDesktopComposition(1);
      PauseAllMovies();
      run.moviesPausedBySystem = 1;
      return;
    }
  }
  if (!settings.runWhileInactive) PauseAllMovies();
  RefreshInputAcquire();
}

void OnActivation(WPARAM wParam, int active) {
  WindowRuntime &run = g_windowState.window;
  run.active = active;
  if (run.creating) return;
  if (active) {
    OnActivated(wParam);
  } else {
    OnDeactivated();
  }
  RefreshJoypadEffects();
}

void OnPaint(HWND window) {
  WindowRuntime &run = g_windowState.window;
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  if (g_windowState.settings.windowed) {
    run.painting = 1;
    if (!IsFrameworkInitialised()) {
      FillRect(paint.hdc, &paint.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    } else if (GetDrawTarget() == DRAW_TARGET_BACK) {
      // A repaint must not stall the window procedure on the vertical blank.
      const int waitOff = g_drawSettings.vsyncWaitOff;
      g_drawSettings.vsyncWaitOff = 1;
      const Rect dirty = {paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right,
                          paint.rcPaint.bottom};
      PresentScreenRect(&dirty);
      g_drawSettings.vsyncWaitOff = waitOff;
    }
    run.painting = 0;
  }
  EndPaint(window, &paint);
}

void OnClose(void) {
  WindowRuntime &run = g_windowState.window;
  WriteLogLine("ウインドウを閉じようとしています\n");
  DestroyWindow(run.mainWindow);
  if (run.endingState == ENDING_NONE) run.endingState = ENDING_USER_CLOSE;
}

void OnDestroy(void) {
  WindowRuntime &run = g_windowState.window;
  WriteLogLine("ウインドウが破棄されようとしています\n");
  run.destroyed = 1;
  PostQuitMessage(0);
  run.endFlag = 1;
  WriteLogLine("ソフトを終了する準備が整いました\n");
}

// A change the drawing can live with: the program can reload its graphs,
// the depth is neither 24 bits nor a drop to 8 bits, and the screen still
// holds the picture.
bool IsUsableDisplayChange(int bits, int width, int height) {
  if (!HasGraphReloadCallback() || bits == 24) return false;
  if (bits == 8 && GetScreenColorBits() != 8) return false;
  return width >= GetScreenWidthSetting() && height >= GetScreenHeightSetting();
}

void OnDisplayChange(WPARAM wParam, LPARAM lParam) {
  WindowRuntime &run = g_windowState.window;
  if (!g_windowState.settings.windowed || run.modeChanging) {
    run.displayChanged = 1;
    return;
  }
  const int bits = static_cast<int>(wParam);
  const int width = LOWORD(lParam);
  const int height = HIWORD(lParam);
  if (bits == GetScreenColorBits() && width == GetScreenWidthSetting() &&
      height == GetScreenHeightSetting()) {
    run.displayChanged = 1;
  } else if (IsUsableDisplayChange(bits, width, height)) {
    ResumeAllMovies();
    run.displayChanged = 1;
  } else {
    WriteLogLine("復元関数が登録されていないためか画面が２４ビットカラーに変更されたため終了します\n");
    WriteLogLine("またはスクリーンが小さすぎるためか色ビット数の違いが大きいためか終了します\n");
    if (!run.closePosted) {
      PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
      run.closePosted = 1;
    }
  }
}

void OnMouseMessage(UINT message) {
  if (message == WM_LBUTTONDOWN) RecordMouseClick(1);
  if (message == WM_RBUTTONDOWN) RecordMouseClick(2);
  if (message == WM_MBUTTONDOWN) RecordMouseClick(4);
  if (g_windowState.window.cursorSetting == 0) {
    SetCursor(NULL);
    while (ShowCursor(FALSE) >= 0) {
    }
  }
}

void OnDropFiles(HDROP drop) {
  WindowRuntime &run = g_windowState.window;
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFFu, NULL, 0);
  for (UINT i = 0; i < count && run.droppedFileCount < MAX_DROPPED_FILES; i++) {
    const UINT length = DragQueryFileA(drop, i, NULL, 0);
    char *name = static_cast<char *>(VV_ALLOC(length + 1));
    if (!name) break;
    DragQueryFileA(drop, i, name, length + 1);
    run.droppedFiles[run.droppedFileCount++] = name;
  }
  DragFinish(drop);
}

bool IsScreenSaverCommand(WPARAM wParam) {
  const WPARAM command = wParam & 0xFFF0;
  return command == SC_SCREENSAVE || command == SC_MONITORPOWER;
}

bool IsImeMessage(UINT message) {
  return message == WM_IME_STARTCOMPOSITION || message == WM_IME_ENDCOMPOSITION ||
         message == WM_IME_COMPOSITION || message == WM_IME_SETCONTEXT ||
         message == WM_IME_NOTIFY;
}

// The size follows the screen setting; the re-entry guard keeps the move
// that fitting makes from fitting again.
void OnSize(HWND window, WPARAM wParam) {
  static int fitting = 0;
  StoreWindowRect(window);
  if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED || fitting) return;
  fitting = 1;
  FitWindowToScreenSize();
  fitting = 0;
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRuntime &run = g_windowState.window;
  if (IsImeMessage(message)) {
    return static_cast<LRESULT>(HandleImeMessage(wParam, message, window, lParam));
  }
  switch (message) {
    case WM_MOVE:
      StoreWindowRect(window);
      if (g_windowState.settings.windowed && !run.modeChanging) {
        UpdateClientRect(static_cast<int>(lParam));
      }
      break;
    case WM_SIZE:
      OnSize(window, wParam);
      break;
    case WM_ACTIVATE:
      OnActivation(wParam, LOWORD(wParam) != WA_INACTIVE);
      break;
    case WM_ACTIVATEAPP:
      if (wParam == 0) OnActivation(wParam, 0);
      break;
    case WM_PAINT:
      OnPaint(window);
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      break;
    case WM_DISPLAYCHANGE:
      OnDisplayChange(wParam, lParam);
      break;
    case WM_SETCURSOR: case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP:
      OnMouseMessage(message);
      break;
    case WM_NCHITTEST:
      if (!g_windowState.settings.windowed && IsHardwareRenderingActive() &&
          static_cast<short>(HIWORD(lParam)) < kMenuHitHeight) {
        return HTMENU;
      }
      break;
    case WM_KEYDOWN:
      PushEditKey(wParam);
      break;
    case WM_CHAR:
      PushTypedCharacter(wParam);
      break;
    case WM_SYSCOMMAND:
      if (IsScreenSaverCommand(wParam)) return 1;
      break;
    case WM_MOVING:
      if (!g_windowState.settings.windowed && run.mainWindow) {
        GetWindowRect(run.mainWindow, reinterpret_cast<RECT *>(lParam));
      }
      break;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      break;
    case MM_MCINOTIFY:
      HandleMidiPlayEnd();
      break;
    case kInputMessageFirst:
    case kInputMessageSecond: {
      const int index = message == kInputMessageFirst ? 0 : 1;
      if (wParam == 1) {
        SetInputMessageFlag(index);
      } else {
        ClearInputMessageFlag(index);
      }
      break;
    }
    case kSocketMessage:
      return HandleSocketMessage(wParam, lParam);
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
