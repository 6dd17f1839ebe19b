#include "graphics/state/vertex_batch.h"

#include <stddef.h>
#include <string.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"

namespace {

enum {
  BLOCK_2D_PLAIN = 64512,
  BLOCK_FULL = 65536
};

struct BatchFormat {
  uint32_t fvf;
  int stride;
  int capacity;
};

// By kind x 3 + sub-kind; the two 3-D formats share one block.
const BatchFormat kFormats[BATCH_FORMATS] = {
    {0x044, 20, BLOCK_2D_PLAIN / 20}, {0x144, 28, BLOCK_FULL / 28}, {0x2C4, 40, BLOCK_FULL / 40},
    {0x042, 16, BLOCK_FULL / 16},     {0x142, 24, BLOCK_FULL / 24}, {0, 0, 0}};

struct BatchStores {
  alignas(16) uint8_t plain2D[BLOCK_2D_PLAIN];
  alignas(16) uint8_t textured2D[BLOCK_FULL];
  alignas(16) uint8_t blend2D[BLOCK_FULL];
  alignas(16) uint8_t shared3D[BLOCK_FULL];
};

BatchStores g_stores;

int FormatIndex(int kind, int subKind) { return kind * 3 + subKind; }

bool ValidFormat(int kind, int subKind) {
  return kind >= 0 && kind <= 1 && subKind >= 0 && subKind <= 2;
}

const BatchFormat &CurrentFormat(void) {
  return kFormats[FormatIndex(g_vertexBatch.kind, g_vertexBatch.subKind)];
}

void RewindWritePointer(void) {
  g_vertexBatch.count = 0;
  g_vertexBatch.write = g_vertexBatch.storage[FormatIndex(g_vertexBatch.kind, g_vertexBatch.subKind)];
}

// The draw paths overwrite x, y, u, v and colour but never rhw or the
// specular colour; z starts at 0 for them to overwrite too.
void Prefill2DStore(uint8_t *block, int stride, int capacity, int hasSpecular) {
  for (int i = 0; i < capacity; i++) {
    float *vertex = reinterpret_cast<float *>(block + static_cast<size_t>(i) * stride);
    vertex[2] = 0.0f;
    vertex[3] = 1.0f;
    if (hasSpecular) {
      const uint32_t white = 0xFFFFFFFFu;
      memcpy(block + static_cast<size_t>(i) * stride + offsetof(Vertex2DBlend, specular), &white,
             sizeof white);
    }
  }
}

// Draws what is queued, as the flush does, without the device check.
void DrawQueued(GfxDevice *device) {
  VertexBatch &batch = g_vertexBatch;
  if (batch.count == 0 || device->IsProgramEnding() || g_stateCache.drawSuppressed) return;
  BeginDeviceScene();
  const BatchFormat &format = CurrentFormat();
  if (format.fvf == 0) return;
  const int primitives = BatchPrimitiveCount(batch.primitiveType, batch.count);
  if (format.fvf != g_stateCache.fvf) {
    device->SetFVF(format.fvf);
    g_stateCache.fvf = format.fvf;
  }
  if (batch.kind == BATCH_KIND_3D) {
    Matrix4x4 identity;
    MakeIdentityMatrix(&identity);
    device->SetTransform(TS_WORLD, &identity);
  }
  device->DrawPrimitiveUP(batch.primitiveType, primitives,
                          batch.storage[FormatIndex(batch.kind, batch.subKind)], format.stride);
  if (batch.kind == BATCH_KIND_3D) device->SetTransform(TS_WORLD, &g_drawSettings.worldMatrix);
}

}  // namespace

VertexBatch g_vertexBatch;

int BatchCapacity(int kind, int subKind) {
  return ValidFormat(kind, subKind) ? kFormats[FormatIndex(kind, subKind)].capacity : 0;
}

int BatchStride(int kind, int subKind) {
  return ValidFormat(kind, subKind) ? kFormats[FormatIndex(kind, subKind)].stride : 0;
}

uint32_t BatchFvf(int kind, int subKind) {
  return ValidFormat(kind, subKind) ? kFormats[FormatIndex(kind, subKind)].fvf : 0;
}

int BatchPrimitiveCount(int primitiveType, int n) {
  switch (primitiveType) {
    case PRIM_POINTLIST:
      return n;
    case PRIM_LINELIST:
      return n / 2;
    case PRIM_LINESTRIP:
      return n > 1 ? n - 1 : 0;
    case PRIM_TRIANGLELIST:
      return n / 3;
    case PRIM_TRIANGLESTRIP:
    case PRIM_TRIANGLEFAN:
      return n > 2 ? n - 2 : 0;
    default:
      return 0;
  }
}

void ResetVertexBatch(void) {
  VertexBatch &batch = g_vertexBatch;
  memset(&g_stores, 0, sizeof g_stores);
  Prefill2DStore(g_stores.plain2D, kFormats[0].stride, kFormats[0].capacity, 0);
  Prefill2DStore(g_stores.textured2D, kFormats[1].stride, kFormats[1].capacity, 0);
  Prefill2DStore(g_stores.blend2D, kFormats[2].stride, kFormats[2].capacity, 1);
  batch.storage[0] = g_stores.plain2D;
  batch.storage[1] = g_stores.textured2D;
  batch.storage[2] = g_stores.blend2D;
  batch.storage[3] = g_stores.shared3D;
  batch.storage[4] = g_stores.shared3D;
  batch.storage[5] = NULL;
  batch.kind = BATCH_KIND_2D;
  batch.subKind = BATCH_TEXTURED;
  batch.primitiveType = PRIM_TRIANGLELIST;
  batch.diffuse = 0xFFFFFFFFu;
  RewindWritePointer();
}

int FlushVertexBatch(void) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  DrawQueued(device);
  RewindWritePointer();
  return 0;
}

int SubmitVertexBatch(void) {
  FlushVertexBatch();
  return 0;
}

void SetDeviceWorldTransform(const Matrix4x4 *m) {
  GfxDevice *device = StateDevice();
  if (device) device->SetTransform(TS_WORLD, m);
}

void *ReserveBatchVertices(int kind, int primitiveType, int n) {
  VertexBatch &batch = g_vertexBatch;
  const int capacity = BatchCapacity(kind, batch.subKind);
  if (!batch.write || n <= 0 || n > capacity) return NULL;
  if (batch.count > 0 && (batch.kind != kind || batch.primitiveType != primitiveType ||
                          batch.count + n >= capacity)) {
    FlushVertexBatch();
    // Without a device nothing drew them; they must not overrun the block.
    if (batch.count > 0) RewindWritePointer();
  }
  batch.kind = kind;
  batch.primitiveType = primitiveType;
  if (batch.count == 0) RewindWritePointer();
  uint8_t *at = batch.write;
  batch.write += static_cast<size_t>(n) * static_cast<size_t>(CurrentFormat().stride);
  batch.count += n;
  return at;
}

void SetBatchSubKind(int subKind) {
  if (subKind < 0 || subKind > 2 || subKind == g_vertexBatch.subKind) return;
  // Queued vertices are of the old format: they go first.
  if (g_vertexBatch.count > 0) FlushVertexBatch();
  g_vertexBatch.subKind = subKind;
  RewindWritePointer();
}
