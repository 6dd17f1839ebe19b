#include "core/util/maths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

const float kPi = 3.14159265f;
const float kTolerance = 1e-5f;

Matrix4x4 Filled(float first, float step) {
  Matrix4x4 m;
  for (int i = 0; i < 16; i++) m.m[i / 4][i % 4] = first + step * static_cast<float>(i * i % 7);
  return m;
}

// A well-conditioned matrix with every element in use.
Matrix4x4 General() {
  Matrix4x4 m = {{{2, 1, 0, 0.5f}, {-1, 3, 1, 0}, {0.25f, 0, 4, 1}, {1, 2, -3, 1}}};
  return m;
}

void ExpectMatrixNear(const Matrix4x4 &expected, const Matrix4x4 &actual, float tolerance = kTolerance) {
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) {
      EXPECT_NEAR(expected.m[i][j], actual.m[i][j], tolerance) << "element " << i << j;
    }
  }
}

void ExpectVectorNear(const Vector3 &expected, const Vector3 &actual, float tolerance = kTolerance) {
  EXPECT_NEAR(expected.x, actual.x, tolerance);
  EXPECT_NEAR(expected.y, actual.y, tolerance);
  EXPECT_NEAR(expected.z, actual.z, tolerance);
}

Matrix4x4 Identity() {
  Matrix4x4 m;
  MakeIdentityMatrix(&m);
  return m;
}

Vector3 Transformed(Vector3 v, const Matrix4x4 &m) {
  Vector3 out;
  TransformVector(&out, &v, &m);
  return out;
}

TEST(MatrixTest, ProductAppliesTheLeftMatrixFirst) {
  Matrix4x4 move, turn, both;
  MakeTranslationMatrix(&move, 1, 0, 0);
  MakeRotationMatrixZ(&turn, kPi / 2);
  ASSERT_EQ(0, MultiplyMatrix(&both, &move, &turn));
  // Moved to (1, 0, 0) first, then turned a quarter about Z onto the y axis.
  ExpectVectorNear({0, 1, 0}, Transformed({0, 0, 0}, both));
  ExpectMatrixNear(both, GetMatrixProduct(move, turn));
}

TEST(MatrixTest, ProductMayWriteOverEitherInput) {
  const Matrix4x4 a = General(), b = Filled(0.5f, 0.25f);
  Matrix4x4 expected;
  MultiplyMatrix(&expected, &a, &b);
  Matrix4x4 intoA = a, intoB = b;
  MultiplyMatrix(&intoA, &intoA, &b);
  MultiplyMatrix(&intoB, &a, &intoB);
  ExpectMatrixNear(expected, intoA, 0);
  ExpectMatrixNear(expected, intoB, 0);
  EXPECT_EQ(-1, MultiplyMatrix(nullptr, &a, &b));
}

TEST(MatrixTest, SingleAxisRotationsAreLeftHanded) {
  struct Case {
    Matrix4x4 rotation;
    Vector3 from, to;
  };
  const Case cases[] = {
      {GetRotationMatrixX(kPi / 2), {0, 1, 0}, {0, 0, 1}},
      {GetRotationMatrixY(kPi / 2), {0, 0, 1}, {1, 0, 0}},
      {GetRotationMatrixZ(kPi / 2), {1, 0, 0}, {0, 1, 0}},
  };
  for (const Case &c : cases) ExpectVectorNear(c.to, Transformed(c.from, c.rotation));
  Matrix4x4 x, y, z;
  MakeRotationMatrixX(&x, 0.3f);
  MakeRotationMatrixY(&y, 0.3f);
  MakeRotationMatrixZ(&z, 0.3f);
  ExpectMatrixNear(x, GetRotationMatrixX(0.3f), 0);
  ExpectMatrixNear(y, GetRotationMatrixY(0.3f), 0);
  ExpectMatrixNear(z, GetRotationMatrixZ(0.3f), 0);
  EXPECT_FLOAT_EQ(std::sin(0.3f), x.m[1][2]);
  EXPECT_FLOAT_EQ(-std::sin(0.3f), y.m[0][2]);
  EXPECT_FLOAT_EQ(-std::sin(0.3f), z.m[1][0]);
}

