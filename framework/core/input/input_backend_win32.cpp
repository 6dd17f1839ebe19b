// Windows input devices: DirectInput where it can be made, and otherwise
// the keyboard and the mouse buttons from the thread's key state and the
// joypads from the winmm joystick functions. From Vista on the keyboard and
// the mouse buttons come from the key state unless the switch asks for
// DirectInput there too. Every read happens at most once per millisecond
// tick.
#include <windows.h>
#include <mmsystem.h>
#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/app/window_state.h"
#include "core/base/system_info.h"
#include "core/input/directinput_devices.h"
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
  int directInput;         // 1: the DirectInput devices are held
  int systemDevicesFromKeyState;  // keyboard and mouse buttons from the key state
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

int StartFallback(void) {
  WriteLogLineFormat("パッドの数は %d 個です", CountWinmmPads());
  WriteLogLine("入力関連の初期化をしました\n");
  return 0;
}

bool IsVistaOrLater(void) { return GetSystemFacts()->osCode >= OS_CODE_VISTA; }

int StartDevices(InputSwitches *switches) {
  memset(&g_platformInput, 0, sizeof g_platformInput);
  if (!switches->noDirectInput) {
    const int result = StartDirectInput(switches);
    if (result < 0) return -1;
    if (result == 0) {
      g_platformInput.directInput = 1;
      g_platformInput.systemDevicesFromKeyState =
          IsVistaOrLater() && !switches->vistaUsesDirectInput;
      return 0;
    }
    switches->noDirectInput = 1;
  }
  g_platformInput.systemDevicesFromKeyState = 1;
  return StartFallback();
}

void EndDevices(void) {
  if (g_platformInput.directInput) EndDirectInput();
  g_platformInput.directInput = 0;
  WriteLogLine("入力関連の終了処理... 完了\n");
}

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

int ReadKeyboard(uint8_t keyState[KEY_STATE_SIZE]) {
  if (g_platformInput.systemDevicesFromKeyState) return ReadKeyStateKeyboard(keyState);
  return ReadDirectInputKeyboard(keyState);
}

int KeyStateMouseButtons(void) {
  RefreshKeyboardState();
  if (g_platformInput.mouseButtonsValid) return g_platformInput.mouseButtons;
  BYTE virtualKeys[KEY_STATE_SIZE];
  if (!GetKeyboardState(virtualKeys)) return 0;
  return MouseButtonsFromKeyState(virtualKeys);
}

int MouseButtons(void) {
  if (g_platformInput.systemDevicesFromKeyState) return KeyStateMouseButtons();
  return ReadDirectInputMouseButtons();
}

// Without DirectInput every id is polled, a missing pad reading as all zero.
int PadCount(void) { return g_platformInput.directInput ? DirectInputPadCount() : MAX_JOYPADS; }

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

int ReadPad(int padIndex, PadState *state) {
  if (!g_platformInput.directInput) return ReadWinmmPad(padIndex, state);
  JoypadRecord *pad = DirectInputJoypad(padIndex);
  if (!pad) return -1;
  ReadJoypad(DirectInputJoypadCalls(), pad);
  *state = pad->state;
  return 0;
}

int IsWindowActive(void) { return g_windowState.window.active; }

void Reacquire(int windowActive) {
  if (g_platformInput.directInput) ReacquireDirectInput(windowActive);
}

JoypadRecord *Joypad(int padIndex) {
  return g_platformInput.directInput ? DirectInputJoypad(padIndex) : NULL;
}

const InputBackend kWindowsDevices = {
    StartDevices, EndDevices,     ReadKeyboard, MouseButtons, PadCount,
    ReadPad,      IsProgramEnding, IsWindowActive, Reacquire, Joypad,
    DirectInputJoypadCalls,
};

}  // namespace

const InputBackend *GetPlatformInputBackend(void) { return &kWindowsDevices; }
