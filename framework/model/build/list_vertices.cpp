#include "model/build/list_vertices.h"

#include <stddef.h>
#include <string.h>

namespace {

// What one list vertex is made of.
struct VertexSource {
  const ModelPosition *position;
  const ModelSkinWeight *weights;
  int weightCount;  // the frame's largest count; a list may end early with bone -1
  Vector3 normal;
};

bool SourceOf(const ModelTriangleList *list, int i, VertexSource *out) {
  const ModelMesh *mesh = list->mesh;
  const ModelFrame *frame = mesh->frame;
  const int meshVertex = list->listVertexIndices ? list->listVertexIndices[i] : -1;
  if (meshVertex < 0 || meshVertex >= mesh->meshVertexCount) return false;
  const ModelMeshVertex *vertex = MeshVertexAt(mesh, meshVertex);
  if (vertex->positionIndex < 0 || vertex->positionIndex >= frame->positionCount) return false;
  ModelPosition *position = PositionAt(frame, vertex->positionIndex);
  out->position = position;
  out->weights = PositionWeights(position);
  out->weightCount = frame->maxWeightsPerPosition;
  if (vertex->normalIndex >= 0 && vertex->normalIndex < frame->normalCount) {
    out->normal = frame->normals[vertex->normalIndex].normal;
  } else if (frame->normalCount == 0) {
    out->normal = Vector3{0, 0, 0};  // a list without normals yet
  } else {
    return false;
  }
  return true;
}

// The number of a frame bone within the list's bone table, or -1.
int ListBoneNumber(const ModelTriangleList *list, int bone) {
  for (int j = 0; j < list->boneCount && j < MODEL_LIST_MAX_BONES; j++) {
    if (list->bones[j] == bone) return j;
  }
  return -1;
}

// Weights and bone numbers of a 4- or 8-bone vertex.
bool FillBoneSlots(const ModelTriangleList *list, const VertexSource &source, int slots, float *weights,
                   uint8_t *bones) {
  for (int k = 0; k < slots; k++) {
    weights[k] = 0.0f;
    bones[k] = 0;
  }
  for (int k = 0; k < source.weightCount && source.weights[k].bone >= 0; k++) {
    if (k >= slots) return false;
    const int number = ListBoneNumber(list, source.weights[k].bone);
    if (number < 0) return false;
    weights[k] = source.weights[k].weight;
    bones[k] = static_cast<uint8_t>(number);
  }
  return true;
}

void CopyVector(float *out, const Vector3 &v) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

bool FillOne(const ModelTriangleList *list, int i, unsigned char *out) {
  VertexSource source;
  if (!SourceOf(list, i, &source)) return false;
  switch (list->kind) {
    case MODEL_LIST_RIGID: {
      RigidListVertex *v = reinterpret_cast<RigidListVertex *>(out);
      CopyVector(v->position, source.position->position);
      v->position[3] = 1.0f;
      CopyVector(v->normal, source.normal);
      v->normal[3] = 0.0f;
      return true;
    }
    case MODEL_LIST_BONES4: {
      Bone4ListVertex *v = reinterpret_cast<Bone4ListVertex *>(out);
      CopyVector(v->position, source.position->position);
      v->position[3] = 1.0f;
      CopyVector(v->normal, source.normal);
      return FillBoneSlots(list, source, 4, v->weights, v->bones);
    }
    case MODEL_LIST_BONES8: {
      Bone8ListVertex *v = reinterpret_cast<Bone8ListVertex *>(out);
      CopyVector(v->position, source.position->position);
      CopyVector(v->normal, source.normal);
      return FillBoneSlots(list, source, 8, v->weights, v->bones);
    }
    case MODEL_LIST_FREE_BONES: {
      FreeBoneListVertex *v = reinterpret_cast<FreeBoneListVertex *>(out);
      CopyVector(v->position, source.position->position);
      CopyVector(v->normal, source.normal);
      FreeBonePair *pairs = reinterpret_cast<FreeBonePair *>(v + 1);
      const int room = (list->bytesPerVertex - static_cast<int>(sizeof(FreeBoneListVertex))) /
                       static_cast<int>(sizeof(FreeBonePair));
      int k = 0;
      for (; k < source.weightCount && source.weights[k].bone >= 0; k++) {
        if (k >= room) return false;
        pairs[k].bone = source.weights[k].bone;
        pairs[k].weight = source.weights[k].weight;
      }
      for (; k < room; k++) pairs[k] = FreeBonePair{-1, 0.0f};
      return true;
    }
    default: return true;
  }
}

int FillInto(const ModelTriangleList *list, void *vertices) {
  const int size = ListVertexSize(list);
  if (size == 0) return 0;
  if (!vertices) return -1;
  unsigned char *out = static_cast<unsigned char *>(vertices);
  for (int i = 0; i < list->vertexCount; i++) {
    if (!FillOne(list, i, out + static_cast<size_t>(i) * size)) return -1;
  }
  return 0;
}

}  // namespace

int ListVertexSize(const ModelTriangleList *list) {
  switch (list->kind) {
    case MODEL_LIST_RIGID: return sizeof(RigidListVertex);
    case MODEL_LIST_BONES4: return sizeof(Bone4ListVertex);
    case MODEL_LIST_BONES8: return sizeof(Bone8ListVertex);
    case MODEL_LIST_FREE_BONES:
      return list->bytesPerVertex >= static_cast<int>(sizeof(FreeBoneListVertex)) ? list->bytesPerVertex : 0;
    default: return 0;
  }
}

int FillListVertices(ModelTriangleList *list) {
  list->vertexStride = static_cast<uint16_t>(ListVertexSize(list));
  return FillInto(list, list->vertices);
}

int FillInstanceListVertices(TriangleListInstance *listInstance) {
  return FillInto(listInstance->list, listInstance->vertices);
}

int BuildOutlineIndices(ModelTriangleList *list) {
  int count = 0;
  const ModelMesh *mesh = list->mesh;
  for (int t = 0; list->outlineIndices && t + 2 < list->indexCount; t += 3) {
    bool outlined = true;
    for (int k = 0; k < 3 && outlined; k++) {
      const int listVertex = list->indices[t + k];
      const int meshVertex = listVertex < list->vertexCount ? list->listVertexIndices[listVertex] : -1;
      outlined = meshVertex >= 0 && meshVertex < mesh->meshVertexCount &&
                 !(MeshVertexAt(mesh, meshVertex)->flags & MODEL_VERTEX_NO_OUTLINE);
    }
    if (!outlined) continue;
    memcpy(&list->outlineIndices[count], &list->indices[t], 3 * sizeof(uint16_t));
    count += 3;
  }
  list->outlineIndexCount = static_cast<uint16_t>(count);
  return count;
}
