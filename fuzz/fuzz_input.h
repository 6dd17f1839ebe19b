// Reading a fuzz input as a stream of choices: bytes past its end read as
// zero, so every input drives a complete call.
#ifndef VELVANE_FUZZ_FUZZ_INPUT_H
#define VELVANE_FUZZ_FUZZ_INPUT_H

#include <stddef.h>
#include <stdint.h>

struct FuzzInput {
  const uint8_t *data;
  size_t size;
  size_t pos;
  uint32_t Byte() { return pos < size ? data[pos++] : 0; }
  uint32_t Word() { return Byte() | Byte() << 8 | Byte() << 16 | Byte() << 24; }
  // A value in lo..hi.
  int Range(int lo, int hi) {
    return lo + static_cast<int>(Byte() % static_cast<uint32_t>(hi - lo + 1));
  }
};

#endif  // VELVANE_FUZZ_FUZZ_INPUT_H
