// The framework's one compressed-block format (KRZ archive files, the native
// model format, the shader pack). Only decoding lives in the framework.
//
// Block: u32 unpacked size, u32 packed size (header included), escape byte E,
// then the code stream. A byte other than E is a literal; E E is the literal
// E; E Q (Q != E) is a back-reference: Q' = Q - 1 when Q > E, else Q; bits
// 0-1 of Q' give the distance field's bytes - 1 (3 is invalid), bit 2 an
// extra length byte, bits 3-7 the low 5 bits of the length; then the extra
// length byte (bits 5-12) and the little-endian distance field follow.
// length = field + 4, distance = field + 1.
// DecodeLzBlock itself is declared in velvane.h.
#ifndef VELVANE_CORE_LZ_DECODE_H
#define VELVANE_CORE_LZ_DECODE_H

#include "velvane.h"

enum {
  LZ_HEADER_SIZE = 9,
  LZ_MIN_MATCH = 4,
  LZ_MAX_MATCH = 8195,            // 13-bit length field + 4
  LZ_MAX_DISTANCE = 16777216,     // 24-bit distance field + 1
  LZ_EXTRA_LENGTH_FLAG = 4,       // bit 2 of the code byte
  LZ_SHORT_LENGTH_LIMIT = 31      // the length field without an extra byte
};

#endif  // VELVANE_CORE_LZ_DECODE_H
