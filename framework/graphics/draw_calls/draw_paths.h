// The two roads a draw call takes once its checks are done: the hardware
// paths, which turn every texture piece of a graph into vertices of the
// batch, and the software helpers, which hand the graph's MEMIMG view to the
// software renderer's blits and triangles.
#ifndef VELVANE_GRAPHICS_DRAW_PATHS_H
#define VELVANE_GRAPHICS_DRAW_PATHS_H

#include <stdint.h>

#include "velvane.h"

struct GraphRecord;
struct GraphPiece;
struct MEMIMG;

// Corner order of every quad the paths handle.
enum { QUAD_TL = 0, QUAD_TR = 1, QUAD_BL = 2, QUAD_BR = 3, QUAD_CORNERS = 4 };

// Flag of HardwareDrawGraphBillboard: 1 queues, 0 only measures.
enum { BILLBOARD_MEASURE = 0, BILLBOARD_DRAW = 1 };

// Most indices one indexed grid draw takes.
enum { GRID_INDEX_LIMIT = 1000, QUAD_GRID_SIDE = 8 };

struct PointF {
  float x, y;
};

// Hardware paths: 0 when queued or nothing needed drawing, -1 without a
// device or for degenerate arguments (nothing queued then).
int HardwareDrawGraph(const GraphRecord *graph, int x, int y, float fx, float fy,
                      int transparent, int keepAlphaTest);
int HardwareDrawGraphStretched(int x1, int y1, int x2, int y2, float fx1, float fy1, float fx2,
                               float fy2, const GraphRecord *graph, int transparent,
                               int filterSensitive);
int HardwareDrawGraphRotated(const GraphRecord *graph, float cx, float cy, double scale,
                             double angle, int transparent, int flip);
// flags are PrepareDrawStates flags; turn mirrors the graph left to right.
// In measure mode (and always when rectOut is given) rectOut receives the
// screen rectangle the corners reach, widened by one pixel.
int HardwareDrawGraphBillboard(int flags, float px, float py, float pz, float centreX,
                               float centreY, float size, float angle, const GraphRecord *graph,
                               int transparent, int turn, int drawOrMeasure, Rect *rectOut);
// Integer corners top-left, top-right, bottom-left, bottom-right; the
// blend-graph road of the quad draw.
int HardwareDrawGraphQuad(const GraphRecord *graph, const int corners[8], int transparent);
// Float corners in the same order; any graph without a blend graph.
int HardwareDrawGraphQuadF(const GraphRecord *graph, const PointF corners[QUAD_CORNERS],
                           int transparent);
// A single-piece graph on a free quad (corners as above).
int HardwareDrawGraphQuadGrid(const PointF corners[QUAD_CORNERS], const GraphPiece *piece);
// The triangle-strip index lists of a columns x rows vertex grid drawn from
// vertices: 0 without a device, -1 when a side is below 2, else 0.
int BuildGridStripIndices(int columns, int rows, const void *vertices);
// The index list of rows first to last - 1 of strips (one strip per pair of
// rows, joined by repeated indices) into out; the count written.
int FillGridStripIndices(int columns, int firstRow, int lastRow, uint16_t *out);
// An untextured box of colour (a screen-format value) over the clip.
int DrawFilledBox(int x1, int y1, int x2, int y2, int color);

// The rotated snap decision: whether a first corner at value (x or y) with
// its axis neighbour at neighbour lies on a pixel edge.
int RotatedCornerSnaps(float value, float neighbour);
// Whether the angle (radians) lies in the windows where a whole-pixel
// centre with an odd side snaps.
int RotatedAngleInSnapWindow(double angle);

// Software helpers; all 0. Corners of the quad: top-left, top-right,
// bottom-left, bottom-right.
int SoftwareDrawGraph(const GraphRecord *graph, int x, int y, int transparent);
int SoftwareDrawGraphStretched(const GraphRecord *graph, const Rect *rect, int transparent);
int SoftwareDrawGraphRotated(const GraphRecord *graph, double cx, double cy, double scale,
                             double angle, int turn, int transparent);
int SoftwareDrawGraphQuad(const GraphRecord *graph, int x1, int y1, int x2, int y2, int x3, int y3,
                          int x4, int y4, int transparent);
int SoftwareDrawGraphQuadF(const GraphRecord *graph, const PointF corners[QUAD_CORNERS],
                           int transparent);
// The MEMIMG the software path draws into: the target graph's view or the
// screen; null when there is none.
MEMIMG *SoftwareDrawTargetImage(void);

// A float that the software path may truncate to int.
int FitsInt(double value);

#endif  // VELVANE_GRAPHICS_DRAW_PATHS_H
