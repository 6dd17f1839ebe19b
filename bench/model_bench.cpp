// The model module's maths against references: the table sine against the
// runtime's sincosf, the frame-matrix update against Eigen's affine
// products from the same sines, and the vertex merge over growing models.
#include <benchmark/benchmark.h>
#include <math.h>
#include <string.h>

#include <Eigen/Geometry>
#include <random>
#include <vector>

#include "core/debug/memory.h"
#include "model/build/frame_matrices.h"
#include "model/build/vertex_optimise.h"
#include "model/data/instance_build.h"
#include "model/data/model_data.h"
#include "model/maths/model_maths.h"
#include "model/placement/instance_placement.h"
#include "model/system/model_system.h"

namespace {

const int kAngles = 4096;
const int kFrames = 100;

std::vector<float> RandomAngles() {
  std::mt19937 random(3);
  std::uniform_real_distribution<float> range(-12.0f, 12.0f);
  std::vector<float> angles(kAngles);
  for (float &a : angles) a = range(random);
  return angles;
}

void BM_ModelSinCos(benchmark::State &state) {
  FillModelSineTable();
  const std::vector<float> angles = RandomAngles();
  for (auto _ : state) {
    float sum = 0.0f;
    for (float a : angles) {
      float s, c;
      ModelSinCos(a, &s, &c);
      sum += s + c;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kAngles);
}

void BM_RuntimeSinCosf(benchmark::State &state) {
  const std::vector<float> angles = RandomAngles();
  for (auto _ : state) {
    float sum = 0.0f;
    for (float a : angles) {
      float s, c;
      sincosf(a, &s, &c);
      sum += s + c;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kAngles);
}

template <typename T>
T *Take(ModelData *data, size_t count) {
  return static_cast<T *>(AllocChainAlloc(sizeof(T) * (count ? count : 1), &data->allocChain));
}

// A 100-frame tree, each frame under the one before it, every frame
// rotated, scaled and moved (the deepest tree: no product can be skipped).
int MakeTree(ModelData **out) {
  ModelData *data = static_cast<ModelData *>(VV_ALLOC_ZEROED(sizeof(ModelData)));
  data->frameCount = kFrames;
  data->frames = Take<ModelFrame>(data, kFrames);
  for (int f = 0; f < kFrames; f++) {
    ModelFrame *frame = &data->frames[f];
    frame->index = f;
    frame->flags = 1;
    frame->rotation = Vector3{0.01f * f, -0.02f * f, 0.03f};
    frame->scale = Vector3{1.0f, 1.001f, 0.999f};
    frame->translation = Vector3{0.5f, 1.0f, -0.25f};
    frame->rotationOrder = f % 6;
  }
  for (int f = 1; f < kFrames; f++) {
    ModelFrame *parent = &data->frames[f - 1], *child = &data->frames[f];
    child->parent = parent;
    parent->firstChild = parent->lastChild = child;
    parent->childCount = 1;
  }
  AssignModelChangeBits(data);
  BuildFrameMatrices(data);
  const int handle = TakeModelDataSlot();
  FillModelDataSlot(handle, data);
  *out = data;
  return handle;
}

void BM_UpdateInstanceMatrices(benchmark::State &state) {
  StartModelTables();
  ModelData *data = nullptr;
  const int dataHandle = MakeTree(&data);
  const int handle = TakeModelInstanceSlot();
  BuildModelInstance(handle, dataHandle);
  ModelInstance *instance = LookupModelInstance(handle);
  float angle = 0.0f;
  for (auto _ : state) {
    angle += 0.001f;
    VLMSetInstanceRotation(handle, angle, 0.5f, -angle);
    UpdateInstanceMatrices(instance);
    benchmark::DoNotOptimize(instance->frames[kFrames - 1].worldMatrix.m[0][3]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  VLMEndModelSystem();
}

Eigen::Matrix3f AxisFromSines(int axis, float angle) {
  float s, c;
  ModelSinCos(angle, &s, &c);
  Eigen::Matrix3f m = Eigen::Matrix3f::Identity();
  const int i = (axis + 1) % 3, j = (axis + 2) % 3;
  m(i, i) = c;
  m(i, j) = -s;
  m(j, i) = s;
  m(j, j) = c;
  return m;
}

void BM_EigenAffineUpdate(benchmark::State &state) {
  FillModelSineTable();
  ModelData *data = nullptr;
  StartModelTables();
  MakeTree(&data);
  std::vector<Eigen::Affine3f, Eigen::aligned_allocator<Eigen::Affine3f>> local(kFrames), world(kFrames);
  for (int f = 0; f < kFrames; f++) {
    Eigen::Matrix<float, 3, 4> m;
    for (int r = 0; r < 3; r++)
      for (int c = 0; c < 4; c++) m(r, c) = data->frames[f].localMatrix.m[r][c];
    local[f].matrix().topRows<3>() = m;
    local[f].matrix().row(3) << 0, 0, 0, 1;
  }
  float angle = 0.0f;
  for (auto _ : state) {
    angle += 0.001f;
    Eigen::Affine3f placed = Eigen::Affine3f::Identity();
    placed.linear() = AxisFromSines(2, -angle) * AxisFromSines(1, 0.5f) * AxisFromSines(0, angle);
    world[0] = placed * local[0];
    for (int f = 1; f < kFrames; f++) world[f] = world[f - 1] * local[f];
    benchmark::DoNotOptimize(world[kFrames - 1].matrix()(0, 3));
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
  VLMEndModelSystem();
}

// One frame of n positions (every value twice, half of them with a
// different weight) and one mesh whose vertices use them in turn.
struct MergeModel {
  ModelData *data;
  std::vector<uint8_t> positions, vertices;
  std::vector<int> listIndices;
};

MergeModel MakeMergeModel(int n) {
  MergeModel model;
  ModelData *data = static_cast<ModelData *>(VV_ALLOC_ZEROED(sizeof(ModelData)));
  model.data = data;
  data->frameCount = 1;
  data->frames = Take<ModelFrame>(data, 1);
  ModelFrame *frame = &data->frames[0];
  frame->maxWeightsPerPosition = 1;
  frame->positionStride = static_cast<int>(sizeof(ModelPosition) + sizeof(ModelSkinWeight));
  frame->positionCount = n;
  frame->positions = Take<uint8_t>(data, static_cast<size_t>(n) * frame->positionStride);
  for (int i = 0; i < n; i++) {
    ModelPosition *p = PositionAt(frame, i);
    p->position = Vector3{static_cast<float>(i / 2), static_cast<float>(i % 7), 1.0f};
    PositionWeights(p)[0] = ModelSkinWeight{0, (i / 2) % 2 ? 1.0f : 0.5f};
  }
  data->meshCount = 1;
  data->meshes = Take<ModelMesh>(data, 1);
  ModelMesh *mesh = &data->meshes[0];
  mesh->frame = frame;
  mesh->meshVertexSize = static_cast<int>(sizeof(ModelMeshVertex));
  mesh->meshVertexCount = n;
  mesh->meshVertices = Take<uint8_t>(data, static_cast<size_t>(n) * mesh->meshVertexSize);
  for (int i = 0; i < n; i++) MeshVertexAt(mesh, i)->positionIndex = i;
  frame->meshCount = 1;
  frame->firstMesh = mesh;
  data->triangleListCount = 1;
  data->triangleLists = Take<ModelTriangleList>(data, 1);
  ModelTriangleList *list = &data->triangleLists[0];
  list->mesh = mesh;
  list->vertexCount = n;
  list->listVertexIndices = Take<int>(data, static_cast<size_t>(n));
  for (int i = 0; i < n; i++) list->listVertexIndices[i] = i;
  mesh->triangleListCount = 1;
  mesh->firstTriangleList = list;
  model.positions.assign(frame->positions, frame->positions + static_cast<size_t>(n) * frame->positionStride);
  model.vertices.assign(mesh->meshVertices, mesh->meshVertices + static_cast<size_t>(n) * mesh->meshVertexSize);
  model.listIndices.assign(list->listVertexIndices, list->listVertexIndices + n);
  return model;
}

void Restore(MergeModel *model, int n) {
  ModelData *data = model->data;
  memcpy(data->frames[0].positions, model->positions.data(), model->positions.size());
  memcpy(data->meshes[0].meshVertices, model->vertices.data(), model->vertices.size());
  memcpy(data->triangleLists[0].listVertexIndices, model->listIndices.data(), model->listIndices.size() * sizeof(int));
  data->frames[0].positionCount = n;
  data->meshes[0].meshVertexCount = n;
}

void BM_OptimiseModelVertices(benchmark::State &state) {
  const int n = static_cast<int>(state.range(0));
  MergeModel model = MakeMergeModel(n);
  for (auto _ : state) {
    state.PauseTiming();
    Restore(&model, n);
    state.ResumeTiming();
    OptimiseModelVertices(model.data);
  }
  state.SetItemsProcessed(state.iterations() * n);
  AllocChainFree(&model.data->allocChain);
  VV_FREE(model.data);
}

BENCHMARK(BM_ModelSinCos);
BENCHMARK(BM_RuntimeSinCosf);
BENCHMARK(BM_UpdateInstanceMatrices);
BENCHMARK(BM_EigenAffineUpdate);
BENCHMARK(BM_OptimiseModelVertices)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
