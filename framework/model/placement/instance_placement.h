// Placing an instance and keeping its matrices and draw state current.
// Setters only store and mark; the matrices are recomputed lazily, all at
// once, when the instance is drawn or measured, and visibility and colour
// scales are handed down the frame tree just before a frame is drawn.
#ifndef VELVANE_MODEL_INSTANCE_PLACEMENT_H
#define VELVANE_MODEL_INSTANCE_PLACEMENT_H

#include "model/data/model_data.h"

// Local-matrix flags of BuildLocalMatrix34.
enum LocalMatrixFlags {
  LOCAL_MATRIX_TRANSLATE = 1,
  LOCAL_MATRIX_SCALE = 2,
  LOCAL_MATRIX_ANGLES = 4,          // rotation from angles by order
  LOCAL_MATRIX_QUATERNION = 8,      // quaternion through its two factor matrices
  LOCAL_MATRIX_QUATERNION_DIRECT = 0x20
};

// Marks every matrix of the instance changed (one fill, skipped when the
// set is already full).
void MarkInstanceMatricesChanged(ModelInstance *instance);
// Recomputes the instance's local matrix and the changed frame and bone
// matrices; nothing when matricesValid is set.
void UpdateInstanceMatrices(ModelInstance *instance);
// A local transform from its parts (quaternion x, y, z, w; angles) by flags.
void BuildLocalMatrix34(const float *quaternion, const Vector3 *angles, Matrix34 *out, int order, int flags,
                        const Vector3 *translation, const Vector3 *scale);
// Hands visibility and colour scales down to a changed frame (and its
// subtree) or mesh; nothing when its change bit is clear.
void RefreshFrameDrawState(FrameInstance *frame);
void RefreshMeshDrawState(MeshInstance *mesh);
// Evaluates the keys of every used animation slot whose state is stale.
void UpdateAnimationStates(ModelInstance *instance);
// Frees an animation slot's state; 0, or -1 for a bad handle or slot.
int DetachAnimation(int handle, int slot);

#endif  // VELVANE_MODEL_INSTANCE_PLACEMENT_H
