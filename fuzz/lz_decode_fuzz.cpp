// Any bytes as an LZ block: the decoder must refuse or decode within its
// bounds. The same bytes as data must survive a round trip through the
// packer.
#include <limits.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/files/lz_decode.h"
#include "tools/lz_encode.h"

namespace {

const int kMaxOutput = 1 << 20;

void DecodeAsBlock(const uint8_t *data, size_t size) {
  const int blockSize = size > INT_MAX ? INT_MAX : static_cast<int>(size);
  const int unpacked = DecodeLzBlock(data, blockSize, nullptr, 0);
  if (unpacked < 0) return;
  // An exact-size output, or a smaller one the decoder must refuse.
  const int capacity = unpacked < kMaxOutput ? unpacked : kMaxOutput;
  // Exactly capacity bytes, so the sanitizer sees any write past them.
  uint8_t none;
  uint8_t *output = capacity ? static_cast<uint8_t *>(malloc(static_cast<size_t>(capacity))) : &none;
  const int result = DecodeLzBlock(data, blockSize, output, capacity);
  if (capacity) free(output);
  if (result != -1 && (capacity < unpacked || result != unpacked)) abort();
}

void RoundTrip(const uint8_t *data, size_t size) {
  const std::vector<uint8_t> block = EncodeLzBlock(data, size);
  std::vector<uint8_t> out(size + 1);
  const int result = DecodeLzBlock(block.data(), static_cast<int>(block.size()), out.data(),
                                   static_cast<int>(size));
  if (result != static_cast<int>(size) || memcmp(out.data(), data, size) != 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  DecodeAsBlock(data, size);
  if (size <= 65536) RoundTrip(data, size);
  return 0;
}
