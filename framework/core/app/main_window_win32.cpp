// Creation and teardown of the main window, with the system checks that
// precede it (timer precision, double start, window class).
#include <windows.h>
#include <mmsystem.h>

#include "core/base/core_state.h"
#include "core/input/key_input.h"
#include "core/debug/log.h"
#include "core/debug/log_text.h"
#include "core/debug/memory.h"
#include "core/base/platform.h"
#include "core/util/strings.h"
#include "core/base/system_info.h"
#include "core/app/window_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/device/mask_screen.h"
#include "graphics/device/screen_settings.h"

namespace {

const char kDefaultTitle[] = "Velvane";
const char kFallbackClassName[] = "Q730415M";
const uint32_t kTimerTestMilliseconds = 1000;
const int kTimerTestChanges = 60;

void LookUpLayeredWindowPresenter(void) {
  HMODULE user = LoadLibraryA("user32");
  if (!user) return;
  g_windowState.window.updateLayeredWindow = GetProcAddress(user, "UpdateLayeredWindow");
  FreeLibrary(user);
}

void DefaultClassName(void) {
  WindowSettings &settings = g_windowState.settings;
  if (settings.className[0] != '\0') return;
  CopyStringN(settings.className, settings.title[0] ? settings.title : kFallbackClassName,
              WINDOW_TEXT_SIZE - 1);
}

void RecordDesktop(void) {
  WindowRuntime &run = g_windowState.window;
  PlatformDesktopSize(&run.desktopWidth, &run.desktopHeight);
  run.desktopColorBits = PlatformDesktopColorBits();
}

// Chooses the clock whose value changes more often while messages flow.
void TestTimerPrecision(void) {
  SystemFacts *facts = GetSystemFacts();
  if (!facts->performanceCounterAvailable) return;
  WriteLogLine("タイマーの精度を検査します\n");
  const uint32_t start = timeGetTime();
  uint32_t lastTime = start;
  int64_t lastCount = PlatformPerformanceCounter();
  int timeChanges = 0, countChanges = 0;
  while (timeGetTime() - start < kTimerTestMilliseconds && timeChanges < kTimerTestChanges &&
         countChanges < kTimerTestChanges) {
    if (PumpMessagesUnlocked() != 0) break;
    const uint32_t now = timeGetTime();
    const int64_t count = PlatformPerformanceCounter();
    if (now != lastTime) timeChanges++, lastTime = now;
    if (count != lastCount) countChanges++, lastCount = count;
  }
  WriteLogLineFormat("精度結果 更新回数 マルチメディアタイマー：%d  パフォーマンスカウンター：%d",
                     timeChanges, countChanges);
  WriteLogLine(" ");
  if (timeChanges > countChanges) {
    WriteLogLineFormat("マルチメディアタイマーを使用します タイマー分解能 : %d.00 ms ",
                       static_cast<int>(facts->timerPeriod));
    facts->performanceCounterAvailable = 0;
  } else {
    WriteLogLineFormat("パフォーマンスカウンターを使用します タイマー分解能 : %lf KHz ",
                       facts->performanceFrequency / 1000.0);
  }
  WriteLogLine(" ");
}

void SetScreenSaverActive(BOOL active) {
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active, NULL, SPIF_SENDCHANGE);
}

void DeriveCharSet(void) {
  if (GetFrameworkCharSet() != 0) return;
  switch (GetOEMCP()) {
    case 932: SetFrameworkCharSet(1, 932); break;
    case 936: SetFrameworkCharSet(4, 936); break;
    case 949: SetFrameworkCharSet(2, 949); break;
    case 950: SetFrameworkCharSet(3, 950); break;
    default: SetFrameworkCharSet(1, 0); break;
  }
}

int FailCreation(const char *text) {
  g_windowState.window.endFlag = 1;
  return WriteLogLine(text);
}

int CheckDoubleStart(void) {
  WriteLogLine("ソフトの二重起動検査... ");
  if (FindWindowA(g_windowState.settings.className, NULL)) {
    return FailCreation("二重起動されています、ソフトを終了します\n");
  }
  WriteLogLine("二重起動はされていませんでした\n");
  return 0;
}

