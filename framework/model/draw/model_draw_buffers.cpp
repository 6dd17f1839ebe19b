#include "model/draw/model_draw_buffers.h"

#include <string.h>

#include "core/debug/memory.h"
#include "graphics/device/device_buffers.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/state/render_state_cache.h"
#include "model/build/vertex_optimise.h"
#include "model/data/model_data.h"
#include "model/draw/model_draw_cache.h"
#include "model/system/model_system.h"
#include "velvane.h"

namespace {

struct ModelBufferState {
  int vertexBuffersOff;  // a test switch: draw from CPU arrays only
};

ModelBufferState g_buffers;

enum {
  FVF_XYZ = 0x002,
  FVF_NORMAL = 0x010,
  FVF_DIFFUSE = 0x040,
  FVF_SPECULAR = 0x080,
  FVF_TEXCOUNT_SHIFT = 8,
  FVF_TEXCOORDSIZE4 = 2,
  LAYOUT_VARIANTS = 2,
  SET_COUNTS = MODEL_MAX_UV_SETS + 1
};

// The device when model buffers can be made: the Direct3D path with one.
GfxDevice *BufferDevice() {
  if (IsHardwareRenderingActive() != 1 || g_buffers.vertexBuffersOff) return NULL;
  return StateDevice();
}

int LayoutVariant(const ModelTriangleList *list) {
  return list->mesh->material && list->mesh->material->surface.normalMap.used ? 1 : 0;
}

int GroupOf(const ModelTriangleList *list) {
  return (list->kind * LAYOUT_VARIANTS + LayoutVariant(list)) * SET_COUNTS + list->mesh->texCoordSetCount;
}

// Rigid plain lists have a fixed vertex format; every other group needs
// the shaders' vertex declarations, and so gets buffers only with them.
int ListGetsChunk(const ModelTriangleList *list) {
  if (list->kind > MODEL_LIST_BONES8) return 0;
  if (list->mesh->texCoordSetCount < 0 || list->mesh->texCoordSetCount > MODEL_MAX_UV_SETS) return 0;
  if (list->kind == MODEL_LIST_RIGID && LayoutVariant(list) == 0) return 1;
  return IsVertexShaderUsable();
}

BufferChunk *NewChunk(ModelData *data, int group) {
  BufferChunk *chunk = static_cast<BufferChunk *>(VV_ALLOC_ZEROED(sizeof(BufferChunk)));
  if (!chunk) return NULL;
  if (data->currentChunks[group]) static_cast<BufferChunk *>(data->currentChunks[group])->next = chunk;
  else data->chunkLists[group] = chunk;
  data->currentChunks[group] = chunk;
  data->chunkCounts[group]++;
  data->bufferChunkCount++;
  return chunk;
}

void PlaceList(ModelTriangleList *list, BufferChunk *chunk) {
  list->bufferChunk = chunk;
  list->firstVertexInChunk = chunk->vertexCount;
  list->firstIndexInChunk = chunk->indexCount;
  chunk->vertexCount += list->vertexCount;
  chunk->indexCount += list->indexCount + list->outlineIndexCount;
}

void UnplaceList(ModelTriangleList *list, BufferChunk *chunk) {
  chunk->vertexCount -= list->vertexCount;
  chunk->indexCount -= list->indexCount + list->outlineIndexCount;
  list->bufferChunk = NULL;
  list->firstVertexInChunk = 0;
  list->firstIndexInChunk = 0;
}

int AssignLists(ModelData *data) {
  for (int i = 0; i < data->triangleListCount; i++) {
    ModelTriangleList *list = &data->triangleLists[i];
    if (!ListGetsChunk(list)) continue;
    const int group = GroupOf(list);
    BufferChunk *chunk = static_cast<BufferChunk *>(data->currentChunks[group]);
    if (!chunk && !(chunk = NewChunk(data, group))) return -1;
    PlaceList(list, chunk);
    if (chunk->indexCount > MODEL_CHUNK_MAX_INDICES || chunk->vertexCount > MODEL_CHUNK_MAX_VERTICES) {
      UnplaceList(list, chunk);
      if (!(chunk = NewChunk(data, group))) return -1;
      PlaceList(list, chunk);
    }
  }
  return 0;
}

void DropEmptyChunks(ModelData *data) {
  for (int group = 0; group < MODEL_BUFFER_TABLE_SIZE; group++) {
    BufferChunk **link = reinterpret_cast<BufferChunk **>(&data->chunkLists[group]);
    BufferChunk *last = NULL;
    while (*link) {
      BufferChunk *chunk = *link;
      if (chunk->vertexCount != 0) {
        last = chunk;
        link = &chunk->next;
        continue;
      }
      *link = chunk->next;
      VV_FREE(chunk);
      data->chunkCounts[group]--;
      data->bufferChunkCount--;
    }
    data->currentChunks[group] = last;
  }
}

void ReleaseChunkBuffers(GfxDevice *device, BufferChunk *chunk) {
  if (device && chunk->lockedVertices) device->UnlockVertexBuffer(chunk->vertexBuffer);
  if (device && chunk->lockedIndices) device->UnlockIndexBuffer(chunk->indexBuffer);
  if (device && chunk->vertexBuffer) device->ReleaseVertexBuffer(chunk->vertexBuffer);
  if (device && chunk->indexBuffer) device->ReleaseIndexBuffer(chunk->indexBuffer);
}

// Frees every chunk and leaves no list pointing at one.
void FreeChunks(ModelData *data) {
  GfxDevice *device = StateDevice();
  ForgetModelDrawBindings();
  for (int group = 0; group < MODEL_BUFFER_TABLE_SIZE; group++) {
    BufferChunk *chunk = static_cast<BufferChunk *>(data->chunkLists[group]);
    while (chunk) {
      BufferChunk *next = chunk->next;
      ReleaseChunkBuffers(device, chunk);
      VV_FREE(chunk);
      chunk = next;
    }
    data->chunkLists[group] = NULL;
    data->currentChunks[group] = NULL;
    data->chunkCounts[group] = 0;
  }
  data->bufferChunkCount = 0;
  for (int i = 0; i < data->triangleListCount; i++) {
    data->triangleLists[i].bufferChunk = NULL;
    data->triangleLists[i].firstVertexInChunk = 0;
    data->triangleLists[i].firstIndexInChunk = 0;
  }
}

int MakeChunkBuffers(GfxDevice *device, BufferChunk *chunk, int sets) {
  chunk->layoutCode = FixedModelVertexFormat(sets);
  chunk->stride = FixedModelVertexSize(sets);
  const int vertexBytes = chunk->vertexCount * chunk->stride;
  const int indexBytes = chunk->indexCount * 2;
  chunk->vertexBuffer = CreateDeviceVertexBuffer(vertexBytes, GFX_USAGE_WRITEONLY,
                                                 static_cast<int>(chunk->layoutCode), GFX_POOL_DEFAULT);
  if (!chunk->vertexBuffer) return -1;
  if (device->LockVertexBuffer(chunk->vertexBuffer, 0, vertexBytes, &chunk->lockedVertices) < 0) {
    chunk->lockedVertices = NULL;
    return -1;
  }
  chunk->indexBuffer = CreateDeviceIndexBuffer(indexBytes, GFX_USAGE_WRITEONLY, GFX_FMT_INDEX16, GFX_POOL_DEFAULT);
  if (!chunk->indexBuffer) return -1;
  if (device->LockIndexBuffer(chunk->indexBuffer, 0, indexBytes, &chunk->lockedIndices) < 0) {
    chunk->lockedIndices = NULL;
    return -1;
  }
  return 0;
}

// Groups in the order kind, layout variant, set count; only the groups
// with a fixed format are made without shaders.
int MakeAllChunkBuffers(GfxDevice *device, ModelData *data) {
  for (int group = 0; group < MODEL_BUFFER_TABLE_SIZE; group++) {
    const int sets = group % SET_COUNTS;
    for (BufferChunk *chunk = static_cast<BufferChunk *>(data->chunkLists[group]); chunk; chunk = chunk->next) {
      if (MakeChunkBuffers(device, chunk, sets) < 0) return -1;
    }
  }
  return 0;
}

void FillListInChunk(const ModelTriangleList *list) {
  BufferChunk *chunk = static_cast<BufferChunk *>(list->bufferChunk);
  const ModelMesh *mesh = list->mesh;
  uint8_t *out = static_cast<uint8_t *>(chunk->lockedVertices) + static_cast<size_t>(list->firstVertexInChunk) * chunk->stride;
  const RigidListVertex *vertices = static_cast<const RigidListVertex *>(list->vertices);
  for (int i = 0; i < list->vertexCount; i++, out += chunk->stride) {
    WriteFixedModelVertex(out, vertices[i].position, vertices[i].normal, MeshVertexAt(mesh, list->listVertexIndices[i]),
                          mesh->texCoordSetCount);
  }
  uint16_t *indices = static_cast<uint16_t *>(chunk->lockedIndices) + list->firstIndexInChunk;
  memcpy(indices, list->indices, list->indexCount * sizeof(uint16_t));
  if (list->outlineIndexCount) {
    memcpy(indices + list->indexCount, list->outlineIndices, list->outlineIndexCount * sizeof(uint16_t));
  }
}

void UnlockAllChunks(GfxDevice *device, ModelData *data) {
  for (int group = 0; group < MODEL_BUFFER_TABLE_SIZE; group++) {
    for (BufferChunk *chunk = static_cast<BufferChunk *>(data->chunkLists[group]); chunk; chunk = chunk->next) {
      chunk->lockedVertices = NULL;
      chunk->lockedIndices = NULL;
      device->UnlockVertexBuffer(chunk->vertexBuffer);
      device->UnlockIndexBuffer(chunk->indexBuffer);
    }
  }
}

void ReleaseInstanceOnly(ModelInstance *instance) { ReleaseInstanceBuffers(instance); }

}  // namespace

