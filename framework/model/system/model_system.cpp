#include "model/system/model_system.h"

#include <stddef.h>

#include "core/base/handle_table.h"
#include "core/debug/memory.h"
#include "graphics/device/screen_settings.h"
#include "model/data/model_data.h"
#include "model/data/instance_build.h"
#include "model/draw/model_draw_buffers.h"
#include "model/maths/model_maths.h"
#include "model/placement/instance_placement.h"
#include "model/textures/builtin_textures.h"
#include "velvane.h"

namespace {

struct ModelSystemState {
  bool initialised;
  HandleTable dataTable;
  HandleTable instanceTable;
};

ModelSystemState g_models;

void FreeIfOwned(void *buffer, int owned) {
  if (owned) VV_FREE(buffer);
}

void FreeTextureInstances(ModelInstance *instance) {
  const int count = instance->data ? instance->data->textureCount : 0;
  for (int i = 0; instance->textures && i < count; i++) {
    TextureInstance *texture = &instance->textures[i];
    if (!texture->ownGraph) continue;
    VV_FREE(texture->ownImageData);
    texture->ownImageData = NULL;
    DeleteModelTextureGraph(texture->ownGraphHandle);
    texture->ownGraphHandle = -1;
  }
  if (instance->texturesOwned) VV_FREE(instance->textures);
}

void UnlinkInstance(ModelInstance *instance) {
  ModelData *data = instance->data;
  if (instance->previousInstance) instance->previousInstance->nextInstance = instance->nextInstance;
  else data->firstInstance = instance->nextInstance;
  if (instance->nextInstance) instance->nextInstance->previousInstance = instance->previousInstance;
  else data->lastInstance = instance->previousInstance;
  data->instanceCount--;
}

void FreeDataTextures(ModelData *data) {
  for (int i = 0; data->textures && i < data->textureCount; i++) {
    ModelTexture *texture = &data->textures[i];
    FreeIfOwned(texture->fileName, texture->fileNameOwned);
    FreeIfOwned(texture->alphaFileName, texture->alphaFileNameOwned);
    FreeIfOwned(texture->imageData, texture->imageDataOwned);
    FreeIfOwned(texture->alphaImageData, texture->alphaImageDataOwned);
    DeleteModelTextureGraph(texture->graphHandle);
  }
  FreeIfOwned(data->textures, data->texturesOwned);
}

void FreeDataBuffers(ModelData *data) {
  for (int i = 0; data->shapes && i < data->shapeCount; i++) {
    FreeIfOwned(data->shapes[i].vertices, data->shapes[i].verticesOwned);
  }
  for (int i = 0; data->frames && i < data->frameCount; i++) {
    ModelFrame *frame = &data->frames[i];
    FreeIfOwned(frame->buffer, frame->bufferOwned);
    FreeIfOwned(frame->positions, frame->positionsOwned);
    FreeIfOwned(frame->normals, frame->normalsOwned);
  }
  for (int i = 0; data->meshes && i < data->meshCount; i++) {
    FreeIfOwned(data->meshes[i].meshVertices, data->meshes[i].meshVerticesOwned);
  }
  for (int i = 0; data->triangleLists && i < data->triangleListCount; i++) {
    ModelTriangleList *list = &data->triangleLists[i];
    FreeIfOwned(list->vertices, list->verticesOwned);
    FreeIfOwned(list->extraBuffer, list->extraBufferOwned);
    // The CPU arrays of drawing without buffers are always blocks of their own.
    VV_FREE(list->cpuVertices);
    VV_FREE(list->cpuLitVertices);
  }
}

void FreeModelData(ModelData *data) {
  ReleaseModelDrawBuffers(data);
  VV_FREE(data->vertexBlock);
  FreeDataTextures(data);
  FreeDataBuffers(data);
  AllocChainFree(&data->allocChain);
  VV_FREE(data);
}

void EmptyTables() {
  HandleTableFreeSlots(&g_models.dataTable);
  HandleTableFreeSlots(&g_models.instanceTable);
}

// The slot a handle names in a table when its kind and index fit, else -1.
int SlotOfHandle(const HandleTable *table, int handle) {
  if (handle < 0 || HandleKindOf(handle) != table->kind) return -1;
  const int slot = HandleTableSlotOf(table, handle);
  return slot < table->capacity ? slot : -1;
}

}  // namespace

int StartModelTables(void) {
  if (g_models.initialised) return 0;
  FillModelSineTable();
  HandleTableInitGrowing(&g_models.dataTable, MODEL_DATA_HANDLE_KIND, MODEL_DATA_TABLE_MAX,
                         HANDLE_TABLE_UNCHECKED | HANDLE_TABLE_SEARCH_FROM_FOUND);
  HandleTableInitGrowing(&g_models.instanceTable, HANDLE_KIND_MODEL, MODEL_INSTANCE_TABLE_MAX,
                         HANDLE_TABLE_SEARCH_FROM_FOUND);
  g_models.initialised = true;
  return 0;
}

