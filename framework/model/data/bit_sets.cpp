#include "model/data/bit_sets.h"

#include <stdint.h>
#include <string.h>

#include "core/debug/log.h"

namespace {

uint8_t *RowOf(const BitRowTable *table, int row) {
  return table->rows + static_cast<size_t>(row) * table->bytesPerRow;
}

int PopCount(uint8_t byte) {
  int n = 0;
  for (; byte; byte &= static_cast<uint8_t>(byte - 1)) n++;
  return n;
}

}  // namespace

int BitRowBytes(int bitsPerRow) { return bitsPerRow / 8 + 2; }

int BitRowTableInit(BitRowTable *table, int bitsPerRow, int rows, AllocChain *chain) {
  table->usedRows = 0;
  table->rowCount = rows;
  table->bitsPerRow = bitsPerRow;
  table->bytesPerRow = BitRowBytes(bitsPerRow);
  // Counts come from files: size the block in 64 bits and keep the values
  // on a 4-byte boundary after the rows.
  const uint64_t rowBytes = (static_cast<uint64_t>(rows) * table->bytesPerRow + 3) & ~static_cast<uint64_t>(3);
  const uint64_t total = rowBytes + static_cast<uint64_t>(rows) * sizeof(uint32_t);
  void *block = NULL;
  if (bitsPerRow >= 0 && rows >= 0 && total <= INT32_MAX) block = AllocChainAlloc(static_cast<size_t>(total), chain);
  if (!block) {
    table->rows = NULL;
    table->values = NULL;
    return WriteLogLine("ビットデータを格納するメモリの確保に失敗しました\n");
  }
  table->rows = static_cast<uint8_t *>(block);
  table->values = reinterpret_cast<uint32_t *>(table->rows + rowBytes);
  return 0;
}

int BitRowSet(BitRowTable *table, int row, int bit) {
  uint8_t *bytes = RowOf(table, row);
  uint8_t &used = bytes[table->bytesPerRow - 1];
  if (!(used & 1)) {
    used |= 1;
    table->usedRows++;
  }
  bytes[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  return 0;
}

int BitRowCopyOut(const BitRowTable *table, int row, uint8_t *out) {
  memcpy(out, RowOf(table, row), table->bytesPerRow - 1);
  out[table->bytesPerRow - 1] = 0;
  return 0;
}

int BitRowStore(BitRowTable *table, int row, const uint8_t *bytes) {
  uint8_t *target = RowOf(table, row);
  if (!(target[table->bytesPerRow - 1] & 1)) table->usedRows++;
  memcpy(target, bytes, table->bytesPerRow);
  return 0;
}

int BitRowOrInto(const BitRowTable *table, int row, uint8_t *bytes) {
  const uint8_t *source = RowOf(table, row);
  for (int i = 0; i < table->bytesPerRow - 1; i++) bytes[i] |= source[i];
  return 0;
}

int CountRowBits(const uint8_t *bytes, int rowLength) {
  int n = 0;
  for (int i = 0; i < rowLength - 1; i++) n += PopCount(bytes[i]);
  return n;
}

int ListRowBits(const BitRowTable *table, int row, uint16_t *out) {
  const uint8_t *bytes = RowOf(table, row);
  int n = 0;
  for (int i = 0; i < table->bytesPerRow - 1; i++) {
    for (int b = 0; b < 8; b++) {
      if (bytes[i] & (1u << b)) out[n++] = static_cast<uint16_t>(i * 8 + b);
    }
  }
  return n;
}

int MakeBitRange(BitRange *range, uint32_t *maskWords, int firstBit, int count) {
  const int shift = firstBit % 32;
  range->wordIndex = firstBit / 32;
  range->maskWords = maskWords;
  range->wordCount = (shift + count + 31) / 32;
  range->firstMask = 1u << shift;
  if (maskWords) {
    maskWords[0] = 0;
    for (int i = 0; i < count; i++) {
      const int bit = shift + i;
      maskWords[bit / 32] |= 1u << (bit % 32);
    }
  }
  return range->wordCount;
}

uint32_t *MarkBitRange(const BitRange *range, uint32_t *target) {
  if (target[range->wordIndex] & range->firstMask) return target;
  if (range->maskWords) {
    for (int i = 0; i < range->wordCount; i++) target[range->wordIndex + i] |= range->maskWords[i];
  } else {
    target[range->wordIndex] |= range->firstMask;
  }
  return target;
}

void ClearBitRange(const BitRange *range, uint32_t *target) {
  if (range->maskWords) {
    for (int i = 0; i < range->wordCount; i++) target[range->wordIndex + i] &= ~range->maskWords[i];
  } else {
    target[range->wordIndex] &= ~range->firstMask;
  }
}

int IsBitRangeMarked(const BitRange *range, const uint32_t *words) {
  return (words[range->wordIndex] & range->firstMask) != 0;
}
