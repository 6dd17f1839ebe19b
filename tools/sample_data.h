// Generated sample data for tests and benchmarks of the packers and
// decoders: repeatable, with the character of real assets.
#ifndef VELVANE_TOOLS_SAMPLE_DATA_H
#define VELVANE_TOOLS_SAMPLE_DATA_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

// Text made of words and sentences (ASCII with some UTF-8 Japanese).
std::vector<uint8_t> MakeTextSample(size_t size, uint32_t seed);
// A 32-bit BGRA picture: flat-coloured tiles over gradients, opaque.
std::vector<uint8_t> MakeImageSample(int width, int height);
// Incompressible bytes.
std::vector<uint8_t> MakeRandomSample(size_t size, uint32_t seed);

// A small xorshift generator for repeatable data.
struct SampleRandom {
  uint32_t state;
  uint32_t Next();
  int Below(int n);
};

#endif  // VELVANE_TOOLS_SAMPLE_DATA_H
