#include "core/input/char_ring.h"

#include "core/base/core_state.h"
#include "graphics/text/char_class.h"

namespace {

struct CharRing {
  unsigned char bytes[CHAR_RING_SIZE];
  int read;
  int write;
};

CharRing g_ring;

int Advance(int index) { return index + 1 == CHAR_RING_SIZE ? 0 : index + 1; }

bool IsEmpty(void) { return g_ring.read == g_ring.write; }

}  // namespace

int IsCharRingFull(void) { return Advance(g_ring.write) == g_ring.read ? 1 : 0; }

int PushInputChar(int c) {
  if (IsCharRingFull()) return -1;
  g_ring.bytes[g_ring.write] = static_cast<unsigned char>(c);
  g_ring.write = Advance(g_ring.write);
  return 0;
}

int PopInputChar(char out[2], int remove) {
  out[0] = out[1] = 0;
  if (IsEmpty()) return 0;
  int position = g_ring.read;
  const char first = static_cast<char>(g_ring.bytes[position]);
  position = Advance(position);
  int length = 1;
  if (!IsControlCode(static_cast<unsigned char>(first)) &&
      IsDoubleByteLead(&first, GetFrameworkCharSet())) {
    // A lead byte waits in the ring until its second byte has arrived.
    if (position == g_ring.write) return 0;
    out[1] = static_cast<char>(g_ring.bytes[position]);
    position = Advance(position);
    length = 2;
  }
  out[0] = first;
  if (remove) g_ring.read = position;
  return length;
}

int IsControlCode(int c) {
  switch (c) {
    case CONTROL_CODE_DELETE:
    case CONTROL_CODE_LEFT:
    case CONTROL_CODE_RIGHT:
    case CONTROL_CODE_UP:
    case CONTROL_CODE_DOWN:
    case CONTROL_CODE_HOME:
    case CONTROL_CODE_END:
    case CONTROL_CODE_PAGE_UP:
    case CONTROL_CODE_PAGE_DOWN:
      return 1;
    default:
      return 0;
  }
}

void ClearCharRing(void) { g_ring.read = g_ring.write = 0; }
