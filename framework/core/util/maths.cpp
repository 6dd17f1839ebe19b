// Matrix and vector maths, single precision and allocation-free. Every
// out-parameter form computes into a local first so out may alias an input.
#include "core/util/maths.h"

#include <math.h>

#include "core/util/strings.h"
#include "graphics/device/screen_settings.h"

namespace {

const float kHalfPi = 1.57079632679f;
const float kSingularDeterminant = 1e-7f;
const float kMinProjectionSpan = 0.0001f;
const float kMinSquaredLength = 1e-7f;
// A middle-axis sine this close to 1 in size is a quarter turn, where the
// outer two angles can no longer be told apart.
const float kQuarterTurnLow = 0.99999f;
const float kQuarterTurnHigh = 1.000001f;
const float kTinyCosine = 1e-6f;

enum { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };

// The axes of each rotation-order code, first applied first.
const int kOrderAxes[6][3] = {
    {AXIS_X, AXIS_Y, AXIS_Z},  // EULER_ORDER_XYZ
    {AXIS_X, AXIS_Z, AXIS_Y},  // EULER_ORDER_XZY
    {AXIS_Y, AXIS_Z, AXIS_X},  // EULER_ORDER_YZX
    {AXIS_Y, AXIS_X, AXIS_Z},  // EULER_ORDER_YXZ
    {AXIS_Z, AXIS_X, AXIS_Y},  // EULER_ORDER_ZXY
    {AXIS_Z, AXIS_Y, AXIS_X},  // EULER_ORDER_ZYX
};

bool IsKnownOrder(int order) { return order >= EULER_ORDER_XYZ && order <= EULER_ORDER_ZYX; }

Matrix4x4 ZeroMatrix() { return Matrix4x4{}; }

Matrix4x4 IdentityMatrix() {
  Matrix4x4 m = ZeroMatrix();
  for (int i = 0; i < 4; i++) m.m[i][i] = 1.0f;
  return m;
}

// Rotation about one axis: the next axis (cyclically) turns toward the one
// after it.
Matrix4x4 AxisRotation(int axis, float angle) {
  float s, c;
  ComputeSinCos(angle, &s, &c);
  const int next = (axis + 1) % 3;
  const int after = (axis + 2) % 3;
  Matrix4x4 m = IdentityMatrix();
  m.m[next][next] = c;
  m.m[next][after] = s;
  m.m[after][next] = -s;
  m.m[after][after] = c;
  return m;
}

Matrix4x4 Product(const Matrix4x4 &a, const Matrix4x4 &b) {
  Matrix4x4 r;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                  a.m[i][3] * b.m[3][j];
    }
  }
  return r;
}

// The inverse by cofactors, built from the 2x2 minors of the top two and the
// bottom two rows; false when the determinant is too small to divide by.
bool Inverse(const Matrix4x4 &in, Matrix4x4 *out) {
  const float(*a)[4] = in.m;
  const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det > -kSingularDeterminant && det < kSingularDeterminant) return false;
  const float k = 1.0f / det;
  Matrix4x4 b;
  b.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
  b.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
  b.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
  b.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
  b.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
  b.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
  b.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
  b.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
  b.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
  b.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
  b.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
  b.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
  b.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
  b.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
  b.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
  b.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
  *out = b;
  return true;
}

// A negative aspect asks for the screen's own height / width.
float ResolveAspect(float aspect) {
  if (aspect >= 0) return aspect;
  const int width = GetScreenWidthSetting();
  return width > 0 ? static_cast<float>(GetScreenHeightSetting()) / static_cast<float>(width) : 1.0f;
}

Vector3 Normalized(const Vector3 &v) {
  const float length = sqrtf(VectorDot(v, v));
  return Vector3{v.x / length, v.y / length, v.z / length};
}

void Transform4(const Vector3 &v, float w, const Matrix4x4 &m, float out[4]) {
  for (int j = 0; j < 4; j++) out[j] = v.x * m.m[0][j] + v.y * m.m[1][j] + v.z * m.m[2][j] + w * m.m[3][j];
}

void StoreAngle(float *out, float angle) {
  if (out) *out = angle;
}

// Clamps value into low..high, testing the upper bound first.
int ClampEdge(int value, int low, int high) {
  if (value > high) return high;
  if (value < low) return low;
  return value;
}

}  // namespace

int MakeIdentityMatrix(Matrix4x4 *out) {
  *out = IdentityMatrix();
  return 0;
}

int MultiplyMatrix(Matrix4x4 *out, const Matrix4x4 *a, const Matrix4x4 *b) {
  if (!out) return -1;
  *out = Product(*a, *b);
  return 0;
}

int MakeScaleMatrix(Matrix4x4 *out, float sx, float sy, float sz) {
  *out = IdentityMatrix();
  out->m[0][0] = sx;
  out->m[1][1] = sy;
  out->m[2][2] = sz;
  return 0;
}

int MakeRotationMatrixX(Matrix4x4 *out, float angle) {
  *out = AxisRotation(AXIS_X, angle);
  return 0;
}

