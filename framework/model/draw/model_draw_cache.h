// What model drawing remembers between lists: the vertex and index buffers
// last bound, whether the device world matrix holds the identity, and the
// built-in textures' graphs. An unchanged binding is not sent again.
#ifndef VELVANE_MODEL_MODEL_DRAW_CACHE_H
#define VELVANE_MODEL_MODEL_DRAW_CACHE_H

struct GfxVertexBuffer;
struct GfxIndexBuffer;

struct ModelDrawCache {
  GfxVertexBuffer *lastVertexBuffer;
  GfxIndexBuffer *lastIndexBuffer;
  int lastStride;
  int worldIsIdentity;
};

extern ModelDrawCache g_modelDrawCache;

// Forgets the bindings: after drawing from memory, releasing buffers or
// losing the device.
void ForgetModelDrawBindings(void);

#endif  // VELVANE_MODEL_MODEL_DRAW_CACHE_H
