// Wire bytes of framed messages, written out by hand for the tests.
#ifndef VELVANE_TESTS_FRAME_BYTES_H
#define VELVANE_TESTS_FRAME_BYTES_H

#include <stdint.h>

#include <string>

// A 32-bit little-endian length word.
inline std::string Header(uint32_t n) {
  std::string out;
  for (int i = 0; i < 4; i++) out += static_cast<char>(n >> (8 * i));
  return out;
}

inline std::string Frame(const std::string &payload) {
  return Header(static_cast<uint32_t>(payload.size())) + payload;
}

#endif  // VELVANE_TESTS_FRAME_BYTES_H
