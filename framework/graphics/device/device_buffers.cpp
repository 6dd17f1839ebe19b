#include "graphics/device/device_buffers.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "core/base/handle_table.h"
#include "core/debug/memory.h"
#include "graphics/device/graphics_system.h"
#include "graphics/state/render_state_cache.h"
#include "velvane.h"

namespace {

enum BufferKindIndex { VERTEX_BUFFERS = 0, INDEX_BUFFERS = 1 };

// One buffer handle: what a rebuild needs to make the device buffer again.
struct BufferRecord {
  HandleObject head;
  int layoutFlag;  // 1 when made without a format of its own
  int elementSize;
  int elementTotal;
  int format;     // the FVF of a vertex buffer, the index format of an index buffer
  uint8_t *copy;  // every element, as last written
  void *buffer;   // GfxVertexBuffer or GfxIndexBuffer; null while none exists
};

struct BufferKind {
  int index;
  int handleKind;
  int defaultFormat;
  const char *lockFailed;
  const char *createFailed;
  int ready;
  HandleTable table;
  HandleObject *slots[BUFFER_HANDLE_SLOTS];
};

struct BufferState {
  BufferKind kinds[2];
};

BufferState g_buffers = {{
    {VERTEX_BUFFERS, HANDLE_KIND_VERTEX_BUFFER, BUFFER_DEFAULT_FVF,
     "頂点バッファのロックに失敗しました\n", "頂点バッファの作成に失敗しました\n", 0, {}, {}},
    {INDEX_BUFFERS, HANDLE_KIND_INDEX_BUFFER, BUFFER_DEFAULT_INDEX_FORMAT,
     "インデックスバッファのロックに失敗しました\n", "インデックスバッファの作成に失敗しました\n", 0,
     {}, {}},
}};

BufferKind &Kind(BufferKindIndex index) {
  BufferKind &kind = g_buffers.kinds[index];
  if (!kind.ready) {
    HandleTableInit(&kind.table, kind.handleKind, kind.slots, BUFFER_HANDLE_SLOTS);
    HandleTableSetSlotRule(&kind.table, HANDLE_SLOTS_HIGHEST);
    kind.ready = 1;
  }
  return kind;
}

BufferRecord *Find(BufferKind &kind, int handle) {
  return HandleTableGet<BufferRecord>(&kind.table, handle);
}

int Length(const BufferRecord *record) { return record->elementSize * record->elementTotal; }

void *CreateDeviceBuffer(const BufferKind &kind, int length, int usage, int format, int pool) {
  GfxDevice *device = StateDevice();
  if (!device) return NULL;
  if (kind.index == VERTEX_BUFFERS) {
    GfxVertexBuffer *buffer = NULL;
    return device->CreateVertexBuffer(length, usage, format, pool, &buffer) < 0 ? NULL : buffer;
  }
  GfxIndexBuffer *buffer = NULL;
  return device->CreateIndexBuffer(length, usage, format, pool, &buffer) < 0 ? NULL : buffer;
}

void ReleaseDeviceBuffer(const BufferKind &kind, BufferRecord *record) {
  GfxDevice *device = GetGfxDevice();
  if (record->buffer && device) {
    if (kind.index == VERTEX_BUFFERS) {
      device->ReleaseVertexBuffer(static_cast<GfxVertexBuffer *>(record->buffer));
    } else {
      device->ReleaseIndexBuffer(static_cast<GfxIndexBuffer *>(record->buffer));
    }
  }
  record->buffer = NULL;
}

// Locks bytes [offset, offset + size) of the device buffer, copies data in
// and unlocks; 0, or the kind's lock line and -1.
int FillDeviceBuffer(const BufferKind &kind, BufferRecord *record, int offset, int size,
                     const void *data) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  void *bits = NULL;
  if (kind.index == VERTEX_BUFFERS) {
    GfxVertexBuffer *buffer = static_cast<GfxVertexBuffer *>(record->buffer);
    if (device->LockVertexBuffer(buffer, offset, size, &bits) < 0 || !bits) {
      return WriteLogLine(kind.lockFailed);
    }
    memcpy(bits, data, static_cast<size_t>(size));
    device->UnlockVertexBuffer(buffer);
  } else {
    GfxIndexBuffer *buffer = static_cast<GfxIndexBuffer *>(record->buffer);
    if (device->LockIndexBuffer(buffer, offset, size, &bits) < 0 || !bits) {
      return WriteLogLine(kind.lockFailed);
    }
    memcpy(bits, data, static_cast<size_t>(size));
    device->UnlockIndexBuffer(buffer);
  }
  return 0;
}