TEST(MatrixTest, ScaleAndTranslation) {
  Matrix4x4 scale;
  MakeScaleMatrix(&scale, 2, 3, 4);
  ExpectVectorNear({2, 3, 4}, Transformed({1, 1, 1}, scale));
  ExpectMatrixNear(scale, GetScaleMatrix({2, 3, 4}), 0);
  Matrix4x4 move;
  MakeTranslationMatrix(&move, 5, 6, 7);
  ExpectVectorNear({6, 7, 8}, Transformed({1, 1, 1}, move));
  EXPECT_EQ(1.0f, move.m[3][3]);
}

TEST(MatrixTest, TransposeInPlace) {
  Matrix4x4 m = Filled(1, 1), t;
  TransposeMatrix(&t, &m);
  TransposeMatrix(&m, &m);
  ExpectMatrixNear(t, m, 0);
  const Matrix4x4 original = Filled(1, 1);
  for (int i = 0; i < 4; i++) {
    for (int j = 0; j < 4; j++) EXPECT_EQ(original.m[i][j], m.m[j][i]);
  }
}

TEST(MatrixTest, InverseUndoesTheMatrix) {
  const Matrix4x4 m = General();
  Matrix4x4 inverse;
  ASSERT_EQ(0, InvertMatrix(&inverse, &m));
  ExpectMatrixNear(Identity(), GetMatrixProduct(m, inverse));
  ExpectMatrixNear(Identity(), GetMatrixProduct(inverse, m));
  ExpectMatrixNear(inverse, GetInverseMatrix(m), 0);
  Matrix4x4 inPlace = m;
  ASSERT_EQ(0, InvertMatrix(&inPlace, &inPlace));
  ExpectMatrixNear(inverse, inPlace, 0);
}

TEST(MatrixTest, NearlySingularMatrixIsRefused) {
  Matrix4x4 m;
  MakeScaleMatrix(&m, 5e-8f, 1, 1);
  Matrix4x4 out = Filled(7, 0);
  EXPECT_EQ(-1, InvertMatrix(&out, &m));
  ExpectMatrixNear(Filled(7, 0), out, 0);
  ExpectMatrixNear(Identity(), GetInverseMatrix(m), 0);
  Matrix4x4 allZero = {};
  EXPECT_EQ(-1, InvertMatrix(&out, &allZero));
}

TEST(ProjectionTest, ViewportMapsClipSpaceToPixels) {
  Matrix4x4 m;
  MakeViewportMatrix(&m, 320, 240, 640, 480);
  ExpectVectorNear({0, 0, 0.5f}, Transformed({-1, 1, 0.5f}, m));
  ExpectVectorNear({640, 480, 0}, Transformed({1, -1, 0}, m));
}

TEST(ProjectionTest, PerspectiveElements) {
  Matrix4x4 m;
  const float fov = kPi / 3;
  ASSERT_EQ(0, MakePerspectiveMatrix(&m, fov, 1, 101, 0.5f));
  const float cotangent = std::cos(fov / 2) / std::sin(fov / 2);
  Matrix4x4 expected = {};
  expected.m[0][0] = cotangent * 0.5f;
  expected.m[1][1] = cotangent;
  expected.m[2][2] = 101.0f / 100.0f;
  expected.m[2][3] = 1;
  expected.m[3][2] = -1.0f * 101.0f / 100.0f;
  ExpectMatrixNear(expected, m);
  // The near plane lands on depth 0 and the far plane on depth w.
  float w;
  Vector3 out, nearPoint = {0, 0, 1}, farPoint = {0, 0, 101};
  TransformVector4(&out, &w, &nearPoint, 1, &m);
  EXPECT_NEAR(0, out.z, kTolerance);
  TransformVector4(&out, &w, &farPoint, 1, &m);
  EXPECT_NEAR(w, out.z, 1e-4f);
}

TEST(ProjectionTest, NegativeAspectUsesTheScreenShape) {
  Matrix4x4 m;
  ASSERT_EQ(0, MakePerspectiveMatrix(&m, kPi / 2, 1, 10, -1));
  EXPECT_NEAR(480.0f / 640.0f, m.m[0][0] / m.m[1][1], kTolerance);
  ASSERT_EQ(0, MakeOrthographicMatrix(&m, 100, 0, 10, -1));
  EXPECT_NEAR(480.0f / 640.0f, m.m[0][0] / m.m[1][1], kTolerance);
  ASSERT_EQ(0, MakePerspectiveMatrix(&m, kPi / 2, 1, 10, 0));
  EXPECT_EQ(0, m.m[0][0]);
}

