// Keyboard, mouse and joypads as the rest of the core drives them: start
// and end with the framework, the pump's per-pass refresh, and the window's
// activation and input messages.
#ifndef VELVANE_CORE_INPUT_DEVICES_H
#define VELVANE_CORE_INPUT_DEVICES_H

struct InputBackend;

// 0 (also when already started); -1 when the keyboard cannot be set up.
int InitInputSystem(void);
// 0.
int EndInputSystem(void);
// 1 when the keyboard state was read anew, else 0.
int RefreshKeyboardState(void);
// 0, or -1 for a pad index outside 0-15 or a failed read.
int RefreshJoypadState(int padIndex);
// Runs the joypads' force-feedback effects for this pass.
void ProcessJoypadEffects(void);
// Starts pad 1-16's vibration at power 0-10000 for durationMs (negative:
// until stopped); 0, or -1 for a pad without a device.
int StartJoypadVibration(int pad, int power, int durationMs);
// Stops pad 1-16's vibration; 0.
int StopJoypadVibration(int pad);
// Re-acquires the devices after the window's activity changed.
void RefreshInputAcquire(void);
// Brings the effects' play state in line with the window's activity.
void RefreshJoypadEffects(void);
// The two flags of the window's input messages (index 0 or 1).
void SetInputMessageFlag(int index);
void ClearInputMessageFlag(int index);
int GetInputMessageFlag(int index);

// Start-up switches, kept across restarts and taking effect at the next
// start: 1 reads keys and mouse buttons from DirectInput on Vista and later,
// 1 makes no force-feedback effects, 1 uses no DirectInput at all.
void SetInputSwitches(int vistaUsesDirectInput, int effectsOff, int noDirectInput);
// Puts other devices in place (null: the build's own); input must be ended.
void SetInputBackend(const InputBackend *backend);

#endif  // VELVANE_CORE_INPUT_DEVICES_H
