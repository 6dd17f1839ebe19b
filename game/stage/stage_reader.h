// Reads a stage file's bytes the way the stage grid is written: single
// characters and decimal numbers.
#ifndef PELLACOR_GAME_STAGE_STAGE_READER_H
#define PELLACOR_GAME_STAGE_STAGE_READER_H

#include <stddef.h>
#include <stdint.h>

// What the end of the bytes reads as; the byte itself also ends a grid.
constexpr int kStageEnd = 0xFF;

enum NumberRead { NUMBER_READ, NUMBER_MISSING, NUMBER_AT_END };

class StageReader {
 public:
  StageReader(const uint8_t *bytes, size_t size) : bytes_(bytes), size_(size) {}

  // The next byte, kStageEnd past the end.
  int Next() { return position_ < size_ ? bytes_[position_++] : kStageEnd; }
  // A decimal number after white space, with an optional sign; out-of-range
  // values saturate. NUMBER_AT_END when the bytes end before the number
  // starts; NUMBER_MISSING when no digit follows (a lone sign is consumed,
  // the byte that is no digit is not). value is written only when read.
  NumberRead ReadInt(int &value);

 private:
  int Peek() const { return position_ < size_ ? bytes_[position_] : -1; }

  const uint8_t *bytes_;
  size_t size_;
  size_t position_ = 0;
};

#endif
