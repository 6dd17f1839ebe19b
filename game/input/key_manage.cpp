#include "game/input/key_manage.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "velvane.h"

namespace {

const char kKeyConfigPath[] = "./Data/KeyConfig.dat";
constexpr int kLeftShift = 42, kRightShift = 54;
constexpr int kLeftControl = 29, kRightControl = 157;
constexpr int kFirstPad = 1;

const int kDefaultKeyCodes[kKeyCodeCount] = {203, 200, 205, 208, 57, 44, 30, 45, 42};
const int kDefaultPadBitNumbers[kPadBitNumberCount] = {1, 3, 2, 0, 13, 7, 5, 6, 8, 9};

void StepCounter(int &counter, int state) {
  if (state != 0) {
    counter += state;
  } else {
    counter = counter > 0 ? -1 : 0;
  }
}

int32_t ReadLittleEndian(const uint8_t *bytes) {
  const uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 |
                         static_cast<uint32_t>(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}

void WriteLittleEndian(int32_t value, uint8_t *bytes) {
  const uint32_t bits = static_cast<uint32_t>(value);
  for (int k = 0; k < 4; ++k) bytes[k] = static_cast<uint8_t>(bits >> (8 * k));
}

// Raises the key state of a configured code to the joypad bit's state;
// codes and bit numbers a file may hold outside the tables are ignored.
void MergePadBit(CKeyManage &keys, int keyCode, int bitNumber) {
  if (keyCode < 0 || keyCode > 255 || bitNumber < 0 || bitNumber > 15) return;
  const int merged = std::max<int>(keys.keyStates[keyCode], keys.padStates[bitNumber]);
  keys.keyStates[keyCode] = static_cast<char>(merged);
}

void JoinPair(char *states, int a, int b) {
  const char larger = std::max(states[a], states[b]);
  states[a] = larger;
  states[b] = larger;
}

}  // namespace

void SetDefaultKeyConfig(int keyCodes[kKeyCodeCount], int padBitNumbers[kPadBitNumberCount]) {
  memcpy(keyCodes, kDefaultKeyCodes, sizeof kDefaultKeyCodes);
  memcpy(padBitNumbers, kDefaultPadBitNumbers, sizeof kDefaultPadBitNumbers);
}

void ReadKeyConfig(const uint8_t *bytes, size_t size, int keyCodes[kKeyCodeCount],
                   int padBitNumbers[kPadBitNumberCount]) {
  const size_t entries = std::min<size_t>(size / 4, kKeyCodeCount + kPadBitNumberCount);
  for (size_t i = 0; i < entries; ++i) {
    const int value = ReadLittleEndian(bytes + 4 * i);
    if (i < kKeyCodeCount) {
      keyCodes[i] = value;
    } else {
      padBitNumbers[i - kKeyCodeCount] = value;
    }
  }
}

CKeyManage::CKeyManage()
    : keyStates(),
      keyCounts(),
      padBits(0),
      mouseBits(0),
      padStates(),
      padCounts(),
      mouseX(0),
      mouseY(0),
      mouseMoveX(0),
      mouseMoveY(0),
      mouseStates(),
      mouseCounts() {
  GetMousePosition(&mouseX, &mouseY);
  SetDefaultKeyConfig(keyCodes, padBitNumbers);
  FILE *file = fopen(kKeyConfigPath, "rb");
  if (!file) return;
  uint8_t bytes[kKeyConfigBytes];
  const size_t size = fread(bytes, 1, sizeof bytes, file);
  fclose(file);
  ReadKeyConfig(bytes, size, keyCodes, padBitNumbers);
}

CKeyManage::~CKeyManage() {
  uint8_t bytes[kKeyConfigBytes];
  for (int i = 0; i < kKeyCodeCount; ++i) WriteLittleEndian(keyCodes[i], bytes + 4 * i);
  for (int i = 0; i < kPadBitNumberCount; ++i) {
    WriteLittleEndian(padBitNumbers[i], bytes + 4 * (kKeyCodeCount + i));
  }
  FILE *file = fopen(kKeyConfigPath, "wb");
  if (!file) return;
  fwrite(bytes, 1, sizeof bytes, file);
  fclose(file);
}

void CKeyManage::Update() {
  GetAllKeyStates(keyStates);
  for (int key = 0; key < 256; ++key) StepCounter(keyCounts[key], keyStates[key]);

  // Joypad and mouse counters step from the state stored on the previous
  // update, so they run one update behind the keys.
  padBits = GetJoypadState(kFirstPad);
  for (int bit = 0; bit < 16; ++bit) {
    StepCounter(padCounts[bit], padStates[bit]);
    padStates[bit] = (padBits >> bit) & 1;
  }

  const int previousX = mouseX;
  const int previousY = mouseY;
  GetMousePosition(&mouseX, &mouseY);
  mouseMoveX = mouseX - previousX;
  mouseMoveY = mouseY - previousY;
  mouseBits = GetMouseButtons();
  for (int button = 0; button < 3; ++button) {
    StepCounter(mouseCounts[button], mouseStates[button]);
    mouseStates[button] = (mouseBits >> button) & 1;
  }

  for (int entry = 0; entry < kKeyCodeCount; ++entry) {
    MergePadBit(*this, keyCodes[entry], padBitNumbers[entry]);
  }
  MergePadBit(*this, keyCodes[8], padBitNumbers[9]);
  JoinPair(keyStates, kLeftShift, kRightShift);
  JoinPair(keyStates, kLeftControl, kRightControl);
}
