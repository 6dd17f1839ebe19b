// The hardware paths of a graph mapped onto a free quadrilateral: pieces
// placed by bilinear interpolation over the quad, a parallelogram as one
// quad, and any other shape of a one-piece graph as a 7 x 7 cell grid drawn
// through indexed triangle strips, so the picture bends with the quad.
#include <stddef.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/draw_calls/piece_quads.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const float kHalfPixel = 0.5f;
const float kParallelogramTolerance = 1.0f;
const float kPullIn = 0.001f;
const float kNearZero = 0.000001f;
const float kNearOne = 0.99999f;
const int kGridCells = QUAD_GRID_SIDE - 1;

// Grid vertices, and the index list filled strip by strip.
struct QuadGridStore {
  Vertex2DTex vertices[QUAD_GRID_SIDE * QUAD_GRID_SIDE];
  uint16_t indices[GRID_INDEX_LIMIT];
};

QuadGridStore g_grid;

float Abs(float v) { return v < 0 ? -v : v; }

PointF Lerp(PointF a, PointF b, float t) { return PointF{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }

// The point at fractions (fx, fy) of the quad, bilinearly.
PointF QuadPoint(const PointF c[QUAD_CORNERS], float fx, float fy) {
  return Lerp(Lerp(c[QUAD_TL], c[QUAD_TR], fx), Lerp(c[QUAD_BL], c[QUAD_BR], fx), fy);
}

// Every piece's corners placed over the quad by their place in the graph.
void QueueInterpolatedPieces(const GraphRecord *graph, const PointF corners[QUAD_CORNERS],
                             float offset) {
  for (int i = 0; i < graph->pieceCount; i++) {
    const GraphPiece &piece = graph->pieces[i];
    QuadVertex quad[QUAD_CORNERS];
    for (int k = 0; k < QUAD_CORNERS; k++) {
      const GraphPieceCorner &c = piece.corners[k];
      const PointF p = QuadPoint(corners, c.x / graph->width, c.y / graph->height);
      quad[k] = QuadVertex{p.x + offset, p.y + offset, c.u, c.v, 0.0f, 0.0f};
      SetBlendCoordinates(&quad[k], c.x, c.y);
    }
    QueuePieceQuad(piece, quad);
  }
}

bool EdgesMatch(PointF a0, PointF a1, PointF b0, PointF b1) {
  return Abs((a1.x - a0.x) - (b1.x - b0.x)) <= kParallelogramTolerance &&
         Abs((a1.y - a0.y) - (b1.y - b0.y)) <= kParallelogramTolerance;
}

float Cross(PointF at, PointF a, PointF b) {
  return (a.x - at.x) * (b.y - at.y) - (a.y - at.y) * (b.x - at.x);
}

void QueueParallelogram(const PointF c[QUAD_CORNERS], const GraphPiece &piece) {
  uint8_t *at = ReservePieceVertices(piece);
  if (!at) return;
  QuadVertex quad[QUAD_CORNERS];
  for (int k = 0; k < QUAD_CORNERS; k++) {
    quad[k] = QuadVertex{c[k].x, c[k].y, piece.corners[k].u, piece.corners[k].v, 0.0f, 0.0f};
  }
  WriteQuadVertices(at, quad);
  // A mirrored quad turns the triangles over; swapping keeps the winding.
  if (Cross(c[QUAD_TL], c[QUAD_TR], c[QUAD_BL]) <= 0 &&
      Cross(c[QUAD_BR], c[QUAD_BL], c[QUAD_TR]) <= 0) {
    const size_t stride = sizeof(Vertex2DTex);
    const int swaps[2][2] = {{1, 2}, {4, 5}};
    for (const auto &pair : swaps) {
      Vertex2DTex *a = reinterpret_cast<Vertex2DTex *>(at + stride * pair[0]);
      Vertex2DTex *b = reinterpret_cast<Vertex2DTex *>(at + stride * pair[1]);
      const Vertex2DTex t = *a;
      *a = *b;
      *b = t;
    }
  }
}

// A texture edge inside the texture moves in a thousandth of a pixel, so
// the neighbouring texels never bleed in at the quad's border.
void PulledInCoordinates(const GraphPiece &piece, float *u0, float *v0, float *u1, float *v1) {
  *u0 = piece.corners[QUAD_TL].u;
  *v0 = piece.corners[QUAD_TL].v;
  *u1 = piece.corners[QUAD_BR].u;
  *v1 = piece.corners[QUAD_BR].v;
  const float du = piece.width > 0 ? kPullIn * (*u1 - *u0) / piece.width : 0.0f;
  const float dv = piece.height > 0 ? kPullIn * (*v1 - *v0) / piece.height : 0.0f;
  if (*u0 >= kNearZero) *u0 += du;
  if (*v0 >= kNearZero) *v0 += dv;
  if (*u1 <= kNearOne) *u1 -= du;
  if (*v1 <= kNearOne) *v1 -= dv;
}

void FillGrid(const PointF c[QUAD_CORNERS], const GraphPiece &piece) {
  float u0, v0, u1, v1;
  PulledInCoordinates(piece, &u0, &v0, &u1, &v1);
  const float z = g_drawSettings.depth2D;
  for (int r = 0; r < QUAD_GRID_SIDE; r++) {
    const float fr = static_cast<float>(r) / kGridCells;
    const PointF rowStart = Lerp(c[QUAD_TL], c[QUAD_BL], fr);
    const PointF rowEnd = Lerp(c[QUAD_TR], c[QUAD_BR], fr);
    for (int col = 0; col < QUAD_GRID_SIDE; col++) {
      const float fc = static_cast<float>(col) / kGridCells;
      const PointF p = Lerp(rowStart, rowEnd, fc);
      Vertex2DTex &v = g_grid.vertices[r * QUAD_GRID_SIDE + col];
      v = Vertex2DTex{p.x, p.y, z, 1.0f, g_vertexBatch.diffuse, u0 + (u1 - u0) * fc,
                      v0 + (v1 - v0) * fr};
    }
  }
}

int StripLength(int columns, bool joined) { return 2 * columns + (joined ? 2 : 0); }

void DrawStripList(GfxDevice *device, int count, int vertexCount, const void *vertices) {
  if (count < 3) return;
  const uint32_t fvf = BatchFvf(BATCH_KIND_2D, BATCH_TEXTURED);
  if (g_stateCache.fvf != fvf) {
    device->SetFVF(fvf);
    g_stateCache.fvf = fvf;
  }
  device->DrawIndexedPrimitiveUP(PRIM_TRIANGLESTRIP, 0, vertexCount, count - 2, g_grid.indices,
                                 vertices, static_cast<int>(sizeof(Vertex2DTex)));
}

}  // namespace

