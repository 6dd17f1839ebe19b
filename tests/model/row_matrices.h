// Row-vector 4 x 4 matrices in doubles, as the framework's: the test
// references build their expected transforms from these.
#ifndef VELVANE_TESTS_MODEL_ROW_MATRICES_H
#define VELVANE_TESTS_MODEL_ROW_MATRICES_H

#include <math.h>

namespace row_matrices {

struct Mat4 {
  double m[4][4];
};

inline Mat4 Identity() {
  Mat4 out = {};
  for (int i = 0; i < 4; i++) out.m[i][i] = 1;
  return out;
}

inline Mat4 Multiply(const Mat4 &a, const Mat4 &b) {
  Mat4 out = {};
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 4; c++) {
      for (int k = 0; k < 4; k++) out.m[r][c] += a.m[r][k] * b.m[k][c];
    }
  }
  return out;
}

inline Mat4 RotationX(double a) {
  Mat4 m = Identity();
  m.m[1][1] = cos(a), m.m[1][2] = sin(a), m.m[2][1] = -sin(a), m.m[2][2] = cos(a);
  return m;
}

inline Mat4 RotationY(double a) {
  Mat4 m = Identity();
  m.m[0][0] = cos(a), m.m[0][2] = -sin(a), m.m[2][0] = sin(a), m.m[2][2] = cos(a);
  return m;
}

inline Mat4 RotationZ(double a) {
  Mat4 m = Identity();
  m.m[0][0] = cos(a), m.m[0][1] = sin(a), m.m[1][0] = -sin(a), m.m[1][1] = cos(a);
  return m;
}

inline Mat4 Translation(double x, double y, double z) {
  Mat4 m = Identity();
  m.m[3][0] = x, m.m[3][1] = y, m.m[3][2] = z;
  return m;
}

}  // namespace row_matrices

#endif  // VELVANE_TESTS_MODEL_ROW_MATRICES_H
