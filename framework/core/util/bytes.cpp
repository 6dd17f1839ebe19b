// Raw memory routines. Sizes are ints like the rest of the framework; a size
// of 0 or less does nothing.
#include <string.h>

#include "core/util/strings.h"

void FillBytes(void *dst, int value, int count) {
  if (count <= 0) return;
  memset(dst, value & 0xFF, static_cast<size_t>(count));
}

int CompareBytes(const void *a, const void *b, int size) {
  if (size <= 0) return 0;
  return memcmp(a, b, static_cast<size_t>(size)) == 0 ? 0 : 1;
}

void CopyBytes(void *dst, const void *src, int size) {
  if (size <= 0) return;
  memcpy(dst, src, static_cast<size_t>(size));
}

void MoveBytes(void *dst, const void *src, int size) {
  if (size <= 0 || dst == src) return;
  memmove(dst, src, static_cast<size_t>(size));
}
