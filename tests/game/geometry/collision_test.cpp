#include "game/geometry/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "game/field_maths.h"

namespace {

OrientedBox Cube(float x, float y, float z, float half) {
  return MakeAxisBox(Vector3{x, y, z}, Vector3{half, half, half});
}

TEST(CollisionTest, AxisBoxesOverlapOnlyStrictly) {
  EXPECT_FALSE(BoxesOverlap(Cube(0, 0, 0, 16), Cube(32, 0, 0, 16)));
  EXPECT_TRUE(BoxesOverlap(Cube(0, 0, 0, 16), Cube(31.99f, 0, 0, 16)));
  EXPECT_FALSE(BoxesOverlap(Cube(0, 0, 0, 16), Cube(0, 0, -32, 16)));
  EXPECT_TRUE(BoxesOverlap(Cube(0, 0, 0, 16), Cube(0, 0, -31.99f, 16)));
  // The face test of the oriented boxes allows equality.
  EXPECT_TRUE(OrientedBoxesOverlap(Cube(0, 0, 0, 16), Cube(32, 0, 0, 16)));
}

TEST(CollisionTest, TurnedBarAgainstCube) {
  const float quarter = 3.14159265f / 4.0f;
  const OrientedBox bar = MakeTurnedBox(Vector3{0, 0, 0}, Vector3{32, 8, 8}, quarter);
  EXPECT_FALSE(OrientedBoxesOverlap(bar, Cube(50, 0, 0, 16)));
  EXPECT_TRUE(OrientedBoxesOverlap(bar, Cube(40, 0, 0, 16)));
}

// An independent separating-axis test in double precision.
struct Box64 {
  double c[3], h[3], u[3][3];
};

Box64 Widen(const OrientedBox &box) {
  Box64 wide;
  const float centre[3] = {box.centre.x, box.centre.y, box.centre.z};
  for (int i = 0; i < 3; ++i) {
    wide.c[i] = centre[i];
    wide.h[i] = box.halfSizes[i];
    for (int k = 0; k < 3; ++k) wide.u[i][k] = box.axes[i][k];
  }
  return wide;
}

double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The smallest margin |D| - (rA + rB) over all axes, each axis normalised,
// with its reach to judge closeness.
void Margin(const Box64 &a, const Box64 &b, bool &separated, double &closest, double &reach) {
  double axes[15][3];
  int n = 0;
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) axes[n][k] = a.u[i][k];
    ++n;
  }
  for (int j = 0; j < 3; ++j) {
    for (int k = 0; k < 3; ++k) axes[n][k] = b.u[j][k];
    ++n;
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const double *p = a.u[i], *q = b.u[j];
      axes[n][0] = p[1] * q[2] - p[2] * q[1];
      axes[n][1] = p[2] * q[0] - p[0] * q[2];
      axes[n][2] = p[0] * q[1] - p[1] * q[0];
      ++n;
    }
  }
  const double t[3] = {a.c[0] - b.c[0], a.c[1] - b.c[1], a.c[2] - b.c[2]};
  separated = false;
  closest = 1e300;
  reach = 1.0;
  for (auto &axis : axes) {
    const double length = std::sqrt(Dot(axis, axis));
    if (length < 1e-6) continue;
    double unit[3] = {axis[0] / length, axis[1] / length, axis[2] / length};
    double rA = 0, rB = 0;
    for (int i = 0; i < 3; ++i) {
      rA += std::fabs(Dot(unit, a.u[i])) * a.h[i];
      rB += std::fabs(Dot(unit, b.u[i])) * b.h[i];
    }
    const double d = std::fabs(Dot(unit, t));
    if (d > rA + rB) separated = true;
    if (std::fabs(d - (rA + rB)) < closest) {
      closest = std::fabs(d - (rA + rB));
      reach = rA + rB;
    }
  }
}

