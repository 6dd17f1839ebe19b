#include "core/files/lz_decode.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

namespace {

uint32_t ReadLe32(const uint8_t *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The cursors are plain locals of the decode loop (never reached through a
// pointer), so byte stores into the output cannot force them out of
// registers.

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Bytes before the first escape byte in a little-endian word, 8 when none.
inline int LiteralsInWord(uint64_t word, uint64_t escapes) {
  const uint64_t ones = 0x0101010101010101ULL;
  const uint64_t x = word ^ escapes;
  const uint64_t found = (x - ones) & ~x & (ones << 7);
  return found ? __builtin_ctzll(found) >> 3 : 8;
}
const bool kWordLiterals = true;
#else
inline int LiteralsInWord(uint64_t, uint64_t) { return 0; }
const bool kWordLiterals = false;
#endif

// The little-endian distance field of 1 to 3 bytes; the caller has checked
// they are there. With four bytes of input left, one masked load avoids a
// branch on the field's width.
inline size_t ReadDistanceField(const uint8_t *in, const uint8_t *inEnd, size_t bytes) {
  if (inEnd - in >= 4) {
    static const uint32_t kMasks[4] = {0, 0xFF, 0xFFFF, 0xFFFFFF};
    return ReadLe32(in) & kMasks[bytes];
  }
  size_t field = in[0];
  if (bytes > 1) field |= static_cast<size_t>(in[1]) << 8;
  if (bytes > 2) field |= static_cast<size_t>(in[2]) << 16;
  return field;
}

// Copies length bytes from distance back; the caller has checked both lie
// inside the output. A distance below the length repeats a pattern, copied
// in doubling steps so every step is one non-overlapping block copy.
inline void CopyMatch(uint8_t *out, const uint8_t *outEnd, size_t distance, size_t length) {
  const uint8_t *src = out - distance;
  if (distance >= 8 && static_cast<size_t>(outEnd - out) >= length + 16) {
    // Whole steps may write up to fifteen bytes past the match, still inside
    // the output; each step reads only bytes already final.
    uint8_t *const end = out + length;
    if (distance >= 16) {
      do {
        memcpy(out, src, 16);
        out += 16;
        src += 16;
      } while (out < end);
    } else {
      do {
        memcpy(out, src, 8);
        out += 8;
        src += 8;
      } while (out < end);
    }
    return;
  }
  if (length <= distance) {
    memcpy(out, src, length);
    return;
  }
  size_t step = distance;
  do {
    memcpy(out, out - step, step);
    out += step;
    length -= step;
    step *= 2;
  } while (length > step);
  memcpy(out, out - step, length);
}

}  // namespace

int DecodeLzBlock(const void *block, int blockSize, void *output, int outputCapacity) {
  if (!block || blockSize < LZ_HEADER_SIZE) return -1;
  const uint8_t *header = static_cast<const uint8_t *>(block);
  const uint32_t unpackedSize = ReadLe32(header);
  const uint32_t packedSize = ReadLe32(header + 4);
  if (unpackedSize > INT_MAX || packedSize < LZ_HEADER_SIZE ||
      packedSize > static_cast<uint32_t>(blockSize)) {
    return -1;
  }
  if (!output) return static_cast<int>(unpackedSize);
  if (outputCapacity < static_cast<int>(unpackedSize)) return -1;
  const uint8_t *in = header + LZ_HEADER_SIZE;
  const uint8_t *const inEnd = header + packedSize;
  uint8_t *const outStart = static_cast<uint8_t *>(output);
  uint8_t *out = outStart;
  uint8_t *const outEnd = outStart + unpackedSize;
  const uint8_t escape = header[8];
  const uint64_t escapes = 0x0101010101010101ULL * escape;
  for (;;) {
    // Literals eight at a time while there is room on both sides: all eight
    // are stored, but only those before an escape count (the rest is
    // rewritten later, inside the output).
    while (kWordLiterals && inEnd - in >= 8 && outEnd - out >= 8) {
      uint64_t word;
      memcpy(&word, in, 8);
      memcpy(out, &word, 8);
      const int n = LiteralsInWord(word, escapes);
      in += n;
      out += n;
      if (n < 8) break;
    }
    while (in < inEnd && *in != escape) {
      if (out == outEnd) return -1;
      *out++ = *in++;
    }
    if (in == inEnd) break;
    if (inEnd - in < 2) return -1;
    const unsigned q = in[1];
    in += 2;
    if (q == escape) {
      if (out == outEnd) return -1;
      *out++ = escape;
      continue;
    }
    // The escape value is never a code, so codes above it are shifted.
    const unsigned code = q > escape ? q - 1 : q;
    const size_t distanceBytes = (code & 3) + 1;
    if (distanceBytes == 4) return -1;
    size_t length = code >> 3;
    if (code & LZ_EXTRA_LENGTH_FLAG) {
      if (in == inEnd) return -1;
      length |= static_cast<size_t>(*in++) << 5;
    }
    length += LZ_MIN_MATCH;
    if (static_cast<size_t>(inEnd - in) < distanceBytes) return -1;
    const size_t distance = ReadDistanceField(in, inEnd, distanceBytes) + 1;
    in += distanceBytes;
    if (distance > static_cast<size_t>(out - outStart) ||
        length > static_cast<size_t>(outEnd - out)) {
      return -1;
    }
    CopyMatch(out, outEnd, distance, length);
    out += length;
  }
  // A stream that stops short leaves part of the output undefined.
  return out == outEnd ? static_cast<int>(unpackedSize) : -1;
}
