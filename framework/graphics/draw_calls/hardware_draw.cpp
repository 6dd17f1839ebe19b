// The hardware paths of the flat draws: at a point, stretched and rotated.
// Each texture piece of the graph becomes one quad of the batch; a quad
// hanging over the clip rectangle is cut there with its texture
// coordinates moved along, so the visible part keeps its texel mapping.
#include <math.h>
#include <stddef.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/draw_calls/piece_quads.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

enum { BILINEAR_FILTER = 1 };

const float kHalfPixel = 0.5f;
const double kWholeCentreFraction = 0.00001;
const double kSnapWindow = 0.0698;  // 4 degrees
const double kQuarterTurn = 1.5707963267948966;
const float kSnapNeighbour = 0.01f;
const float kSnapFractionLow = 0.001f;
const float kSnapFractionHigh = 0.999f;
// Past this a coordinate is no screen position any more.
const double kCoordinateLimit = 1.0e7;

// One axis of an axis-parallel quad: the two screen ends, their texture and
// blend-image coordinates, and how much each moves per screen pixel.
struct AxisSpan {
  float p0, p1;
  float t0, t1;
  float b0, b1;
  float texturePerPixel;
  float blendPerPixel;
};

float Clamp(float value, float low, float high) {
  return value < low ? low : value > high ? high : value;
}

// Cuts the span to [low, high]; false when nothing is left.
bool ClampSpan(AxisSpan *span, float low, float high) {
  const float c0 = Clamp(span->p0, low, high), c1 = Clamp(span->p1, low, high);
  if (c0 == c1) return false;
  span->t0 += (c0 - span->p0) * span->texturePerPixel;
  span->t1 += (c1 - span->p1) * span->texturePerPixel;
  span->b0 += (c0 - span->p0) * span->blendPerPixel;
  span->b1 += (c1 - span->p1) * span->blendPerPixel;
  span->p0 = c0;
  span->p1 = c1;
  return true;
}

void MakeQuad(const AxisSpan &x, const AxisSpan &y, QuadVertex quad[QUAD_CORNERS]) {
  quad[QUAD_TL] = QuadVertex{x.p0, y.p0, x.t0, y.t0, x.b0, y.b0};
  quad[QUAD_TR] = QuadVertex{x.p1, y.p0, x.t1, y.t0, x.b1, y.b0};
  quad[QUAD_BL] = QuadVertex{x.p0, y.p1, x.t0, y.t1, x.b0, y.b1};
  quad[QUAD_BR] = QuadVertex{x.p1, y.p1, x.t1, y.t1, x.b1, y.b1};
}

// The graph placed with its top-left corner at (originX, originY) and each
// graph pixel scaleX x scaleY screen pixels; clipped unless inside.
void QueueAxisParallelGraph(const GraphRecord *graph, float originX, float originY, float scaleX,
                            float scaleY, bool inside) {
  const DrawSettings &s = g_drawSettings;
  const VertexBatch &batch = g_vertexBatch;
  for (int i = 0; i < graph->pieceCount; i++) {
    const GraphPiece &piece = graph->pieces[i];
    const GraphPieceCorner &tl = piece.corners[QUAD_TL];
    const GraphPieceCorner &br = piece.corners[QUAD_BR];
    const float textureWidth = piece.entry ? static_cast<float>(piece.entry->textureWidth) : 1.0f;
    const float textureHeight =
        piece.entry ? static_cast<float>(piece.entry->textureHeight) : 1.0f;
    AxisSpan x = {originX + tl.x * scaleX, originX + br.x * scaleX, tl.u, br.u,
                  tl.x * batch.blendWidthInverse, br.x * batch.blendWidthInverse,
                  1.0f / (textureWidth * scaleX), batch.blendWidthInverse / scaleX};
    AxisSpan y = {originY + tl.y * scaleY, originY + br.y * scaleY, tl.v, br.v,
                  tl.y * batch.blendHeightInverse, br.y * batch.blendHeightInverse,
                  1.0f / (textureHeight * scaleY), batch.blendHeightInverse / scaleY};
    if (!inside && (!ClampSpan(&x, s.clipRectF[0], s.clipRectF[2]) ||
                    !ClampSpan(&y, s.clipRectF[1], s.clipRectF[3]))) {
      continue;
    }
    QuadVertex quad[QUAD_CORNERS];
    MakeQuad(x, y, quad);
    QueuePieceQuad(piece, quad);
  }
}

