#include "model/placement/model_bounds.h"

#include "model/data/model_data.h"
#include "model/placement/instance_placement.h"
#include "model/system/model_system.h"

namespace {

const float kBoxStart = 100000000.0f;

struct Box {
  float max[3] = {-kBoxStart, -kBoxStart, -kBoxStart};
  float min[3] = {kBoxStart, kBoxStart, kBoxStart};
  void Grow(const Vector3 &p) {
    const float v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; i++) {
      if (v[i] > max[i]) max[i] = v[i];
      if (v[i] < min[i]) min[i] = v[i];
    }
  }
  void Grow(const Box &other) {
    if (other.max[0] < other.min[0]) return;  // nothing measured
    Grow(Vector3{other.max[0], other.max[1], other.max[2]});
    Grow(Vector3{other.min[0], other.min[1], other.min[2]});
  }
};

// Grows the mesh box by its vertices in frame space and the model box by
// the same points in model space.
void MeasureMesh(const ModelMesh *mesh, const Matrix34 &world, Box *meshBox, Box *modelBox) {
  const ModelFrame *frame = mesh->frame;
  for (int l = 0; l < mesh->triangleListCount; l++) {
    const ModelTriangleList *list = &mesh->firstTriangleList[l];
    for (int i = 0; list->listVertexIndices && i < list->vertexCount; i++) {
      const int meshVertex = list->listVertexIndices[i];
      if (meshVertex < 0 || meshVertex >= mesh->meshVertexCount) continue;
      const int position = MeshVertexAt(mesh, meshVertex)->positionIndex;
      if (position < 0 || position >= frame->positionCount) continue;
      const Vector3 own = PositionAt(frame, position)->position;
      meshBox->Grow(own);
      Vector3 placed;
      TransformPoint34(&world, &placed, &own);
      modelBox->Grow(placed);
    }
  }
}

}  // namespace

int ComputeModelBounds(int instanceHandle, Vector3 *minOut, Vector3 *maxOut) {
  ModelInstance *instance = LookupModelInstance(instanceHandle);
  if (!instance) return -1;
  ModelData *data = instance->data;
  if (!data->boundsValid) {
    UpdateInstanceMatrices(instance);
    // The model box starts once and covers every mesh of every frame.
    Box model;
    for (int f = 0; f < data->frameCount; f++) {
      ModelFrame *frame = &data->frames[f];
      if (frame->meshCount <= 0) continue;
      Box frameBox;
      for (int m = 0; m < frame->meshCount; m++) {
        Box meshBox;
        MeasureMesh(&frame->firstMesh[m], instance->frames[f].worldMatrix, &meshBox, &model);
        frameBox.Grow(meshBox);
      }
      for (int i = 0; i < 3; i++) {
        frame->boundsMax[i] = frameBox.max[i];
        frame->boundsMin[i] = frameBox.min[i];
      }
    }
    for (int i = 0; i < 3; i++) {
      data->boundsMax[i] = model.max[i];
      data->boundsMin[i] = model.min[i];
    }
    data->boundsValid = 1;
  }
  if (minOut) *minOut = Vector3{data->boundsMin[0], data->boundsMin[1], data->boundsMin[2]};
  if (maxOut) *maxOut = Vector3{data->boundsMax[0], data->boundsMax[1], data->boundsMax[2]};
  return 0;
}
