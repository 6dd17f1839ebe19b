// Keyboard, mouse and joypads as the rest of the core drives them: start
// and end with the framework, the pump's per-pass refresh, and the window's
// activation and input messages.
#ifndef VELVANE_CORE_INPUT_DEVICES_H
#define VELVANE_CORE_INPUT_DEVICES_H

// 0 (also when already started); -1 when the keyboard cannot be set up.
int InitInputSystem(void);
// 0.
int EndInputSystem(void);
// 1 when the keyboard state was read anew, else 0.
int RefreshKeyboardState(void);
// Runs the joypads' force-feedback effects for this pass.
void ProcessJoypadEffects(void);
// Re-acquires the devices after the window's activity changed.
void RefreshInputAcquire(void);
// Brings the effects' play state in line with the window's activity.
void RefreshJoypadEffects(void);
// The two flags of the window's input messages (index 0 or 1).
void SetInputMessageFlag(int index);
void ClearInputMessageFlag(int index);
int GetInputMessageFlag(int index);

#endif  // VELVANE_CORE_INPUT_DEVICES_H
