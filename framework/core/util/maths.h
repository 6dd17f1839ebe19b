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

#endif  // VELVANE_CORE_MATHS_H
