#include "core/net/framing.h"

#include "core/debug/log.h"

namespace {

uint32_t ReadLittleEndian32(const unsigned char *bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void WriteLittleEndian32(unsigned char *bytes, uint32_t value) {
  for (int i = 0; i < 4; i++) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// Starts the next message when its whole header has arrived: 1 started, 0
// header not complete yet, -1 length refused or not storable.
int StartIncomingMessage(FrameReceiver *rx, uintptr_t socket, const FrameSocketOps *ops) {
  unsigned char header[FRAME_HEADER_SIZE];
  if (ops->receive(socket, header, FRAME_HEADER_SIZE, 1) != FRAME_HEADER_SIZE) return 0;
  ops->receive(socket, header, FRAME_HEADER_SIZE, 0);
  const uint32_t length = ReadLittleEndian32(header);
  // A length past the maximum (a negative one included, read as unsigned)
  // would have the ring grow to a size the peer chose.
  if (length > FRAME_MAX_MESSAGE_SIZE || RingBufferReserve(&rx->ring, static_cast<int>(length)) != 0) {
    WriteLogLineFormat("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
                       static_cast<int>(length));
    // A failed growth emptied the ring, complete messages included.
    if (!rx->ring.data) rx->completeBytes = 0;
    return -1;
  }
  rx->length = static_cast<int>(length);
  rx->remaining = static_cast<int>(length);
  return 1;
}

// Receives what has arrived of the current message into the ring at its
// write offset, in two pieces when the free space wraps; the bytes received.
// The reserve at the message's start left room for all of it.
int ReceivePayload(FrameReceiver *rx, uintptr_t socket, const FrameSocketOps *ops) {
  int total = 0;
  while (rx->remaining > 0) {
    RingBufferWrapOffsets(&rx->ring);
    const int untilEnd = rx->ring.size - rx->ring.writeOffset;
    const int want = rx->remaining < untilEnd ? rx->remaining : untilEnd;
    const int got = ops->receive(socket, rx->ring.data + rx->ring.writeOffset, want, 0);
    if (got <= 0) break;
    rx->ring.writeOffset += got;
    rx->ring.held += got;
    rx->remaining -= got;
    total += got;
    if (got < want) break;
  }
  if (rx->remaining == 0) rx->completeBytes += rx->length;
  return total;
}

int SendAll(uintptr_t socket, const FrameSocketOps *ops, const unsigned char *src, int len) {
  int sent = 0;
  while (sent < len) {
    const int n = ops->send(socket, src + sent, len - sent);
    if (n < 0) return -1;
    if (n == 0) break;
    sent += n;
  }
  return sent;
}

// Sends the rest of the header; 1 when it is all out, 0 when the socket
// would block, -1 on an error.
int SendHeader(FrameSender *tx, uintptr_t socket, const FrameSocketOps *ops) {
  unsigned char header[FRAME_HEADER_SIZE];
  WriteLittleEndian32(header, tx->lengthWord);
  const int offset = FRAME_HEADER_SIZE - tx->headerLeft;
  const int sent = SendAll(socket, ops, header + offset, tx->headerLeft);
  if (sent < 0) return -1;
  tx->headerLeft -= sent;
  return tx->headerLeft == 0 ? 1 : 0;
}

// Sends payload of the current message from the ring's read offset, in two
// pieces across the wrap; 1 when the message is complete, 0 when the socket
// would block, -1 on an error.
int SendPayload(FrameSender *tx, uintptr_t socket, const FrameSocketOps *ops) {
  while (tx->lengthWord > 0) {
    RingBufferWrapOffsets(&tx->ring);
    const int untilEnd = tx->ring.size - tx->ring.readOffset;
    const int left = static_cast<int>(tx->lengthWord);
    const int want = left < untilEnd ? left : untilEnd;
    const int sent = SendAll(socket, ops, tx->ring.data + tx->ring.readOffset, want);
    if (sent < 0) return -1;
    tx->ring.readOffset += sent;
    tx->ring.held -= sent;
    tx->lengthWord -= static_cast<uint32_t>(sent);
    if (sent < want) return 0;
  }
  return 1;
}

}  // namespace

int ReceiveFrames(FrameReceiver *rx, uintptr_t socket, const FrameSocketOps *ops) {
  for (;;) {
    if (rx->remaining == 0) {
      const int started = StartIncomingMessage(rx, socket, ops);
      if (started < 0) return -1;
      if (started == 0) return 0;
    }
    const int received = ReceivePayload(rx, socket, ops);
    if (ops->dispatch) ops->dispatch();
    // An empty message completes with nothing received; the next header may
    // already be waiting.
    if (rx->remaining != 0 || (received == 0 && rx->length != 0)) return 0;
  }
}

int SendFrames(FrameSender *tx, uintptr_t socket, const FrameSocketOps *ops) {
  while (tx->headerLeft > 0 || tx->lengthWord > 0 || tx->ring.held > 0) {
    if (tx->headerLeft == 0 && tx->lengthWord == 0) {
      // The receiver refuses longer messages, so a larger queue goes out as
      // several messages.
      const int held = tx->ring.held;
      tx->lengthWord = static_cast<uint32_t>(held < FRAME_MAX_MESSAGE_SIZE ? held : FRAME_MAX_MESSAGE_SIZE);
      tx->headerLeft = FRAME_HEADER_SIZE;
    }
    if (tx->headerLeft > 0) {
      const int header = SendHeader(tx, socket, ops);
      if (header <= 0) return header;
    }
    const int payload = SendPayload(tx, socket, ops);
    if (ops->dispatch) ops->dispatch();
    if (payload <= 0) return payload;
  }
  return 0;
}

int TakeReceivedBytes(FrameReceiver *rx, void *dst, int len) {
  if (len < 0 || len > rx->completeBytes) return -1;
  if (RingBufferRead(&rx->ring, dst, len, 0) != 0) return -1;
  rx->completeBytes -= len;
  return 0;
}

int QueueFrameBytes(FrameSender *tx, const void *src, int len) {
  return RingBufferWrite(&tx->ring, src, len);
}

void ReleaseFrames(FrameReceiver *rx, FrameSender *tx) {
  RingBufferRelease(&rx->ring);
  *rx = FrameReceiver{RingBuffer{NULL, 0, 0, 0, 0}, 0, 0, 0};
  RingBufferRelease(&tx->ring);
  *tx = FrameSender{RingBuffer{NULL, 0, 0, 0, 0}, 0, 0};
}
