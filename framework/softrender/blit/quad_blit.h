// Drawing a whole image onto a free quadrilateral of another image as two
// affine triangles. The rotated draw hands its mirrored corners here.
#ifndef VELVANE_SOFTRENDER_QUAD_BLIT_H
#define VELVANE_SOFTRENDER_QUAD_BLIT_H

#include "softrender/image/memimg.h"

enum { QUAD_POINT_INTS = 8 };

// Draws source onto the quadrilateral whose points x0, y0 .. x3, y3 receive
// the source's corners (0, 0), (width, 0), (0, height), (width, height),
// under the current draw settings: the triangles of points 0, 1, 2 and then
// 1, 2, 3, which both draw their shared edge. transparent as in the other
// image draws, blendMask may be null. Nothing is drawn when the points'
// bounding box (2 pixels wider before, 4 after) misses the clip rectangle.
void MemImgDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[QUAD_POINT_INTS],
                    int transparent, const MEMIMG *blendMask);

#endif  // VELVANE_SOFTRENDER_QUAD_BLIT_H
