// What every hardware path shares: opening the draw with the graph's
// states, taking room for one piece's six vertices, and writing a quad in
// the layout the batch's texture sub-kind asks for.
#ifndef VELVANE_GRAPHICS_PIECE_QUADS_H
#define VELVANE_GRAPHICS_PIECE_QUADS_H

#include <stdint.h>

#include "graphics/draw_calls/draw_paths.h"

struct GfxTexture;

// One corner as the batch takes it: screen position, texture coordinates
// and the blend image's coordinates.
struct QuadVertex {
  float x, y;
  float u, v;
  float blendU, blendV;
};

// The texture of a piece (null when it has none).
GfxTexture *PieceTexture(const GraphPiece &piece);
// Steps every 2-D path starts with: -1 without a device, else the scene
// open and the states prepared for the graph's first texture; 0.
int OpenGraphDraw(const GraphRecord *graph, int flags);
// The piece's texture and blend states applied; 1 when they give a
// textured layout, else 0.
int ApplyPieceStates(const GraphPiece &piece);
// The piece's states applied; where its six vertices go,
// null when none can be written (the states give no textured layout).
uint8_t *ReservePieceVertices(const GraphPiece &piece);
// Writes the quad's six vertices (top-left, top-right, bottom-left, then
// bottom-right, bottom-left, top-right) at the batch's depth and colour.
void WriteQuadVertices(uint8_t *at, const QuadVertex quad[QUAD_CORNERS]);
// Reserves and writes one piece's quad; 0.
void QueuePieceQuad(const GraphPiece &piece, const QuadVertex quad[QUAD_CORNERS]);
// Blend-image coordinates of a graph position.
void SetBlendCoordinates(QuadVertex *corner, float graphX, float graphY);
// The transparency and alpha-test flags of PrepareDrawStates.
int GraphDrawFlags(int transparent, int keepAlphaTest);
// A float finite and not far outside the screen's number range.
int IsUsableFloat(double value);

#endif  // VELVANE_GRAPHICS_PIECE_QUADS_H
