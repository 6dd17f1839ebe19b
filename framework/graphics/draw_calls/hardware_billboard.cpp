// The billboard: a graph standing in 3-D at a world position, always facing
// the camera. Its corners are laid out along the camera's right and up
// vectors; the device transforms them, unless a blend image (whose second
// texture coordinates are screen-bound) or a measurement needs the screen
// positions on the CPU.
#include <math.h>
#include <stddef.h>

#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/draw_calls/piece_quads.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const int kQuadOrder[6] = {QUAD_TL, QUAD_TR, QUAD_BL, QUAD_BR, QUAD_BL, QUAD_TR};
const int kBillboardFlags = DRAW_FLAG_ADDRESS_MODES | DRAW_FLAG_3D_DEPTH | DRAW_FLAG_FOG;

struct ScreenCorner {
  float x, y, z, rhw;
};

struct Bounds {
  float left, top, right, bottom;
  bool any;
};

void Extend(Bounds *b, float x, float y) {
  if (!b->any) {
    *b = Bounds{x, y, x, y, true};
    return;
  }
  if (x < b->left) b->left = x;
  if (y < b->top) b->top = y;
  if (x > b->right) b->right = x;
  if (y > b->bottom) b->bottom = y;
}

// A projected bound as a pixel; a corner near the camera plane can land
// anywhere, so the value is held to the range a screen can use.
int BoundToPixel(float value) {
  const float limit = 1.0e7f;
  if (!(value > -limit)) return -static_cast<int>(limit);
  if (!(value < limit)) return static_cast<int>(limit);
  return static_cast<int>(value);
}

ScreenCorner Project(const Vector3 &p, const Matrix4x4 &m) {
  const float x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  const float y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  const float z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  const float w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  const float rhw = 1.0f / w;
  return ScreenCorner{x * rhw, y * rhw, z * rhw, rhw};
}

// The world corners of one piece.
struct Layout {
  Vector3 position, right, up;
  float unit, centreX, centreY, graphHeight;
  double cosine, sine;
  bool rotated, turned;
};

Vector3 WorldCorner(const Layout &l, const GraphPieceCorner &c) {
  float x = (c.x - l.centreX) * l.unit;
  if (l.turned) x = -x;
  float y = (l.graphHeight - l.centreY - c.y) * l.unit;
  if (l.rotated) {
    const float rx = static_cast<float>(x * l.cosine - y * l.sine);
    const float ry = static_cast<float>(x * l.sine + y * l.cosine);
    x = rx;
    y = ry;
  }
  return Vector3{l.position.x + l.right.x * x + l.up.x * y, l.position.y + l.right.y * x + l.up.y * y,
                 l.position.z + l.right.z * x + l.up.z * y};
}

void Write3D(const GraphPiece &piece, const Vector3 world[QUAD_CORNERS]) {
  if (!ApplyPieceStates(piece) || g_vertexBatch.subKind != BATCH_TEXTURED) return;
  Vertex3DTex *v =
      static_cast<Vertex3DTex *>(ReserveBatchVertices(BATCH_KIND_3D, PRIM_TRIANGLELIST, 6));
  if (!v) return;
  for (int i = 0; i < 6; i++) {
    const int k = kQuadOrder[i];
    v[i] = Vertex3DTex{world[k].x, world[k].y, world[k].z, g_vertexBatch.diffuse,
                       piece.corners[k].u, piece.corners[k].v};
  }
}

// Projected corners as pre-transformed vertices; the depth and rhw of each
// corner come from the projection.
void WriteProjected(const GraphPiece &piece, const ScreenCorner screen[QUAD_CORNERS]) {
  uint8_t *at = ReservePieceVertices(piece);
  if (!at) return;
  QuadVertex quad[QUAD_CORNERS];
  for (int k = 0; k < QUAD_CORNERS; k++) {
    quad[k] = QuadVertex{screen[k].x, screen[k].y, piece.corners[k].u, piece.corners[k].v, 0, 0};
    SetBlendCoordinates(&quad[k], piece.corners[k].x, piece.corners[k].y);
  }
  WriteQuadVertices(at, quad);
  const size_t stride = static_cast<size_t>(BatchStride(BATCH_KIND_2D, g_vertexBatch.subKind));
  for (int i = 0; i < 6; i++) {
    float *v = reinterpret_cast<float *>(at + stride * i);
    v[2] = screen[kQuadOrder[i]].z;
    v[3] = screen[kQuadOrder[i]].rhw;
  }
}

}  // namespace

int HardwareDrawGraphBillboard(int flags, float px, float py, float pz, float centreX,
                               float centreY, float size, float angle, const GraphRecord *graph,
                               int transparent, int turn, int drawOrMeasure, Rect *rectOut) {
  if (!StateDevice()) return -1;
  const float values[] = {px, py, pz, centreX, centreY, size, angle};
  for (float value : values) {
    if (!IsUsableFloat(value)) return -1;
  }
  if (graph->width <= 0 || graph->height <= 0 || size == 0.0f) return -1;
  DrawSettings &s = g_drawSettings;
  UpdateCombinedMatrices();
  Layout l;
  l.position = Vector3{px, py, pz};
  l.right = Vector3{s.cameraRotation.m[0][0], s.cameraRotation.m[0][1], s.cameraRotation.m[0][2]};
  l.up = Vector3{s.cameraRotation.m[1][0], s.cameraRotation.m[1][1], s.cameraRotation.m[1][2]};
  l.unit = size / graph->width;
  l.centreX = centreX * graph->width;
  l.centreY = centreY * graph->height;
  l.graphHeight = static_cast<float>(graph->height);
  l.cosine = cos(angle);
  l.sine = sin(angle);
  l.rotated = angle != 0.0f;
  l.turned = turn != 0;
  const bool draw = drawOrMeasure == BILLBOARD_DRAW;
  const bool project = !draw || s.blendGraph != -1;
  if (draw) {
    BeginDeviceScene();
    GfxTexture *first = graph->pieceCount > 0 ? PieceTexture(graph->pieces[0]) : NULL;
    PrepareDrawStates(graph, first, flags | kBillboardFlags | GraphDrawFlags(transparent, 0));
  }
  Bounds bounds = {0, 0, 0, 0, false};
  for (int i = 0; i < graph->pieceCount; i++) {
    const GraphPiece &piece = graph->pieces[i];
    Vector3 world[QUAD_CORNERS];
    ScreenCorner screen[QUAD_CORNERS];
    for (int k = 0; k < QUAD_CORNERS; k++) {
      world[k] = WorldCorner(l, piece.corners[k]);
      if (project) {
        screen[k] = Project(world[k], s.viewProjectionViewport);
        Extend(&bounds, screen[k].x, screen[k].y);
      }
    }
    if (!draw) continue;
    if (project) {
      WriteProjected(piece, screen);
    } else {
      Write3D(piece, world);
    }
  }
  if (rectOut && bounds.any) {
    *rectOut = Rect{BoundToPixel(bounds.left) - 1, BoundToPixel(bounds.top) - 1,
                    BoundToPixel(bounds.right) + 1, BoundToPixel(bounds.bottom) + 1};
  }
  return 0;
}