uint32_t FixedModelVertexFormat(int sets) {
  uint32_t format = FVF_XYZ | FVF_NORMAL | FVF_DIFFUSE | FVF_SPECULAR | (static_cast<uint32_t>(sets) << FVF_TEXCOUNT_SHIFT);
  for (int i = 0; i < sets; i++) format |= static_cast<uint32_t>(FVF_TEXCOORDSIZE4) << (i * 2 + 16);
  return format;
}

int FixedModelVertexSize(int sets) { return MODEL_FIXED_VERTEX_HEAD + 16 * sets; }

void WriteFixedModelVertex(uint8_t *out, const float *position, const float *normal,
                           const ModelMeshVertex *meshVertex, int sets) {
  float *head = reinterpret_cast<float *>(out);
  memcpy(head, position, 3 * sizeof(float));
  memcpy(head + 3, normal, 3 * sizeof(float));
  memcpy(out + 24, meshVertex->diffuse, 4);
  memcpy(out + 28, meshVertex->specular, 4);
  const float *uv = MeshVertexUv(const_cast<ModelMeshVertex *>(meshVertex));
  float *sets4 = reinterpret_cast<float *>(out + MODEL_FIXED_VERTEX_HEAD);
  for (int i = 0; i < sets; i++) {
    sets4[i * 4 + 0] = uv[i * 2 + 0];
    sets4[i * 4 + 1] = uv[i * 2 + 1];
    sets4[i * 4 + 2] = 1.0f;
    sets4[i * 4 + 3] = 1.0f;
  }
}

