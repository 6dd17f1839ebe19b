// The software renderer's one polygon primitive: an affine triangle drawn
// into a MEMIMG, textured from a source MEMIMG or in one flat colour, under
// the blend mode, blend parameter, draw brightness and clip rectangle of
// g_drawSettings (the clip rectangle cut to the destination's bounds).
#ifndef VELVANE_SOFTRENDER_TRIANGLE_H
#define VELVANE_SOFTRENDER_TRIANGLE_H

#include "softrender/image/memimg.h"

enum {
  TRIANGLE_CORNER_INTS = 12,  // three corners of x, y, u, v
  TRIANGLE_COORD_MIN = -8192,  // corner values outside these draw nothing
  TRIANGLE_COORD_MAX = 8191
};

// Draws the triangle whose corners are x, y (destination pixels) and u, v
// (source texels) in any order and winding. With a source its texels are
// taken at the nearest position below, without filtering or wrapping;
// without one (source null) every pixel gets flatColour, a raw pixel of the
// destination's format. transparencyFlag skips keyed or alpha-0 texels;
// blendMask (null for none) is one byte per pixel, read at the texel's
// position, and must cover the source. Draws nothing for images it cannot
// draw, collinear corners or values outside TRIANGLE_COORD_MIN..MAX.
void MemImgDrawTriangle(MEMIMG *dest, const MEMIMG *source,
                        const int corners[TRIANGLE_CORNER_INTS], int transparencyFlag,
                        const MEMIMG *blendMask, int flatColour);

#endif  // VELVANE_SOFTRENDER_TRIANGLE_H
