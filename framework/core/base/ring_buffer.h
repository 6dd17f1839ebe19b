// A growable byte ring: the send and receive queues of network handles and
// the sample queues of soft-sound players. Data can be peeked without being
// consumed. The block comes from the debug memory manager.
#ifndef VELVANE_CORE_RING_BUFFER_H
#define VELVANE_CORE_RING_BUFFER_H

// A zero-filled record is an empty ring without a block. Invariant:
// 0 <= held <= size; an offset equal to size stands for 0.
struct RingBuffer {
  unsigned char *data;
  int readOffset;   // the oldest held byte
  int writeOffset;  // where the next byte goes
  int held;
  int size;
};

// Sets a read or write offset equal to the size back to 0; returns rb.
RingBuffer *RingBufferWrapOffsets(RingBuffer *rb);
// Makes room for need more bytes, keeping what is held. On failure the ring
// is emptied and released, the failure is logged, and -1 returned.
int RingBufferReserve(RingBuffer *rb, int need);
// Copies len bytes from the oldest held ones to dst; unless peek is non-zero
// they are consumed. -1 (nothing copied) when fewer than len are held.
int RingBufferRead(RingBuffer *rb, void *dst, int len, int peek);
// Reserves room for len bytes and appends them at the write offset.
int RingBufferWrite(RingBuffer *rb, const void *src, int len);
// Frees the block and zeroes the record; 0.
int RingBufferRelease(RingBuffer *rb);

#endif  // VELVANE_CORE_RING_BUFFER_H