TEST(ProjectionTest, DegenerateProjectionsLeaveOutAlone) {
  struct Case {
    float fov, zNear, zFar;
  };
  const Case cases[] = {{kPi / 2, 5, 5}, {kPi / 2, 5, 5.00005f}, {0, 1, 10}, {2 * kPi, 1, 10}};
  for (const Case &c : cases) {
    Matrix4x4 out = Filled(3, 0);
    EXPECT_EQ(-1, MakePerspectiveMatrix(&out, c.fov, c.zNear, c.zFar, 1)) << c.fov << " " << c.zNear;
    ExpectMatrixNear(Filled(3, 0), out, 0);
  }
  Matrix4x4 out = Filled(3, 0);
  EXPECT_EQ(-1, MakeOrthographicMatrix(&out, 100, 2, 2, 1));
  ExpectMatrixNear(Filled(3, 0), out, 0);
}

TEST(ProjectionTest, OrthographicElements) {
  Matrix4x4 m;
  ASSERT_EQ(0, MakeOrthographicMatrix(&m, 200, 10, 110, 0.75f));
  Matrix4x4 expected = {};
  expected.m[0][0] = 2 * 0.75f / 200;
  expected.m[1][1] = 2.0f / 200;
  expected.m[2][2] = 1.0f / 100;
  expected.m[3][2] = -10.0f / 100;
  expected.m[3][3] = 1;
  ExpectMatrixNear(expected, m);
}

TEST(ProjectionTest, LookAtPutsTheTargetAheadOnZ) {
  const Vector3 eye = {0, 0, -10}, target = {0, 0, 0}, up = {0, 1, 0};
  Matrix4x4 view;
  ASSERT_EQ(0, MakeLookAtMatrix(&view, &eye, &target, &up));
  ExpectVectorNear({0, 0, 10}, Transformed(target, view));
  ExpectVectorNear({0, 0, 0}, Transformed(eye, view));
  ExpectVectorNear({1, 0, 10}, Transformed({1, 0, 0}, view));
  ExpectVectorNear({0, 1, 10}, Transformed({0, 1, 0}, view));
  // From the side: looking along +x, the world's -z is to the right.
  const Vector3 sideEye = {-5, 2, 0}, sideTarget = {5, 2, 0};
  MakeLookAtMatrix(&view, &sideEye, &sideTarget, &up);
  ExpectVectorNear({3, 0, 5}, Transformed({0, 2, -3}, view));
  EXPECT_EQ(1.0f, view.m[3][3]);
  EXPECT_EQ(0.0f, view.m[0][3]);
}

using EulerMake = int (*)(Matrix4x4 *, float, float, float);
using EulerExtract = int (*)(const Matrix4x4 *, float *, float *, float *);

struct EulerOrderCase {
  const char *name;
  int code;
  EulerMake make;
  EulerExtract extract;
  int axes[3];  // 0 x, 1 y, 2 z; the first applied first
};

const EulerOrderCase kOrders[] = {
    {"XYZ", EULER_ORDER_XYZ, MakeEulerMatrixXYZ, ExtractEulerXYZ, {0, 1, 2}},
    {"XZY", EULER_ORDER_XZY, MakeEulerMatrixXZY, ExtractEulerXZY, {0, 2, 1}},
    {"YXZ", EULER_ORDER_YXZ, MakeEulerMatrixYXZ, ExtractEulerYXZ, {1, 0, 2}},
    {"YZX", EULER_ORDER_YZX, MakeEulerMatrixYZX, ExtractEulerYZX, {1, 2, 0}},
    {"ZXY", EULER_ORDER_ZXY, MakeEulerMatrixZXY, ExtractEulerZXY, {2, 0, 1}},
    {"ZYX", EULER_ORDER_ZYX, MakeEulerMatrixZYX, ExtractEulerZYX, {2, 1, 0}},
};