int FillGridStripIndices(int columns, int firstRow, int lastRow, uint16_t *out) {
  int n = 0;
  for (int r = firstRow; r < lastRow; r++) {
    if (r > firstRow) {
      // Two repeated indices join the strips with empty triangles.
      out[n] = out[n - 1];
      n++;
      out[n++] = static_cast<uint16_t>(r * columns);
    }
    for (int c = 0; c < columns; c++) {
      out[n++] = static_cast<uint16_t>(r * columns + c);
      out[n++] = static_cast<uint16_t>((r + 1) * columns + c);
    }
  }
  return n;
}

int BuildGridStripIndices(int columns, int rows, const void *vertices) {
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  if (columns < 2 || rows < 2) return -1;
  FlushVertexBatch();
  BeginDeviceScene();
  const int vertexCount = columns * rows;
  int first = 0;
  while (first < rows - 1) {
    // As many row pairs as the list holds, at least one.
    int last = first + 1;
    int length = StripLength(columns, false);
    while (last < rows - 1 && length + StripLength(columns, true) <= GRID_INDEX_LIMIT) {
      length += StripLength(columns, true);
      last++;
    }
    if (length > GRID_INDEX_LIMIT) return -1;
    const int count = FillGridStripIndices(columns, first, last, g_grid.indices);
    DrawStripList(device, count, vertexCount, vertices);
    first = last;
  }
  return 0;
}

int HardwareDrawGraphQuadGrid(const PointF c[QUAD_CORNERS], const GraphPiece *piece) {
  if (!StateDevice()) return -1;
  if (EdgesMatch(c[QUAD_TL], c[QUAD_TR], c[QUAD_BL], c[QUAD_BR]) &&
      EdgesMatch(c[QUAD_TL], c[QUAD_BL], c[QUAD_TR], c[QUAD_BR])) {
    QueueParallelogram(c, *piece);
    return 0;
  }
  if (!ApplyPieceStates(*piece) || g_vertexBatch.subKind != BATCH_TEXTURED) return 0;
  FillGrid(c, *piece);
  return BuildGridStripIndices(QUAD_GRID_SIDE, QUAD_GRID_SIDE, g_grid.vertices);
}

int HardwareDrawGraphQuadF(const GraphRecord *graph, const PointF corners[QUAD_CORNERS],
                           int transparent) {
  if (!StateDevice()) return -1;
  for (int k = 0; k < QUAD_CORNERS; k++) {
    if (!IsUsableFloat(corners[k].x) || !IsUsableFloat(corners[k].y)) return -1;
  }
  if (graph->pieceCount <= 0 || graph->width <= 0 || graph->height <= 0) return 0;
  OpenGraphDraw(graph, GraphDrawFlags(transparent, 0));
  if (graph->pieceCount == 1) return HardwareDrawGraphQuadGrid(corners, &graph->pieces[0]);
  QueueInterpolatedPieces(graph, corners, 0.0f);
  return 0;
}

int HardwareDrawGraphQuad(const GraphRecord *graph, const int c[8], int transparent) {
  if (!StateDevice()) return -1;
  const int tlx = c[0], tly = c[1], trx = c[2], try_ = c[3];
  const int blx = c[4], bly = c[5], brx = c[6], bry = c[7];
  if (tlx == blx && tly == try_ && trx == brx && bly == bry) {
    return HardwareDrawGraphStretched(tlx, tly, brx, bry, static_cast<float>(tlx),
                                      static_cast<float>(tly), static_cast<float>(brx),
                                      static_cast<float>(bry), graph, transparent, 0);
  }
  PointF corners[QUAD_CORNERS];
  for (int k = 0; k < QUAD_CORNERS; k++) {
    corners[k] = PointF{static_cast<float>(c[2 * k]), static_cast<float>(c[2 * k + 1])};
  }
  if (g_drawSettings.blendGraph == -1) return HardwareDrawGraphQuadF(graph, corners, transparent);
  if (graph->width <= 0 || graph->height <= 0) return 0;
  FlushVertexBatch();
  OpenGraphDraw(graph, GraphDrawFlags(transparent, 1));
  QueueInterpolatedPieces(graph, corners, -kHalfPixel);
  return 0;
}
