// Message framing of network handles: every message on the wire is a 32-bit
// little-endian byte count and that many bytes. The receiving side collects
// payload bytes in a ring and counts the bytes of complete messages; the
// sending side turns everything queued into one message. The socket calls
// come through a small table, so the framing runs the same over Windows
// Sockets and over the tests' scripted sockets.
#ifndef VELVANE_CORE_NET_FRAMING_H
#define VELVANE_CORE_NET_FRAMING_H

#include <stdint.h>

#include "core/base/ring_buffer.h"

enum {
  FRAME_HEADER_SIZE = 4,
  // A peer announcing more than this is refused rather than trusted with an
  // allocation of its choosing.
  FRAME_MAX_MESSAGE_SIZE = 64 * 1024 * 1024
};

struct FrameSocketOps {
  // Receives up to len bytes into dst (peek non-zero leaves them queued):
  // the count received, 0 when none is available or the peer has closed, -1
  // on an error.
  int (*receive)(uintptr_t socket, void *dst, int len, int peek);
  // Sends up to len bytes: the count sent (0 when the socket would block),
  // -1 on an error.
  int (*send)(uintptr_t socket, const void *src, int len);
  // Lets pending socket notifications run between messages; may be null.
  void (*dispatch)(void);
};

struct FrameReceiver {
  RingBuffer ring;     // payload bytes only
  int remaining;       // bytes still to come of the current message
  int length;          // length of the current message
  int completeBytes;   // bytes of complete messages held in the ring
};

struct FrameSender {
  RingBuffer ring;      // queued payload bytes
  uint32_t lengthWord;  // the message's length; counts down the payload once the header is out
  int headerLeft;       // header bytes still to send (0 to 4)
};

// Receives whole or partial messages while the socket has bytes. 0, or -1
// with the log line when a message's announced length is refused or cannot
// be stored (the caller marks its handle as failed).
int ReceiveFrames(FrameReceiver *rx, uintptr_t socket, const FrameSocketOps *ops);
// Sends queued bytes as messages until the socket would block or nothing is
// queued; 0, or -1 on a socket error.
int SendFrames(FrameSender *tx, uintptr_t socket, const FrameSocketOps *ops);
// Takes len bytes of complete messages out of the receiver; 0, or -1 when
// fewer are complete (nothing is taken).
int TakeReceivedBytes(FrameReceiver *rx, void *dst, int len);
// Queues bytes to be sent; 0, or -1 when they cannot be stored.
int QueueFrameBytes(FrameSender *tx, const void *src, int len);
// Frees both rings and clears the progress of both sides.
void ReleaseFrames(FrameReceiver *rx, FrameSender *tx);

#endif  // VELVANE_CORE_NET_FRAMING_H
