// The per-frame message pump and the wait while the window is inactive.
#include <windows.h>

#include "core/input/input_devices.h"
#include "core/input/key_input.h"
#include "core/net/network.h"
#include "core/base/system_info.h"
#include "core/app/window_state.h"
#include "sound/core/sound_services.h"

namespace {

const int kMessagesPerCall = 5;
const DWORD kInactiveSleepMilliseconds = 24;

// What one iteration of the pump's loop found.
enum IterationResult { FOUND_NONE, DISPATCHED_FIFTH, END_SEEN };

// Held in the background: inactive, not running while inactive, and not
// closing on the framework's own request.
bool IsHeldInBackground(void) {
  const WindowRuntime &run = g_windowState.window;
  return !run.closePosted && !run.active && !g_windowState.settings.runWhileInactive;
}

bool IsWaitingInactive(void) {
  return !g_windowState.window.active && !g_windowState.settings.runWhileInactive;
}

bool HasSoundThread(void) { return HasSoundUpdateThread() != 0; }

void RefillSoundsWithoutThread(void) {
  if (HasSoundThread()) return;
  RefillStreamSounds();
  UpdateSoftSoundPlayers();
}

bool TakeMessage(MSG *message) {
  return PeekMessageA(message, NULL, 0, 0, PM_REMOVE) ||
         PeekMessageA(message, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE) ||
         PeekMessageA(message, g_windowState.window.mainWindow, 0, 0, PM_REMOVE);
}

// Dispatches messages until none is left or the fifth went out.
IterationResult DispatchMessages(int *counter) {
  WindowRuntime &run = g_windowState.window;
  MSG message;
  while (TakeMessage(&message)) {
    if (message.message == WM_ACTIVATEAPP && g_windowState.settings.windowed) {
      run.active = LOWORD(message.wParam) != 0;
    }
    if (run.endFlag) return END_SEEN;
    if (message.message == WM_QUIT) run.endFlag = 1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    if (++*counter == kMessagesPerCall) {
      *counter = 0;
      return DISPATCHED_FIFTH;
    }
  }
  return FOUND_NONE;
}

void DoBackgroundWork(void) {
  ProcessNetwork(1);
  RefillSoundsWithoutThread();
  RefreshMovieOverlays();
  Sleep(kInactiveSleepMilliseconds);
}

// In the foreground one iteration dispatches up to five messages and the
// call ends; held in the background, the main thread keeps pumping until
// the window is active again or the program ends.
void RunMessageLoop(void) {
  const WindowRuntime &run = g_windowState.window;
  const bool mainThread = IsMainThread() != 0;
  int counter = 0;
  for (bool first = true;; first = false) {
    if (!first && !IsHeldInBackground()) break;
    if (IsWaitingInactive()) Sleep(1);
    if (DispatchMessages(&counter) == END_SEEN) break;
    if (IsWaitingInactive()) DoBackgroundWork();
    if (run.endFlag || !mainThread) break;
  }
}

void RunPerPassWork(void) {
  WindowRuntime &run = g_windowState.window;
  RefillSoundsWithoutThread();
  PollMusicPlayState();
  run.keyboardStep = 1;
  RefreshKeyboardState();
  run.keyboardStep = 0;
  ProcessJoypadEffects();
  ProcessNetwork(1);
  run.imeStep = 1;
  UpdateImeInput();
  run.imeStep = 0;
}

}  // namespace

int PumpMessagesUnlocked(void) {
  WindowRuntime &run = g_windowState.window;
  if (run.imeStep || run.keyboardStep) return 0;
  if (!run.mainWindow) return run.endFlag ? -1 : 0;
  RunMessageLoop();
  if (IsMainThread()) UpdateMenuAutoShow();
  RunPerPassWork();
  return run.endFlag ? -1 : 0;
}

int WaitWhileInactive(void) {
  const WindowRuntime &run = g_windowState.window;
  // Before start-up (and after shut-down) no window can become active.
  if (!run.mainWindow) return 0;
  if (run.painting || run.active) return 0;
  if (g_windowState.settings.windowed && g_windowState.settings.runWhileInactive) return 0;
  while (PumpMessagesUnlocked() == 0 && !run.active) {
  }
  return 0;
}
