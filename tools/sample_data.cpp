#include "tools/sample_data.h"

#include <string.h>

uint32_t SampleRandom::Next() {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

int SampleRandom::Below(int n) { return static_cast<int>(Next() % static_cast<uint32_t>(n)); }

std::vector<uint8_t> MakeTextSample(size_t size, uint32_t seed) {
  static const char *const kWords[] = {
      "the ",   "ball ",   "bounces ", "off ",    "paddle ", "block ", "falls ", "and ",
      "score ", "rises. ", "Stage ",   "clear! ", "combo ",  "x",      "\n",
      "\xE3\x83\x96\xE3\x83\xAD\xE3\x83\x83\xE3\x82\xAF "};
  const int wordCount = sizeof(kWords) / sizeof(kWords[0]);
  SampleRandom r = {seed ? seed : 1};
  std::vector<uint8_t> text;
  text.reserve(size + 16);
  while (text.size() < size) {
    const char *w = kWords[r.Below(wordCount)];
    text.insert(text.end(), w, w + strlen(w));
    if (r.Below(8) == 0) {
      const char digit = static_cast<char>('0' + r.Below(10));
      text.push_back(static_cast<uint8_t>(digit));
    }
  }
  text.resize(size);
  return text;
}

std::vector<uint8_t> MakeImageSample(int width, int height) {
  std::vector<uint8_t> pixels;
  pixels.reserve(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool inTile = (x / 16 + y / 16) % 3 == 0;
      pixels.push_back(static_cast<uint8_t>(inTile ? 0x20 : x));
      pixels.push_back(static_cast<uint8_t>(inTile ? 0x80 : y));
      pixels.push_back(static_cast<uint8_t>(inTile ? 0xE0 : (x + y) / 2));
      pixels.push_back(0xFF);
    }
  }
  return pixels;
}

std::vector<uint8_t> MakeRandomSample(size_t size, uint32_t seed) {
  SampleRandom r = {seed ? seed : 1};
  std::vector<uint8_t> data(size);
  for (uint8_t &b : data) b = static_cast<uint8_t>(r.Next() >> 24);
  return data;
}
