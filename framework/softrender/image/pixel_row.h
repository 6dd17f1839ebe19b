// Filling one row of raw pixels with a value: the raw rectangle fill and the
// flat triangle spans share it.
#ifndef VELVANE_SOFTRENDER_PIXEL_ROW_H
#define VELVANE_SOFTRENDER_PIXEL_ROW_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

// Sets count pixels of bytesPerPixel (1, 2 or 4) bytes from first on to the
// low bytes of value: 64 bytes per step in four 16-byte stores, then 16
// bytes per step, then the last pixels one by one (no call to a library
// copy per row).
static inline void FillPixelRow(uint8_t *first, int bytesPerPixel, uint32_t value, size_t count) {
  if (bytesPerPixel == 1) {
    memset(first, (int)(value & 0xFFu), count);
    return;
  }
  typedef uint32_t Words __attribute__((vector_size(16)));
  const uint32_t word = bytesPerPixel == 2 ? (value & 0xFFFFu) * 0x10001u : value;
  const Words pattern = (Words){} + word;
  size_t bytes = count * (size_t)bytesPerPixel;
  for (; bytes >= 64; bytes -= 64, first += 64) {
    memcpy(first, &pattern, 16);
    memcpy(first + 16, &pattern, 16);
    memcpy(first + 32, &pattern, 16);
    memcpy(first + 48, &pattern, 16);
  }
  for (; bytes >= 16; bytes -= 16, first += 16) memcpy(first, &pattern, 16);
  for (; bytes >= 4; bytes -= 4, first += 4) memcpy(first, &word, 4);
  if (bytes) memcpy(first, &word, 2);  // a last 565 pixel
}

#endif  // VELVANE_SOFTRENDER_PIXEL_ROW_H
