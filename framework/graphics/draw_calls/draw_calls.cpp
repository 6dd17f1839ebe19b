// The public draw calls. Each runs the same steps (nothing to draw while
// the settings reset or the clip is empty, the handle and the blend graph
// checked, the wait while inactive, a movie frame refreshed) and then takes
// the hardware path of a device graph or the software helper of a MEMIMG
// graph. Subtraction on a device without the blend operation is emulated
// around the draw: the destination is inverted, the graph added, and the
// destination inverted back.
#include <math.h>
#include <stddef.h>

#include "core/app/framework_lifecycle.h"
#include "core/base/core_state.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_target.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/draw_calls/draw_support.h"
#include "graphics/graphs/graph_create.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/graphs/graph_records.h"
#include "sound/core/sound_services.h"
#include "velvane.h"

namespace {

const int kRotatedBoundsMargin = 5;

// Steps 2 to 6: 1 to draw, 0 when nothing is to be drawn, -1 refused.
int CheckDraw(int handle, GraphRecord **out) {
  const DrawSettings &s = g_drawSettings;
  if (s.resetting || s.drawSuppressed) return 0;
  GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  if (s.blendGraph != -1) {
    const GraphRecord *blend = GetGraphRecord(s.blendGraph);
    if (!blend || blend->width < graph->width || blend->height < graph->height) return -1;
  }
  WaitWhileInactive();
  if (graph->movieHandle != -1) RefreshMovieFrame(graph->movieHandle, 0);
  *out = graph;
  return 1;
}

bool IsDeviceGraph(const GraphRecord *graph) { return graph->image && graph->image->hardware; }

bool NeedsSubtractEmulation(const GraphRecord *graph) {
  return IsDeviceGraph(graph) && g_drawSettings.blendMode == DRAW_BLEND_SUB &&
         !g_d3d.blendOpSupported;
}

// One half of the emulation: a white box subtracted over the rectangle,
// then the mode the draw (5) or the caller (3) continues with.
void SubtractEmulationStep(const Rect &r, int nextMode) {
  DrawSettings &s = g_drawSettings;
  const int parameter = s.blendParam;
  const uint32_t brightness = s.drawBrightness;
  SetDrawBrightness(255, 255, 255);
  SetBlendModeAndParam(DRAW_BLEND_SUB, 255);
  DrawFilledBox(r.left, r.top, r.right, r.bottom, static_cast<int>(PackDrawColor(255, 255, 255)));
  SetDrawBrightnessColor(static_cast<int>(brightness));
  SetBlendModeAndParam(nextMode, parameter);
}

// Steps 5, 7 to 9 for a device graph; bounds is asked only when needed.
template <class Bounds, class Draw>
int DrawOnDevice(const GraphRecord *graph, Bounds bounds, Draw draw) {
  if (!NeedsSubtractEmulation(graph)) return draw();
  const Rect area = bounds();
  SubtractEmulationStep(area, 5);
  const int result = draw();
  SubtractEmulationStep(area, DRAW_BLEND_SUB);
  return result;
}

Rect OrderedRect(float x1, float y1, float x2, float y2) {
  const float left = x1 < x2 ? x1 : x2, right = x1 < x2 ? x2 : x1;
  const float top = y1 < y2 ? y1 : y2, bottom = y1 < y2 ? y2 : y1;
  return Rect{static_cast<int>(floorf(left)), static_cast<int>(floorf(top)),
              static_cast<int>(ceilf(right)), static_cast<int>(ceilf(bottom))};
}

Rect CornerBounds(const PointF *c, int n) {
  float left = c[0].x, top = c[0].y, right = c[0].x, bottom = c[0].y;
  for (int k = 1; k < n; k++) {
    left = fminf(left, c[k].x);
    top = fminf(top, c[k].y);
    right = fmaxf(right, c[k].x);
    bottom = fmaxf(bottom, c[k].y);
  }
  return OrderedRect(left, top, right, bottom);
}

Rect RotatedBounds(const GraphRecord *graph, float cx, float cy, double scale, double angle) {
  const double hw = graph->width * scale / 2, hh = graph->height * scale / 2;
  const double c = cos(angle), s = sin(angle);
  const double xs[4] = {-hw, hw, -hw, hw}, ys[4] = {-hh, -hh, hh, hh};
  PointF corners[4];
  for (int k = 0; k < 4; k++) {
    corners[k] = PointF{static_cast<float>(cx + xs[k] * c - ys[k] * s),
                        static_cast<float>(cy + xs[k] * s + ys[k] * c)};
  }
  Rect r = CornerBounds(corners, 4);
  r.left -= kRotatedBoundsMargin;
  r.top -= kRotatedBoundsMargin;
  r.right += kRotatedBoundsMargin;
  r.bottom += kRotatedBoundsMargin;
  return r;
}

bool AllUsable(const float *values, int n) {
  for (int i = 0; i < n; i++) {
    if (!FitsInt(values[i])) return false;
  }
  return true;
}

}  // namespace

int DrawGraphAt(int x, int y, int handle, int transparent) {
  if (!IsFrameworkInitialised()) return -1;
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  if (!IsDeviceGraph(graph)) return SoftwareDrawGraph(graph, x, y, transparent);
  return DrawOnDevice(
      graph, [&] { return Rect{x, y, x + graph->width, y + graph->height}; },
      [&] {
        return HardwareDrawGraph(graph, x, y, static_cast<float>(x), static_cast<float>(y),
                                 transparent, 1);
      });
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int handle, int transparent) {
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  if (!IsDeviceGraph(graph)) {
    const Rect rect = {x1, y1, x2, y2};
    return SoftwareDrawGraphStretched(graph, &rect, transparent);
  }
  const float f[4] = {static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                      static_cast<float>(y2)};
  return DrawOnDevice(
      graph, [&] { return OrderedRect(f[0], f[1], f[2], f[3]); },
      [&] {
        return HardwareDrawGraphStretched(x1, y1, x2, y2, f[0], f[1], f[2], f[3], graph,
                                          transparent, 1);
      });
}

