// A model of the software triangle written from its drawing rules in a
// form of its own: each row's edge positions in closed form (segment start
// plus rows times step, in 64-bit), the texture coordinate of every pixel
// evaluated from the affine plane, and the per-pixel colour rules of every
// blend mode spelled out channel by channel in 64-bit with real divisions
// (the saturating add and the clamped subtract from what they give per
// channel, not from the packed forms the draw uses). It lists
// the pixel visits in drawing order, so a row the walk draws twice is
// applied twice.
//
// Free of GoogleTest: the fuzz target uses it too.
#ifndef VELVANE_TESTS_SOFTRENDER_TRIANGLE_REFERENCE_H
#define VELVANE_TESTS_SOFTRENDER_TRIANGLE_REFERENCE_H

#include <stdint.h>

#include <vector>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/memimg.h"
#include "velvane.h"

// One pixel the walk reaches inside the clip rectangle; texelX and texelY
// are -1 where a textured triangle's coordinate fails the texture-bounds
// test (and for flat triangles).
struct RefTriangleVisit {
  int x, y;
  int texelX, texelY;
};

// The pixel visits of a triangle in drawing order: corners as given to the
// draw (x, y, u, v three times), textured with a sourceWidth x sourceHeight
// source or flat, clipped to clip (already cut to the destination). Empty
// when a corner value is out of range or the corners are collinear.
std::vector<RefTriangleVisit> RefTriangleVisits(const int corners[12], bool textured,
                                                int sourceWidth, int sourceHeight,
                                                const Rect &clip);

// The four texture gradients (u per column, u per row, v per column, v per
// row) and the reference corner's index; false for collinear corners.
bool RefTriangleGradients(const int corners[12], int64_t gradients[4], int *referenceCorner);

// True when the call draws nothing at all as a whole (images, formats,
// mode, parameter, mask), before looking at the corners.
bool RefTriangleRefused(const MEMIMG *dest, const MEMIMG *source, const MEMIMG *mask,
                        const DrawSettings &settings);

// Draws the triangle as the model predicts into dest (its pixels: a copy
// the caller compares with the real draw).
void RefDrawTriangle(MEMIMG *dest, const MEMIMG *source, const int corners[12],
                     int transparencyFlag, const MEMIMG *mask, int flatColour,
                     const DrawSettings &settings);

// The quad draw as two modelled triangles after the bounding-box test.
void RefDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[8], int transparencyFlag,
                 const MEMIMG *mask, const DrawSettings &settings);

#endif  // VELVANE_TESTS_SOFTRENDER_TRIANGLE_REFERENCE_H
