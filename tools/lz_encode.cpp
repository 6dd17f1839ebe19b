#include "tools/lz_encode.h"

#include <string.h>

#include "core/files/lz_decode.h"

namespace {

const int kHashBits = 16;
const int kMaxChainSteps = 48;

void WriteLe32(uint8_t *p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

int SmallestDistanceBytes(int distance) {
  const int field = distance - 1;
  return field < 0x100 ? 1 : field < 0x10000 ? 2 : 3;
}

// Bytes a back-reference takes in the stream.
int MatchCost(int length, int distance) {
  return 2 + (length - LZ_MIN_MATCH > LZ_SHORT_LENGTH_LIMIT ? 1 : 0) +
         SmallestDistanceBytes(distance);
}

uint8_t RarestByte(const uint8_t *data, size_t size) {
  size_t counts[256] = {0};
  for (size_t i = 0; i < size; ++i) counts[data[i]]++;
  int rarest = 0;
  for (int v = 1; v < 256; ++v) {
    if (counts[v] < counts[rarest]) rarest = v;
  }
  return static_cast<uint8_t>(rarest);
}

uint32_t HashAt(const uint8_t *p) {
  uint32_t v;
  memcpy(&v, p, 4);
  return (v * 2654435761u) >> (32 - kHashBits);
}

struct MatchFinder {
  const uint8_t *data;
  size_t size;
  std::vector<int32_t> head;
  std::vector<int32_t> previous;

  MatchFinder(const uint8_t *d, size_t n) : data(d), size(n), head(1u << kHashBits, -1), previous(n, -1) {}

  void Insert(size_t i) {
    if (i + 4 > size) return;
    const uint32_t h = HashAt(data + i);
    previous[i] = head[h];
    head[h] = static_cast<int32_t>(i);
  }

  // Longest earlier match at i within the window; its length (0 if none)
  // and distance.
  int Find(size_t i, int *distanceOut) const {
    if (i + LZ_MIN_MATCH > size) return 0;
    const size_t maxMatch = LZ_MAX_MATCH;
    const size_t limit = size - i < maxMatch ? size - i : maxMatch;
    int best = 0;
    int32_t candidate = head[HashAt(data + i)];
    for (int steps = 0; candidate >= 0 && steps < kMaxChainSteps; ++steps) {
      const size_t distance = i - static_cast<size_t>(candidate);
      if (distance > LZ_MAX_DISTANCE) break;
      size_t n = 0;
      while (n < limit && data[candidate + n] == data[i + n]) ++n;
      if (static_cast<int>(n) > best) {
        best = static_cast<int>(n);
        *distanceOut = static_cast<int>(distance);
        if (n == limit) break;
      }
      candidate = previous[candidate];
    }
    return best;
  }
};

}  // namespace

void LzBeginBlock(LzBlockWriter &writer, uint8_t escape) {
  writer.bytes.assign(LZ_HEADER_SIZE, 0);
  writer.bytes[8] = escape;
  writer.escape = escape;
  writer.unpackedSize = 0;
}

void LzAppendLiteral(LzBlockWriter &writer, uint8_t value) {
  writer.bytes.push_back(value);
  if (value == writer.escape) writer.bytes.push_back(value);
  writer.unpackedSize++;
}

bool LzAppendMatch(LzBlockWriter &writer, int length, int distance, int distanceBytes,
                   bool extraLength) {
  if (length < LZ_MIN_MATCH || length > LZ_MAX_MATCH || distance < 1 ||
      distance > LZ_MAX_DISTANCE || distanceBytes < 0 || distanceBytes > 3) {
    return false;
  }
  if (distanceBytes == 0) distanceBytes = SmallestDistanceBytes(distance);
  if (distanceBytes < SmallestDistanceBytes(distance)) return false;
  const unsigned lengthField = static_cast<unsigned>(length - LZ_MIN_MATCH);
  const bool extra = extraLength || lengthField > LZ_SHORT_LENGTH_LIMIT;
  unsigned code = ((lengthField & 31u) << 3) | (extra ? static_cast<unsigned>(LZ_EXTRA_LENGTH_FLAG) : 0u) |
                  static_cast<unsigned>(distanceBytes - 1);
  // The escape value is never a code byte: codes from it upwards move up one.
  if (code >= writer.escape) code++;
  writer.bytes.push_back(writer.escape);
  writer.bytes.push_back(static_cast<uint8_t>(code));
  if (extra) writer.bytes.push_back(static_cast<uint8_t>(lengthField >> 5));
  const unsigned distanceField = static_cast<unsigned>(distance - 1);
  for (int i = 0; i < distanceBytes; ++i) {
    writer.bytes.push_back(static_cast<uint8_t>(distanceField >> (8 * i)));
  }
  writer.unpackedSize += static_cast<uint32_t>(length);
  return true;
}

std::vector<uint8_t> LzFinishBlock(LzBlockWriter &writer) {
  WriteLe32(writer.bytes.data(), writer.unpackedSize);
  WriteLe32(writer.bytes.data() + 4, static_cast<uint32_t>(writer.bytes.size()));
  return writer.bytes;
}

std::vector<uint8_t> EncodeLzBlock(const void *data, size_t size) {
  const uint8_t *bytes = static_cast<const uint8_t *>(data);
  LzBlockWriter writer;
  LzBeginBlock(writer, RarestByte(bytes, size));
  MatchFinder finder(bytes, size);
  size_t i = 0;
  while (i < size) {
    int distance = 0;
    const int length = finder.Find(i, &distance);
    if (length >= LZ_MIN_MATCH && MatchCost(length, distance) < length) {
      LzAppendMatch(writer, length, distance);
      for (size_t end = i + static_cast<size_t>(length); i < end; ++i) finder.Insert(i);
    } else {
      LzAppendLiteral(writer, bytes[i]);
      finder.Insert(i++);
    }
  }
  return LzFinishBlock(writer);
}
