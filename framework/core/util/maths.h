// Matrix and vector maths. The public functions are declared in velvane.h;
// this header adds the rotation-order forms that the model module selects by
// a code read from model data.
#ifndef VELVANE_CORE_MATHS_H
#define VELVANE_CORE_MATHS_H

#include "velvane.h"

// Rotation-order codes as model data stores them; the first axis named is
// applied first.
enum EulerOrder {
  EULER_ORDER_XYZ = 0,
  EULER_ORDER_XZY = 1,
  EULER_ORDER_YZX = 2,
  EULER_ORDER_YXZ = 3,
  EULER_ORDER_ZXY = 4,
  EULER_ORDER_ZYX = 5
};

// MakeEulerMatrixXYZ and its siblings by order code; -1 for an unknown code.
int MakeEulerMatrix(Matrix4x4 *out, int order, float x, float y, float z);
// ExtractEulerXYZ and its siblings by order code; -1 for an unknown code or
// near a quarter turn of the middle axis (the angles are still written).
int ExtractEuler(const Matrix4x4 *m, int order, float *x, float *y, float *z);

// Value forms of the vector steps the framework's own geometry code chains.
inline Vector3 VectorDifference(const Vector3 &a, const Vector3 &b) {
  return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 VectorCross(const Vector3 &a, const Vector3 &b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float VectorDot(const Vector3 &a, const Vector3 &b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

#endif  // VELVANE_CORE_MATHS_H
