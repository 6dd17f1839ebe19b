// The game's own small binary files: the high score and the settings
// value, raw little-endian 32-bit values without a header.
#ifndef PELLACOR_GAME_MANAGER_SAVED_DATA_H
#define PELLACOR_GAME_MANAGER_SAVED_DATA_H

#include <stddef.h>
#include <stdint.h>

constexpr int32_t kDefaultHiScore = 5000;
// Read at start-up and always written back at exit.
constexpr float kSettingsValue = 1.1f;

// The value held by the first four bytes; the default when there are fewer
// (an empty or cut file is taken like a missing one).
int32_t DecodeHiScore(const uint8_t *bytes, size_t size);
float DecodeSettingsValue(const uint8_t *bytes, size_t size);

// "./Data/HiScore.dat"; the default when it cannot be read.
int32_t ReadHiScoreFile();
// Skipped silently when the file cannot be opened.
void WriteHiScoreFile(int32_t hiScore);
// "./Data/Init.dat"; kSettingsValue when it cannot be read.
float ReadSettingsFile();
void WriteSettingsFile(float value);

#endif