// Makes the record's device buffer and fills it with the kept copy; 0 / -1
// (logged, and the record left without a device buffer).
int RecreateBuffer(const BufferKind &kind, BufferRecord *record) {
  ReleaseDeviceBuffer(kind, record);
  const int length = Length(record);
  record->buffer =
      CreateDeviceBuffer(kind, length, GFX_USAGE_WRITEONLY, record->format, GFX_POOL_DEFAULT);
  if (!record->buffer) return WriteLogLine(kind.createFailed);
  if (FillDeviceBuffer(kind, record, 0, length, record->copy) < 0) {
    ReleaseDeviceBuffer(kind, record);
    return -1;
  }
  return 0;
}

void FreeRecord(const BufferKind &kind, BufferRecord *record) {
  ReleaseDeviceBuffer(kind, record);
  VV_FREE(record->copy);
  VV_FREE(record);
}

int MakeBuffer(BufferKindIndex index, int elementSize, int elementTotal, int format) {
  BufferKind &kind = Kind(index);
  if (elementSize <= 0 || elementTotal <= 0 ||
      static_cast<int64_t>(elementSize) * elementTotal > INT_MAX) {
    return -1;
  }
  BufferRecord *record = static_cast<BufferRecord *>(VV_ALLOC_ZEROED(sizeof(BufferRecord)));
  if (!record) return -1;
  record->layoutFlag = format == 0;
  record->elementSize = elementSize;
  record->elementTotal = elementTotal;
  record->format = format ? format : kind.defaultFormat;
  record->copy = static_cast<uint8_t *>(VV_ALLOC_ZEROED(Length(record)));
  const int handle = record->copy ? HandleTableAdd(&kind.table, &record->head) : -1;
  if (handle < 0) {
    FreeRecord(kind, record);
    return -1;
  }
  if (StateDevice() && RecreateBuffer(kind, record) < 0) {
    HandleTableRemove(&kind.table, handle);
    FreeRecord(kind, record);
    return -1;
  }
  return handle;
}

int DeleteBuffer(BufferKindIndex index, int handle) {
  BufferKind &kind = Kind(index);
  BufferRecord *record = Find(kind, handle);
  if (!record) return -1;
  HandleTableRemove(&kind.table, handle);
  FreeRecord(kind, record);
  return 0;
}

int DeleteAllBuffers(BufferKindIndex index) {
  BufferKind &kind = Kind(index);
  for (int slot = kind.table.nextSlot - 1; slot >= 0; slot--) {
    HandleObject *object = HandleTableSlot(&kind.table, slot);
    if (object) DeleteBuffer(index, object->handle);
  }
  return 0;
}

int WriteBuffer(BufferKindIndex index, int first, const void *data, int count, int handle) {
  BufferKind &kind = Kind(index);
  BufferRecord *record = Find(kind, handle);
  if (!record || first < 0 || count < 0 || (count > 0 && !data)) return -1;
  if (static_cast<int64_t>(first) + count > record->elementTotal) return -1;
  // A zero-size lock would lock the whole buffer.
  if (count == 0) return 0;
  if (IsGraphicsDeviceLost()) return -1;
  // Both fit in an int: the whole buffer does.
  const int offset = first * record->elementSize;
  const int size = count * record->elementSize;
  if (record->buffer && FillDeviceBuffer(kind, record, offset, size, data) < 0) return -1;
  memcpy(record->copy + offset, data, static_cast<size_t>(size));
  return 0;
}

