// Filling one row of raw pixels with a value: the raw rectangle fill and the
// flat triangle spans share it.
#ifndef VELVANE_SOFTRENDER_PIXEL_ROW_H
#define VELVANE_SOFTRENDER_PIXEL_ROW_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Sets count pixels of bytesPerPixel (1, 2 or 4) bytes from first on to the
// low bytes of value. A 64-byte pattern is copied in whole blocks, so a row
// costs a few wide stores instead of a store per pixel.
static inline void FillPixelRow(uint8_t *first, int bytesPerPixel, uint32_t value, size_t count) {
  if (bytesPerPixel == 1) {
    memset(first, (int)(value & 0xFFu), count);
    return;
  }
  const uint32_t word = bytesPerPixel == 2 ? (value & 0xFFFFu) * 0x10001u : value;
  uint32_t pattern[16];
  for (int i = 0; i < 16; ++i) pattern[i] = word;
  size_t bytes = count * (size_t)bytesPerPixel;
  for (; bytes >= sizeof pattern; bytes -= sizeof pattern, first += sizeof pattern)
    memcpy(first, pattern, sizeof pattern);
  memcpy(first, pattern, bytes);
}

#endif  // VELVANE_SOFTRENDER_PIXEL_ROW_H