int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int handle, int transparent) {
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  const float f[4] = {x1, y1, x2, y2};
  if (!IsDeviceGraph(graph)) {
    if (!AllUsable(f, 4)) return 0;
    const Rect rect = {static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                       static_cast<int>(y2)};
    return SoftwareDrawGraphStretched(graph, &rect, transparent);
  }
  if (!AllUsable(f, 4)) return -1;
  return DrawOnDevice(
      graph, [&] { return OrderedRect(x1, y1, x2, y2); },
      [&] {
        return HardwareDrawGraphStretched(static_cast<int>(x1), static_cast<int>(y1),
                                          static_cast<int>(x2), static_cast<int>(y2), x1, y1, x2,
                                          y2, graph, transparent, 1);
      });
}

int DrawGraphTurned(int x, int y, int handle, int transparent) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  return DrawGraphStretched(x + graph->width, y, x, y + graph->height, handle, transparent);
}

int DrawGraphRotatedF(float cx, float cy, double scale, double angle, int handle, int transparent,
                      int turn) {
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  if (!IsDeviceGraph(graph)) {
    return SoftwareDrawGraphRotated(graph, cx, cy, scale, angle, turn, transparent);
  }
  return DrawOnDevice(
      graph, [&] { return RotatedBounds(graph, cx, cy, scale, angle); },
      [&] { return HardwareDrawGraphRotated(graph, cx, cy, scale, angle, transparent, turn); });
}

int DrawGraphRotated(int cx, int cy, double scale, double angle, int handle, int transparent,
                     int turn) {
  return DrawGraphRotatedF(static_cast<float>(cx), static_cast<float>(cy), scale, angle, handle,
                           transparent, turn);
}

int DrawRectGraph(int x, int y, int srcX, int srcY, int width, int height, int handle,
                  int transparent, int turn) {
  const GraphRecord *graph = GetGraphRecord(handle);
  if (!graph) return -1;
  const Rect part = {x, y, x + width, y + height};
  if (!turn) {
    // The plain draw cuts its quads to the clip itself: narrowing the
    // settings is enough, and a run of part draws (sprite sheets, text)
    // stays one batch. The wait for the window comes first: what runs
    // inside it (a device rebuild, a window move) sets the clip again from
    // the settings, and must find the whole clip there, not the part's.
    WaitWhileInactive();
    const SavedDrawClip saved = NarrowCutDrawClip(part);
    const int result = DrawGraphAt(x - srcX, y - srcY, handle, transparent);
    RestoreCutDrawClip(saved);
    return result;
  }
  const SavedDrawClip saved = NarrowDrawClip(part);
  const int result = DrawGraphTurned(x + srcX + width - graph->width, y - srcY, handle, transparent);
  RestoreDrawClip(saved);
  return result;
}

int DrawRectGraphStretchedF(float x1, float y1, float x2, float y2, int srcX, int srcY,
                            int width, int height, int handle, int transparent) {
  if (g_drawSettings.resetting) return 0;
  // The part is drawn through a graph of its own for the one draw.
  const int part = CreateSubGraph(srcX, srcY, width, height, handle);
  if (part < 0) return -1;
  DrawGraphStretchedF(x1, y1, x2, y2, part, transparent);
  DeleteGraphHandle(part);
  return 0;
}

int DrawGraphQuadF(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                   int handle, int transparent) {
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  // Clockwise from the top-left in, top-left, top-right, bottom-left,
  // bottom-right for both paths.
  const PointF corners[QUAD_CORNERS] = {{x1, y1}, {x2, y2}, {x4, y4}, {x3, y3}};
  if (!IsDeviceGraph(graph)) return SoftwareDrawGraphQuadF(graph, corners, transparent);
  const float f[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
  if (!AllUsable(f, 8)) return -1;
  auto bounds = [&] {
    Rect r = CornerBounds(corners, QUAD_CORNERS);
    if (r.right < 0) r.right = 0;
    if (r.bottom < 0) r.bottom = 0;
    return r;
  };
  if (g_drawSettings.blendGraph == -1) {
    return DrawOnDevice(graph, bounds,
                        [&] { return HardwareDrawGraphQuadF(graph, corners, transparent); });
  }
  int ints[8];
  for (int k = 0; k < QUAD_CORNERS; k++) {
    ints[2 * k] = static_cast<int>(corners[k].x);
    ints[2 * k + 1] = static_cast<int>(corners[k].y);
  }
  return DrawOnDevice(graph, bounds,
                      [&] { return HardwareDrawGraphQuad(graph, ints, transparent); });
}

int DrawGraphBillboard(Vector3 position, float centreX, float centreY, float size, float angle,
                       int handle, int transparent, int turn) {
  if (!IsFrameworkInitialised()) return -1;
  GraphRecord *graph = NULL;
  const int check = CheckDraw(handle, &graph);
  if (check <= 0) return check;
  // The software renderer has no 3-D: a billboard draws nothing there.
  if (!IsDeviceGraph(graph)) return 0;
  auto draw = [&](int mode, Rect *out) {
    return HardwareDrawGraphBillboard(0, position.x, position.y, position.z, centreX, centreY,
                                      size, angle, graph, transparent, turn, mode, out);
  };
  return DrawOnDevice(
      graph,
      [&] {
        Rect r = {0, 0, 0, 0};
        draw(BILLBOARD_MEASURE, &r);
        return r;
      },
      [&] { return draw(BILLBOARD_DRAW, NULL); });
}
