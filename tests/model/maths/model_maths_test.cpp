#include "model/maths/model_maths.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <cmath>
#include <random>

#include "core/util/maths.h"

namespace {

// Straightforward references in double precision, written from the
// definitions: single-axis rotations for column vectors and their products.
template <int N>
struct Square {
  double m[N][N];
};

template <int N>
Square<N> Mul(const Square<N> &a, const Square<N> &b) {
  Square<N> o{};
  for (int r = 0; r < N; r++)
    for (int c = 0; c < N; c++)
      for (int k = 0; k < N; k++) o.m[r][c] += a.m[r][k] * b.m[k][c];
  return o;
}

typedef Square<3> M3;
typedef Square<4> M4;

M3 Rx(double a) { return M3{{{1, 0, 0}, {0, cos(a), -sin(a)}, {0, sin(a), cos(a)}}}; }
M3 Ry(double a) { return M3{{{cos(a), 0, sin(a)}, {0, 1, 0}, {-sin(a), 0, cos(a)}}}; }
M3 Rz(double a) { return M3{{{cos(a), -sin(a), 0}, {sin(a), cos(a), 0}, {0, 0, 1}}}; }

class ModelMathsTest : public testing::Test {
 protected:
  void SetUp() override { FillModelSineTable(); }
};

TEST_F(ModelMathsTest, SineIndexMatchesRoundedProductOverASweep) {
  for (int i = -2000000; i <= 2000000; i += 7) {
    const float angle = i * 0.0002f;
    const int expected = static_cast<int>(lrintf(angle * 10430.378f) & 0xFFFF);
    ASSERT_EQ(expected, ModelSineIndex(angle)) << angle;
  }
  std::mt19937 random(5);
  std::uniform_real_distribution<float> range(-400.0f, 400.0f);
  for (int i = 0; i < 200000; i++) {
    const float angle = range(random);
    ASSERT_EQ(static_cast<int>(lrintf(angle * 10430.378f) & 0xFFFF), ModelSineIndex(angle)) << angle;
  }
}

TEST_F(ModelMathsTest, SineIndexOfTheQuarterTurns) {
  const float pi = 3.1415927f;
  const struct {
    float angle;
    int index;
  } cases[] = {{0.0f, 0}, {pi / 2, 16384}, {pi, 32768}, {-pi / 2, 49152}, {2 * pi, 0}, {-0.0f, 0}};
  for (const auto &c : cases) EXPECT_EQ(c.index, ModelSineIndex(c.angle)) << c.angle;
}

TEST_F(ModelMathsTest, LargeAnglesAreReducedAndNonFiniteGiveZero) {
  const double twoPi = 6.283185307179586476925;
  for (float angle : {402.5f, -402.5f, 1000.0f, 123456.7f, -9.0e7f, 3.0e38f}) {
    const float reduced = static_cast<float>(std::fmod(static_cast<double>(angle), twoPi));
    EXPECT_EQ(static_cast<int>(lrintf(reduced * 10430.378f) & 0xFFFF), ModelSineIndex(angle)) << angle;
    // A double turn is exact enough to keep the sine right this far out.
    if (fabsf(angle) > 1e8f) continue;
    float s, c;
    ModelSinCos(angle, &s, &c);
    EXPECT_NEAR(sin(static_cast<double>(angle)), s, 1e-3) << angle;
  }
  EXPECT_EQ(0, ModelSineIndex(NAN));
  EXPECT_EQ(0, ModelSineIndex(INFINITY));
  EXPECT_EQ(0, ModelSineIndex(-INFINITY));
}

TEST_F(ModelMathsTest, SinCosFollowTheTable) {
  for (float angle = -7.0f; angle < 7.0f; angle += 0.01f) {
    float s, c;
    ModelSinCos(angle, &s, &c);
    EXPECT_NEAR(sin(angle), s, 1e-4);
    EXPECT_NEAR(cos(angle), c, 1e-4);
  }
  float s, c;
  ModelSinCos(3.1415927f / 2, &s, &c);
  EXPECT_EQ(1.0f, s);
  EXPECT_NEAR(0.0f, c, 1e-7);
}

void ExpectNear34(const M3 &want, const Matrix34 &got, const char *what) {
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) EXPECT_NEAR(want.m[r][c], got.m[r][c], 2e-4) << what << " " << r << c;
    EXPECT_EQ(0.0f, got.m[r][3]) << what;
  }
}

