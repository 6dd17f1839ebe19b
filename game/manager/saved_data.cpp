#include "game/manager/saved_data.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kHiScorePath[] = "./Data/HiScore.dat";
const char kSettingsPath[] = "./Data/Init.dat";

// The first four bytes as a little-endian word; false when there are fewer.
bool DecodeWord(const uint8_t *bytes, size_t size, uint32_t &word) {
  if (size < 4) return false;
  word = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return true;
}

// Up to four bytes of the file; 0 when it cannot be opened.
size_t ReadHead(const char *path, uint8_t bytes[4]) {
  FILE *file = fopen(path, "rb");
  if (!file) return 0;
  const size_t size = fread(bytes, 1, 4, file);
  fclose(file);
  return size;
}

void WriteWord(const char *path, uint32_t word) {
  FILE *file = fopen(path, "wb");
  if (!file) return;
  const uint8_t bytes[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                            static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)};
  fwrite(bytes, 1, sizeof bytes, file);
  fclose(file);
}

template <class Value>
Value DecodeOr(const uint8_t *bytes, size_t size, Value fallback) {
  static_assert(sizeof(Value) == 4, "the files hold 32-bit values");
  uint32_t word;
  if (!DecodeWord(bytes, size, word)) return fallback;
  Value value;
  memcpy(&value, &word, sizeof value);
  return value;
}

template <class Value>
Value ReadOr(const char *path, Value fallback) {
  uint8_t bytes[4];
  const size_t size = ReadHead(path, bytes);
  return DecodeOr(bytes, size, fallback);
}

template <class Value>
void WriteValue(const char *path, Value value) {
  uint32_t word;
  memcpy(&word, &value, sizeof word);
  WriteWord(path, word);
}

}  // namespace

int32_t DecodeHiScore(const uint8_t *bytes, size_t size) {
  return DecodeOr(bytes, size, kDefaultHiScore);
}

float DecodeSettingsValue(const uint8_t *bytes, size_t size) {
  return DecodeOr(bytes, size, kSettingsValue);
}

int32_t ReadHiScoreFile() { return ReadOr(kHiScorePath, kDefaultHiScore); }
void WriteHiScoreFile(int32_t hiScore) { WriteValue(kHiScorePath, hiScore); }
float ReadSettingsFile() { return ReadOr(kSettingsPath, kSettingsValue); }
void WriteSettingsFile(float value) { WriteValue(kSettingsPath, value); }
