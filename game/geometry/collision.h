// Collision records and tests of the field objects, all in float.
#ifndef PELLACOR_GAME_GEOMETRY_COLLISION_H
#define PELLACOR_GAME_GEOMETRY_COLLISION_H

#include <stdint.h>

#include "velvane.h"

// A box with its own axes: e_i = axes[i] x halfSizes[i].
struct OrientedBox {
  Vector3 centre;
  float halfSizes[3];
  float axes[3][3];
};

struct Sphere {
  Vector3 centre;
  float radius;
};

// A segment of the field plane from start to start + direction; an invalid
// one meets nothing.
struct Segment2D {
  float startX, startY;
  float dirX, dirY;
  uint8_t valid;
};

// Axis-aligned box of the given half sizes.
OrientedBox MakeAxisBox(const Vector3 &centre, const Vector3 &halfSizes);
// Box turned by angle radians about z.
OrientedBox MakeTurnedBox(const Vector3 &centre, const Vector3 &halfSizes, float angle);

// Strict overlap of the boxes' axis-aligned extents (touching faces do not).
bool BoxesOverlap(const OrientedBox &a, const OrientedBox &b);
// Separating-axis test over the 15 candidate axes; true when none separates.
bool OrientedBoxesOverlap(const OrientedBox &a, const OrientedBox &b);
// |axis . e1| + |axis . e2| (+ |axis . e3| when e3 is given).
float ProjectedRadius(const float axis[3], const float e1[3], const float e2[3],
                      const float *e3);

// Crossing of two segments (ends included within 1e-5). t along a is written
// whenever the lines meet, also when the crossing lies outside.
bool IntersectSegments(const Segment2D &a, const Segment2D &b, float *t, float point[2]);
bool IntersectSegmentsAt(const Segment2D &a, const Segment2D &b, float point[2]);
// Mirrors the move at the wall's line through (px, py): the part after the hit
// turned into the mirrored direction, and the whole mirrored move. False, with
// nothing written, when the hit point is the move's start.
bool ReflectMove(const Segment2D &move, const Segment2D &wall, float px, float py,
                 float remainder[2], float newMove[2]);

#endif
