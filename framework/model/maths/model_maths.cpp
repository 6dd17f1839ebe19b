#include "model/maths/model_maths.h"

#include <math.h>
#include <string.h>

#include "core/util/maths.h"

namespace {

bool g_sineTableFilled;

// pi as the single-precision constant the table was always built with.
const double kTablePi = static_cast<double>(3.1415927f);
// Large angles are reduced by the true turn, so their sines stay right.
const double kTwoPi = 6.283185307179586476925;

enum Axis { AXIS_X, AXIS_Y, AXIS_Z };

// The three axes of each EulerOrder code, first applied first.
const Axis kOrderAxes[6][3] = {
    {AXIS_X, AXIS_Y, AXIS_Z}, {AXIS_X, AXIS_Z, AXIS_Y}, {AXIS_Y, AXIS_Z, AXIS_X},
    {AXIS_Y, AXIS_X, AXIS_Z}, {AXIS_Z, AXIS_X, AXIS_Y}, {AXIS_Z, AXIS_Y, AXIS_X}};

struct Rotation33 {
  float m[3][3];
};

// The single-axis rotation for column vectors.
Rotation33 AxisRotation(Axis axis, float angle) {
  float s, c;
  ModelSinCos(angle, &s, &c);
  switch (axis) {
    case AXIS_X: return Rotation33{{{1, 0, 0}, {0, c, -s}, {0, s, c}}};
    case AXIS_Y: return Rotation33{{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    default: return Rotation33{{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
  }
}

Rotation33 Product33(const Rotation33 &a, const Rotation33 &b) {
  Rotation33 out;
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) out.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c];
  }
  return out;
}

float AngleOf(Axis axis, float x, float y, float z) { return axis == AXIS_X ? x : axis == AXIS_Y ? y : z; }

void ComposeRotation(Matrix34 *out, int order, float x, float y, float z) {
  const Axis *axes = kOrderAxes[order];
  Rotation33 r = Product33(AxisRotation(axes[2], AngleOf(axes[2], x, y, z)),
                           Product33(AxisRotation(axes[1], AngleOf(axes[1], x, y, z)),
                                     AxisRotation(axes[0], AngleOf(axes[0], x, y, z))));
  for (int row = 0; row < 3; row++) {
    for (int c = 0; c < 3; c++) out->m[row][c] = r.m[row][c];
    out->m[row][3] = 0.0f;
  }
}

bool IsKnownOrder(int order) { return order >= EULER_ORDER_XYZ && order <= EULER_ORDER_ZYX; }

}  // namespace

float g_modelSineTable[MODEL_SINE_TABLE_SIZE];

void FillModelSineTable(void) {
  if (g_sineTableFilled) return;
  for (int i = 0; i < MODEL_SINE_TABLE_SIZE; i++) {
    const float angle = static_cast<float>(i * kTablePi * 2.0 / MODEL_SINE_TABLE_SIZE);
    g_modelSineTable[i] = static_cast<float>(sin(static_cast<double>(angle)));
  }
  g_sineTableFilled = true;
}

int ModelSineIndexOfLargeAngle(float angle) {
  if (!isfinite(angle)) return 0;
  const float reduced = static_cast<float>(fmod(static_cast<double>(angle), kTwoPi));
  return ModelSineIndex(reduced);
}

void TransformPoint3(Vector3 *out, const Vector3 *in, const Matrix4x4 *m) {
  const Vector3 v = *in;
  out->x = v.x * m->m[0][0] + v.y * m->m[1][0] + v.z * m->m[2][0] + m->m[3][0];
  out->y = v.x * m->m[0][1] + v.y * m->m[1][1] + v.z * m->m[2][1] + m->m[3][1];
  out->z = v.x * m->m[0][2] + v.y * m->m[1][2] + v.z * m->m[2][2] + m->m[3][2];
}

void TransformDirection3(Vector3 *out, const Vector3 *in, const Matrix4x4 *m) {
  const Vector3 v = *in;
  out->x = v.x * m->m[0][0] + v.y * m->m[1][0] + v.z * m->m[2][0];
  out->y = v.x * m->m[0][1] + v.y * m->m[1][1] + v.z * m->m[2][1];
  out->z = v.x * m->m[0][2] + v.y * m->m[1][2] + v.z * m->m[2][2];
}

void TransformPoint34(const Matrix34 *m, Vector3 *out, const Vector3 *in) {
  const Vector3 v = *in;
  out->x = m->m[0][0] * v.x + m->m[0][1] * v.y + m->m[0][2] * v.z + m->m[0][3];
  out->y = m->m[1][0] * v.x + m->m[1][1] * v.y + m->m[1][2] * v.z + m->m[1][3];
  out->z = m->m[2][0] * v.x + m->m[2][1] * v.y + m->m[2][2] * v.z + m->m[2][3];
}

void MakeModelRotationXYZ(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_XYZ, x, y, z); }
void MakeModelRotationXZY(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_XZY, x, y, z); }
void MakeModelRotationYXZ(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_YXZ, x, y, z); }
void MakeModelRotationYZX(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_YZX, x, y, z); }
void MakeModelRotationZXY(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_ZXY, x, y, z); }
void MakeModelRotationZYX(Matrix34 *out, float x, float y, float z) { ComposeRotation(out, EULER_ORDER_ZYX, x, y, z); }

