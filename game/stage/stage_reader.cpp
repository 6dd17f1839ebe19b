#include "game/stage/stage_reader.h"

#include <limits.h>

namespace {

bool IsSpace(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

}  // namespace

NumberRead StageReader::ReadInt(int &value) {
  while (IsSpace(Peek())) ++position_;
  if (Peek() < 0) return NUMBER_AT_END;
  bool negative = false;
  if (Peek() == '-' || Peek() == '+') {
    negative = Peek() == '-';
    ++position_;
  }
  if (!IsDigit(Peek())) return NUMBER_MISSING;
  // Accumulated as a magnitude up to one past INT_MAX, enough for INT_MIN.
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  while (IsDigit(Peek())) {
    magnitude = magnitude * 10 + (Peek() - '0');
    if (magnitude > limit) magnitude = limit;
    ++position_;
  }
  value = static_cast<int>(negative ? -magnitude : magnitude);
  return NUMBER_READ;
}
