// The two kinds of bit set that model building and the runtime use: tables
// of fixed-length bit rows (which bones move a position or a polygon) and
// bit ranges (runs of bits in an instance's change sets).
#ifndef VELVANE_MODEL_BIT_SETS_H
#define VELVANE_MODEL_BIT_SETS_H

#include <stdint.h>

#include "model/data/alloc_chain.h"

// Rows of bitsPerRow bits. Bit b of a row lies in byte b / 8 at bit b mod 8;
// the last byte of a row is its used byte (bit 0 set once the row holds
// anything). Each row also has one 32-bit value of the caller's.
struct BitRowTable {
  uint8_t *rows;
  uint32_t *values;  // one per row, 4-byte aligned after the rows
  int usedRows;
  int rowCount;
  int bitsPerRow;
  int bytesPerRow;  // bitsPerRow / 8 + 2
};

// Sets up a table of rows x bitsPerRow bits from the chain; 0, or -1
// (logged) when the block cannot be had.
int BitRowTableInit(BitRowTable *table, int bitsPerRow, int rows, AllocChain *chain);
// Bytes per row of a table of bitsPerRow bits.
int BitRowBytes(int bitsPerRow);
// Marks the row used (counting it the first time) and sets the bit; 0.
int BitRowSet(BitRowTable *table, int row, int bit);
// Copies the row's bit bytes and a cleared used byte to out; 0.
int BitRowCopyOut(const BitRowTable *table, int row, uint8_t *out);
// Copies a whole row in, used byte included; counts the row as used when
// its used byte was clear before; 0.
int BitRowStore(BitRowTable *table, int row, const uint8_t *bytes);
// ORs the row's bit bytes into bytes; 0.
int BitRowOrInto(const BitRowTable *table, int row, uint8_t *bytes);
// Set bits in the first rowLength - 1 bytes (a row without its used byte).
int CountRowBits(const uint8_t *bytes, int rowLength);
// Writes the numbers of the row's set bits in increasing order; how many.
int ListRowBits(const BitRowTable *table, int row, uint16_t *out);

// A run of bits in a set of 32-bit words: an item's own bit and, with mask
// words, the bits of its whole subtree.
struct BitRange {
  int wordIndex;        // word of the first bit
  uint32_t *maskWords;  // the run's masks from wordIndex on, or null
  int wordCount;        // words the run spans
  uint32_t firstMask;   // the first bit within its word
};

// Fills range for count bits from firstBit. With maskWords, also sets those
// bits in them (the first word is cleared first; later words must come
// zeroed). Returns the number of words the run spans.
int MakeBitRange(BitRange *range, uint32_t *maskWords, int firstBit, int count);
// Sets the range in target unless its first bit is already set; target.
uint32_t *MarkBitRange(const BitRange *range, uint32_t *target);
// Clears the range (the own bit alone without mask words) in target.
void ClearBitRange(const BitRange *range, uint32_t *target);
// 1 when the range's first bit is set in words.
int IsBitRangeMarked(const BitRange *range, const uint32_t *words);

#endif  // VELVANE_MODEL_BIT_SETS_H