int MakeModelRotation(Matrix34 *out, int order, float x, float y, float z) {
  if (!IsKnownOrder(order)) return -1;
  ComposeRotation(out, order, x, y, z);
  return 0;
}

void MultiplyMatrix34(const Matrix34 *a, Matrix34 *out, const Matrix34 *b) {
  for (int r = 0; r < 3; r++) {
    const float a0 = a->m[r][0], a1 = a->m[r][1], a2 = a->m[r][2];
    for (int c = 0; c < 4; c++) out->m[r][c] = a0 * b->m[0][c] + a1 * b->m[1][c] + a2 * b->m[2][c];
    out->m[r][3] += a->m[r][3];
  }
}

void MultiplyMatrix34Translation(const Matrix34 *a, const Matrix34 *b, Matrix34 *out) {
  for (int r = 0; r < 3; r++) {
    out->m[r][0] = a->m[r][0];
    out->m[r][1] = a->m[r][1];
    out->m[r][2] = a->m[r][2];
    out->m[r][3] = a->m[r][0] * b->m[0][3] + a->m[r][1] * b->m[1][3] + a->m[r][2] * b->m[2][3] + a->m[r][3];
  }
}

void Matrix4x4To34(Matrix34 *out, const Matrix4x4 *in) {
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 4; c++) out->m[r][c] = in->m[c][r];
  }
}

void Matrix34To4x4(Matrix4x4 *out, const Matrix34 *in) {
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 3; c++) out->m[r][c] = in->m[c][r];
    out->m[r][3] = r == 3 ? 1.0f : 0.0f;
  }
}

void MakeIdentity34(Matrix34 *out) {
  *out = Matrix34{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
}

int MakeRotOrderMatrix(const Vector3 *rotation, const Vector3 *scale, const Vector3 *translation,
                       const Vector3 *extraRotation, Matrix4x4 *out, int order) {
  MakeScaleMatrix(out, scale->x, scale->y, scale->z);
  if (!IsKnownOrder(order)) return -1;
  // Row vectors S R1 R2 R3 E T are, for column vectors, T E R3 R2 R1 S: the
  // rotation maker gives R3 R2 R1, the extra rotation goes after it and the
  // scale multiplies the columns.
  Matrix34 rotate, whole;
  ComposeRotation(&rotate, order, rotation->x, rotation->y, rotation->z);
  if (extraRotation) {
    Matrix34 extra;
    ComposeRotation(&extra, EULER_ORDER_XYZ, extraRotation->x, extraRotation->y, extraRotation->z);
    MultiplyMatrix34(&extra, &whole, &rotate);
  } else {
    whole = rotate;
  }
  const float factors[3] = {scale->x, scale->y, scale->z};
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) whole.m[r][c] *= factors[c];
  }
  whole.m[0][3] = translation->x;
  whole.m[1][3] = translation->y;
  whole.m[2][3] = translation->z;
  Matrix34To4x4(out, &whole);
  return 0;
}
