#include "core/base/ring_buffer.h"

#include <limits.h>
#include <stdint.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "core/util/strings.h"

namespace {

// Growth beyond the need: half the held amount plus this, so a run of small
// writes reallocates rarely.
const int kGrowthSlack = 1000;

// Copies len held bytes starting at the read offset, in two pieces when they
// wrap past the end of the block. Offsets must be normalised.
void CopyFromRing(const RingBuffer *rb, unsigned char *dst, int len) {
  const int first = rb->size - rb->readOffset < len ? rb->size - rb->readOffset : len;
  CopyBytes(dst, rb->data + rb->readOffset, first);
  CopyBytes(dst + first, rb->data, len - first);
}

// Copies len bytes to the write offset, wrapping like CopyFromRing.
void CopyIntoRing(RingBuffer *rb, const unsigned char *src, int len) {
  const int first = rb->size - rb->writeOffset < len ? rb->size - rb->writeOffset : len;
  CopyBytes(rb->data + rb->writeOffset, src, first);
  CopyBytes(rb->data, src + first, len - first);
}

int AdvanceOffset(const RingBuffer *rb, int offset, int len) {
  return static_cast<int>((static_cast<int64_t>(offset) + len) % rb->size);
}

}  // namespace

RingBuffer *RingBufferWrapOffsets(RingBuffer *rb) {
  if (rb->readOffset == rb->size) rb->readOffset = 0;
  if (rb->writeOffset == rb->size) rb->writeOffset = 0;
  return rb;
}

int RingBufferReserve(RingBuffer *rb, int need) {
  RingBufferWrapOffsets(rb);
  if (need < 0) need = 0;
  if (static_cast<int64_t>(rb->size) >= static_cast<int64_t>(need) + rb->held) return 0;
  const int64_t wanted = static_cast<int64_t>(need) + rb->held * static_cast<int64_t>(3) / 2 + kGrowthSlack;
  // Past INT_MAX the memory manager refuses the size, which takes the
  // failure path below with the largest size that can be named.
  const int newSize = wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted);
  unsigned char *block = static_cast<unsigned char *>(VV_ALLOC(newSize));
  if (!block) {
    RingBufferRelease(rb);
    return WriteLogLineFormat("リングバッファの再確保に失敗しました(確保しようとしたサイズ %d byte)",
                              newSize);
  }
  if (rb->held > 0) CopyFromRing(rb, block, rb->held);
  VV_FREE(rb->data);
  rb->data = block;
  rb->size = newSize;
  rb->readOffset = 0;
  rb->writeOffset = rb->held;
  return 0;
}

int RingBufferRead(RingBuffer *rb, void *dst, int len, int peek) {
  if (len < 0 || rb->held < len) return -1;
  if (len == 0) return 0;
  RingBufferWrapOffsets(rb);
  CopyFromRing(rb, static_cast<unsigned char *>(dst), len);
  if (!peek) {
    rb->readOffset = AdvanceOffset(rb, rb->readOffset, len);
    rb->held -= len;
  }
  return 0;
}

int RingBufferWrite(RingBuffer *rb, const void *src, int len) {
  if (len < 0) return -1;
  if (len == 0) return 0;
  // Reserve leaves both offsets wrapped.
  if (RingBufferReserve(rb, len) != 0) return -1;
  CopyIntoRing(rb, static_cast<const unsigned char *>(src), len);
  rb->writeOffset = AdvanceOffset(rb, rb->writeOffset, len);
  rb->held += len;
  return 0;
}

int RingBufferRelease(RingBuffer *rb) {
  VV_FREE(rb->data);
  *rb = RingBuffer{NULL, 0, 0, 0, 0};
  return 0;
}
