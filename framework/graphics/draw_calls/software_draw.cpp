// The software road of the draw calls: the graph's MEMIMG view handed to
// the software renderer's blits and triangles, which read blend mode,
// brightness and clip rectangle from the draw settings themselves.
#include <math.h>
#include <stddef.h>
#include <limits.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "softrender/softrender.h"
#include "softrender/triangle/triangle.h"

namespace {

const MEMIMG *BlendMask(void) { return g_drawSettings.blendMaskImage; }

void DrawTriangle(MEMIMG *target, const GraphRecord *graph, const int corners[12],
                  int transparent) {
  MemImgDrawTriangle(target, &graph->memImage, corners, transparent, BlendMask(), 0);
}

}  // namespace

int FitsInt(double value) { return isfinite(value) && value > INT_MIN && value < INT_MAX; }

MEMIMG *SoftwareDrawTargetImage(void) { return GetSoftwareDrawTargetImage(); }

int SoftwareDrawGraph(const GraphRecord *graph, int x, int y, int transparent) {
  MEMIMG *target = SoftwareDrawTargetImage();
  if (target) MemImgDrawImage(target, &graph->memImage, x, y, transparent, BlendMask());
  return 0;
}

int SoftwareDrawGraphStretched(const GraphRecord *graph, const Rect *rect, int transparent) {
  MEMIMG *target = SoftwareDrawTargetImage();
  if (target) MemImgDrawStretched(target, &graph->memImage, rect, transparent, BlendMask());
  return 0;
}

int SoftwareDrawGraphRotated(const GraphRecord *graph, double cx, double cy, double scale,
                             double angle, int turn, int transparent) {
  MEMIMG *target = SoftwareDrawTargetImage();
  if (!target || !FitsInt(cx) || !FitsInt(cy) || !isfinite(scale) || !isfinite(angle)) return 0;
  MemImgDrawRotated(target, &graph->memImage, static_cast<int>(cx), static_cast<int>(cy),
                    static_cast<float>(angle), static_cast<float>(scale), transparent, turn,
                    BlendMask());
  return 0;
}

int SoftwareDrawGraphQuad(const GraphRecord *graph, int x1, int y1, int x2, int y2, int x3, int y3,
                          int x4, int y4, int transparent) {
  MEMIMG *target = SoftwareDrawTargetImage();
  if (!target) return 0;
  const int w = graph->width, h = graph->height;
  // Split along the top-right to bottom-left diagonal.
  const int first[12] = {x1, y1, 0, 0, x2, y2, w, 0, x3, y3, 0, h};
  const int second[12] = {x4, y4, w, h, x3, y3, 0, h, x2, y2, w, 0};
  DrawTriangle(target, graph, first, transparent);
  DrawTriangle(target, graph, second, transparent);
  return 0;
}

int SoftwareDrawGraphQuadF(const GraphRecord *graph, const PointF c[QUAD_CORNERS],
                           int transparent) {
  for (int k = 0; k < QUAD_CORNERS; k++) {
    if (!FitsInt(c[k].x) || !FitsInt(c[k].y)) return 0;
  }
  return SoftwareDrawGraphQuad(graph, static_cast<int>(c[QUAD_TL].x), static_cast<int>(c[QUAD_TL].y),
                               static_cast<int>(c[QUAD_TR].x), static_cast<int>(c[QUAD_TR].y),
                               static_cast<int>(c[QUAD_BL].x), static_cast<int>(c[QUAD_BL].y),
                               static_cast<int>(c[QUAD_BR].x), static_cast<int>(c[QUAD_BR].y),
                               transparent);
}
