// Writes LZ blocks in the framework's compressed-block format, for tests,
// fixtures and benchmarks (the framework itself only decodes them). Besides
// the packer, a block writer lets a caller place every code form by hand.
#ifndef VELVANE_TOOLS_LZ_ENCODE_H
#define VELVANE_TOOLS_LZ_ENCODE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct LzBlockWriter {
  std::vector<uint8_t> bytes;  // header, then the code stream
  uint8_t escape;
  uint32_t unpackedSize;  // bytes the codes so far produce
};

void LzBeginBlock(LzBlockWriter &writer, uint8_t escape);
// One literal byte (the escape value is written doubled).
void LzAppendLiteral(LzBlockWriter &writer, uint8_t value);
// A back-reference. distanceBytes 0 picks the smallest distance field, 1 to
// 3 force that width; extraLength forces the extra length byte even when
// the length fits without it. False (nothing written) when the values
// cannot be coded.
bool LzAppendMatch(LzBlockWriter &writer, int length, int distance, int distanceBytes = 0,
                   bool extraLength = false);
// Fills in the header (unpacked size, packed size) and returns the block.
std::vector<uint8_t> LzFinishBlock(LzBlockWriter &writer);

// Packs data into one block: greedy matches from hash chains over the whole
// 16 MB window, the least frequent byte value as escape.
std::vector<uint8_t> EncodeLzBlock(const void *data, size_t size);

#endif  // VELVANE_TOOLS_LZ_ENCODE_H
