#include "model/placement/instance_placement.h"

#include <string.h>

#include "core/debug/memory.h"
#include "core/util/maths.h"
#include "model/system/model_system.h"

namespace {

const int kMaxTreeDepthStack = 64;

bool SameBits(const Vector3 &a, float x, float y, float z) {
  const Vector3 b = {x, y, z};
  return memcmp(&a, &b, sizeof(Vector3)) == 0;
}

void QuaternionDirect(const float *q, Matrix34 *out) {
  const float x = q[0], y = q[1], z = q[2], w = q[3];
  // Row r of a 3x4 matrix is column r of the row-vector matrix.
  *out = Matrix34{{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w), 0},
                   {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w), 0},
                   {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y), 0}}};
}

// The quaternion as the product of its two 4 x 4 factor matrices (row
// vectors), which also scales by the squared length.
void QuaternionByFactors(const float *q, Matrix34 *out) {
  const float x = q[0], y = q[1], z = q[2], w = q[3];
  const Matrix4x4 a = {{{w, z, -y, x}, {-z, w, x, y}, {y, -x, w, z}, {-x, -y, -z, w}}};
  const Matrix4x4 b = {{{w, z, -y, -x}, {-z, w, x, -y}, {y, -x, w, -z}, {x, y, z, w}}};
  Matrix4x4 product;
  MultiplyMatrix(&product, &a, &b);
  Matrix4x4To34(out, &product);
  for (int r = 0; r < 3; r++) out->m[r][3] = 0.0f;
}

Vector3 Normalised(const Vector3 &v) {
  Vector3 out = v;
  const float squared = v.x * v.x + v.y * v.y + v.z * v.z;
  if (squared > 0.0f) NormalizeVector(&out, &v);
  return out;
}

// Rotation mode 3: the Z axis, a Y axis made orthogonal to it, then a twist
// about Z.
void RotationFromAxes(const ModelInstance *instance, Matrix34 *out) {
  const Vector3 zAxis = Normalised(instance->rotationZAxis);
  const Vector3 xAxis = Normalised(VectorCross(instance->rotationYAxis, zAxis));
  const Vector3 yAxis = VectorCross(zAxis, xAxis);
  Matrix34 axes = {{{xAxis.x, yAxis.x, zAxis.x, 0}, {xAxis.y, yAxis.y, zAxis.y, 0}, {xAxis.z, yAxis.z, zAxis.z, 0}}};
  Matrix34 twist;
  MakeModelRotationXYZ(&twist, 0.0f, 0.0f, instance->rotationTwist);
  MultiplyMatrix34(&axes, out, &twist);
}

void BuildInstanceLocal(ModelInstance *instance) {
  if (instance->hasUserMatrix) {
    instance->localMatrix = instance->userMatrix;
    return;
  }
  Matrix34 rotation;
  switch (instance->rotationMode) {
    case MODEL_ROTATION_QUATERNION: QuaternionByFactors(instance->quaternion, &rotation); break;
    case MODEL_ROTATION_MATRIX: rotation = instance->rotationMatrix; break;
    case MODEL_ROTATION_AXES: RotationFromAxes(instance, &rotation); break;
    default:
      MakeModelRotationXYZ(&rotation, instance->rotation.x, instance->rotation.y, instance->rotation.z);
      break;
  }
  // Scale first, then rotation, then translation (row vectors).
  const float scale[3] = {instance->scale.x, instance->scale.y, instance->scale.z};
  const float move[3] = {instance->position.x, instance->position.y, instance->position.z};
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) instance->localMatrix.m[r][c] = rotation.m[r][c] * scale[c];
    instance->localMatrix.m[r][3] = move[r];
  }
}

