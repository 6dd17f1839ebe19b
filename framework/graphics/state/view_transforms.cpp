// Transforms, viewport, scissor rectangle and render target through the
// render-state cache.
#include "core/debug/log_text.h"
#include "graphics/device/shaders.h"
#include "graphics/state/cache_internal.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

enum {
  LIGHT_CONSTANT_LIGHTS = 4,  // lights with shader constants
  VIEW_CONSTANT = 6,
  PROJECTION_CONSTANT = 2,
  LIGHT_POSITION_CONSTANT = 14,
  LIGHT_CONSTANT_STRIDE = 7
};

// The matrix transposed into four constant registers (columns as rows).
void StoreTransposed(int firstRegister, const Matrix4x4 *m) {
  for (int column = 0; column < 4; column++) {
    SetVertexConstantCopy(firstRegister + column, m->m[0][column], m->m[1][column],
                          m->m[2][column], m->m[3][column]);
  }
}

// The view-space position and direction of the lights that have shader
// constants.
void StoreViewSpaceLights(const Matrix4x4 *view) {
  for (int i = 0; i < LIGHT_CONSTANT_LIGHTS; i++) {
    const GfxLight &light = g_stateCache.lights[i];
    Vector3 position, direction;
    TransformVector(&position, &light.position, view);
    direction.x = light.direction.x * view->m[0][0] + light.direction.y * view->m[1][0] +
                  light.direction.z * view->m[2][0];
    direction.y = light.direction.x * view->m[0][1] + light.direction.y * view->m[1][1] +
                  light.direction.z * view->m[2][1];
    direction.z = light.direction.x * view->m[0][2] + light.direction.y * view->m[1][2] +
                  light.direction.z * view->m[2][2];
    const int reg = LIGHT_POSITION_CONSTANT + LIGHT_CONSTANT_STRIDE * i;
    SetVertexConstantCopy(reg, position.x, position.y, position.z, 1.0f);
    SetVertexConstantCopy(reg + 1, direction.x, direction.y, direction.z, 0.0f);
  }
}

bool SameViewportArea(const GfxViewport &a, const GfxViewport &b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

bool SameRect(const GfxRect &a, const GfxRect &b) {
  return a.left == b.left && a.right == b.right && a.top == b.top && a.bottom == b.bottom;
}

}  // namespace

int SetDeviceWorldMatrix(const Matrix4x4 *m) {
  GfxDevice *device = StateDevice();
  if (!device || !m) return 0;
  FlushVertexBatch();
  device->SetTransform(TS_WORLD, m);
  return 0;
}

int SetDeviceViewMatrix(const Matrix4x4 *m) {
  GfxDevice *device = StateDevice();
  if (!device || !m) return 0;
  FlushVertexBatch();
  device->SetTransform(TS_VIEW, m);
  StoreTransposed(VIEW_CONSTANT, m);
  StoreViewSpaceLights(m);
  return 0;
}

int SetDeviceProjectionMatrix(const Matrix4x4 *m) {
  GfxDevice *device = StateDevice();
  if (!device || !m) return 0;
  FlushVertexBatch();
  device->SetTransform(TS_PROJECTION, m);
  StoreTransposed(PROJECTION_CONSTANT, m);
  return 0;
}

int SetDeviceViewport(const GfxViewport *viewport) {
  GfxDevice *device = StateDevice();
  if (!device || !viewport) return -1;
  RenderStateCache &cache = g_stateCache;
  if (!cache.force && SameViewportArea(cache.viewport, *viewport)) return 0;
  FlushVertexBatch();
  EndDeviceScene();
  const int result = device->SetViewport(viewport);
  if (result < 0) {
    return WriteLogText("ビューポートのセットに失敗しました ErrorCode %x\n",
                        static_cast<unsigned>(result));
  }
  cache.viewport = *viewport;
  return 0;
}

int SetDeviceViewportRect(int x1, int y1, int x2, int y2) {
  const GfxViewport viewport = {x1, y1, x2 - x1, y2 - y1, 0.0f, 1.0f};
  return SetDeviceViewport(&viewport);
}

int SetDeviceScissorRect(const GfxRect *rect) {
  GfxDevice *device = StateDevice();
  if (!device || !rect) return -1;
  RenderStateCache &cache = g_stateCache;
  if (!cache.force && SameRect(cache.scissor, *rect)) return 0;
  FlushVertexBatch();
  EndDeviceScene();
  const int result = device->SetScissorRect(rect) < 0 ? -1 : 0;
  cache.scissor = *rect;
  return result;
}

int SetDeviceRenderTarget(GfxSurface *surface) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  RenderStateCache &cache = g_stateCache;
  if (!cache.force && cache.renderTarget == surface) return 0;
  FlushVertexBatch();
  device->SetRenderTarget(surface);
  cache.renderTarget = surface;
  int width = 0, height = 0;
  device->SurfaceSize(surface, &width, &height);
  return SetDeviceViewportRect(0, 0, width, height);
}
