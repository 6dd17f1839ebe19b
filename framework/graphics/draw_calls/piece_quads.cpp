#include "graphics/draw_calls/piece_quads.h"

#include <stddef.h>

#include <type_traits>

#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const int kQuadOrder[6] = {QUAD_TL, QUAD_TR, QUAD_BL, QUAD_BR, QUAD_BL, QUAD_TR};

// The two triangles of a quad in either textured layout; the blend layout
// also carries the blend image's coordinates.
template <class V>
void WriteQuadAs(uint8_t *at, const QuadVertex quad[QUAD_CORNERS], float z, uint32_t diffuse) {
  V *v = reinterpret_cast<V *>(at);
  for (int i = 0; i < 6; i++) {
    const QuadVertex &c = quad[kQuadOrder[i]];
    v[i].x = c.x;
    v[i].y = c.y;
    v[i].z = z;
    v[i].rhw = 1.0f;
    v[i].diffuse = diffuse;
    if constexpr (std::is_same_v<V, Vertex2DBlend>) {
      v[i].blendU = c.blendU;
      v[i].blendV = c.blendV;
    }
    v[i].u = c.u;
    v[i].v = c.v;
  }
}

}  // namespace

GfxTexture *PieceTexture(const GraphPiece &piece) {
  return piece.entry ? piece.entry->videoTexture : NULL;
}

int OpenGraphDraw(const GraphRecord *graph, int flags) {
  if (!StateDevice()) return -1;
  BeginDeviceScene();
  GfxTexture *first = graph->pieceCount > 0 ? PieceTexture(graph->pieces[0]) : NULL;
  PrepareDrawStates(graph, first, flags);
  return 0;
}

int ApplyPieceStates(const GraphPiece &piece) {
  RenderStateCache &cache = g_stateCache;
  GfxTexture *texture = PieceTexture(piece);
  if (texture != cache.pendingTexture) SetPendingTexture(texture);
  if (cache.blendPending || cache.texturePending) ApplyBlendStates(1, NULL, 0);
  return g_vertexBatch.subKind != BATCH_UNTEXTURED;
}

uint8_t *ReservePieceVertices(const GraphPiece &piece) {
  // Only the textured layouts carry a piece; an untextured one would be
  // overrun by the texture coordinates.
  if (!ApplyPieceStates(piece)) return NULL;
  return static_cast<uint8_t *>(ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6));
}

void WriteQuadVertices(uint8_t *at, const QuadVertex quad[QUAD_CORNERS]) {
  const VertexBatch &batch = g_vertexBatch;
  const float z = g_drawSettings.depth2D;
  if (batch.subKind == BATCH_BLEND_TEXTURED) {
    WriteQuadAs<Vertex2DBlend>(at, quad, z, batch.diffuse);
  } else {
    WriteQuadAs<Vertex2DTex>(at, quad, z, batch.diffuse);
  }
}

void QueuePieceQuad(const GraphPiece &piece, const QuadVertex quad[QUAD_CORNERS]) {
  uint8_t *at = ReservePieceVertices(piece);
  if (at) WriteQuadVertices(at, quad);
}

void SetBlendCoordinates(QuadVertex *corner, float graphX, float graphY) {
  corner->blendU = graphX * g_vertexBatch.blendWidthInverse;
  corner->blendV = graphY * g_vertexBatch.blendHeightInverse;
}