void UpdateFrame(ModelInstance *instance, FrameInstance *fi) {
  const ModelFrame *frame = fi->frame;
  const Matrix34 *parent = (fi->parent && !frame->ignoreParent) ? &fi->parent->worldMatrix : &instance->localMatrix;
  if (fi->hasUserLocalMatrix) {
    MultiplyMatrix34(parent, &fi->worldMatrix, &fi->localMatrix);
  } else if (frame->transformKind == MODEL_TRANSFORM_NONE) {
    fi->worldMatrix = *parent;
  } else if (frame->transformKind == MODEL_TRANSFORM_TRANSLATION) {
    MultiplyMatrix34Translation(parent, &frame->localMatrix, &fi->worldMatrix);
  } else {
    MultiplyMatrix34(parent, &fi->worldMatrix, &frame->localMatrix);
  }
  fi->worldMatrix4x4Valid = 0;
  for (int b = 0; b < frame->ownSkinBoneCount; b++) {
    const ModelSkinBone *bone = &frame->ownSkinBones[b];
    Matrix34 *out = &instance->boneMatrices[bone->index];
    if (bone->translationOnly) MultiplyMatrix34Translation(&fi->worldMatrix, &bone->offsetMatrix, out);
    else MultiplyMatrix34(&fi->worldMatrix, out, &bone->offsetMatrix);
  }
}

// Effective values of a frame from its parent's (or the instance's own
// draw state for a root frame).
void HandDown(const EffectiveDrawState &parent, const DrawState &own, EffectiveDrawState *out) {
  if (parent.scaleValid) {
    for (int i = 0; i < 4; i++) {
      ColorF c = parent.scale[i];
      if (own.hasOwnScale) {
        c.r *= own.scale[i].r;
        c.g *= own.scale[i].g;
        c.b *= own.scale[i].b;
        c.a *= own.scale[i].a;
      }
      out->scale[i] = c;
    }
  } else if (own.hasOwnScale) {
    for (int i = 0; i < 4; i++) out->scale[i] = own.scale[i];
  }
  out->scaleValid = parent.scaleValid || own.hasOwnScale;
  out->opacity = parent.opacity * own.opacity;
  out->visible = own.visible && parent.visible;
}

EffectiveDrawState InstanceEffective(const ModelInstance *instance) {
  EffectiveDrawState state{};
  state.visible = instance->draw.visible;
  state.scaleValid = instance->draw.hasOwnScale;
  for (int i = 0; i < 4; i++) state.scale[i] = instance->draw.scale[i];
  state.opacity = instance->draw.opacity;
  return state;
}

void RefreshMeshesOf(FrameInstance *fi) {
  for (int m = 0; m < fi->frame->meshCount; m++) {
    MeshInstance *mesh = &fi->firstMesh[m];
    HandDown(fi->effective, mesh->draw, &mesh->effective);
  }
}

// Hands the values down from start through its subtree, parents first,
// with an explicit stack.
void RefreshSubtree(ModelInstance *instance, FrameInstance *start) {
  const EffectiveDrawState root = InstanceEffective(instance);
  FrameInstance *stack[kMaxTreeDepthStack];
  int depth = 0;
  stack[depth++] = start;
  while (depth > 0) {
    FrameInstance *fi = stack[--depth];
    HandDown(fi->parent ? fi->parent->effective : root, fi->draw, &fi->effective);
    RefreshMeshesOf(fi);
    for (int c = fi->childCount - 1; c >= 0; c--) {
      if (depth == kMaxTreeDepthStack) {
        // A tree deeper than the stack goes on from this child by itself.
        RefreshSubtree(instance, fi->children[c]);
      } else {
        stack[depth++] = fi->children[c];
      }
    }
  }
}

bool IsDrawBitSet(const ModelInstance *instance, const BitRange &range) {
  return IsBitRangeMarked(&range, instance->drawChangeSet) != 0;
}

}  // namespace

void MarkInstanceMatricesChanged(ModelInstance *instance) {
  instance->matricesValid = 0;
  if (!(instance->matrixChangeSet[0] & 1)) memset(instance->matrixChangeSet, 0xFF, instance->matrixChangeSetBytes);
}

int VLMSetInstancePosition(int handle, float x, float y, float z) {
  ModelInstance *instance = LookupModelInstance(handle);
  if (!instance) return -1;
  if (SameBits(instance->position, x, y, z)) return 0;
  instance->position = Vector3{x, y, z};
  MarkInstanceMatricesChanged(instance);
  return 0;
}

int VLMSetInstanceRotation(int handle, float x, float y, float z) {
  ModelInstance *instance = LookupModelInstance(handle);
  if (!instance) return -1;
  if (instance->rotationMode == MODEL_ROTATION_EULER && SameBits(instance->rotation, x, y, z)) return 0;
  instance->rotation = Vector3{x, y, z};
  instance->rotationMode = MODEL_ROTATION_EULER;
  MarkInstanceMatricesChanged(instance);
  return 0;
}

