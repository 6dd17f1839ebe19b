// The software renderer's blend lookup tables: they let the blit kernels
// blend with integer lookups instead of divisions by 255 or 63. Built once
// per graphics start (MemImgInitTables); the blend-mask map is rebuilt
// whenever a blend-mask graph is set (MemImgSetBlendBorder). Kernels only
// read them, on the main thread, without a lock.
#ifndef VELVANE_SOFTRENDER_BLEND_TABLES_H
#define VELVANE_SOFTRENDER_BLEND_TABLES_H

#include <stdint.h>

enum {
  BLEND_INTERP_LEVELS = 64,    // 6-bit weights and channel values
  BLEND_MUL_SIZE = 256,        // rows and columns of mul
  BLEND_SIGNED_COLUMNS = 512,  // 511 used (-255..255) plus one spare slot
  BLEND_SIGNED_ZERO = 255,     // column of the difference 0 in a mulSigned row
  BLEND_MASK_MAP_SIZE = 256
};

struct MemImgBlendTables {
  // interp[k][s][d] = (k*s + (63-k)*d) / 63 rounded down; k = blend
  // parameter >> 2, s and d 5- or 6-bit source and destination channels.
  uint8_t interp[BLEND_INTERP_LEVELS][BLEND_INTERP_LEVELS][BLEND_INTERP_LEVELS];
  // mul[i][j] = i*j / 255 rounded down; i a brightness byte or the blend
  // parameter, j an 8-bit channel or the 5/6-bit value of a 565 field.
  int32_t mul[BLEND_MUL_SIZE][BLEND_MUL_SIZE];
  // mulSigned[p][BLEND_SIGNED_ZERO + d] = p*d / 255 truncated toward zero for
  // d in -255..255; the last slot of each row is never written or read.
  int32_t mulSigned[BLEND_MUL_SIZE][BLEND_SIGNED_COLUMNS];
  // Turns a byte of the blend-mask image into a blend weight 0..255.
  uint8_t blendMaskMap[BLEND_MASK_MAP_SIZE];
};

// The one instance, in static storage (blendMaskMap starts all zero).
extern MemImgBlendTables g_memImgBlendTables;

// Row p of mulSigned positioned at the difference 0, to be indexed with a
// signed difference -255..255.
static inline const int32_t *MemImgMulSignedRow(int p) {
  return &g_memImgBlendTables.mulSigned[p][BLEND_SIGNED_ZERO];
}

// Fills mulSigned, then mul, then interp; always 0.
int MemImgInitTables(void);
// Rebuilds blendMaskMap from the border parameter and range (both 0..255;
// values outside are clamped).
void MemImgSetBlendBorder(int borderParam, int borderRange);

#endif  // VELVANE_SOFTRENDER_BLEND_TABLES_H