bool Outside(float left, float top, float right, float bottom) {
  const float *clip = g_drawSettings.clipRectF;
  return right <= clip[0] || bottom <= clip[1] || left >= clip[2] || top >= clip[3];
}

bool Inside(float left, float top, float right, float bottom) {
  const float *clip = g_drawSettings.clipRectF;
  return left >= clip[0] && top >= clip[1] && right <= clip[2] && bottom <= clip[3];
}

float Fraction(double value) { return static_cast<float>(value - floor(value)); }

// Half sizes and centre of a rotated draw after the pixel-centre rule.
struct RotatedFrame {
  float centreX, centreY;
  float halfWidth, halfHeight;
  bool wholeCentre;
};

RotatedFrame PixelCentreRule(int width, int height, float cx, float cy, double scale) {
  RotatedFrame f = {cx, cy, width / 2.0f, height / 2.0f, false};
  f.wholeCentre = Fraction(cx) < kWholeCentreFraction && Fraction(cy) < kWholeCentreFraction;
  if (!f.wholeCentre) return f;
  const bool oddW = (width & 1) != 0, oddH = (height & 1) != 0;
  if (scale != 1.0 || (!oddW && !oddH)) {
    f.centreX -= kHalfPixel;
    f.centreY -= kHalfPixel;
  } else if (oddW != oddH) {
    // One side odd: the odd side is centred on the pixel, the even side
    // starts half a pixel earlier.
    if (!oddW) f.halfWidth -= kHalfPixel;
    if (!oddH) f.halfHeight -= kHalfPixel;
  }
  return f;
}

// Whether the axis's snap test runs at all.
bool SnapTested(const RotatedFrame &f, bool oddSide, bool bothEven, double angle) {
  if (angle == 0.0 || bothEven) return false;
  if (!f.wholeCentre) return true;
  return oddSide && RotatedAngleInSnapWindow(angle);
}

struct PieceCorners {
  float x[QUAD_CORNERS], y[QUAD_CORNERS];
};

PieceCorners RotatedPieceCorners(const GraphPiece &piece, const RotatedFrame &f, float scaleX,
                                 float scaleY, double angle) {
  PieceCorners out;
  const double c = cos(angle), s = sin(angle);
  for (int k = 0; k < QUAD_CORNERS; k++) {
    const double lx = (piece.corners[k].x - f.halfWidth) * scaleX;
    const double ly = (piece.corners[k].y - f.halfHeight) * scaleY;
    if (angle == 0.0) {
      out.x[k] = static_cast<float>(f.centreX + lx);
      out.y[k] = static_cast<float>(f.centreY + ly);
    } else {
      out.x[k] = static_cast<float>(f.centreX + (lx * c - ly * s));
      out.y[k] = static_cast<float>(f.centreY + (lx * s + ly * c));
    }
  }
  return out;
}

}  // namespace

int IsUsableFloat(double value) { return isfinite(value) && fabs(value) < kCoordinateLimit; }

int GraphDrawFlags(int transparent, int keepAlphaTest) {
  return (transparent ? DRAW_FLAG_TRANSPARENT : 0) | (keepAlphaTest ? DRAW_FLAG_KEEP_ALPHA_TEST : 0);
}

int RotatedCornerSnaps(float value, float neighbour) {
  if (fabsf(value - neighbour) >= kSnapNeighbour) return 0;
  const float fraction = Fraction(value);
  return fraction < kSnapFractionLow || fraction > kSnapFractionHigh;
}

int RotatedAngleInSnapWindow(double angle) {
  if (angle < -kSnapWindow || angle > 4 * kQuarterTurn + kSnapWindow) return 1;
  for (int k = 0; k <= 4; k++) {
    if (fabs(angle - k * kQuarterTurn) <= kSnapWindow) return 1;
  }
  return 0;
}

int HardwareDrawGraph(const GraphRecord *graph, int x, int y, float fx, float fy, int transparent,
                      int keepAlphaTest) {
  if (!StateDevice()) return -1;
  const Rect &clip = g_drawSettings.clipRect;
  const float left = fx - kHalfPixel, top = fy - kHalfPixel;
  if (Outside(fx, fy, fx + graph->width, fy + graph->height)) return 0;
  const bool inside = x >= clip.left && y >= clip.top && x + graph->width <= clip.right &&
                      y + graph->height <= clip.bottom;
  OpenGraphDraw(graph, GraphDrawFlags(transparent, keepAlphaTest));
  QueueAxisParallelGraph(graph, left, top, 1.0f, 1.0f, inside);
  return 0;
}