int ModelVertexBuffersInUse(void) { return g_buffers.vertexBuffersOff ? 0 : 1; }

void SetModelVertexBuffersInUse(int on) { g_buffers.vertexBuffersOff = on ? 0 : 1; }

int SetupDrawBuffers(ModelData *data, int instanceBuffers) {
  GfxDevice *device = BufferDevice();
  if (!device) return 0;
  if (!data) return -1;
  if (data->drawBuffersReady) return 0;
  data->instanceBuffersWanted = instanceBuffers;
  FreeChunks(data);
  if (AssignLists(data) < 0) {
    FreeChunks(data);
    return -1;
  }
  DropEmptyChunks(data);
  if (MakeAllChunkBuffers(device, data) < 0) {
    FreeChunks(data);
    return -1;
  }
  for (int i = 0; i < data->triangleListCount; i++) {
    if (data->triangleLists[i].bufferChunk) FillListInChunk(&data->triangleLists[i]);
  }
  UnlockAllChunks(device, data);
  data->drawBuffersReady = 1;
  if (instanceBuffers) {
    for (ModelInstance *instance = data->firstInstance; instance; instance = instance->nextInstance) {
      MakeInstanceBuffers(instance);
    }
  }
  return 0;
}

void ReleaseModelDrawBuffers(ModelData *data) {
  if (!data || !data->drawBuffersReady) return;
  FreeChunks(data);
  data->drawBuffersReady = 0;
  for (ModelInstance *instance = data->firstInstance; instance; instance = instance->nextInstance) {
    ReleaseInstanceBuffers(instance);
  }
}

