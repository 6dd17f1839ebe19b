// The DirectInput side of the Windows input devices: the DirectInput 7 (or
// 8) object with the system mouse, the system keyboard and the attached game
// controllers. Windows only.
#ifndef VELVANE_CORE_DIRECTINPUT_DEVICES_H
#define VELVANE_CORE_DIRECTINPUT_DEVICES_H

#include <stdint.h>

#include "core/input/input_backend.h"
#include "core/input/joypad_devices.h"

// 0 when started; 1 when neither DirectInput 7 nor 8 could be made (nothing
// held, the caller goes on without it); -1 when the keyboard's notification
// cannot be set up. Failures to make the mouse or the keyboard end the
// program.
int StartDirectInput(const InputSwitches *switches);
// Releases the pads, the keyboard, the mouse and the object.
void EndDirectInput(void);
// 1 when the keyboard state was read anew (at most once per tick unless the
// keyboard signalled), 0 otherwise (state kept).
int ReadDirectInputKeyboard(uint8_t keyState[KEY_STATE_SIZE]);
// Bit i for each of the mouse's buttons 0-7 held down; 0 when unreadable.
int ReadDirectInputMouseButtons(void);
int DirectInputPadCount(void);
// The pad's record, null past the pads found.
JoypadRecord *DirectInputJoypad(int padIndex);
const JoypadDeviceCalls *DirectInputJoypadCalls(void);
// Re-acquires the pads (with the cooperative level for the window's
// activity) and the keyboard.
void ReacquireDirectInput(int windowActive);

#endif  // VELVANE_CORE_DIRECTINPUT_DEVICES_H