Matrix4x4 AxisRotation(int axis, float angle) {
  return axis == 0 ? GetRotationMatrixX(angle) : axis == 1 ? GetRotationMatrixY(angle) : GetRotationMatrixZ(angle);
}

TEST(EulerTest, MatrixIsTheProductInTheNamedOrder) {
  const float angles[3] = {0.3f, -1.1f, 2.5f};
  for (const EulerOrderCase &order : kOrders) {
    SCOPED_TRACE(order.name);
    const int *axes = order.axes;
    const Matrix4x4 expected = GetMatrixProduct(
        GetMatrixProduct(AxisRotation(axes[0], angles[axes[0]]), AxisRotation(axes[1], angles[axes[1]])),
        AxisRotation(axes[2], angles[axes[2]]));
    Matrix4x4 m, byCode;
    ASSERT_EQ(0, order.make(&m, angles[0], angles[1], angles[2]));
    ExpectMatrixNear(expected, m);
    ASSERT_EQ(0, MakeEulerMatrix(&byCode, order.code, angles[0], angles[1], angles[2]));
    ExpectMatrixNear(m, byCode, 0);
  }
  Matrix4x4 m;
  EXPECT_EQ(-1, MakeEulerMatrix(&m, 6, 0, 0, 0));
}

TEST(EulerTest, ExtractionReturnsTheAnglesThatMadeTheMatrix) {
  // The middle axis stays within a quarter turn, the outer ones within a half.
  const float samples[][3] = {
      {0.3f, -1.1f, 2.5f}, {-2.9f, 0.7f, -0.4f}, {1.2f, 1.5f, 3.0f}, {0, 0, 0}, {-0.01f, -1.45f, 0.02f},
  };
  for (const EulerOrderCase &order : kOrders) {
    for (const auto &sample : samples) {
      SCOPED_TRACE(testing::Message() << order.name << " " << sample[0] << " " << sample[1] << " " << sample[2]);
      // Put the sample's middle value on the order's middle axis.
      float angles[3];
      angles[order.axes[0]] = sample[0];
      angles[order.axes[1]] = sample[1];
      angles[order.axes[2]] = sample[2];
      Matrix4x4 m;
      order.make(&m, angles[0], angles[1], angles[2]);
      float x = 9, y = 9, z = 9;
      ASSERT_EQ(0, order.extract(&m, &x, &y, &z));
      EXPECT_NEAR(angles[0], x, 1e-4f);
      EXPECT_NEAR(angles[1], y, 1e-4f);
      EXPECT_NEAR(angles[2], z, 1e-4f);
      float cx, cy, cz;
      EXPECT_EQ(0, ExtractEuler(&m, order.code, &cx, &cy, &cz));
      EXPECT_EQ(x, cx);
    }
  }
}

TEST(EulerTest, QuarterTurnOfTheMiddleAxisIsReportedButStillRebuilds) {
  for (const EulerOrderCase &order : kOrders) {
    for (float middle : {kPi / 2, -kPi / 2}) {
      SCOPED_TRACE(testing::Message() << order.name << " middle " << middle);
      float angles[3];
      angles[order.axes[0]] = 0.4f;
      angles[order.axes[1]] = middle;
      angles[order.axes[2]] = -0.9f;
      Matrix4x4 m;
      order.make(&m, angles[0], angles[1], angles[2]);
      float extracted[3];
      ASSERT_EQ(-1, order.extract(&m, &extracted[0], &extracted[1], &extracted[2]));
      EXPECT_EQ(0, extracted[order.axes[0]]);
      EXPECT_NEAR(middle, extracted[order.axes[1]], 1e-5f);
      Matrix4x4 rebuilt;
      order.make(&rebuilt, extracted[0], extracted[1], extracted[2]);
      ExpectMatrixNear(m, rebuilt, 1e-4f);
    }
  }
}

TEST(EulerTest, QuarterTurnAboutYOfXyz) {
  Matrix4x4 m;
  MakeEulerMatrixXYZ(&m, 0, kPi / 2, 0);
  float x = 1, y = 0;
  EXPECT_EQ(-1, ExtractEulerXYZ(&m, &x, &y, nullptr));
  EXPECT_EQ(0, x);
  EXPECT_NEAR(kPi / 2, std::fabs(y), 1e-6f);
  EXPECT_EQ(-1, ExtractEuler(&m, 7, &x, &y, nullptr));
}