int VLMStartModelSystem(void) {
  if (g_models.initialised || IsHardwareRenderingActive() != 1) return 0;
  return StartModelTables();
}

int VLMEndModelSystem(void) {
  if (!g_models.initialised) return 0;
  HandleTable *instances = &g_models.instanceTable;
  for (int slot = 0; slot < instances->capacity; slot++) {
    // Reserved slots hold no record; emptying the table frees them.
    HandleObject *entry = HandleTableSlot(instances, slot);
    if (entry) DeleteModelInstance(entry->handle);
  }
  HandleTable *datas = &g_models.dataTable;
  for (int slot = 0; slot < datas->capacity; slot++) {
    if (datas->slots[slot]) ReleaseModelData((MODEL_DATA_HANDLE_KIND << HANDLE_KIND_SHIFT) | slot);
  }
  EmptyTables();
  DeleteBuiltinModelTextures();
  g_models.initialised = false;
  return 0;
}

int IsModelSystemStarted(void) { return g_models.initialised ? 1 : 0; }

int TakeModelInstanceSlot(void) { return g_models.initialised ? HandleTableReserve(&g_models.instanceTable) : -1; }

int TakeModelDataSlot(void) { return g_models.initialised ? HandleTableReserve(&g_models.dataTable) : -1; }

int FillModelInstanceSlot(int handle, ModelInstance *instance) {
  return HandleTableFill(&g_models.instanceTable, handle, &instance->header);
}

int FillModelDataSlot(int handle, ModelData *data) {
  return HandleTableFill(&g_models.dataTable, handle, &data->header);
}

int IsModelInstanceSlotReserved(int handle) { return HandleTableIsReserved(&g_models.instanceTable, handle); }

ModelInstance *LookupModelInstance(int handle) {
  if (!g_models.initialised) return NULL;
  return HandleTableGet<ModelInstance>(&g_models.instanceTable, handle);
}

ModelData *LookupModelData(int handle) {
  if (!g_models.initialised) return NULL;
  return HandleTableGet<ModelData>(&g_models.dataTable, handle);
}

int DeleteModelInstance(int handle) {
  HandleTable *table = &g_models.instanceTable;
  if (SlotOfHandle(table, handle) < 0) return -1;
  if (HandleTableIsReserved(table, handle)) return HandleTableUnreserve(table, handle);
  ModelInstance *instance = HandleTableGet<ModelInstance>(table, handle);
  if (!instance) return -1;
  for (int slot = 0; slot < instance->animSlotCount; slot++) DetachAnimation(handle, slot);
  ReleaseInstanceBuffers(instance);
  VV_FREE(instance->animSlots);
  VV_FREE(instance->animBlend);
  VV_FREE(instance->polygonData[0]);
  VV_FREE(instance->polygonData[1]);
  VV_FREE(instance->chainedPolygonData);
  FreeTextureInstances(instance);
  UnlinkInstance(instance);
  ReleaseModelData(instance->dataHandle);
  HandleTableRemove(table, handle);
  VV_FREE(instance);
  return 0;
}

int ReleaseModelData(int handle) {
  HandleTable *table = &g_models.dataTable;
  if (SlotOfHandle(table, handle) < 0) return -1;
  if (HandleTableIsReserved(table, handle)) return HandleTableUnreserve(table, handle);
  ModelData *data = HandleTableGet<ModelData>(table, handle);
  if (!data) return -1;
  if (--data->referenceCount > 0) return 0;
  HandleTableRemove(table, handle);
  FreeModelData(data);
  return 0;
}

int VLMDeleteInstance(int handle) {
  if (!g_models.initialised) return -1;
  return DeleteModelInstance(handle);
}

int VLMCloneInstance(int handle) {
  ModelInstance *source = LookupModelInstance(handle);
  if (!source) return -1;
  const int clone = TakeModelInstanceSlot();
  if (clone < 0) return -1;
  if (BuildModelInstance(clone, source->dataHandle) < 0) {
    DeleteModelInstance(clone);
    return -1;
  }
  return clone;
}

void ForEachModelData(void (*visit)(ModelData *data)) {
  const HandleTable *table = &g_models.dataTable;
  for (int slot = 0; slot < table->capacity; slot++) {
    HandleObject *entry = HandleTableSlot(table, slot);
    if (entry) visit(reinterpret_cast<ModelData *>(entry));
  }
}

void ForEachModelInstance(void (*visit)(ModelInstance *instance)) {
  const HandleTable *table = &g_models.instanceTable;
  for (int slot = 0; slot < table->capacity; slot++) {
    HandleObject *entry = HandleTableSlot(table, slot);
    if (entry) visit(reinterpret_cast<ModelInstance *>(entry));
  }
}

int GetModelInstanceCount(void) { return g_models.instanceTable.liveCount; }

int GetModelDataCount(void) { return g_models.dataTable.liveCount; }
