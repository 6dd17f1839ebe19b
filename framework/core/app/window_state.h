// The window system's record, shared by the Windows files of the core:
// lifecycle, main window, window procedure, message pump and window mode.
// Its settings part may be set before start-up and outlives window creation;
// its window part is cleared whenever the main window is created. The system
// facts, the log, the memory manager and the API lock keep records of their
// own, so creation never touches them.
#ifndef VELVANE_CORE_WINDOW_STATE_H
#define VELVANE_CORE_WINDOW_STATE_H

#include <windows.h>

#include "core/app/framework_lifecycle.h"

enum {
  WINDOW_TEXT_SIZE = 256,
  MAX_DROPPED_FILES = 1000,
  MAX_CLICK_LOG = 32,
  // Ending state values.
  ENDING_NONE = 0,
  ENDING_SHUTDOWN = 1,
  ENDING_USER_CLOSE = 4
};

typedef HRESULT(WINAPI *DwmEnableCompositionFunction)(UINT action);

// Settings the program may make before start-up.
struct WindowSettings {
  int windowed;
  char title[WINDOW_TEXT_SIZE];
  char className[WINDOW_TEXT_SIZE];
  int iconId;
  int runWhileInactive;
  double scaleX;
  double scaleY;
  // Set by a run-time mode change and the first fit in window mode; from
  // then on the window-mode style carries WS_VISIBLE.
  int styleApplied;
};

// State of the framework's start and end that the window part must not lose.
struct LifecycleState {
  int comInitialised;
  HMODULE dwmModule;
  DwmEnableCompositionFunction dwmEnableComposition;
};

struct ClickEntry {
  int button;  // 1 left, 2 right, 4 middle
  int x;
  int y;
};

// Everything about the current main window; cleared at its creation.
struct WindowRuntime {
  HWND mainWindow;
  HINSTANCE instance;
  DWORD mainThreadId;
  int active;
  int endFlag;
  int destroyed;
  int closePosted;
  int endingState;
  int creating;
  int modeChanging;
  int displayChanged;
  int painting;
  int imeStep;
  // Set while the pump's own pass refreshes the keyboard: the messages were
  // just pumped, so the refresh does not pump again.
  int keyboardStep;
  RECT windowRect;
  RECT clientRect;  // screen coordinates
  int captionOffset;
  int cursorSetting;
  int cursorVisible;
  int desktopWidth;
  int desktopHeight;
  int desktopColorBits;
  FARPROC updateLayeredWindow;
  char *droppedFiles[MAX_DROPPED_FILES];
  int droppedFileCount;
  ClickEntry clicks[MAX_CLICK_LOG];
  int clickCount;
  int compositionOff;
  int menuShowCounter;
  int moviesPausedBySystem;
};

struct WindowState {
  WindowSettings settings;
  LifecycleState lifecycle;
  WindowRuntime window;
};

extern WindowState g_windowState;

// Clears the window part (the settings and lifecycle parts stay).
void ResetWindowRuntime(void);
// 1 on the thread that created the main window.
int IsMainThread(void);
// The window-mode styles.
DWORD WindowModeStyle(void);
DWORD WindowModeExStyle(void);
// The client size in window mode: the screen size times the scale factors.
void ScaledClientSize(int *width, int *height);
// The window-mode window's outer rectangle around that client size, with
// the client area's origin at 0,0 (so top is minus the caption's height).
RECT WindowModeFrameRect(void);
// The program's icon resource, or the system's application icon for id 0.
HICON LoadWindowIcon(int id);
// Calls ShowCursor until the display count matches show; posts WM_SETCURSOR.
void ForceCursorVisibility(int show);

// Internal parts of the window system used across its files.
int CreateMainWindow(void);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int DestroyMainWindow(void);
int BringWindowToFront(HWND window, int topmost);
int UpdateClientRect(int packedPosition);
int RecordMouseClick(int button);
int ClearDroppedFileList(void);
int RecordWindowMode(int windowed);
int ApplyWindowModeStyle(void);
int FitWindowToScreenSize(void);
// 1 when full screen can run at the screen size: a display mode has it, or
// it is 320 x 240 on the hardware path (run as 640 x 480 scaled up).
int IsFullScreenSizeAvailable(void);
// A 320 x 240 screen size becomes 640 x 480 with the emulation on.
void StartEmulationFor320x240(void);
int ShowMenuBar(int show);
int UpdateMenuAutoShow(void);
int SetDesktopComposition(int enable);

#endif  // VELVANE_CORE_WINDOW_STATE_H
