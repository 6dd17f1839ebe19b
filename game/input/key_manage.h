// Per-frame input states and hold counters of the keyboard, the first
// joypad and three mouse buttons, and the key configuration kept in
// "./Data/KeyConfig.dat".
#ifndef PELLACOR_GAME_INPUT_KEY_MANAGE_H
#define PELLACOR_GAME_INPUT_KEY_MANAGE_H

#include <stddef.h>
#include <stdint.h>

constexpr int kKeyCodeCount = 9;
constexpr int kPadBitNumberCount = 10;
constexpr int kKeyConfigBytes = 4 * (kKeyCodeCount + kPadBitNumberCount);

// Takes the whole 4-byte little-endian entries of a configuration file: the
// key codes first, then the joypad bit numbers. Entries the bytes do not
// fully cover keep their values.
void ReadKeyConfig(const uint8_t *bytes, size_t size, int keyCodes[kKeyCodeCount],
                   int padBitNumbers[kPadBitNumberCount]);
// The nine key codes and ten joypad bit numbers used when no file is read.
void SetDefaultKeyConfig(int keyCodes[kKeyCodeCount], int padBitNumbers[kPadBitNumberCount]);

// A counter above 0 counts the updates an input has been held (1: pressed
// on that update); -1 marks the update of its release; 0 means up.
class CKeyManage {
 public:
  // Reads the configuration file (defaults for what it does not hold).
  CKeyManage();
  // Writes the configuration file.
  virtual ~CKeyManage();
  CKeyManage(const CKeyManage &) = delete;
  CKeyManage &operator=(const CKeyManage &) = delete;

  // Once per game frame, before the scene runs.
  void Update();

  char keyStates[256];
  int keyCounts[256];
  int padBits;
  int mouseBits;
  int padStates[16];
  int padCounts[16];
  int mouseX, mouseY;
  int mouseMoveX, mouseMoveY;
  int mouseStates[3];  // left, right, middle
  int mouseCounts[3];
  int keyCodes[kKeyCodeCount];
  int padBitNumbers[kPadBitNumberCount];
};

#endif
