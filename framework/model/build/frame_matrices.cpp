#include "model/build/frame_matrices.h"

#include <stdint.h>

#include "core/debug/memory.h"

namespace {

bool IsZero(const Vector3 &v) { return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f; }
bool IsOne(const Vector3 &v) { return v.x == 1.0f && v.y == 1.0f && v.z == 1.0f; }

void BuildLocal(ModelFrame *frame) {
  if (!IsZero(frame->rotation) || !IsOne(frame->scale)) {
    frame->transformKind = MODEL_TRANSFORM_FULL;
    Matrix4x4 local;
    // An order no maker knows is read as the first one rather than leaving
    // the frame without its rotation and translation.
    const int order = frame->rotationOrder >= 0 && frame->rotationOrder <= 5 ? frame->rotationOrder : 0;
    MakeRotOrderMatrix(&frame->rotation, &frame->scale, &frame->translation, NULL, &local, order);
    Matrix4x4To34(&frame->localMatrix, &local);
  } else {
    MakeIdentity34(&frame->localMatrix);
    frame->transformKind = IsZero(frame->translation) ? MODEL_TRANSFORM_NONE : MODEL_TRANSFORM_TRANSLATION;
    frame->localMatrix.m[0][3] = frame->translation.x;
    frame->localMatrix.m[1][3] = frame->translation.y;
    frame->localMatrix.m[2][3] = frame->translation.z;
  }
}

void BuildWorld(ModelFrame *frame) {
  if (frame->parent) MultiplyMatrix34(&frame->parent->worldMatrix, &frame->worldMatrix, &frame->localMatrix);
  else frame->worldMatrix = frame->localMatrix;
  Matrix4x4 world;
  Matrix34To4x4(&world, &frame->worldMatrix);
  const Matrix4x4 inverse = GetInverseMatrix(world);
  Matrix4x4To34(&frame->inverseWorldMatrix, &inverse);
}

// Descendant counts, walking from the last frame back; false unless every
// frame's parent comes before it and its subtree follows it unbroken.
bool CountDescendants(ModelData *data) {
  for (int f = 0; f < data->frameCount; f++) data->frames[f].descendantCount = 0;
  for (int f = data->frameCount - 1; f >= 0; f--) {
    const ModelFrame *frame = &data->frames[f];
    if (!frame->parent) continue;
    if (frame->parent->index >= f) return false;
    frame->parent->descendantCount += frame->descendantCount + 1;
  }
  for (int f = 0; f < data->frameCount; f++) {
    const ModelFrame *frame = &data->frames[f];
    if (frame->parent && f > frame->parent->index + frame->parent->descendantCount) return false;
  }
  return true;
}

}  // namespace

void BuildFrameMatrices(ModelData *data) {
  // Parents first: the frames of a finished model come in tree order.
  for (int f = 0; f < data->frameCount; f++) BuildLocal(&data->frames[f]);
  for (int f = 0; f < data->frameCount; f++) BuildWorld(&data->frames[f]);
}

int AssignModelChangeBits(ModelData *data) {
  if (!CountDescendants(data)) return -1;
  const int frames = data->frameCount;
  int *drawBits = static_cast<int *>(VV_ALLOC(static_cast<size_t>(frames + 1) * sizeof(int)));
  if (!drawBits) return -1;
  int next = 1;
  for (int f = 0; f < frames; f++) {
    drawBits[f] = next;
    next += 1 + data->frames[f].meshCount;
  }
  drawBits[frames] = next;
  int drawWords = 0, matrixWords = 0;
  for (int f = 0; f < frames; f++) {
    const ModelFrame *frame = &data->frames[f];
    const int end = drawBits[f + frame->descendantCount + 1];
    drawWords += (drawBits[f] % 32 + end - drawBits[f] + 31) / 32;
    matrixWords += ((1 + f) % 32 + frame->descendantCount + 1 + 31) / 32;
  }
  uint32_t *words = static_cast<uint32_t *>(
      AllocChainAlloc(static_cast<size_t>(drawWords + matrixWords) * sizeof(uint32_t) + 4, &data->allocChain));
  if (!words) {
    VV_FREE(drawBits);
    return -1;
  }
  data->drawMaskBlock = words;
  data->drawMaskWords = drawWords;
  data->matrixMaskBlock = words + drawWords;
  data->matrixMaskWords = matrixWords;
  uint32_t *drawNext = data->drawMaskBlock, *matrixNext = data->matrixMaskBlock;
  for (int f = 0; f < frames; f++) {
    ModelFrame *frame = &data->frames[f];
    const int end = drawBits[f + frame->descendantCount + 1];
    drawNext += MakeBitRange(&frame->drawChange, drawNext, drawBits[f], end - drawBits[f]);
    matrixNext += MakeBitRange(&frame->matrixChange, matrixNext, 1 + f, frame->descendantCount + 1);
    for (int m = 0; m < frame->meshCount; m++) MakeBitRange(&frame->firstMesh[m].drawChange, NULL, drawBits[f] + 1 + m, 1);
  }
  VV_FREE(drawBits);
  return 0;
}