TEST(CollisionTest, OrientedBoxesAgreeWithDoublePrecisionReference) {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> position(-60.0f, 60.0f);
  std::uniform_real_distribution<float> size(1.0f, 40.0f);
  std::uniform_real_distribution<float> angle(0.0f, 6.2831855f);
  int compared = 0, overlapping = 0;
  for (int i = 0; i < 20000; ++i) {
    const OrientedBox a = MakeTurnedBox(Vector3{position(random), position(random), position(random) / 4},
                                        Vector3{size(random), size(random), size(random)},
                                        angle(random));
    const OrientedBox b = MakeTurnedBox(Vector3{position(random), position(random), position(random) / 4},
                                        Vector3{size(random), size(random), size(random)},
                                        angle(random));
    bool separated;
    double closest, reach;
    Margin(Widen(a), Widen(b), separated, closest, reach);
    if (closest < 1e-3 * reach) continue;
    ++compared;
    overlapping += separated ? 0 : 1;
    EXPECT_EQ(OrientedBoxesOverlap(a, b), !separated) << "case " << i;
  }
  EXPECT_GT(compared, 19000);
  EXPECT_GT(overlapping, 1000);
}

TEST(CollisionTest, ProjectedRadiusSumsAbsoluteDots) {
  const float axis[3] = {1, 0, 0};
  const float e1[3] = {-3, 1, 0}, e2[3] = {2, 0, 5}, e3[3] = {-0.5f, 7, 7};
  EXPECT_EQ(ProjectedRadius(axis, e1, e2, nullptr), 5.0f);
  EXPECT_EQ(ProjectedRadius(axis, e1, e2, e3), 5.5f);
}

TEST(CollisionTest, SegmentEndsAcceptedWithinTolerance) {
  const Segment2D a{0, 0, 10, 0, 1};
  float t = -1, point[2];
  EXPECT_TRUE(IntersectSegments(a, Segment2D{10.00005f, -1, 0, 2, 1}, &t, point));
  EXPECT_NEAR(t, 1.000005f, 1e-6f);
  EXPECT_FALSE(IntersectSegments(a, Segment2D{10.001f, -1, 0, 2, 1}, nullptr, nullptr));
  // Parallel segments never cross, even along one line.
  EXPECT_FALSE(IntersectSegments(a, Segment2D{5, 0, 10, 0, 1}, nullptr, nullptr));
  // t is written although the crossing lies beyond b.
  t = -1;
  EXPECT_FALSE(IntersectSegments(a, Segment2D{5, 3, 0, 1, 1}, &t, nullptr));
  EXPECT_EQ(t, 0.5f);
  EXPECT_FALSE(IntersectSegmentsAt(a, Segment2D{5, -1, 0, 2, 0}, point));
  EXPECT_TRUE(IntersectSegmentsAt(a, Segment2D{5, -1, 0, 2, 1}, point));
  EXPECT_EQ(point[0], 5.0f);
  EXPECT_EQ(point[1], 0.0f);
}

TEST(CollisionTest, ReflectMoveMirrorsAtTheWall) {
  float remainder[2], move[2];
  ASSERT_TRUE(ReflectMove(Segment2D{0, 0, 10, 0, 1}, Segment2D{5, -5, 0, 10, 1}, 5, 0, remainder, move));
  EXPECT_EQ(remainder[0], -5.0f);
  EXPECT_EQ(remainder[1], 0.0f);
  EXPECT_EQ(move[0], -10.0f);
  EXPECT_EQ(move[1], 0.0f);
  remainder[0] = 7;
  EXPECT_FALSE(ReflectMove(Segment2D{5, 0, 10, 0, 1}, Segment2D{5, -5, 0, 10, 1}, 5, 0, remainder, move));
  EXPECT_EQ(remainder[0], 7.0f);
}

TEST(FieldMathsTest, TurnRowsAndNormalise) {
  float rows[3][3];
  MakeZTurnRows(0.5f, rows);
  EXPECT_EQ(rows[0][0], cosf(0.5f));
  EXPECT_EQ(rows[0][1], sinf(0.5f));
  EXPECT_EQ(rows[1][0], -sinf(0.5f));
  EXPECT_EQ(rows[2][2], 1.0f);
  EXPECT_EQ(rows[0][2], 0.0f);
  const float zero[2] = {0, 0}, diagonal[2] = {3, -4};
  float out[2] = {9, 9};
  Normalize2D(zero, out);
  EXPECT_EQ(out[0], 0.0f);
  EXPECT_EQ(out[1], 0.0f);
  Normalize2D(diagonal, out);
  EXPECT_FLOAT_EQ(out[0], 0.6f);
  EXPECT_FLOAT_EQ(out[1], -0.8f);
}

}  // namespace