void ReleaseInstanceBuffers(ModelInstance *instance) {
  GfxDevice *device = StateDevice();
  const ModelData *data = instance->data;
  for (int i = 0; data && i < data->triangleListCount; i++) {
    TriangleListInstance *list = &instance->triangleLists[i];
    if (!list->vertexBuffer) continue;
    if (device) device->ReleaseVertexBuffer(static_cast<GfxVertexBuffer *>(list->vertexBuffer));
    list->vertexBuffer = NULL;
  }
  ForgetModelDrawBindings();
}

// Only rigid lists have a format without shaders, and only frames with
// shapes move their vertices per instance through a buffer of their own.
int MakeInstanceBuffers(ModelInstance *instance) {
  GfxDevice *device = BufferDevice();
  const ModelData *data = instance->data;
  if (!device || !data) return 0;
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame *frame = &data->frames[f];
    if (frame->frameShapeCount <= 0) continue;
    for (int m = 0; m < frame->meshCount; m++) {
      const ModelMesh *mesh = &frame->firstMesh[m];
      if (!mesh->needsInstanceVertices) continue;
      for (int l = 0; l < mesh->triangleListCount; l++) {
        const ModelTriangleList *list = &mesh->firstTriangleList[l];
        TriangleListInstance *state = &instance->triangleLists[list - data->triangleLists];
        const BufferChunk *chunk = static_cast<const BufferChunk *>(list->bufferChunk);
        if (!chunk || state->vertexBuffer || list->kind != MODEL_LIST_RIGID) continue;
        GfxVertexBuffer *buffer =
            CreateDeviceVertexBuffer(list->vertexCount * chunk->stride, GFX_USAGE_BUFFER_DYNAMIC | GFX_USAGE_WRITEONLY,
                                     static_cast<int>(chunk->layoutCode), GFX_POOL_DEFAULT);
        if (!buffer) continue;
        state->vertexBuffer = buffer;
        instance->frames[f].shapesChanged = 1;
      }
    }
  }
  return 0;
}

void DeleteModelTextureGraph(int graphHandle) {
  if (graphHandle != -1) DeleteGraphHandle(graphHandle);
}

int VLMReleaseAllDrawBuffers(void) {
  ForEachModelData(ReleaseModelDrawBuffers);
  ForEachModelInstance(ReleaseInstanceOnly);
  ForgetModelDrawBindings();
  return 0;
}

namespace {
void SetupWithInstances(ModelData *data) { SetupDrawBuffers(data, 1); }
}  // namespace

int VLMCreateAllDrawBuffers(void) {
  ForEachModelData(SetupWithInstances);
  return 0;
}

// The normal rebuild is not part of this framework yet.
int VLMRecalculateModelNormals(int dataHandle, float) {
  if (!IsModelSystemStarted() || !LookupModelData(dataHandle)) return -1;
  return -1;
}

int VLMOptimizeModelVertices(int dataHandle) {
  ModelData *data = IsModelSystemStarted() ? LookupModelData(dataHandle) : NULL;
  if (!data) return -1;
  ReleaseModelDrawBuffers(data);
  const int result = OptimiseModelVertices(data);
  SetupDrawBuffers(data, 1);
  return result < 0 ? -1 : 0;
}