void UpdateInstanceMatrices(ModelInstance *instance) {
  if (instance->matricesValid) return;
  if (!instance->animStateValid) UpdateAnimationStates(instance);
  if (instance->matrixChangeSet[0] & 1) BuildInstanceLocal(instance);
  const ModelData *data = instance->data;
  for (int f = 0; f < data->frameCount; f++) {
    FrameInstance *fi = &instance->frames[f];
    if (*fi->matrixChangeWord & fi->matrixChangeMask) UpdateFrame(instance, fi);
  }
  memset(instance->matrixChangeSet, 0, instance->matrixChangeSetBytes);
  instance->matricesValid = 1;
}

void BuildLocalMatrix34(const float *quaternion, const Vector3 *angles, Matrix34 *out, int order, int flags,
                        const Vector3 *translation, const Vector3 *scale) {
  if (flags & LOCAL_MATRIX_ANGLES) {
    if (MakeModelRotation(out, order, angles->x, angles->y, angles->z) < 0) MakeIdentity34(out);
  } else if (flags & LOCAL_MATRIX_QUATERNION) {
    QuaternionByFactors(quaternion, out);
  } else if (flags & LOCAL_MATRIX_QUATERNION_DIRECT) {
    QuaternionDirect(quaternion, out);
  } else {
    MakeIdentity34(out);
  }
  if (flags & LOCAL_MATRIX_SCALE) {
    const float factors[3] = {scale->x, scale->y, scale->z};
    for (int r = 0; r < 3; r++)
      for (int c = 0; c < 3; c++) out->m[r][c] *= factors[c];
  }
  const bool move = (flags & LOCAL_MATRIX_TRANSLATE) != 0;
  out->m[0][3] = move ? translation->x : 0.0f;
  out->m[1][3] = move ? translation->y : 0.0f;
  out->m[2][3] = move ? translation->z : 0.0f;
}

void RefreshFrameDrawState(FrameInstance *frame) {
  ModelInstance *instance = frame->instance;
  if (!(*frame->drawChangeWord & frame->drawChangeMask)) return;
  if (instance->drawChangeSet[0] & 1) {
    memset(instance->drawChangeSet, 0, instance->drawChangeSetBytes);
    for (int r = 0; r < instance->rootFrameCount; r++) RefreshSubtree(instance, instance->rootFrames[r]);
    return;
  }
  FrameInstance *top = frame;
  while (top->parent && IsDrawBitSet(instance, top->parent->frame->drawChange)) top = top->parent;
  ClearBitRange(&top->frame->drawChange, instance->drawChangeSet);
  RefreshSubtree(instance, top);
}

void RefreshMeshDrawState(MeshInstance *mesh) {
  if (!(*mesh->drawChangeWord & mesh->drawChangeMask)) return;
  FrameInstance *frame = mesh->frame;
  if (*frame->drawChangeWord & frame->drawChangeMask) {
    RefreshFrameDrawState(frame);
    return;
  }
  if (frame->instance->drawChangeSet[0] & 1) {
    RefreshFrameDrawState(frame);
    return;
  }
  HandDown(frame->effective, mesh->draw, &mesh->effective);
  *mesh->drawChangeWord &= ~mesh->drawChangeMask;
}

void UpdateAnimationStates(ModelInstance *instance) {
  // No slot is ever attached yet, so no key needs evaluating.
  instance->animStateValid = 1;
}

int DetachAnimation(int handle, int slot) {
  ModelInstance *instance = LookupModelInstance(handle);
  if (!instance || slot < 0 || slot >= instance->animSlotCount) return -1;
  AnimationSlot *animation = &instance->animSlots[slot];
  if (animation->used) {
    VV_FREE(animation->state);
    *animation = AnimationSlot{};
    for (int f = 0; f < instance->data->frameCount; f++) {
      instance->animBlend[static_cast<size_t>(f) * instance->animSlotCount + slot] = AnimationBlend{};
    }
    instance->attachedAnimCount--;
  }
  instance->animStateValid = 0;
  MarkInstanceMatricesChanged(instance);
  return 0;
}
