// Drawing a whole image onto a free quadrilateral of another image. The
// rotated draw hands its mirrored corners here. Until the triangle
// rasteriser exists the quad draws nothing; an observer lets tests see
// exactly what each call was handed.
#ifndef VELVANE_SOFTRENDER_QUAD_BLIT_H
#define VELVANE_SOFTRENDER_QUAD_BLIT_H

#include "softrender/image/memimg.h"

enum { QUAD_POINT_INTS = 8 };

// Draws source onto the quadrilateral whose points x0, y0 .. x3, y3 receive
// the source's corners (0, 0), (width, 0), (0, height), (width, height),
// under the current draw settings; transparent as in the other image draws,
// blendMask may be null.
void MemImgDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[QUAD_POINT_INTS],
                    int transparent, const MEMIMG *blendMask);

// What one MemImgDrawQuad call received (the points copied at entry).
struct QuadDrawCall {
  MEMIMG *dest;
  const MEMIMG *source;
  int points[QUAD_POINT_INTS];
  int transparent;
  const MEMIMG *blendMask;
};

typedef void (*QuadDrawObserver)(const QuadDrawCall *call, void *context);

// Installs (or, with null, removes) the function told of every quad draw.
void SetQuadDrawObserver(QuadDrawObserver observer, void *context);

#endif  // VELVANE_SOFTRENDER_QUAD_BLIT_H