template <void (*Visit)(const BufferKind &, BufferRecord *)>
void ForEachBuffer(BufferKindIndex index) {
  BufferKind &kind = Kind(index);
  for (int slot = 0; slot < kind.table.nextSlot; slot++) {
    HandleObject *object = HandleTableSlot(&kind.table, slot);
    if (object) Visit(kind, reinterpret_cast<BufferRecord *>(object));
  }
}

void RecreateIgnoringFailure(const BufferKind &kind, BufferRecord *record) {
  RecreateBuffer(kind, record);
}

const void *Copy(BufferKindIndex index, int handle, int *bytes) {
  const BufferRecord *record = Find(Kind(index), handle);
  if (bytes) *bytes = record ? Length(record) : 0;
  return record ? record->copy : NULL;
}

}  // namespace

GfxVertexBuffer *CreateDeviceVertexBuffer(int length, int usage, int fvf, int pool) {
  return static_cast<GfxVertexBuffer *>(
      CreateDeviceBuffer(Kind(VERTEX_BUFFERS), length, usage, fvf, pool));
}

GfxIndexBuffer *CreateDeviceIndexBuffer(int length, int usage, int format, int pool) {
  return static_cast<GfxIndexBuffer *>(
      CreateDeviceBuffer(Kind(INDEX_BUFFERS), length, usage, format, pool));
}

int MakeVertexBufferHandle(int elementSize, int elementTotal, int format) {
  return MakeBuffer(VERTEX_BUFFERS, elementSize, elementTotal, format);
}

int MakeIndexBufferHandle(int elementSize, int elementTotal, int format) {
  return MakeBuffer(INDEX_BUFFERS, elementSize, elementTotal, format);
}

int DeleteVertexBufferHandle(int handle) { return DeleteBuffer(VERTEX_BUFFERS, handle); }

int DeleteIndexBufferHandle(int handle) { return DeleteBuffer(INDEX_BUFFERS, handle); }

int DeleteAllVertexBufferHandles(void) { return DeleteAllBuffers(VERTEX_BUFFERS); }

int DeleteAllIndexBufferHandles(void) { return DeleteAllBuffers(INDEX_BUFFERS); }

int WriteVertexBuffer(int first, const void *data, int count, int handle) {
  return WriteBuffer(VERTEX_BUFFERS, first, data, count, handle);
}

int WriteIndexBuffer(int first, const void *data, int count, int handle) {
  return WriteBuffer(INDEX_BUFFERS, first, data, count, handle);
}

int ReleaseAllDeviceBuffers(void) {
  ForEachBuffer<ReleaseDeviceBuffer>(VERTEX_BUFFERS);
  ForEachBuffer<ReleaseDeviceBuffer>(INDEX_BUFFERS);
  return 0;
}

int RecreateAllDeviceBuffers(void) {
  ForEachBuffer<RecreateIgnoringFailure>(VERTEX_BUFFERS);
  ForEachBuffer<RecreateIgnoringFailure>(INDEX_BUFFERS);
  return 0;
}

GfxVertexBuffer *GetVertexBufferDevice(int handle) {
  const BufferRecord *record = Find(Kind(VERTEX_BUFFERS), handle);
  return record ? static_cast<GfxVertexBuffer *>(record->buffer) : NULL;
}

GfxIndexBuffer *GetIndexBufferDevice(int handle) {
  const BufferRecord *record = Find(Kind(INDEX_BUFFERS), handle);
  return record ? static_cast<GfxIndexBuffer *>(record->buffer) : NULL;
}

const void *GetVertexBufferCopy(int handle, int *bytes) {
  return Copy(VERTEX_BUFFERS, handle, bytes);
}

const void *GetIndexBufferCopy(int handle, int *bytes) { return Copy(INDEX_BUFFERS, handle, bytes); }

int GetVertexBufferTableEnd(void) { return Kind(VERTEX_BUFFERS).table.nextSlot; }

int GetIndexBufferTableEnd(void) { return Kind(INDEX_BUFFERS).table.nextSlot; }
