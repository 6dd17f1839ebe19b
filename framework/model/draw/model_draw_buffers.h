// The device side of model data and instances: the shared vertex and index
// buffer chunks that rigid lists are drawn from, the instances' own vertex
// buffers, and their release and rebuild around a device loss. Lists of one
// layout group (kind, layout variant, texture-coordinate set count) are
// packed into as few chunks as the limits allow.
#ifndef VELVANE_MODEL_MODEL_DRAW_BUFFERS_H
#define VELVANE_MODEL_MODEL_DRAW_BUFFERS_H

#include <stdint.h>

struct ModelData;
struct ModelInstance;
struct ModelTriangleList;
struct ModelMeshVertex;
struct GfxVertexBuffer;
struct GfxIndexBuffer;

enum {
  MODEL_CHUNK_MAX_VERTICES = 393215,
  MODEL_CHUNK_MAX_INDICES = 786431,
  // Position, normal, diffuse and specular before the coordinate sets.
  MODEL_FIXED_VERTEX_HEAD = 32
};

// One chunk of a layout group's list.
struct BufferChunk {
  GfxVertexBuffer *vertexBuffer;
  GfxIndexBuffer *indexBuffer;
  int vertexCount;
  int indexCount;  // triangle and outline indices together
  void *lockedVertices;
  void *lockedIndices;
  uint32_t layoutCode;  // the vertex format
  int stride;
  BufferChunk *next;
};

// The fixed vertex format of rigid plain lists with sets coordinate sets of
// four floats each, and its size in bytes.
uint32_t FixedModelVertexFormat(int sets);
int FixedModelVertexSize(int sets);
// Writes one vertex in the fixed layout: position, normal, the mesh
// vertex's colours, then each coordinate set as (u, v, 1, 1).
void WriteFixedModelVertex(uint8_t *out, const float *position, const float *normal,
                           const ModelMeshVertex *meshVertex, int sets);

// Whether drawing uses vertex buffers: on by default on the Direct3D path;
// tests switch it off to draw everything from CPU arrays.
int ModelVertexBuffersInUse(void);
void SetModelVertexBuffersInUse(int on);

// Makes the data's chunks, fills and unlocks them, and with instanceBuffers
// the instances' own buffers; 0, or -1 (nothing kept) when a buffer cannot
// be made, locked or unlocked. Nothing is made off the Direct3D path.
int SetupDrawBuffers(ModelData *data, int instanceBuffers);
// Releases the data's chunks and the own buffers of every instance over it.
void ReleaseModelDrawBuffers(ModelData *data);
// The instance's own vertex buffers, made and released.
void ReleaseInstanceBuffers(ModelInstance *instance);
int MakeInstanceBuffers(ModelInstance *instance);
// Deletes a graph made for a model texture (-1 is ignored).
void DeleteModelTextureGraph(int graphHandle);
// Every model's buffers, released when the device goes and made again after
// it came back; 0.
int VLMReleaseAllDrawBuffers(void);
int VLMCreateAllDrawBuffers(void);

// Rebuild the data's normals (with a smoothing angle) or merge its equal
// vertices, remaking the buffers around it; 0, or -1 for a bad handle or a
// failed step.
int VLMRecalculateModelNormals(int dataHandle, float smoothingAngle);
int VLMOptimizeModelVertices(int dataHandle);

#endif  // VELVANE_MODEL_MODEL_DRAW_BUFFERS_H
