#include "core/files/memory_stream.h"

#include <string.h>

#include "core/files/file_plain.h"
#include "core/debug/memory.h"

namespace {

MemoryStream *StreamOf(StreamHandle stream) {
  return reinterpret_cast<MemoryStream *>(stream);
}

void Advance(MemoryStream *s, void *buffer, int bytes) {
  memcpy(buffer, s->data + s->position, static_cast<size_t>(bytes));
  s->position += bytes;
  s->endFlag = 0;
}

}  // namespace

MemoryStream *OpenMemoryStream(const void *data, int size) {
  if (size < 0 || (!data && size > 0)) return nullptr;
  MemoryStream *s = static_cast<MemoryStream *>(VV_ALLOC_ZEROED(sizeof(MemoryStream)));
  if (!s) return nullptr;
  s->data = static_cast<const unsigned char *>(data);
  s->size = size;
  return s;
}

int CloseMemoryStream(StreamHandle stream) {
  VV_FREE(StreamOf(stream));
  return 0;
}

int MemoryStreamTell(StreamHandle stream) {
  MemoryStream *s = StreamOf(stream);
  return s ? s->position : -1;
}

int MemoryStreamSeek(StreamHandle stream, int offset, int origin) {
  MemoryStream *s = StreamOf(stream);
  int64_t target;
  if (!s || ComputeSeekTarget(s->position, s->size, offset, origin, &target) < 0) return -1;
  if (target > s->size) target = s->size;
  if (target < 0) target = 0;
  s->position = static_cast<int>(target);
  s->endFlag = 0;
  return 0;
}

int MemoryStreamRead(void *buffer, int itemSize, int itemCount, StreamHandle stream) {
  MemoryStream *s = StreamOf(stream);
  if (!s || itemSize <= 0 || itemCount <= 0) return 0;
  const int remaining = s->size - s->position;
  if (remaining == 0) {
    s->endFlag = 1;
    return 0;
  }
  // Compared by division: itemSize x itemCount may not fit in an int.
  const int whole = remaining / itemSize;
  if (whole == 0) {
    // Less than one item left: the caller gets the rest as one short item.
    Advance(s, buffer, remaining);
    return 1;
  }
  const int items = itemCount < whole ? itemCount : whole;
  Advance(s, buffer, items * itemSize);
  return items;
}

int MemoryStreamEof(StreamHandle stream) {
  MemoryStream *s = StreamOf(stream);
  return s ? s->endFlag : -1;
}

int MemoryStreamIdleCheck(StreamHandle) { return 1; }
