// Fills of the draw target: the clear in the background colour on both
// paths, and the untextured box of the hardware path that the subtraction
// emulation lays over a draw.
#include <stddef.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw_calls/draw_paths.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/softrender.h"
#include "velvane.h"

namespace {

const float kHalfPixel = 0.5f;
// Black is 0 in every pixel format of both paths.
const uint32_t kBackgroundPixel = 0;

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

uint32_t Scaled(int channel, uint32_t diffuse, int shift) {
  return static_cast<uint32_t>(channel) * ((diffuse >> shift) & 0xFF) / 255;
}

int ClearDeviceTarget(const Rect *r) {
  if (!StateDevice()) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  Rect area = {0, 0, width, height};
  if (r) {
    area = Rect{Max(r->left, 0), Max(r->top, 0), Min(r->right, width), Min(r->bottom, height)};
  }
  if (area.right > area.left && area.bottom > area.top) {
    // A clear without rectangles covers the viewport: it is the area.
    SetDeviceViewportRect(area.left, area.top, area.right, area.bottom);
    const uint32_t flags = GFX_CLEAR_TARGET | (g_d3d.depthStencil ? GFX_CLEAR_ZBUFFER : 0);
    StateDevice()->Clear(flags, D3D_BACKGROUND_COLOR, 1.0f);
  }
  const Rect &clip = g_drawSettings.clipRect;
  SetDeviceViewportRect(clip.left, clip.top, clip.right, clip.bottom);
  return 0;
}

}  // namespace

int ClearDrawTarget(const Rect *rect) {
  if (!IsGraphicsStarted()) return -1;
  if (rect && (rect->left < 0 || rect->top < 0)) rect = NULL;
  if (IsHardwareRenderingActive()) return ClearDeviceTarget(rect);
  MEMIMG *target = SoftwareDrawTargetImage();
  if (target) MemImgFillRect(target, rect, kBackgroundPixel);
  return 0;
}

int DrawFilledBox(int x1, int y1, int x2, int y2, int color) {
  if (!StateDevice()) return -1;
  const Rect &clip = g_drawSettings.clipRect;
  const int left = Max(Min(x1, x2), clip.left), right = Min(Max(x1, x2), clip.right);
  const int top = Max(Min(y1, y2), clip.top), bottom = Min(Max(y1, y2), clip.bottom);
  if (left >= right || top >= bottom) return 0;
  BeginDeviceScene();
  PrepareDrawStates(NULL, NULL, 0);
  if (g_vertexBatch.subKind != BATCH_UNTEXTURED) return 0;
  Vertex2D *v = static_cast<Vertex2D *>(ReserveBatchVertices(BATCH_KIND_2D, PRIM_TRIANGLELIST, 6));
  if (!v) return 0;
  int r = 0, g = 0, b = 0;
  UnpackDrawColor(static_cast<uint32_t>(color), &r, &g, &b);
  const uint32_t diffuse = g_vertexBatch.diffuse;
  const uint32_t packed = (diffuse & 0xFF000000u) | Scaled(r, diffuse, 16) << 16 |
                          Scaled(g, diffuse, 8) << 8 | Scaled(b, diffuse, 0);
  const float l = left - kHalfPixel, t = top - kHalfPixel;
  const float rr = right - kHalfPixel, bb = bottom - kHalfPixel;
  const float xs[6] = {l, rr, l, rr, l, rr}, ys[6] = {t, t, bb, bb, bb, t};
  const float z = g_drawSettings.depth2D;
  for (int i = 0; i < 6; i++) v[i] = Vertex2D{xs[i], ys[i], z, 1.0f, packed};
  return 0;
}
