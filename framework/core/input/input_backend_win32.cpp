// Windows input devices without DirectInput: the keyboard and the mouse
// buttons from the thread's key state, joypads from the winmm joystick
// functions. Every query reads at most once per millisecond tick.
#include <windows.h>
#include <mmsystem.h>
#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/app/window_state.h"
#include "core/input/input_backend.h"
#include "core/input/input_devices.h"
#include "velvane.h"

namespace {

enum { MOUSE_LEFT = 1, MOUSE_RIGHT = 2, MOUSE_MIDDLE = 4 };

struct WinmmPad {
  int hasZAndR;
  DWORD lastTick;
  int readOnce;
};

struct PlatformInputState {
  DWORD keyboardTick;
  int keyboardReadOnce;
  int mouseButtons;
  int mouseButtonsValid;
  WinmmPad pads[MAX_JOYPADS];
};

PlatformInputState g_platformInput;

int MouseButtonsFromKeyState(const BYTE virtualKeys[KEY_STATE_SIZE]) {
  int buttons = 0;
  if (virtualKeys[VK_LBUTTON] & 0x80) buttons |= MOUSE_LEFT;
  if (virtualKeys[VK_RBUTTON] & 0x80) buttons |= MOUSE_RIGHT;
  if (virtualKeys[VK_MBUTTON] & 0x80) buttons |= MOUSE_MIDDLE;
  return buttons;
}

int CountWinmmPads(void) {
  int count = 0;
  for (; count < MAX_JOYPADS; count++) {
    JOYCAPSA caps;
    if (joyGetDevCapsA(JOYSTICKID1 + count, &caps, sizeof caps) != JOYERR_NOERROR) break;
    const UINT both = JOYCAPS_HASZ | JOYCAPS_HASR;
    g_platformInput.pads[count].hasZAndR = (caps.wCaps & both) == both;
  }
  return count;
}

int StartFallback(InputSwitches *) {
  memset(&g_platformInput, 0, sizeof g_platformInput);
  WriteLogLineFormat("パッドの数は %d 個です", CountWinmmPads());
  WriteLogLine("入力関連の初期化をしました\n");
  return 0;
}

void EndFallback(void) { WriteLogLine("入力関連の終了処理... 完了\n"); }

int ReadKeyStateKeyboard(uint8_t keyState[KEY_STATE_SIZE]) {
  if (!IsMainThread()) return 0;
  const DWORD now = timeGetTime();
  if (g_platformInput.keyboardReadOnce && now == g_platformInput.keyboardTick) return 0;
  g_platformInput.keyboardTick = now;
  g_platformInput.keyboardReadOnce = 1;
  // Key messages waiting in the queue change the thread's key state only
  // once they are taken.
  if (PumpMessagesUnlocked() != 0) return 0;
  BYTE virtualKeys[KEY_STATE_SIZE];
  if (!GetKeyboardState(virtualKeys)) return 0;
  TranslateVirtualKeyState(virtualKeys, keyState);
  g_platformInput.mouseButtons = MouseButtonsFromKeyState(virtualKeys);
  g_platformInput.mouseButtonsValid = 1;
  return 1;
}

int KeyStateMouseButtons(void) {
  RefreshKeyboardState();
  if (g_platformInput.mouseButtonsValid) return g_platformInput.mouseButtons;
  BYTE virtualKeys[KEY_STATE_SIZE];
  if (!GetKeyboardState(virtualKeys)) return 0;
  return MouseButtonsFromKeyState(virtualKeys);
}

// Every id is polled, a missing pad reading as all zero.
int WinmmPadCount(void) { return MAX_JOYPADS; }

int ReadWinmmPad(int padIndex, PadState *state) {
  WinmmPad &pad = g_platformInput.pads[padIndex];
  const DWORD now = timeGetTime();
  if (pad.readOnce && now == pad.lastTick) return 0;
  pad.lastTick = now;
  pad.readOnce = 1;
  JOYINFOEX info;
  memset(&info, 0, sizeof info);
  info.dwSize = sizeof info;
  info.dwFlags = JOY_RETURNALL;
  if (joyGetPosEx(JOYSTICKID1 + padIndex, &info) != JOYERR_NOERROR) {
    memset(state, 0, sizeof *state);
    return 0;
  }
  FillWinmmPadState(info.dwXpos, info.dwYpos, info.dwZpos, info.dwRpos, info.dwButtons,
                    pad.hasZAndR, state);
  return 0;
}

const InputBackend kFallbackBackend = {StartFallback,  EndFallback,  ReadKeyStateKeyboard,
                                       KeyStateMouseButtons, WinmmPadCount, ReadWinmmPad,
                                       IsProgramEnding};

}  // namespace

const InputBackend *GetPlatformInputBackend(void) { return &kFallbackBackend; }
