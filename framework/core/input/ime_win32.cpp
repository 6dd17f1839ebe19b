// The window's IME messages and switch. Until key-input strings exist the
// IME only delivers confirmed text into the character ring and shows none
// of its own windows.
#include <windows.h>
#include <imm.h>

#include "core/input/char_ring.h"
#include "core/input/key_input.h"
#include "core/app/window_state.h"

namespace {

typedef BOOL(WINAPI *EnableImeFunction)(HWND window, BOOL enable);

const int kCompositionBufferSize = 1024;

}  // namespace

void SetWindowImeEnabled(void *window, int enable) {
  HMODULE user = GetModuleHandleA("user32.dll");
  EnableImeFunction enableIme =
      user ? reinterpret_cast<EnableImeFunction>(
                 reinterpret_cast<void (*)(void)>(GetProcAddress(user, "WINNLSEnableIME")))
           : NULL;
  if (enableIme && window) enableIme(static_cast<HWND>(window), enable ? TRUE : FALSE);
}

namespace {

void PushResultString(HWND window) {
  HIMC context = ImmGetContext(window);
  if (!context) return;
  char result[kCompositionBufferSize];
  LONG length = ImmGetCompositionStringA(context, GCS_RESULTSTR, result, sizeof(result));
  for (LONG i = 0; i < length; i++) PushInputChar(static_cast<unsigned char>(result[i]));
  ImmReleaseContext(window, context);
}

}  // namespace

int EnableIme(int enable) {
  enable = enable ? 1 : 0;
  if (enable == IsImeEnabled()) return 0;
  SetImeEnabledFlag(enable);
  SetWindowImeEnabled(g_windowState.window.mainWindow, enable);
  return 0;
}

// No key-input string can be active yet, so there is no composition to
// restore after activation.
void StartImeRestoreIfOpen(void) {}

intptr_t HandleImeMessage(uintptr_t wParam, unsigned message, void *window, intptr_t lParam) {
  HWND hwnd = static_cast<HWND>(window);
  switch (message) {
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      return 0;
    case WM_IME_COMPOSITION:
      if (lParam & GCS_RESULTSTR) PushResultString(hwnd);
      return 0;
    case WM_IME_SETCONTEXT:
      return DefWindowProcA(hwnd, message, wParam, 0);
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}
