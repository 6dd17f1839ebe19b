// The device-independent half of input: the virtual-key to DirectInput
// key-code table, the key mapping to pad bits, the assembly of a pad's input
// bits, the winmm axis scale and the vibration clock. No platform calls.
#ifndef VELVANE_CORE_PAD_MAPPING_H
#define VELVANE_CORE_PAD_MAPPING_H

#include <stdint.h>

enum {
  KEY_STATE_SIZE = 256,
  MAX_JOYPADS = 16,
  PAD_INPUT_BITS = 32,
  KEYS_PER_PAD_BIT = 4,
  PAD_WITH_KEYS = 0x1000,  // PAD_INPUT_KEYS of the public header
};

// A pad's state in the DirectInput joystick layout (80 bytes).
struct PadState {
  int32_t x, y, z;
  int32_t rx, ry, rz;
  int32_t sliders[2];
  uint32_t pov[4];
  uint8_t buttons[32];
};

// For each pad, for each input bit, up to four key codes (-1 = none).
struct KeyMapping {
  int keys[MAX_JOYPADS][PAD_INPUT_BITS][KEYS_PER_PAD_BIT];
};

// Clears state and copies each listed virtual key's state byte to its
// DirectInput key code.
void TranslateVirtualKeyState(const uint8_t virtualKeys[KEY_STATE_SIZE],
                              uint8_t keyState[KEY_STATE_SIZE]);
// 1 when bit 7 of the key's byte is set; codes outside 0-255 are never down.
int IsKeyCodeDown(const uint8_t keyState[KEY_STATE_SIZE], int keyCode);

// Every pad's every bit to "no key".
void ClearKeyMapping(KeyMapping *mapping);
// Pad 1's cursor, numeric-pad, letter, Escape and Space keys.
void SetDefaultKeyMapping(KeyMapping *mapping);
// Bits of pad padIndex (0-15) whose mapped keys are down.
int MappedKeyBits(const KeyMapping *mapping, int padIndex,
                  const uint8_t keyState[KEY_STATE_SIZE]);
// Direction bits from the X and Y axes, bit 4 + i for button i (0-23).
int PadStateBits(const PadState *state);

// Which pad a pad query reads: pad 1-16 and/or the keys mapped to it.
struct PadQuery {
  int padIndex;      // -1: no pad device is read
  int mappingIndex;  // -1: no keys are read
};
// 0 with *query filled, -1 when the query is out of range (returns 0).
int ResolvePadQuery(int pad, int padCount, PadQuery *query);

// A winmm raw axis (0-65535) on the -1000..1000 scale with a dead zone in
// the middle half.
int MapWinmmAxis(uint32_t raw);
// winmm's state: X, Y (and Z and R when the pad has both), buttons 0-23.
void FillWinmmPadState(uint32_t xRaw, uint32_t yRaw, uint32_t zRaw, uint32_t rRaw,
                       uint32_t buttonBits, int hasZAndR, PadState *state);

// A timed vibration's clock: state 1 runs it, a negative duration is
// unlimited.
struct VibrationClock {
  int state;
  int power;
  int durationMs;
  int elapsedMs;
  uint32_t lastTick;
};
// Counts the milliseconds since the last tick (nothing when the clock went
// back); 1 when a timed vibration has run its full duration.
int AdvanceVibrationClock(VibrationClock *clock, uint32_t now);

#endif  // VELVANE_CORE_PAD_MAPPING_H
