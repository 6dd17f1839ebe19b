#include "model/convert/frame_decompose.h"

#include <math.h>

#include "core/util/maths.h"

namespace {

const int kTrialOrders[6] = {EULER_ORDER_XYZ, EULER_ORDER_XZY, EULER_ORDER_YXZ,
                             EULER_ORDER_YZX, EULER_ORDER_ZXY, EULER_ORDER_ZYX};

bool IsIdentity3(const Matrix4x4 &m) {
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) {
      if (m.m[r][c] != (r == c ? 1.0f : 0.0f)) return false;
    }
  }
  return true;
}

bool Matches3(const Matrix4x4 &a, const Matrix4x4 &b) {
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) {
      if (!(fabsf(a.m[r][c] - b.m[r][c]) < 0.00001f)) return false;
    }
  }
  return true;
}

bool IsNearOne(float v) { return v >= 0.99999f && v <= 1.00001f; }

}  // namespace

void DecomposeFrameMatrix(const Matrix4x4 *matrix, FrameParts *parts) {
  Matrix4x4 work = *matrix;
  if (work.m[3][0] != 0.0f || work.m[3][1] != 0.0f || work.m[3][2] != 0.0f) {
    parts->translation = Vector3{work.m[3][0], work.m[3][1], work.m[3][2]};
    work.m[3][0] = work.m[3][1] = work.m[3][2] = 0.0f;
  }
  Matrix4x4 unit = work;
  for (int r = 0; r < 3; r++) {
    const float length = sqrtf(unit.m[r][0] * unit.m[r][0] + unit.m[r][1] * unit.m[r][1] + unit.m[r][2] * unit.m[r][2]);
    if (length > 0.0f) {
      for (int c = 0; c < 3; c++) unit.m[r][c] /= length;
    }
  }
  if (!IsIdentity3(unit)) {
    Matrix4x4 rebuilt;
    float x = 0, y = 0, z = 0;
    int order = -1;
    for (int i = 0; i < 6 && order < 0; i++) {
      if (ExtractEuler(&unit, kTrialOrders[i], &x, &y, &z) < 0) continue;
      MakeEulerMatrix(&rebuilt, kTrialOrders[i], x, y, z);
      if (Matches3(rebuilt, unit)) order = kTrialOrders[i];
    }
    if (order < 0) {
      order = EULER_ORDER_XYZ;
      ExtractEuler(&unit, order, &x, &y, &z);
      MakeEulerMatrix(&rebuilt, order, x, y, z);
    }
    parts->rotation = Vector3{x, y, z};
    parts->rotationOrder = order;
    Matrix4x4 inverse;
    TransposeMatrix(&inverse, &rebuilt);  // a rotation's inverse
    MultiplyMatrix(&work, &work, &inverse);
  }
  if (!IsNearOne(work.m[0][0]) || !IsNearOne(work.m[1][1]) || !IsNearOne(work.m[2][2])) {
    parts->scale = Vector3{work.m[0][0], work.m[1][1], work.m[2][2]};
  }
}
