// The quad draw's entry point. The two textured triangles that will fill
// the quad come with the triangle rasteriser; the observer is told first so
// that callers' corner arithmetic can be checked on its own.
#include "softrender/blit/quad_blit.h"

#include <string.h>

namespace {

struct QuadBlitState {
  QuadDrawObserver observer;
  void *observerContext;
};

QuadBlitState g_quad;

}  // namespace

void SetQuadDrawObserver(QuadDrawObserver observer, void *context) {
  g_quad.observer = observer;
  g_quad.observerContext = observer ? context : nullptr;
}

void MemImgDrawQuad(MEMIMG *dest, const MEMIMG *source, const int points[QUAD_POINT_INTS],
                    int transparent, const MEMIMG *blendMask) {
  if (g_quad.observer == nullptr || points == nullptr) return;
  QuadDrawCall call;
  call.dest = dest;
  call.source = source;
  memcpy(call.points, points, sizeof(call.points));
  call.transparent = transparent;
  call.blendMask = blendMask;
  g_quad.observer(&call, g_quad.observerContext);
}
