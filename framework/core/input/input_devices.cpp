#include "core/input/input_devices.h"

#include <string.h>

#include "core/app/framework_lifecycle.h"
#include "core/input/input_backend.h"
#include "core/input/joypad_devices.h"
#include "core/input/pad_mapping.h"
#include "velvane.h"

namespace {

struct InputDevicesState {
  const InputBackend *backend;
  int started;
  int starting;
  int refreshingKeyboard;
  int messageFlags[2];
  InputSwitches switches;
  int mappingSet;
  KeyMapping mapping;
  uint8_t keyState[KEY_STATE_SIZE];
  PadState pads[MAX_JOYPADS];
};

InputDevicesState g_input;

const int kFullPower = 10000;

bool IsFlagIndex(int index) { return index == 0 || index == 1; }

const InputBackend *Backend(void) {
  if (!g_input.backend) g_input.backend = GetPlatformInputBackend();
  return g_input.backend;
}

// The queries' common opening: 1 when input runs and may be read. Before
// start-up a query starts input (unless the program is ending) and reads
// nothing, so a failed start never reads as input.
int ReadyForQuery(void) {
  WaitWhileInactive();
  if (g_input.started) return 1;
  if (!Backend()->programEnding()) InitInputSystem();
  return 0;
}

}  // namespace

int InitInputSystem(void) {
  if (g_input.started || g_input.starting) return 0;
  g_input.starting = 1;
  memset(g_input.keyState, 0, sizeof g_input.keyState);
  memset(g_input.pads, 0, sizeof g_input.pads);
  const int result = Backend()->start(&g_input.switches);
  if (!g_input.mappingSet) {
    ClearKeyMapping(&g_input.mapping);
    SetDefaultKeyMapping(&g_input.mapping);
    g_input.mappingSet = 1;
  }
  g_input.starting = 0;
  if (result < 0) return -1;
  g_input.started = 1;
  return 0;
}

int EndInputSystem(void) {
  if (g_input.started) Backend()->end();
  g_input.started = 0;
  return 0;
}

int RefreshKeyboardState(void) {
  if (!g_input.started || g_input.refreshingKeyboard) return 0;
  g_input.refreshingKeyboard = 1;
  const int result = Backend()->readKeyboard(g_input.keyState);
  g_input.refreshingKeyboard = 0;
  return result;
}

int RefreshJoypadState(int padIndex) {
  if (!g_input.started || padIndex < 0 || padIndex >= MAX_JOYPADS) return -1;
  return Backend()->readPad(padIndex, &g_input.pads[padIndex]);
}

void ProcessJoypadEffects(void) {
  if (!g_input.started) return;
  const JoypadDeviceCalls *calls = Backend()->joypadCalls();
  for (int i = 0; i < MAX_JOYPADS; i++) {
    JoypadRecord *pad = Backend()->joypad(i);
    if (pad && AdvanceVibrationClock(&pad->effects.vibration, calls->tick()))
      StopJoypadVibration(i + 1);
  }
  RefreshJoypadEffects();
}

void RefreshInputAcquire(void) {
  if (g_input.started) Backend()->reacquire(Backend()->windowActive());
}

void RefreshJoypadEffects(void) {
  if (!g_input.started) return;
  const int active = Backend()->windowActive();
  for (int i = 0; i < MAX_JOYPADS; i++) {
    JoypadRecord *pad = Backend()->joypad(i);
    if (pad) ApplyJoypadEffects(Backend()->joypadCalls(), pad, active);
  }
}

int StartJoypadVibration(int pad, int power, int durationMs) {
  JoypadRecord *record = g_input.started ? Backend()->joypad(pad - 1) : nullptr;
  if (!record) return -1;
  VibrationClock &vibration = record->effects.vibration;
  vibration.state = 1;
  vibration.power = power < 0 ? 0 : (power > kFullPower ? kFullPower : power);
  vibration.durationMs = durationMs;
  vibration.elapsedMs = 0;
  vibration.lastTick = Backend()->joypadCalls()->tick();
  RefreshJoypadEffects();
  return 0;
}

int StopJoypadVibration(int pad) {
  JoypadRecord *record = g_input.started ? Backend()->joypad(pad - 1) : nullptr;
  if (!record) return 0;
  record->effects.vibration.state = 0;
  record->effects.vibration.power = kFullPower;
  RefreshJoypadEffects();
  return 0;
}

void SetInputMessageFlag(int index) {
  if (IsFlagIndex(index)) g_input.messageFlags[index] = 1;
}

void ClearInputMessageFlag(int index) {
  if (IsFlagIndex(index)) g_input.messageFlags[index] = 0;
}

int GetInputMessageFlag(int index) { return IsFlagIndex(index) ? g_input.messageFlags[index] : 0; }

void SetInputSwitches(int vistaUsesDirectInput, int effectsOff, int noDirectInput) {
  g_input.switches.vistaUsesDirectInput = vistaUsesDirectInput ? 1 : 0;
  g_input.switches.effectsOff = effectsOff ? 1 : 0;
  g_input.switches.noDirectInput = noDirectInput ? 1 : 0;
}

void SetInputBackend(const InputBackend *backend) {
  if (g_input.started) return;
  g_input.backend = backend ? backend : GetPlatformInputBackend();
}

int CheckKeyDown(int keyCode) {
  if (!ReadyForQuery()) return 0;
  RefreshKeyboardState();
  return IsKeyCodeDown(g_input.keyState, keyCode);
}

int GetAllKeyStates(char *keyStates) {
  if (!keyStates) return -1;
  if (!ReadyForQuery()) {
    memset(keyStates, 0, KEY_STATE_SIZE);
    return 0;
  }
  RefreshKeyboardState();
  for (int i = 0; i < KEY_STATE_SIZE; i++) keyStates[i] = static_cast<char>(IsKeyCodeDown(g_input.keyState, i));
  return 0;
}

int GetMouseButtons(void) {
  if (!g_input.started) return 0;
  return Backend()->mouseButtons();
}

int GetJoypadState(int pad) {
  if (!ReadyForQuery()) return 0;
  PadQuery query;
  if (ResolvePadQuery(pad, Backend()->padCount(), &query) < 0) return 0;
  int bits = 0;
  if (query.padIndex >= 0) {
    RefreshJoypadState(query.padIndex);
    bits |= PadStateBits(&g_input.pads[query.padIndex]);
  }
  if (query.mappingIndex >= 0) {
    RefreshKeyboardState();
    bits |= MappedKeyBits(&g_input.mapping, query.mappingIndex, g_input.keyState);
  }
  return bits;
}
