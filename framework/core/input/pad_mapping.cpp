#include "core/input/pad_mapping.h"

#include <string.h>

namespace {

struct VirtualKeyPair {
  uint8_t virtualKey;
  uint8_t keyCode;
};

// Punctuation follows the Japanese layout; Return fills both Return and the
// numeric pad's Enter, which the platform key state cannot tell apart.
const VirtualKeyPair kVirtualKeyTable[] = {
    {0x41, 0x1E}, {0x42, 0x30}, {0x43, 0x2E}, {0x44, 0x20}, {0x45, 0x12}, {0x46, 0x21},
    {0x47, 0x22}, {0x48, 0x23}, {0x49, 0x17}, {0x4A, 0x24}, {0x4B, 0x25}, {0x4C, 0x26},
    {0x4D, 0x32}, {0x4E, 0x31}, {0x4F, 0x18}, {0x50, 0x19}, {0x51, 0x10}, {0x52, 0x13},
    {0x53, 0x1F}, {0x54, 0x14}, {0x55, 0x16}, {0x56, 0x2F}, {0x57, 0x11}, {0x58, 0x2D},
    {0x59, 0x15}, {0x5A, 0x2C}, {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04},
    {0x34, 0x05}, {0x35, 0x06}, {0x36, 0x07}, {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A},
    {0x25, 0xCB}, {0x26, 0xC8}, {0x27, 0xCD}, {0x28, 0xD0}, {0xBB, 0x27}, {0xBA, 0x92},
    {0xDB, 0x1A}, {0xDD, 0x1B}, {0xC0, 0x91}, {0xE2, 0x2B}, {0xBC, 0x33}, {0xBD, 0x0C},
    {0xDC, 0x7D}, {0xBE, 0x34}, {0xBF, 0x35}, {0x2E, 0xD3}, {0x1B, 0x01}, {0x20, 0x39},
    {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x60, 0x52}, {0x61, 0x4F}, {0x62, 0x50},
    {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C}, {0x66, 0x4D}, {0x67, 0x47}, {0x68, 0x48},
    {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E}, {0x6D, 0x4A}, {0x6E, 0x53}, {0x6F, 0xB5},
    {0x0D, 0x9C}, {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 0x9D}, {0x21, 0xC9},
    {0x22, 0xD1}, {0x23, 0xCF}, {0x24, 0xC7}, {0x2D, 0xD2}, {0xA4, 0x38}, {0xA5, 0xB8},
    {0x91, 0x46}, {0x14, 0x3A}, {0x13, 0xC5}, {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D},
    {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40}, {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43},
    {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
};

struct DefaultKeyBit {
  int bit;
  int keys[2];
};

const DefaultKeyBit kDefaultPad1Keys[] = {
    {0, {80, 208}}, {1, {75, 203}}, {2, {77, 205}}, {3, {72, 200}}, {4, {44, -1}},
    {5, {45, -1}},  {6, {46, -1}},  {7, {30, -1}},  {8, {31, -1}},  {9, {32, -1}},
    {10, {16, -1}}, {11, {17, -1}}, {12, {1, -1}},  {13, {57, -1}},
};

const int kPadDirectionDown = 1;
const int kPadDirectionLeft = 2;
const int kPadDirectionRight = 4;
const int kPadDirectionUp = 8;
const int kPadButtonBits = 24;
const int kPadFirstButtonBit = 4;

const int32_t kWinmmAxisLowEdge = 0x4000;
const int32_t kWinmmAxisHighEdge = 0xC000;
const int32_t kWinmmAxisSpan = 16384;
const int32_t kAxisRange = 1000;

}  // namespace

void TranslateVirtualKeyState(const uint8_t virtualKeys[KEY_STATE_SIZE],
                              uint8_t keyState[KEY_STATE_SIZE]) {
  memset(keyState, 0, KEY_STATE_SIZE);
  for (const VirtualKeyPair &pair : kVirtualKeyTable)
    keyState[pair.keyCode] = virtualKeys[pair.virtualKey];
}

int IsKeyCodeDown(const uint8_t keyState[KEY_STATE_SIZE], int keyCode) {
  if (keyCode < 0 || keyCode >= KEY_STATE_SIZE) return 0;
  return (keyState[keyCode] & 0x80) ? 1 : 0;
}

void ClearKeyMapping(KeyMapping *mapping) {
  for (auto &pad : mapping->keys)
    for (auto &bit : pad)
      for (int &key : bit) key = -1;
}

void SetDefaultKeyMapping(KeyMapping *mapping) {
  for (const DefaultKeyBit &entry : kDefaultPad1Keys)
    for (int i = 0; i < 2; i++) mapping->keys[0][entry.bit][i] = entry.keys[i];
}

int MappedKeyBits(const KeyMapping *mapping, int padIndex,
                  const uint8_t keyState[KEY_STATE_SIZE]) {
  if (padIndex < 0 || padIndex >= MAX_JOYPADS) return 0;
  int bits = 0;
  for (int bit = 0; bit < PAD_INPUT_BITS; bit++) {
    for (int key : mapping->keys[padIndex][bit]) {
      if (IsKeyCodeDown(keyState, key)) {
        bits |= static_cast<int>(1u << bit);
        break;
      }
    }
  }
  return bits;
}

int PadStateBits(const PadState *state) {
  int bits = 0;
  if (state->x < 0) bits |= kPadDirectionLeft;
  if (state->x > 0) bits |= kPadDirectionRight;
  if (state->y < 0) bits |= kPadDirectionUp;
  if (state->y > 0) bits |= kPadDirectionDown;
  for (int i = 0; i < kPadButtonBits; i++)
    if (state->buttons[i] & 0x80) bits |= 1 << (kPadFirstButtonBit + i);
  return bits;
}

int ResolvePadQuery(int pad, int padCount, PadQuery *query) {
  const bool withKeys = (pad & PAD_WITH_KEYS) != 0;
  const int number = pad & ~PAD_WITH_KEYS;
  // Pad numbers past the 16 mappings would read outside them, keys or not.
  if (number < 0 || number > MAX_JOYPADS) return -1;
  if (!withKeys && (number < 1 || number > padCount)) return -1;
  query->padIndex = (number >= 1 && number <= padCount) ? number - 1 : -1;
  query->mappingIndex = withKeys ? (number == 0 ? 0 : number - 1) : -1;
  return 0;
}

int MapWinmmAxis(uint32_t raw) {
  const int32_t value = static_cast<int32_t>(raw & 0xFFFF);
  if (value < kWinmmAxisLowEdge) return (value - kWinmmAxisLowEdge) * kAxisRange / kWinmmAxisSpan;
  if (value <= kWinmmAxisHighEdge) return 0;
  return (value - kWinmmAxisHighEdge) * kAxisRange / kWinmmAxisSpan;
}

void FillWinmmPadState(uint32_t xRaw, uint32_t yRaw, uint32_t zRaw, uint32_t rRaw,
                       uint32_t buttonBits, int hasZAndR, PadState *state) {
  memset(state, 0, sizeof *state);
  state->x = MapWinmmAxis(xRaw);
  state->y = MapWinmmAxis(yRaw);
  if (hasZAndR) {
    state->z = MapWinmmAxis(zRaw);
    state->rz = MapWinmmAxis(rRaw);
  }
  for (int i = 0; i < kPadButtonBits; i++)
    state->buttons[i] = (buttonBits & (1u << i)) ? 0x80 : 0;
}

int AdvanceVibrationClock(VibrationClock *clock, uint32_t now) {
  if (clock->state != 1 || clock->durationMs < 0) {
    clock->lastTick = now;
    return 0;
  }
  if (now >= clock->lastTick) {
    const uint32_t passed = now - clock->lastTick;
    const uint32_t room = static_cast<uint32_t>(clock->durationMs - clock->elapsedMs);
    clock->elapsedMs += static_cast<int>(passed < room ? passed : room);
  }
  clock->lastTick = now;
  return clock->elapsedMs >= clock->durationMs ? 1 : 0;
}
