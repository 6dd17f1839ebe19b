// Key-input strings and the IME as the rest of the core drives them: reset
// at start-up, the pump's per-pass step, and the window's IME messages.
// A key-input string is a line editor on a handle (kind 7, 256 records):
// typed characters and editing codes from the character ring are applied
// to the active one once per pump pass.
#ifndef VELVANE_CORE_KEY_INPUT_H
#define VELVANE_CORE_KEY_INPUT_H

#include <stdint.h>

#include "core/base/handle_table.h"

enum {
  KEY_INPUT_HANDLE_KIND = 7,
  KEY_INPUT_RECORDS = 256,
  KEY_INPUT_COLOURS = 15,
  KEY_INPUT_BLINK_MS = 500
};

struct KeyInputRecord {
  HandleObject object;  // the handle; 0 while the record is free
  int inUse;
  int finished;
  int cancelled;
  int length;          // bytes
  int maxLength;       // bytes
  int selectionStart;  // -1: none
  int selectionEnd;    // -1: none
  int displayStart;
  int cursor;          // byte offset
  char *buffer;        // maxLength + 1 bytes, terminated
  int cancelAllowed;
  int singleByteOnly;
  int numericOnly;
};

// What the editor needs of the system: the clipboard and the Shift keys.
struct KeyInputServices {
  // ReadClipboardText's contract: with a null buffer the size needed; -1
  // when there is no text.
  int (*readClipboard)(char *buffer, int bufferSize);
  int (*writeClipboard)(const char *text);
  int (*shiftDown)(void);
};
// 1 while the left or the right Shift key is down (from the key state).
int KeyInputShiftDown(void);
// Puts other services in place (null: the build's own).
void SetKeyInputServices(const KeyInputServices *services);
const KeyInputServices *GetPlatformKeyInputServices(void);

// Clears the character ring, the IME state and every key-input record; 0.
int InitKeyInputSystem(void);
// Deletes every key-input handle; 0.
int DeleteAllKeyInputHandles(void);
// 0, or -1 for an invalid handle. Deleting the last one switches the IME
// off.
int DeleteKeyInputHandle(int handle);
// The per-pass step that applies typed characters to the active key-input
// string; 0, or -1 for a stale active handle.
int UpdateImeInput(void);
// Removes the selected bytes and puts the cursor where they began; 0.
int DeleteInputSelection(KeyInputRecord *record);
// Shows the input cursor and starts its blink period again; 0.
int RestartCursorBlink(void);
// The number of characters (double-byte aware) that cover byteCount bytes
// of s; 0 when byteCount is below 1.
int CountCharsInBytes(const char *s, int byteCount);
// The 0x00RRGGBB display colour at index 0-14 (0 outside).
unsigned GetKeyInputColour(int index);

// 1 when the program switched the IME on for its window.
int IsImeEnabled(void);
void SetImeEnabledFlag(int on);

// No operation of the framework makes a key-input string: programs and
// tests make one here (maximum length in bytes, the three mode flags) and
// make it the one typed text goes to. -1 when no record or memory is left.
int MakeKeyInputHandleForTest(int maxLength, int cancelAllowed, int singleByteOnly,
                              int numericOnly);
// Makes handle the active key-input string (-1: none) and switches the IME
// on for it; 0, or -1 for an invalid handle.
int SetActiveKeyInputHandleForTest(int handle);
// The record behind a valid handle, else null.
KeyInputRecord *GetKeyInputRecordForTest(int handle);

// The IME's part of the per-pass step (the build's own): the restore step
// after activation, and cutting the composition so the active string can
// take it (roomBytes left).
void RunImeRestoreStep(void);
void FitImeComposition(int roomBytes);
// Frees the candidate list and clears the composition.
void ClearImeState(void);

// Windows side: switch the IME for the main window (0), start the restore
// step after activation when the IME is on and open, and the window
// procedure's handler of the five IME messages.
int EnableIme(int enable);
// Switches the system IME for one window, whatever the program's setting.
void SetWindowImeEnabled(void *window, int enable);
void StartImeRestoreIfOpen(void);
intptr_t HandleImeMessage(uintptr_t wParam, unsigned message, void *window, intptr_t lParam);

#endif  // VELVANE_CORE_KEY_INPUT_H
