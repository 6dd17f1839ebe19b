#include "model/build/vertex_optimise.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "core/debug/memory.h"

namespace {

// Working memory for one array of records: hash-chain heads, chain links
// and the old-to-new index map, one int each per record of the largest
// array.
struct MergeWork {
  int *heads;
  int *next;
  int *remap;
  int capacity;
};

// The bytes that decide whether two records are the same.
typedef int (*KeyLength)(const uint8_t *record, int recordSize, int context);

int WholeRecord(const uint8_t *, int recordSize, int) { return recordSize; }

// A position's coordinates and its weight list up to the end marker.
int PositionKey(const uint8_t *record, int, int maxWeights) {
  const ModelSkinWeight *weights = reinterpret_cast<const ModelSkinWeight *>(record + sizeof(ModelPosition));
  int length = 0;
  while (length < maxWeights && weights[length].bone >= 0) length++;
  return static_cast<int>(sizeof(ModelPosition) + length * sizeof(ModelSkinWeight));
}

uint32_t HashBytes(const uint8_t *bytes, int length) {
  uint32_t hash = 2166136261u;
  for (int i = 0; i < length; i++) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

// Compacts count records so each is kept only where it first appears;
// work.remap maps every old index to its new one. The new count.
int MergeRecords(uint8_t *records, int count, int recordSize, KeyLength keyLength, int context, MergeWork *work) {
  for (int i = 0; i < count; i++) work->heads[i] = -1;
  int kept = 0;
  for (int i = 0; i < count; i++) {
    const uint8_t *record = records + static_cast<size_t>(i) * recordSize;
    const int length = keyLength(record, recordSize, context);
    const int bucket = static_cast<int>(HashBytes(record, length) % static_cast<uint32_t>(count));
    int match = -1;
    for (int j = work->heads[bucket]; j >= 0 && match < 0; j = work->next[j]) {
      const uint8_t *other = records + static_cast<size_t>(j) * recordSize;
      if (keyLength(other, recordSize, context) == length && memcmp(other, record, length) == 0) match = j;
    }
    if (match >= 0) {
      work->remap[i] = match;
      continue;
    }
    if (kept != i) memmove(records + static_cast<size_t>(kept) * recordSize, record, recordSize);
    work->remap[i] = kept;
    work->next[kept] = work->heads[bucket];
    work->heads[bucket] = kept;
    kept++;
  }
  return kept;
}

int LargestArray(const ModelData *data) {
  int largest = 0;
  for (int f = 0; f < data->frameCount; f++) {
    if (data->frames[f].positionCount > largest) largest = data->frames[f].positionCount;
  }
  for (int m = 0; m < data->meshCount; m++) {
    if (data->meshes[m].meshVertexCount > largest) largest = data->meshes[m].meshVertexCount;
  }
  return largest;
}

// Every reference the merge rewrites must point inside its array first, so
// a bad model is refused before anything changes.
bool ReferencesAreSound(const ModelData *data) {
  for (int m = 0; m < data->meshCount; m++) {
    const ModelMesh *mesh = &data->meshes[m];
    if (!mesh->frame || mesh->meshVertexCount < 0 || mesh->meshVertexSize < static_cast<int>(sizeof(ModelMeshVertex)))
      return false;
    for (int v = 0; v < mesh->meshVertexCount; v++) {
      const int position = MeshVertexAt(mesh, v)->positionIndex;
      if (position < 0 || position >= mesh->frame->positionCount) return false;
    }
    for (int l = 0; l < mesh->triangleListCount; l++) {
      const ModelTriangleList *list = &mesh->firstTriangleList[l];
      for (int i = 0; i < list->vertexCount; i++) {
        const int index = list->listVertexIndices[i];
        if (index < 0 || index >= mesh->meshVertexCount) return false;
      }
    }
  }
  for (int s = 0; s < data->shapeCount; s++) {
    const ModelShape *shape = &data->shapes[s];
    for (int v = 0; shape->mesh && v < shape->vertexCount; v++) {
      const int index = shape->vertices[v].meshVertexIndex;
      if (index < 0 || index >= shape->mesh->meshVertexCount) return false;
    }
  }
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame *frame = &data->frames[f];
    if (frame->positionCount < 0 || frame->maxWeightsPerPosition < 0) return false;
    const uint64_t recordSize = sizeof(ModelPosition) + static_cast<uint64_t>(frame->maxWeightsPerPosition) * sizeof(ModelSkinWeight);
    if (frame->positionCount > 0 && static_cast<uint64_t>(frame->positionStride) < recordSize) return false;
  }
  return true;
}

void MergePositions(ModelData *data, ModelFrame *frame, MergeWork *work) {
  const int count = frame->positionCount;
  const int kept = MergeRecords(frame->positions, count, frame->positionStride, PositionKey,
                                frame->maxWeightsPerPosition, work);
  for (int m = 0; m < frame->meshCount; m++) {
    ModelMesh *mesh = &frame->firstMesh[m];
    for (int v = 0; v < mesh->meshVertexCount; v++) {
      ModelMeshVertex *vertex = MeshVertexAt(mesh, v);
      vertex->positionIndex = work->remap[vertex->positionIndex];
    }
  }
  data->positionBytesTotal -= (count - kept) * frame->positionStride;
  frame->positionCount = kept;
}

void MergeMeshVertices(ModelData *data, ModelMesh *mesh, MergeWork *work) {
  const int count = mesh->meshVertexCount;
  const int kept = MergeRecords(mesh->meshVertices, count, mesh->meshVertexSize, WholeRecord, 0, work);
  for (int l = 0; l < mesh->triangleListCount; l++) {
    ModelTriangleList *list = &mesh->firstTriangleList[l];
    for (int i = 0; i < list->vertexCount; i++) list->listVertexIndices[i] = work->remap[list->listVertexIndices[i]];
  }
  for (int s = 0; s < data->shapeCount; s++) {
    ModelShape *shape = &data->shapes[s];
    if (shape->mesh != mesh) continue;
    for (int v = 0; v < shape->vertexCount; v++) {
      shape->vertices[v].meshVertexIndex = work->remap[shape->vertices[v].meshVertexIndex];
    }
  }
  data->meshVertexBytesTotal -= (count - kept) * mesh->meshVertexSize;
  if (mesh->needsInstanceVertices) data->instanceMeshVertexTotal -= count - kept;
  mesh->meshVertexCount = kept;
}

}  // namespace

int OptimiseModelVertices(ModelData *data) {
  if (!ReferencesAreSound(data)) return -1;
  const int largest = LargestArray(data);
  // The counts come from files: the working size is summed in 64 bits and
  // refused when the allocator's int cannot hold it.
  const uint64_t bytes = static_cast<uint64_t>(largest) * 3 * sizeof(int);
  void *block = bytes <= static_cast<uint64_t>(INT_MAX) - 1024 ? VV_ALLOC(bytes ? bytes : 1) : NULL;
  if (!block) return WriteLogLine("頂点情報最適化処理用のメモリの確保に失敗しました\n");
  MergeWork work;
  work.capacity = largest;
  work.heads = static_cast<int *>(block);
  work.next = work.heads + largest;
  work.remap = work.next + largest;
  for (int f = 0; f < data->frameCount; f++) {
    if (data->frames[f].positionCount > 0) MergePositions(data, &data->frames[f], &work);
  }
  for (int m = 0; m < data->meshCount; m++) {
    if (data->meshes[m].meshVertexCount > 0) MergeMeshVertices(data, &data->meshes[m], &work);
  }
  VV_FREE(block);
  return 0;
}
