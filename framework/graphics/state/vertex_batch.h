// The one system-memory vertex batch of 2-D drawing and the billboard and
// 3-D quad draws. Draw paths reserve room in it; it is drawn with a single
// DrawPrimitiveUP when it is flushed: before any state change, when the
// next vertices need another format or primitive type, or would not fit.
#ifndef VELVANE_GRAPHICS_VERTEX_BATCH_H
#define VELVANE_GRAPHICS_VERTEX_BATCH_H

#include <stdint.h>

#include "velvane.h"

enum {
  BATCH_KIND_2D = 0,
  BATCH_KIND_3D = 1,
  BATCH_UNTEXTURED = 0,
  BATCH_TEXTURED = 1,
  BATCH_BLEND_TEXTURED = 2,
  BATCH_FORMATS = 6,
  // Direct3D primitive types.
  PRIM_POINTLIST = 1,
  PRIM_LINELIST = 2,
  PRIM_LINESTRIP = 3,
  PRIM_TRIANGLELIST = 4,
  PRIM_TRIANGLESTRIP = 5,
  PRIM_TRIANGLEFAN = 6
};

// The vertex layouts of the batch's formats.
struct Vertex2D {
  float x, y, z, rhw;
  uint32_t diffuse;
};
struct Vertex2DTex {
  float x, y, z, rhw;
  uint32_t diffuse;
  float u, v;
};
struct Vertex2DBlend {
  float x, y, z, rhw;
  uint32_t diffuse, specular;
  float blendU, blendV;  // the blend image
  float u, v;            // the texture
};
struct Vertex3D {
  float x, y, z;
  uint32_t diffuse;
};
struct Vertex3DTex {
  float x, y, z;
  uint32_t diffuse;
  float u, v;
};

struct VertexBatch {
  uint8_t *storage[BATCH_FORMATS];  // by kind x 3 + sub-kind
  int kind;
  int count;
  int subKind;
  int primitiveType;
  float blendWidth, blendHeight;
  float blendWidthInverse, blendHeightInverse;
  uint32_t diffuse;  // every 2-D vertex's colour
  uint8_t *write;
};

extern VertexBatch g_vertexBatch;

// Draws and empties the batch; -1 without a device, else 0.
int FlushVertexBatch(void);
// The same for callers outside graphics (model drawing); 0.
int SubmitVertexBatch(void);
// Loads the world transform directly (no cache).
void SetDeviceWorldTransform(const Matrix4x4 *m);
// Room for n vertices of kind in primitiveType, drawing what is queued
// first when the kind or type differs or the block would be full (count +
// n reaches its capacity). Returns where to write them (already counted),
// or null for an n that no empty block can hold.
void *ReserveBatchVertices(int kind, int primitiveType, int n);
// Switches the format the next vertices use (after a flush only).
void SetBatchSubKind(int subKind);
// The stores pre-filled (z 0, rhw 1, specular white), the batch empty,
// textured 2-D, pointing at its block.
void ResetVertexBatch(void);

// Facts of a (kind, sub-kind) format: most vertices per flush, bytes per
// vertex, FVF code (0 for a format that does not exist).
int BatchCapacity(int kind, int subKind);
int BatchStride(int kind, int subKind);
uint32_t BatchFvf(int kind, int subKind);
// Primitives that n vertices of a type make.
int BatchPrimitiveCount(int primitiveType, int n);

#endif  // VELVANE_GRAPHICS_VERTEX_BATCH_H
