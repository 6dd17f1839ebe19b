// The quad draw: a bounding-box test against the draw area, then the two
// textured triangles that share the diagonal from point 1 to point 2.
#include "softrender/blit/quad_blit.h"

#include <stdint.h>
#include <string.h>

#include "graphics/draw/draw_settings.h"
#include "softrender/triangle/triangle.h"
#include "velvane.h"

namespace {

int ClampToInt(int64_t v) {
  return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : (int)v);
}

// The points' bounding box with its uneven margin, in 64-bit so that points
// near the int limits cannot wrap, clipped to the draw area.
bool BoxMeetsDrawArea(const int points[QUAD_POINT_INTS]) {
  int64_t minX = points[0], maxX = points[0], minY = points[1], maxY = points[1];
  for (int i = 1; i < 4; ++i) {
    const int64_t x = points[2 * i], y = points[2 * i + 1];
    if (x < minX) minX = x;
    if (x > maxX) maxX = x;
    if (y < minY) minY = y;
    if (y > maxY) maxY = y;
  }
  Rect box = {ClampToInt(minX - 2), ClampToInt(minY - 2), ClampToInt(maxX + 4),
              ClampToInt(maxY + 4)};
  ClipRectangle(&box, &g_drawSettings.clipRect);
  return box.left != box.right && box.top != box.bottom;
}

}  // namespace

void MemImgDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[QUAD_POINT_INTS],
                    int transparent, const MEMIMG *blendMask) {
  if (!dest || !source || !points) return;
  int p[QUAD_POINT_INTS];
  memcpy(p, points, sizeof p);
  if (!BoxMeetsDrawArea(p)) return;
  const int w = source->width, h = source->height;
  const int first[TRIANGLE_CORNER_INTS] = {p[0], p[1], 0, 0, p[2], p[3], w, 0, p[4], p[5], 0, h};
  const int second[TRIANGLE_CORNER_INTS] = {p[2], p[3], w, 0, p[4], p[5], 0, h, p[6], p[7], w, h};
  MemImgDrawTriangle(dest, source, first, transparent, blendMask, 0);
  MemImgDrawTriangle(dest, source, second, transparent, blendMask, 0);
}