TEST(VectorTest, Arithmetic) {
  const Vector3 a = {1, 2, 3}, b = {4, -5, 6};
  Vector3 out;
  AddVector(&out, &a, &b);
  ExpectVectorNear({5, -3, 9}, out, 0);
  SubtractVector(&out, &a, &b);
  ExpectVectorNear({-3, 7, -3}, out, 0);
  EXPECT_EQ(4 - 10 + 18, DotProduct(&a, &b));
  const Vector3 x = {1, 0, 0}, y = {0, 1, 0};
  CrossProduct(&out, &x, &y);
  ExpectVectorNear({0, 0, 1}, out, 0);
  EXPECT_EQ(&out, CrossVector3(&out, &a, &b));
  ExpectVectorNear({2 * 6 - 3 * -5, 3 * 4 - 1 * 6, 1 * -5 - 2 * 4}, out, 0);
  Vector3 inPlace = a;
  CrossProduct(&inPlace, &inPlace, &b);
  ExpectVectorNear(out, inPlace, 0);
}

TEST(VectorTest, NormalizeAndLength) {
  Vector3 v = {3, 0, 4};
  NormalizeVector(&v, &v);
  ExpectVectorNear({0.6f, 0, 0.8f}, v);
  ExpectVectorNear({0.6f, 0, 0.8f}, GetNormalizedVector({3, 0, 4}));
  EXPECT_FLOAT_EQ(5, GetVectorLength({3, 0, 4}));
  EXPECT_EQ(0, GetVectorLength({0.0001f, 0, 0}));
  EXPECT_EQ(0, GetVectorLength({0, 0, 0}));
  EXPECT_NEAR(0.001f, GetVectorLength({0, 0.001f, 0}), 1e-9f);
}

TEST(VectorTest, TransformWithAndWithoutTranslation) {
  const Matrix4x4 m = GetMatrixProduct(GetScaleMatrix({2, 2, 2}), GetMatrixFromAxes({1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {10, 20, 30}));
  ExpectVectorNear({12, 22, 32}, Transformed({1, 1, 1}, m));
  Vector3 out;
  float w = 0;
  const Vector3 v = {1, 1, 1};
  TransformVector4(&out, &w, &v, 0, &m);
  ExpectVectorNear({2, 2, 2}, out);
  EXPECT_EQ(0, w);
  Vector3 inPlace = v;
  TransformVector(&inPlace, &inPlace, &m);
  ExpectVectorNear({12, 22, 32}, inPlace);
}

TEST(VectorTest, MatrixFromAxesPutsThemInRows) {
  const Matrix4x4 m = GetMatrixFromAxes({1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12});
  const Matrix4x4 expected = {{{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}, {10, 11, 12, 1}}};
  ExpectMatrixNear(expected, m, 0);
}

TEST(ClipRectangleTest, ClampsIntoTheBounds) {
  struct Case {
    Rect in, bounds, expected;
  };
  const Rect screen = {0, 0, 640, 480};
  const Case cases[] = {
      {{50, 50, 10, 10}, screen, {50, 50, 50, 50}},
      {{-10, -10, 700, 500}, screen, {0, 0, 640, 480}},
      {{10, 20, 30, 40}, screen, {10, 20, 30, 40}},
      {{700, 10, 800, 20}, screen, {640, 10, 640, 20}},
      {{-50, -40, -10, -5}, screen, {0, 0, 0, 0}},
      {{100, 100, 200, 200}, {150, 120, 180, 300}, {150, 120, 180, 200}},
  };
  for (const Case &c : cases) {
    Rect r = c.in;
    const Rect bounds = c.bounds;
    EXPECT_EQ(0, ClipRectangle(&r, &bounds));
    EXPECT_EQ(c.expected.left, r.left);
    EXPECT_EQ(c.expected.top, r.top);
    EXPECT_EQ(c.expected.right, r.right);
    EXPECT_EQ(c.expected.bottom, r.bottom);
    EXPECT_EQ(0, std::memcmp(&bounds, &c.bounds, sizeof(Rect)));
  }
}

}  // namespace