int MakeRotationMatrixY(Matrix4x4 *out, float angle) {
  *out = AxisRotation(AXIS_Y, angle);
  return 0;
}

int MakeRotationMatrixZ(Matrix4x4 *out, float angle) {
  *out = AxisRotation(AXIS_Z, angle);
  return 0;
}

int MakeTranslationMatrix(Matrix4x4 *out, float x, float y, float z) {
  *out = IdentityMatrix();
  out->m[3][0] = x;
  out->m[3][1] = y;
  out->m[3][2] = z;
  return 0;
}

int TransposeMatrix(Matrix4x4 *out, const Matrix4x4 *in) {
  Matrix4x4 t;
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) t.m[i][j] = in->m[j][i];
  }
  *out = t;
  return 0;
}

int InvertMatrix(Matrix4x4 *out, const Matrix4x4 *in) { return Inverse(*in, out) ? 0 : -1; }

int MakeViewportMatrix(Matrix4x4 *out, float cx, float cy, float width, float height) {
  *out = ZeroMatrix();
  out->m[0][0] = width / 2;
  out->m[1][1] = -height / 2;
  out->m[2][2] = 1.0f;
  out->m[3][0] = cx;
  out->m[3][1] = cy;
  out->m[3][3] = 1.0f;
  return 0;
}

int MakePerspectiveMatrix(Matrix4x4 *out, float fov, float zNear, float zFar, float aspect) {
  aspect = ResolveAspect(aspect);
  float s, c;
  ComputeSinCos(fov / 2, &s, &c);
  if (fabsf(zFar - zNear) < kMinProjectionSpan || fabsf(s) < kMinProjectionSpan) return -1;
  *out = ZeroMatrix();
  out->m[0][0] = (c / s) * aspect;
  out->m[1][1] = c / s;
  out->m[2][2] = zFar / (zFar - zNear);
  out->m[2][3] = 1.0f;
  out->m[3][2] = -zNear * out->m[2][2];
  return 0;
}

int MakeOrthographicMatrix(Matrix4x4 *out, float height, float zNear, float zFar, float aspect) {
  aspect = ResolveAspect(aspect);
  if (fabsf(zFar - zNear) < kMinProjectionSpan) return -1;
  *out = ZeroMatrix();
  out->m[0][0] = 2 * aspect / height;
  out->m[1][1] = 2 / height;
  out->m[2][2] = 1 / (zFar - zNear);
  out->m[3][2] = -zNear / (zFar - zNear);
  out->m[3][3] = 1.0f;
  return 0;
}

int MakeLookAtMatrix(Matrix4x4 *out, const Vector3 *eye, const Vector3 *target, const Vector3 *up) {
  const Vector3 z = Normalized(VectorDifference(*target, *eye));
  const Vector3 x = Normalized(VectorCross(*up, z));
  const Vector3 y = Normalized(VectorCross(z, x));
  const Vector3 axes[3] = {x, y, z};
  Matrix4x4 m = ZeroMatrix();
  for (int column = 0; column < 3; column++) {
    m.m[0][column] = axes[column].x;
    m.m[1][column] = axes[column].y;
    m.m[2][column] = axes[column].z;
    m.m[3][column] = -VectorDot(axes[column], *eye);
  }
  m.m[3][3] = 1.0f;
  *out = m;
  return 0;
}

int MakeEulerMatrix(Matrix4x4 *out, int order, float x, float y, float z) {
  if (!IsKnownOrder(order)) return -1;
  const float angles[3] = {x, y, z};
  const int *axes = kOrderAxes[order];
  *out = Product(Product(AxisRotation(axes[0], angles[axes[0]]), AxisRotation(axes[1], angles[axes[1]])),
                 AxisRotation(axes[2], angles[axes[2]]));
  return 0;
}

// With the order's axes a, b, c the matrix Ra Rb Rc has the middle angle's
// sine alone in element [a][c]; the outer angles come from the elements
// beside it. An order that is not a cyclic shift of XYZ mirrors the
// handedness, which flips the sign of every angle read.
int ExtractEuler(const Matrix4x4 *matrix, int order, float *x, float *y, float *z) {
  if (!IsKnownOrder(order)) return -1;
  const float(*m)[4] = matrix->m;
  const int a = kOrderAxes[order][0];
  const int b = kOrderAxes[order][1];
  const int c = kOrderAxes[order][2];
  const float sign = (b == (a + 1) % 3) ? 1.0f : -1.0f;
  const float tested = m[a][c];
  float angles[3];
  int result = 0;
  if (fabsf(tested) > kQuarterTurnLow && fabsf(tested) < kQuarterTurnHigh) {
    angles[a] = 0;
    angles[b] = tested < -0.5f ? kHalfPi : -kHalfPi;
    angles[c] = atan2f(-m[b][a], m[b][b]);
    result = -1;
  } else {
    angles[a] = atan2f(m[b][c], m[c][c]);
    angles[c] = atan2f(m[a][b], m[a][a]);
    const float k = cosf(angles[c]);
    const float t = fabsf(k) < kTinyCosine ? m[a][b] / sinf(angles[c]) : m[a][a] / k;
    angles[b] = atan2f(-tested, t);
  }
  StoreAngle(x, sign * angles[AXIS_X]);
  StoreAngle(y, sign * angles[AXIS_Y]);
  StoreAngle(z, sign * angles[AXIS_Z]);
  return result;
}

