#include "game/geometry/collision.h"

#include <cmath>

#include "game/field_maths.h"

namespace {

float Dot3(const float a[3], const float b[3]) {
  const float sum = a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  return sum;
}

void HalfExtent(const OrientedBox &box, int i, float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = box.axes[i][k] * box.halfSizes[i];
}

float Length3(const float v[3]) {
  return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// True when the axis separates the boxes (equality does not).
bool Separates(const float axis[3], const float offset[3], float radiusA, float radiusB) {
  const float distance = fabsf(Dot3(axis, offset));
  const float reach = radiusA + radiusB;
  return distance > reach;
}

}  // namespace

OrientedBox MakeAxisBox(const Vector3 &centre, const Vector3 &halfSizes) {
  return MakeTurnedBox(centre, halfSizes, 0.0f);
}

OrientedBox MakeTurnedBox(const Vector3 &centre, const Vector3 &halfSizes, float angle) {
  OrientedBox box;
  box.centre = centre;
  box.halfSizes[0] = halfSizes.x;
  box.halfSizes[1] = halfSizes.y;
  box.halfSizes[2] = halfSizes.z;
  MakeZTurnRows(angle, box.axes);
  return box;
}

bool BoxesOverlap(const OrientedBox &a, const OrientedBox &b) {
  const float ac[3] = {a.centre.x, a.centre.y, a.centre.z};
  const float bc[3] = {b.centre.x, b.centre.y, b.centre.z};
  for (int k = 0; k < 3; ++k) {
    const float aHigh = ac[k] + a.halfSizes[k];
    const float bLow = bc[k] - b.halfSizes[k];
    if (!(aHigh > bLow)) return false;
    const float aLow = ac[k] - a.halfSizes[k];
    const float bHigh = bc[k] + b.halfSizes[k];
    if (!(aLow < bHigh)) return false;
  }
  return true;
}

float ProjectedRadius(const float axis[3], const float e1[3], const float e2[3],
                      const float *e3) {
  const float first = fabsf(Dot3(axis, e1));
  const float second = fabsf(Dot3(axis, e2));
  const float third = e3 ? fabsf(Dot3(axis, e3)) : 0.0f;
  const float firstTwo = first + second;
  return firstTwo + third;
}

bool OrientedBoxesOverlap(const OrientedBox &a, const OrientedBox &b) {
  const float offset[3] = {a.centre.x - b.centre.x, a.centre.y - b.centre.y,
                           a.centre.z - b.centre.z};
  float ea[3][3], eb[3][3];
  for (int i = 0; i < 3; ++i) {
    HalfExtent(a, i, ea[i]);
    HalfExtent(b, i, eb[i]);
  }
  // The face axes first: they separate most often and cost least.
  for (int i = 0; i < 3; ++i) {
    const float *axis = a.axes[i];
    if (Separates(axis, offset, Length3(ea[i]), ProjectedRadius(axis, eb[0], eb[1], eb[2])))
      return false;
  }
  for (int j = 0; j < 3; ++j) {
    const float *axis = b.axes[j];
    if (Separates(axis, offset, ProjectedRadius(axis, ea[0], ea[1], ea[2]), Length3(eb[j])))
      return false;
  }
  for (int i = 0; i < 3; ++i) {
    const float *u = a.axes[i];
    for (int j = 0; j < 3; ++j) {
      const float *v = b.axes[j];
      const float axis[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
      const float radiusA = ProjectedRadius(axis, ea[(i + 1) % 3], ea[(i + 2) % 3], nullptr);
      const float radiusB = ProjectedRadius(axis, eb[(j + 1) % 3], eb[(j + 2) % 3], nullptr);
      if (Separates(axis, offset, radiusA, radiusB)) return false;
    }
  }
  return true;
}

bool IntersectSegments(const Segment2D &a, const Segment2D &b, float *t, float point[2]) {
  if (!a.valid || !b.valid) return false;
  const float det = a.dirX * b.dirY - a.dirY * b.dirX;
  if (det == 0.0f) return false;
  const float rx = b.startX - a.startX;
  const float ry = b.startY - a.startY;
  const float alongA = (rx * b.dirY - ry * b.dirX) / det;
  const float alongB = (rx * a.dirY - ry * a.dirX) / det;
  if (t) *t = alongA;
  const float eps = 0.00001f;
  if (alongA + eps < 0.0f || alongA - eps > 1.0f) return false;
  if (alongB + eps < 0.0f || alongB - eps > 1.0f) return false;
  if (point) {
    point[0] = a.startX + alongA * a.dirX;
    point[1] = a.startY + alongA * a.dirY;
  }
  return true;
}

bool IntersectSegmentsAt(const Segment2D &a, const Segment2D &b, float point[2]) {
  return IntersectSegments(a, b, nullptr, point);
}

bool ReflectMove(const Segment2D &move, const Segment2D &wall, float px, float py,
                 float remainder[2], float newMove[2]) {
  const float before[2] = {px - move.startX, py - move.startY};
  const float after[2] = {move.startX + move.dirX - px, move.startY + move.dirY - py};
  const float wallNormal[2] = {wall.dirY, -wall.dirX};
  float n[2];
  Normalize2D(wallNormal, n);
  const float d = -before[0] * n[0] + -before[1] * n[1];
  const float mirrored[2] = {before[0] + 2.0f * d * n[0], before[1] + 2.0f * d * n[1]};
  const float lengthAfter = sqrtf(after[0] * after[0] + after[1] * after[1]);
  const float lengthMirrored = sqrtf(mirrored[0] * mirrored[0] + mirrored[1] * mirrored[1]);
  if (lengthMirrored == 0.0f) return false;
  for (int k = 0; k < 2; ++k) {
    remainder[k] = mirrored[k] * lengthAfter / lengthMirrored;
    newMove[k] = mirrored[k] + remainder[k];
  }
  return true;
}
