#include "core/input/input_devices.h"

namespace {

struct InputDevicesState {
  int started;
  int messageFlags[2];
};

InputDevicesState g_input;

bool IsFlagIndex(int index) { return index == 0 || index == 1; }

}  // namespace

int InitInputSystem(void) {
  g_input.started = 1;
  return 0;
}

int EndInputSystem(void) {
  g_input.started = 0;
  return 0;
}

int RefreshKeyboardState(void) { return 0; }

void ProcessJoypadEffects(void) {}

void RefreshInputAcquire(void) {}

void RefreshJoypadEffects(void) {}

void SetInputMessageFlag(int index) {
  if (IsFlagIndex(index)) g_input.messageFlags[index] = 1;
}

void ClearInputMessageFlag(int index) {
  if (IsFlagIndex(index)) g_input.messageFlags[index] = 0;
}

int GetInputMessageFlag(int index) { return IsFlagIndex(index) ? g_input.messageFlags[index] : 0; }