int MakeEulerMatrixXYZ(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_XYZ, x, y, z);
}

int MakeEulerMatrixXZY(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_XZY, x, y, z);
}

int MakeEulerMatrixYXZ(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_YXZ, x, y, z);
}

int MakeEulerMatrixYZX(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_YZX, x, y, z);
}

int MakeEulerMatrixZXY(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_ZXY, x, y, z);
}

int MakeEulerMatrixZYX(Matrix4x4 *out, float x, float y, float z) {
  return MakeEulerMatrix(out, EULER_ORDER_ZYX, x, y, z);
}

int ExtractEulerXYZ(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_XYZ, x, y, z);
}

int ExtractEulerXZY(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_XZY, x, y, z);
}

int ExtractEulerYXZ(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_YXZ, x, y, z);
}

int ExtractEulerYZX(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_YZX, x, y, z);
}

int ExtractEulerZXY(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_ZXY, x, y, z);
}

int ExtractEulerZYX(const Matrix4x4 *m, float *x, float *y, float *z) {
  return ExtractEuler(m, EULER_ORDER_ZYX, x, y, z);
}

int NormalizeVector(Vector3 *out, const Vector3 *v) {
  *out = Normalized(*v);
  return 0;
}

int SubtractVector(Vector3 *out, const Vector3 *a, const Vector3 *b) {
  *out = VectorDifference(*a, *b);
  return 0;
}

int AddVector(Vector3 *out, const Vector3 *a, const Vector3 *b) {
  *out = Vector3{a->x + b->x, a->y + b->y, a->z + b->z};
  return 0;
}

int CrossProduct(Vector3 *out, const Vector3 *a, const Vector3 *b) {
  *out = VectorCross(*a, *b);
  return 0;
}

Vector3 *CrossVector3(Vector3 *out, const Vector3 *a, const Vector3 *b) {
  *out = VectorCross(*a, *b);
  return out;
}

float DotProduct(const Vector3 *a, const Vector3 *b) { return VectorDot(*a, *b); }

int TransformVector(Vector3 *out, const Vector3 *v, const Matrix4x4 *m) {
  float r[4];
  Transform4(*v, 1.0f, *m, r);
  *out = Vector3{r[0], r[1], r[2]};
  return 0;
}

int TransformVector4(Vector3 *out, float *outW, const Vector3 *v, float w, const Matrix4x4 *m) {
  float r[4];
  Transform4(*v, w, *m, r);
  *out = Vector3{r[0], r[1], r[2]};
  *outW = r[3];
  return 0;
}

int ClipRectangle(Rect *rect, const Rect *bounds) {
  if (rect->right < rect->left) rect->right = rect->left;
  if (rect->bottom < rect->top) rect->bottom = rect->top;
  rect->bottom = ClampEdge(rect->bottom, bounds->top, bounds->bottom);
  rect->top = ClampEdge(rect->top, bounds->top, bounds->bottom);
  rect->right = ClampEdge(rect->right, bounds->left, bounds->right);
  rect->left = ClampEdge(rect->left, bounds->left, bounds->right);
  return 0;
}

Matrix4x4 GetMatrixProduct(Matrix4x4 a, Matrix4x4 b) { return Product(a, b); }

Matrix4x4 GetScaleMatrix(Vector3 scale) {
  Matrix4x4 m;
  MakeScaleMatrix(&m, scale.x, scale.y, scale.z);
  return m;
}

Matrix4x4 GetRotationMatrixX(float angle) { return AxisRotation(AXIS_X, angle); }

Matrix4x4 GetRotationMatrixY(float angle) { return AxisRotation(AXIS_Y, angle); }

Matrix4x4 GetRotationMatrixZ(float angle) { return AxisRotation(AXIS_Z, angle); }

Matrix4x4 GetInverseMatrix(Matrix4x4 m) {
  Matrix4x4 inverse;
  return Inverse(m, &inverse) ? inverse : IdentityMatrix();
}

Vector3 GetNormalizedVector(Vector3 v) { return Normalized(v); }

float GetVectorLength(Vector3 v) {
  const float squared = VectorDot(v, v);
  return squared < kMinSquaredLength ? 0.0f : sqrtf(squared);
}

Matrix4x4 GetMatrixFromAxes(Vector3 xAxis, Vector3 yAxis, Vector3 zAxis, Vector3 position) {
  const Vector3 rows[4] = {xAxis, yAxis, zAxis, position};
  Matrix4x4 m;
  for (int i = 0; i < 4; i++) {
    m.m[i][0] = rows[i].x;
    m.m[i][1] = rows[i].y;
    m.m[i][2] = rows[i].z;
    m.m[i][3] = i == 3 ? 1.0f : 0.0f;
  }
  return m;
}