int RegisterWindowClass(void) {
  WNDCLASSA windowClass;
  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = g_windowState.window.instance;
  windowClass.hIcon = LoadWindowIcon(g_windowState.settings.iconId);
  windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  windowClass.lpszClassName = g_windowState.settings.className;
  WriteLogLine("ウインドウクラスを登録します... ");
  if (!RegisterClassA(&windowClass)) return FailCreation("ウインドウクラスの登録に失敗しました\n");
  WriteLogLine("登録に成功しました\n");
  return 0;
}

HWND CreateWindowModeWindow(void) {
  WindowRuntime &run = g_windowState.window;
  WriteLogLine("ウインドウモード起動用のウインドウを作成します\n");
  run.cursorSetting = 1;
  const RECT outer = WindowModeFrameRect();
  run.captionOffset = -outer.top;
  const int outerWidth = outer.right - outer.left;
  const int outerHeight = outer.bottom - outer.top;
  // The whole window is centred, frame included, as a restyle places it.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
  return CreateWindowExA(WindowModeExStyle(), g_windowState.settings.className,
                         g_windowState.settings.title, WindowModeStyle(), x, y, outerWidth,
                         outerHeight, NULL, NULL, run.instance, NULL);
}

HWND CreateFullScreenWindow(void) {
  WindowRuntime &run = g_windowState.window;
  WriteLogLine("フルスクリーンモード用のウインドウを作成します\n");
  run.cursorSetting = 0;
  return CreateWindowExA(WS_EX_TOPMOST, g_windowState.settings.className,
                         g_windowState.settings.title, WS_POPUP, 0, 0, GetScreenWidthSetting(),
                         GetScreenHeightSetting(), NULL, NULL, run.instance, NULL);
}

void RecordClientRect(void) {
  WindowRuntime &run = g_windowState.window;
  RECT client;
  GetClientRect(run.mainWindow, &client);
  POINT origin = {0, 0};
  ClientToScreen(run.mainWindow, &origin);
  run.clientRect.left = origin.x;
  run.clientRect.top = origin.y;
  run.clientRect.right = origin.x + client.right;
  run.clientRect.bottom = origin.y + client.bottom;
}

// The window and what it needs right after it exists.
int OpenWindow(void) {
  WindowRuntime &run = g_windowState.window;
  const int windowed = g_windowState.settings.windowed;
  HWND window = windowed ? CreateWindowModeWindow() : CreateFullScreenWindow();
  if (!window) {
    run.mainWindow = NULL;
    return FailCreation("ウインドウの作成に失敗しました\n");
  }
  run.mainWindow = window;
  WriteLogLine("ウインドウの作成に成功しました\n");
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  run.closePosted = 0;
  run.destroyed = 0;
  run.active = 1;
  if (!windowed) {
    WriteLogLine("カーソルを不可視にしました\n");
    SetCursor(NULL);
  }
  WriteLogLine("ＩＭＥを無効にしました\n");
  if (!IsImeEnabled()) SetWindowImeEnabled(window, 0);
  if (windowed) RecordClientRect();
  SetMouseCursorVisible(run.cursorSetting);
  run.endingState = ENDING_NONE;
  return 0;
}

}  // namespace

int CreateMainWindow(void) {
  ClearDroppedFileList();
  ResetWindowRuntime();
  WindowRuntime &run = g_windowState.window;
  LookUpLayeredWindowPresenter();
  DefaultClassName();
  run.instance = GetModuleHandleA(NULL);
  run.mainThreadId = GetCurrentThreadId();
  LogMemoryStatus();
  RecordDesktop();
  QueryPerformanceFacts();
  BeginTimerResolution();
  TestTimerPrecision();
  SeedRandom(static_cast<unsigned>(GetNowMilliseconds()));
  SetScreenSaverActive(FALSE);
  DeriveCharSet();
  if (CheckDoubleStart() < 0) return -1;
  run.creating = 1;
  if (RegisterWindowClass() < 0) return -1;
  if (g_windowState.settings.title[0] == '\0') {
    CopyStringN(g_windowState.settings.title, kDefaultTitle, WINDOW_TEXT_SIZE - 1);
  }
  if (OpenWindow() < 0) return -1;
  BringWindowToTop(run.mainWindow);
  FitWindowToScreenSize();
  run.creating = 0;
  return 0;
}

