// Key-input strings and the IME as the rest of the core drives them: reset
// at start-up, the pump's per-pass step, and the window's IME messages.
#ifndef VELVANE_CORE_KEY_INPUT_H
#define VELVANE_CORE_KEY_INPUT_H

#include <stdint.h>

// Clears the character ring, the IME state and every key-input record; 0.
int InitKeyInputSystem(void);
// Deletes every key-input handle; 0.
int DeleteAllKeyInputHandles(void);
// The per-pass step that applies typed characters to the active key-input
// string; 0, or -1 for a stale active handle.
int UpdateImeInput(void);

// 1 when the program switched the IME on for its window.
int IsImeEnabled(void);
void SetImeEnabledFlag(int on);

// Windows side: switch the IME for the main window (0), start the restore
// step after activation when the IME is on and open, and the window
// procedure's handler of the five IME messages.
int EnableIme(int enable);
// Switches the system IME for one window, whatever the program's setting.
void SetWindowImeEnabled(void *window, int enable);
void StartImeRestoreIfOpen(void);
intptr_t HandleImeMessage(uintptr_t wParam, unsigned message, void *window, intptr_t lParam);

#endif  // VELVANE_CORE_KEY_INPUT_H
