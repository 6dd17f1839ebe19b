// Streams over a caller's memory block, read exactly as a file is read
// through a StreamSource. The block is never copied or freed by the stream.
#ifndef VELVANE_CORE_MEMORY_STREAM_H
#define VELVANE_CORE_MEMORY_STREAM_H

#include "core/files/file_access.h"

struct MemoryStream {
  const unsigned char *data;
  int size;
  int position;  // 0..size
  int endFlag;   // 1 after a read found no data left
};

// A stream at position 0 over size bytes at data; null when the record
// cannot be allocated or the block is invalid (negative size, null data).
MemoryStream *OpenMemoryStream(const void *data, int size);

// The memory set's operations; the stream handle is the MemoryStream's
// address.
int CloseMemoryStream(StreamHandle stream);
int MemoryStreamTell(StreamHandle stream);
// New position clamped to 0..size, end flag cleared; 0, -1 for an unknown
// origin.
int MemoryStreamSeek(StreamHandle stream, int offset, int origin);
// Whole items read; a partial last item is copied and counts as one.
int MemoryStreamRead(void *buffer, int itemSize, int itemCount, StreamHandle stream);
// 1 after a read found no data left, else 0.
int MemoryStreamEof(StreamHandle stream);
// Always 1: memory reads never wait.
int MemoryStreamIdleCheck(StreamHandle stream);

#endif  // VELVANE_CORE_MEMORY_STREAM_H