int DestroyMainWindow(void) {
  WindowRuntime &run = g_windowState.window;
  if (!run.mainWindow) return 0;
  SetScreenSaverActive(TRUE);
  SetWindowImeEnabled(run.mainWindow, 1);
  run.cursorSetting = 1;
  if (!run.cursorVisible) ForceCursorVisibility(1);
  if (!run.closePosted) {
    PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
    run.closePosted = 1;
  }
  // Shut-down may be reached from inside the pump's own input steps, where
  // the pump returns at once: those steps end here, or the wait below for
  // the window's end would never see a message.
  run.imeStep = 0;
  run.keyboardStep = 0;
  while (PumpMessagesUnlocked() == 0 && !run.destroyed) {
  }
  // After a quit message the pump drops what is left in the queue, the
  // close request too; the window must go all the same, or the next
  // start-up would take it for a second instance.
  if (!run.destroyed && IsWindow(run.mainWindow)) DestroyWindow(run.mainWindow);
  // The quit message of this window's end must not end the next one.
  MSG quit;
  while (PeekMessageA(&quit, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  UnregisterClassA(g_windowState.settings.className, run.instance);
  DeleteAllKeyInputHandles();
  ClearDroppedFileList();
  EndTimerResolution();
  run.mainWindow = NULL;
  return 0;
}

int BringWindowToFront(HWND window, int topmost) {
  HWND foreground = GetForegroundWindow();
  const DWORD ownThread = GetWindowThreadProcessId(window, NULL);
  const DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, NULL) : 0;
  const bool attach = foregroundThread && foregroundThread != ownThread;
  if (attach) AttachThreadInput(ownThread, foregroundThread, TRUE);
  DWORD timeout = 0;
  SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, NULL, 0);
  SetForegroundWindow(window);
  SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                        reinterpret_cast<void *>(static_cast<uintptr_t>(timeout)), 0);
  if (attach) AttachThreadInput(ownThread, foregroundThread, FALSE);
  if (topmost) {
    SetWindowPos(g_windowState.window.mainWindow, HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  }
  return 0;
}

int UpdateClientRect(int packedPosition) {
  WindowRuntime &run = g_windowState.window;
  const int width = run.clientRect.right - run.clientRect.left;
  const int height = run.clientRect.bottom - run.clientRect.top;
  run.clientRect.left = static_cast<short>(LOWORD(packedPosition));
  run.clientRect.top = static_cast<short>(HIWORD(packedPosition));
  run.clientRect.right = run.clientRect.left + width;
  run.clientRect.bottom = run.clientRect.top + height;
  if (GetDrawTarget() == DRAW_TARGET_FRONT) {
    const int maskSetting = GetMaskEnabled();
    SetMaskEnabled(0);
    SetMaskEnabled(maskSetting);
  }
  const Rect &clip = g_drawSettings.clipRect;
  SetDrawClipRect(clip.left, clip.top, clip.right, clip.bottom);
  return 0;
}

int RecordMouseClick(int button) {
  WindowRuntime &run = g_windowState.window;
  if (run.clickCount >= MAX_CLICK_LOG) return -1;
  ClickEntry &entry = run.clicks[run.clickCount++];
  entry.button = button;
  GetMousePosition(&entry.x, &entry.y);
  return 0;
}

int ClearDroppedFileList(void) {
  WindowRuntime &run = g_windowState.window;
  for (int i = 0; i < run.droppedFileCount; i++) {
    FreeMemory(run.droppedFiles[i]);
    run.droppedFiles[i] = NULL;
  }
  run.droppedFileCount = 0;
  return 0;
}
