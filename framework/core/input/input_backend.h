// The seam between the input queries and the devices that feed them. The
// Windows build reads DirectInput or the platform key state and winmm; the
// host build has no devices; tests put a scripted one in place.
#ifndef VELVANE_CORE_INPUT_BACKEND_H
#define VELVANE_CORE_INPUT_BACKEND_H

#include <stdint.h>

#include "core/input/pad_mapping.h"

struct JoypadDeviceCalls;
struct JoypadRecord;

// Start-up switches that no public call sets (see SetInputSwitches).
struct InputSwitches {
  int vistaUsesDirectInput;  // 1: keyboard and mouse buttons from DirectInput on Vista and later
  int effectsOff;            // 1: no force-feedback effects are made
  int noDirectInput;         // 1: platform key state and winmm only
};

struct InputBackend {
  // Sets up the devices; 0, or -1 when the keyboard cannot be set up. May
  // set switches->noDirectInput when DirectInput is not there.
  int (*start)(InputSwitches *switches);
  void (*end)(void);
  // 1 when keyState was read anew, else 0 (keyState kept).
  int (*readKeyboard)(uint8_t keyState[KEY_STATE_SIZE]);
  // Bit i for mouse button i.
  int (*mouseButtons)(void);
  int (*padCount)(void);
  // 0, or -1 when the pad could not be read (state kept).
  int (*readPad)(int padIndex, PadState *state);
  // 1 once the program is ending: a query then starts nothing.
  int (*programEnding)(void);
  // 1 while the main window is active.
  int (*windowActive)(void);
  // Re-acquires the devices for the window's activity.
  void (*reacquire)(int windowActive);
  // The record of a pad with a device of its own (one with force-feedback
  // effects), else null; and the calls that drive it.
  JoypadRecord *(*joypad)(int padIndex);
  const JoypadDeviceCalls *(*joypadCalls)(void);
};

// The build's own devices.
const InputBackend *GetPlatformInputBackend(void);

#endif  // VELVANE_CORE_INPUT_BACKEND_H