int HardwareDrawGraphStretched(int x1, int y1, int x2, int y2, float fx1, float fy1, float fx2,
                               float fy2, const GraphRecord *graph, int transparent,
                               int filterSensitive) {
  (void)x1;
  (void)y1;
  (void)x2;
  (void)y2;
  if (!StateDevice()) return -1;
  if (!IsUsableFloat(fx1) || !IsUsableFloat(fy1) || !IsUsableFloat(fx2) || !IsUsableFloat(fy2) ||
      fx1 == fx2 || fy1 == fy2 || graph->width <= 0 || graph->height <= 0) {
    return -1;
  }
  const float left = fx1 < fx2 ? fx1 : fx2, right = fx1 < fx2 ? fx2 : fx1;
  const float top = fy1 < fy2 ? fy1 : fy2, bottom = fy1 < fy2 ? fy2 : fy1;
  if (Outside(left, top, right, bottom)) return 0;
  const int keep = filterSensitive && g_drawSettings.filterMode != BILINEAR_FILTER;
  OpenGraphDraw(graph, GraphDrawFlags(transparent, keep));
  const float scaleX = (fx2 - fx1) / graph->width, scaleY = (fy2 - fy1) / graph->height;
  QueueAxisParallelGraph(graph, fx1 - kHalfPixel, fy1 - kHalfPixel, scaleX, scaleY,
                         Inside(left, top, right, bottom));
  return 0;
}

int HardwareDrawGraphRotated(const GraphRecord *graph, float cx, float cy, double scale,
                             double angle, int transparent, int flip) {
  if (!StateDevice()) return -1;
  if (scale == 0.0 || !IsUsableFloat(scale) || !IsUsableFloat(angle) || !IsUsableFloat(cx) ||
      !IsUsableFloat(cy)) {
    return -1;
  }
  if (graph->pieceCount <= 0) return 0;
  OpenGraphDraw(graph, GraphDrawFlags(transparent, 0));
  const RotatedFrame frame = PixelCentreRule(graph->width, graph->height, cx, cy, scale);
  const float scaleX = static_cast<float>(flip ? -scale : scale);
  const float scaleY = static_cast<float>(scale);
  // One snap for the whole graph, decided on the first piece, so pieces
  // move together and their seams stay closed.
  const bool oddW = (graph->width & 1) != 0, oddH = (graph->height & 1) != 0;
  const bool bothEven = !oddW && !oddH;
  const PieceCorners first = RotatedPieceCorners(graph->pieces[0], frame, scaleX, scaleY, angle);
  float shiftX = 0.0f, shiftY = 0.0f;
  if (SnapTested(frame, oddW, bothEven, angle) &&
      (RotatedCornerSnaps(first.x[QUAD_TL], first.x[QUAD_TR]) ||
       RotatedCornerSnaps(first.x[QUAD_TL], first.x[QUAD_BL]))) {
    shiftX = -kHalfPixel;
  }
  if (SnapTested(frame, oddH, bothEven, angle) &&
      (RotatedCornerSnaps(first.y[QUAD_TL], first.y[QUAD_TR]) ||
       RotatedCornerSnaps(first.y[QUAD_TL], first.y[QUAD_BL]))) {
    shiftY = -kHalfPixel;
  }
  for (int i = 0; i < graph->pieceCount; i++) {
    const GraphPiece &piece = graph->pieces[i];
    const PieceCorners corners =
        i == 0 ? first : RotatedPieceCorners(piece, frame, scaleX, scaleY, angle);
    QuadVertex quad[QUAD_CORNERS];
    for (int k = 0; k < QUAD_CORNERS; k++) {
      quad[k].x = corners.x[k] + shiftX;
      quad[k].y = corners.y[k] + shiftY;
      quad[k].u = piece.corners[k].u;
      quad[k].v = piece.corners[k].v;
      SetBlendCoordinates(&quad[k], piece.corners[k].x, piece.corners[k].y);
    }
    QueuePieceQuad(piece, quad);
  }
  return 0;
}