TEST_F(ModelMathsTest, RotationMakersFollowTheirProducts) {
  typedef void (*Maker)(Matrix34 *, float, float, float);
  const double x = 0.3, y = -1.1, z = 2.2;
  const struct {
    Maker maker;
    int order;
    M3 want;
    const char *name;
  } cases[] = {
      {MakeModelRotationXYZ, EULER_ORDER_XYZ, Mul(Rz(z), Mul(Ry(y), Rx(x))), "XYZ"},
      {MakeModelRotationXZY, EULER_ORDER_XZY, Mul(Ry(y), Mul(Rz(z), Rx(x))), "XZY"},
      {MakeModelRotationYZX, EULER_ORDER_YZX, Mul(Rx(x), Mul(Rz(z), Ry(y))), "YZX"},
      {MakeModelRotationYXZ, EULER_ORDER_YXZ, Mul(Rz(z), Mul(Rx(x), Ry(y))), "YXZ"},
      {MakeModelRotationZXY, EULER_ORDER_ZXY, Mul(Ry(y), Mul(Rx(x), Rz(z))), "ZXY"},
      {MakeModelRotationZYX, EULER_ORDER_ZYX, Mul(Rx(x), Mul(Ry(y), Rz(z))), "ZYX"},
  };
  for (const auto &c : cases) {
    Matrix34 got;
    memset(&got, 0x7F, sizeof(got));
    c.maker(&got, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
    ExpectNear34(c.want, got, c.name);
    Matrix34 byCode;
    ASSERT_EQ(0, MakeModelRotation(&byCode, c.order, static_cast<float>(x), static_cast<float>(y),
                                   static_cast<float>(z)));
    EXPECT_EQ(0, memcmp(&got, &byCode, sizeof(got))) << c.name;
  }
  Matrix34 untouched{};
  EXPECT_EQ(-1, MakeModelRotation(&untouched, 6, 1, 1, 1));
}

// Row-vector 4x4 references in double precision (translation in row 3).
M4 Identity4() { return M4{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}; }
M4 RowRotation(int axis, double a) {
  M4 o = Identity4();
  const int i = (axis + 1) % 3, j = (axis + 2) % 3;
  o.m[i][i] = cos(a);
  o.m[i][j] = sin(a);
  o.m[j][i] = -sin(a);
  o.m[j][j] = cos(a);
  return o;
}

TEST_F(ModelMathsTest, RotOrderMatrixIsScaleRotationsExtraTranslation) {
  const int sequences[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0}, {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
  const Vector3 rotation = {0.4f, -0.9f, 1.7f}, scale = {2.0f, 0.5f, 3.0f}, move = {5, -6, 7};
  const Vector3 extra = {0.2f, 0.1f, -0.3f};
  const double angles[3] = {rotation.x, rotation.y, rotation.z};
  for (int order = 0; order < 6; order++) {
    for (const Vector3 *withExtra : {static_cast<const Vector3 *>(nullptr), &extra}) {
      M4 want = Identity4();
      want.m[0][0] = scale.x;
      want.m[1][1] = scale.y;
      want.m[2][2] = scale.z;
      for (int k = 0; k < 3; k++) want = Mul(want, RowRotation(sequences[order][k], angles[sequences[order][k]]));
      if (withExtra) {
        want = Mul(want, RowRotation(0, extra.x));
        want = Mul(want, RowRotation(1, extra.y));
        want = Mul(want, RowRotation(2, extra.z));
      }
      M4 t = Identity4();
      t.m[3][0] = move.x;
      t.m[3][1] = move.y;
      t.m[3][2] = move.z;
      want = Mul(want, t);
      Matrix4x4 got;
      ASSERT_EQ(0, MakeRotOrderMatrix(&rotation, &scale, &move, withExtra, &got, order));
      for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_NEAR(want.m[r][c], got.m[r][c], 5e-4) << order << r << c;
    }
  }
  Matrix4x4 got;
  memset(&got, 0x55, sizeof(got));
  EXPECT_EQ(-1, MakeRotOrderMatrix(&rotation, &scale, &move, nullptr, &got, 6));
  Matrix4x4 scaleOnly;
  MakeScaleMatrix(&scaleOnly, scale.x, scale.y, scale.z);
  EXPECT_EQ(0, memcmp(&scaleOnly, &got, sizeof(got)));
}

Matrix34 Sample34(float seed) {
  Matrix34 m;
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 4; c++) m.m[r][c] = seed + r * 1.5f - c * 0.75f + (r == c ? 2.0f : 0.0f);
  return m;
}

// The 3x4 forms against the shared 4x4 maths: a 3x4 product "a after b" is
// the row-vector product b x a of the 4x4 forms.
TEST_F(ModelMathsTest, Products34MatchTheFourByFourMaths) {
  const Matrix34 a = Sample34(0.5f), b = Sample34(-1.25f);
  Matrix4x4 a4, b4, product4;
  Matrix34To4x4(&a4, &a);
  Matrix34To4x4(&b4, &b);
  MultiplyMatrix(&product4, &b4, &a4);
  Matrix34 want, got;
  Matrix4x4To34(&want, &product4);
  MultiplyMatrix34(&a, &got, &b);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 4; c++) EXPECT_FLOAT_EQ(want.m[r][c], got.m[r][c]);

  Matrix34 moved;
  MultiplyMatrix34Translation(&a, &b, &moved);
  for (int r = 0; r < 3; r++) {
    for (int c = 0; c < 3; c++) EXPECT_EQ(a.m[r][c], moved.m[r][c]);
    EXPECT_FLOAT_EQ(want.m[r][3], moved.m[r][3]);
  }

  const Vector3 p = {1.5f, -2.0f, 0.25f};
  Vector3 viaFour, viaThree, direction, wantDirection;
  TransformPoint3(&viaFour, &p, &a4);
  TransformPoint34(&a, &viaThree, &p);
  EXPECT_FLOAT_EQ(viaFour.x, viaThree.x);
  EXPECT_FLOAT_EQ(viaFour.y, viaThree.y);
  EXPECT_FLOAT_EQ(viaFour.z, viaThree.z);
  TransformVector(&wantDirection, &p, &a4);
  TransformDirection3(&direction, &p, &a4);
  EXPECT_NEAR(wantDirection.x - a4.m[3][0], direction.x, 1e-5);
  EXPECT_NEAR(wantDirection.y - a4.m[3][1], direction.y, 1e-5);
  EXPECT_NEAR(wantDirection.z - a4.m[3][2], direction.z, 1e-5);
}

TEST_F(ModelMathsTest, RearrangementsAreEachOthersInverse) {
  Matrix4x4 m;
  for (int r = 0; r < 4; r++)
    for (int c = 0; c < 4; c++) m.m[r][c] = static_cast<float>(r * 4 + c);
  Matrix34 t;
  Matrix4x4To34(&t, &m);
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 4; c++) EXPECT_EQ(m.m[c][r], t.m[r][c]);
  Matrix4x4 back;
  Matrix34To4x4(&back, &t);
  for (int r = 0; r < 4; r++) {
    for (int c = 0; c < 3; c++) EXPECT_EQ(m.m[r][c], back.m[r][c]);
    EXPECT_EQ(r == 3 ? 1.0f : 0.0f, back.m[r][3]);
  }
}

}  // namespace
