// Model data made in code for the model tests: the record from the memory
// manager and its arrays from its allocation chain, so ReleaseModelData
// frees it all. The model: a root frame (rotated and moved: a full
// transform) holding a mesh with a rigid list of two triangles; a hidden
// middle frame that only moves; a leaf frame with no transform of its own
// holding a skinned mesh (one 4-bone list, vertices copied per instance).
#ifndef VELVANE_TESTS_MODEL_FIXTURE_H
#define VELVANE_TESTS_MODEL_FIXTURE_H

#include <gtest/gtest.h>
#include <string.h>

#include "core/debug/memory.h"
#include "leak_check.h"
#include "model/build/frame_matrices.h"
#include "model/build/list_vertices.h"
#include "model/data/instance_build.h"
#include "model/data/model_data.h"
#include "model/system/model_system.h"

namespace model_fixture {

template <typename T>
T *Take(ModelData *data, int count) {
  T *p = static_cast<T *>(AllocChainAlloc(sizeof(T) * static_cast<size_t>(count > 0 ? count : 1), &data->allocChain));
  EXPECT_NE(nullptr, p);
  return p;
}

inline void Link(ModelFrame *parent, ModelFrame *child) {
  child->parent = parent;
  if (parent->lastChild) {
    parent->lastChild->nextSibling = child;
    child->previousSibling = parent->lastChild;
  } else {
    parent->firstChild = child;
  }
  parent->lastChild = child;
  parent->childCount++;
}

inline void SetPositions(ModelData *data, ModelFrame *frame, int count, int maxWeights) {
  frame->positionCount = count;
  frame->maxWeightsPerPosition = maxWeights;
  frame->positionStride = static_cast<int>(sizeof(ModelPosition) + maxWeights * sizeof(ModelSkinWeight));
  frame->positions = Take<uint8_t>(data, count * frame->positionStride);
  data->positionBytesTotal += count * frame->positionStride;
}

inline void SetPosition(ModelFrame *frame, int i, Vector3 p, std::initializer_list<ModelSkinWeight> weights = {}) {
  ModelPosition *position = PositionAt(frame, i);
  position->position = p;
  ModelSkinWeight *w = PositionWeights(position);
  int k = 0;
  for (const ModelSkinWeight &weight : weights) w[k++] = weight;
  for (; k < frame->maxWeightsPerPosition; k++) w[k] = ModelSkinWeight{-1, 0.0f};
}

inline void SetMeshVertices(ModelData *data, ModelMesh *mesh, int count, int uvSets) {
  mesh->texCoordSetCount = uvSets;
  mesh->meshVertexSize = static_cast<int>(sizeof(ModelMeshVertex)) + 8 * uvSets;
  mesh->meshVertexCount = count;
  mesh->meshVertices = Take<uint8_t>(data, count * mesh->meshVertexSize);
  data->meshVertexBytesTotal += count * mesh->meshVertexSize;
}

inline void SetMeshVertex(ModelMesh *mesh, int i, int position, int normal, float u, float v, uint32_t flags = 0) {
  ModelMeshVertex *vertex = MeshVertexAt(mesh, i);
  vertex->positionIndex = position;
  vertex->normalIndex = normal;
  memset(vertex->diffuse, 255, 4);
  vertex->flags = flags;
  if (mesh->texCoordSetCount > 0) {
    MeshVertexUv(vertex)[0] = u;
    MeshVertexUv(vertex)[1] = v;
  }
}

// A list over mesh vertices 0..count-1 in order, with its vertex data,
// indices and outline room.
inline void SetList(ModelData *data, ModelTriangleList *list, ModelMesh *mesh, int kind, int count,
                    std::initializer_list<uint16_t> indices, int bytesPerVertex = 0) {
  list->mesh = mesh;
  list->kind = static_cast<uint16_t>(kind);
  list->bytesPerVertex = bytesPerVertex;
  list->vertexCount = count;
  list->listVertexIndices = Take<int>(data, count);
  for (int i = 0; i < count; i++) list->listVertexIndices[i] = i;
  list->vertices = Take<uint8_t>(data, count * ListVertexSize(list));
  list->indexCount = static_cast<uint16_t>(indices.size());
  list->indices = Take<uint16_t>(data, static_cast<int>(indices.size()));
  list->outlineIndices = Take<uint16_t>(data, static_cast<int>(indices.size()));
  int k = 0;
  for (uint16_t index : indices) list->indices[k++] = index;
}

// Builds the three-frame model and registers it; its data handle.
inline int MakeTestModel(ModelData **out = nullptr) {
  ModelData *data = static_cast<ModelData *>(VV_ALLOC_ZEROED(sizeof(ModelData)));
  data->frameCount = 3;
  data->frames = Take<ModelFrame>(data, 3);
  ModelFrame *root = &data->frames[0], *middle = &data->frames[1], *leaf = &data->frames[2];
  for (int f = 0; f < 3; f++) {
    data->frames[f].index = f;
    data->frames[f].scale = Vector3{1, 1, 1};
    data->frames[f].flags = 1;
  }
  root->rotation = Vector3{0.3f, -0.2f, 0.5f};
  root->translation = Vector3{1, 2, 3};
  middle->translation = Vector3{0, 5, 0};
  middle->flags = 0;  // hidden
  Link(root, middle);
  Link(middle, leaf);
  data->rootFrameCount = 1;
  data->firstRootFrame = data->lastRootFrame = root;

  data->materialCount = 1;
  data->materials = Take<ModelMaterial>(data, 1);
  data->materials[0].surface.diffuse = ColorF{1, 0.5f, 0.25f, 1};
  data->materials[0].defaultDrawMode = 1;
  data->textureCount = 1;
  data->textures = Take<ModelTexture>(data, 1);
  data->textures[0].graphHandle = -1;
  data->textures[0].addressU = 1;
  data->textures[0].filter = 2;

  data->skinBoneCount = 2;
  data->skinBones = Take<ModelSkinBone>(data, 2);
  data->skinBones[0] = ModelSkinBone{root, {{{1, 0, 0, 0.5f}, {0, 1, 0, 0}, {0, 0, 1, 0}}}, 1, 0};
  data->skinBones[1] = ModelSkinBone{leaf, {{{0, -1, 0, 0}, {1, 0, 0, 1}, {0, 0, 1, 0}}}, 0, 1};
  root->ownSkinBoneCount = 1;
  root->ownSkinBones = &data->skinBones[0];
  leaf->ownSkinBoneCount = 1;
  leaf->ownSkinBones = &data->skinBones[1];
  data->boneUseCount = 2;
  data->boneUse = Take<ModelSkinBone *>(data, 2);
  data->boneUse[0] = &data->skinBones[0];
  data->boneUse[1] = &data->skinBones[1];
  leaf->boneRefCount = 2;
  leaf->boneRefs = data->boneUse;

  SetPositions(data, root, 4, 0);
  SetPosition(root, 0, Vector3{0, 0, 0});
  SetPosition(root, 1, Vector3{1, 0, 0});
  SetPosition(root, 2, Vector3{1, 1, 0});
  SetPosition(root, 3, Vector3{0, 1, -2});
  root->normalCount = 1;
  root->normals = Take<ModelNormal>(data, 1);
  root->normals[0].normal = Vector3{0, 0, -1};
  SetPositions(data, leaf, 3, 2);
  SetPosition(leaf, 0, Vector3{0, 0, 1}, {{1, 1.0f}});
  SetPosition(leaf, 1, Vector3{2, 0, 1}, {{0, 0.25f}, {1, 0.75f}});
  SetPosition(leaf, 2, Vector3{0, 3, 1}, {{0, 1.0f}});
  leaf->normalCount = 2;
  leaf->normals = Take<ModelNormal>(data, 2);
  leaf->normals[0].normal = Vector3{0, 1, 0};
  leaf->normals[1].normal = Vector3{1, 0, 0};

  data->meshCount = 2;
  data->meshes = Take<ModelMesh>(data, 2);
  data->triangleListCount = 2;
  data->triangleLists = Take<ModelTriangleList>(data, 2);
  ModelMesh *rigidMesh = &data->meshes[0], *skinnedMesh = &data->meshes[1];
  rigidMesh->frame = root;
  rigidMesh->material = &data->materials[0];
  rigidMesh->visible = 1;
  rigidMesh->diffuseFromVertexColor = 1;
  rigidMesh->triangleListCount = 1;
  rigidMesh->firstTriangleList = &data->triangleLists[0];
  SetMeshVertices(data, rigidMesh, 4, 1);
  SetMeshVertex(rigidMesh, 0, 0, 0, 0, 0);
  SetMeshVertex(rigidMesh, 1, 1, 0, 1, 0);
  SetMeshVertex(rigidMesh, 2, 2, 0, 1, 1, MODEL_VERTEX_NO_OUTLINE);
  SetMeshVertex(rigidMesh, 3, 3, 0, 0, 1);
  root->meshCount = 1;
  root->firstMesh = rigidMesh;
  skinnedMesh->frame = leaf;
  skinnedMesh->material = &data->materials[0];
  skinnedMesh->visible = 1;
  skinnedMesh->needsInstanceVertices = 1;
  skinnedMesh->triangleListCount = 1;
  skinnedMesh->firstTriangleList = &data->triangleLists[1];
  SetMeshVertices(data, skinnedMesh, 3, 0);
  SetMeshVertex(skinnedMesh, 0, 0, 0, 0, 0);
  SetMeshVertex(skinnedMesh, 1, 1, 1, 0, 0);
  SetMeshVertex(skinnedMesh, 2, 2, 0, 0, 0);
  data->instanceMeshVertexTotal = 3;
  leaf->meshCount = 1;
  leaf->firstMesh = skinnedMesh;

  SetList(data, &data->triangleLists[0], rigidMesh, MODEL_LIST_RIGID, 4, {0, 1, 3, 3, 1, 2});
  ModelTriangleList *skinned = &data->triangleLists[1];
  SetList(data, skinned, skinnedMesh, MODEL_LIST_BONES4, 3, {0, 1, 2});
  skinned->boneCount = 2;
  skinned->bones[0] = 1;
  skinned->bones[1] = 0;
  data->instanceBone4VertexTotal = 3;
  for (int l = 0; l < 2; l++) {
    EXPECT_EQ(0, FillListVertices(&data->triangleLists[l]));
    BuildOutlineIndices(&data->triangleLists[l]);
  }
  EXPECT_EQ(0, AssignModelChangeBits(data));
  BuildFrameMatrices(data);
  const int handle = TakeModelDataSlot();
  EXPECT_NE(-1, handle);
  EXPECT_EQ(handle, FillModelDataSlot(handle, data));
  if (out) *out = data;
  return handle;
}

// A new instance over a data handle; -1 when it cannot be made.
inline int NewInstance(int dataHandle) {
  const int handle = TakeModelInstanceSlot();
  if (handle < 0) return -1;
  if (BuildModelInstance(handle, dataHandle) < 0) {
    DeleteModelInstance(handle);
    return -1;
  }
  return handle;
}

// A started model system over a leak check: every test ends with the block
// count it began with, tables included.
class ModelSystemTest : public LeakCheckedTest {
 protected:
  void SetUp() override {
    LeakCheckedTest::SetUp();
    ASSERT_EQ(0, StartModelTables());
  }
  void TearDown() override {
    SetAllocationFailureCountdown(0);
    EXPECT_EQ(0, VLMEndModelSystem());
    LeakCheckedTest::TearDown();
  }
  static int NewInstance(int dataHandle) { return model_fixture::NewInstance(dataHandle); }
};

}  // namespace model_fixture

#endif  // VELVANE_TESTS_MODEL_FIXTURE_H
