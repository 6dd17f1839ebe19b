// Splits a frame's transform matrix into the translation, rotation angles
// with their axis order, and scale that model-data frames keep.
#ifndef VELVANE_MODEL_FRAME_DECOMPOSE_H
#define VELVANE_MODEL_FRAME_DECOMPOSE_H

#include "velvane.h"

struct FrameParts {
  Vector3 translation;
  Vector3 rotation;
  int rotationOrder;  // EulerOrder
  Vector3 scale;
};

// Starts from parts as given and overwrites what the matrix holds: a
// non-zero translation row; when the normalised 3x3 part is not exactly the
// identity, the first axis order whose angles rebuild it (within 0.00001,
// trying XYZ, XZY, YXZ, YZX, ZXY, ZYX), else XYZ; the scale when the part
// left after the rotation is not the identity within 0.00001.
void DecomposeFrameMatrix(const Matrix4x4 *matrix, FrameParts *parts);

#endif  // VELVANE_MODEL_FRAME_DECOMPOSE_H
