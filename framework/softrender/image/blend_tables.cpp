// Filling the software renderer's blend lookup tables.
#include "softrender/image/blend_tables.h"

MemImgBlendTables g_memImgBlendTables;

namespace {

int ClampToByteRange(int value) { return value < 0 ? 0 : (value > 255 ? 255 : value); }

void FillMulSigned(MemImgBlendTables *t) {
  for (int p = 0; p < BLEND_MUL_SIZE; ++p) {
    for (int j = 0; j < BLEND_SIGNED_COLUMNS - 1; ++j) {
      t->mulSigned[p][j] = p * (j - BLEND_SIGNED_ZERO) / 255;  // C++ truncates toward zero
    }
  }
}

void FillMul(MemImgBlendTables *t) {
  for (int i = 0; i < BLEND_MUL_SIZE; ++i) {
    for (int j = 0; j < BLEND_MUL_SIZE; ++j) t->mul[i][j] = i * j / 255;
  }
}

void FillInterp(MemImgBlendTables *t) {
  const int top = BLEND_INTERP_LEVELS - 1;
  for (int k = 0; k < BLEND_INTERP_LEVELS; ++k) {
    for (int s = 0; s < BLEND_INTERP_LEVELS; ++s) {
      for (int d = 0; d < BLEND_INTERP_LEVELS; ++d) {
        t->interp[k][s][d] = static_cast<uint8_t>((k * s + (top - k) * d) / top);
      }
    }
  }
}

}  // namespace

int MemImgInitTables(void) {
  FillMulSigned(&g_memImgBlendTables);
  FillMul(&g_memImgBlendTables);
  FillInterp(&g_memImgBlendTables);
  return 0;
}

void MemImgSetBlendBorder(int borderParam, int borderRange) {
  const int b = ClampToByteRange(borderParam), r = ClampToByteRange(borderRange);
  const int q = 65536 / (r + 1);
  const int shift = b * (q + 256) / 256;
  const int base = 256 - shift;
  for (int v = 0; v < BLEND_MASK_MAP_SIZE; ++v) {
    g_memImgBlendTables.blendMaskMap[v] = static_cast<uint8_t>(ClampToByteRange(v * 256 / (r + 1) + base));
  }
}
