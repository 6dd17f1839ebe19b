#include "graphics/draw/draw_screen_lock.h"

#include <stddef.h>
#include <string.h>

#include "core/debug/log.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/camera.h"
#include "graphics/draw/draw_target.h"
#include "graphics/graphs/graph_formats.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/image/memimg.h"

namespace {

struct ScreenLock {
  int locked;
  GfxSurface *direct;  // locked in place
  GfxSurface *copy;    // the system-memory copy, locked
};

ScreenLock g_lock;

bool InsideTarget(const Rect *r) {
  int width = 0, height = 0;
  GetDrawTargetSize(&width, &height);
  return r && r->left >= 0 && r->top >= 0 && r->right <= width && r->bottom <= height &&
         r->left < r->right && r->top < r->bottom;
}

int LockDirect(GfxDevice *device, GfxSurface *surface, const Rect *r, GfxLocked *locked) {
  const GfxRect area = {r->left, r->top, r->right, r->bottom};
  if (device->LockSurface(surface, &area, 1, locked) < 0) return -1;
  g_lock.direct = surface;
  return 0;
}

// Copies r into a render target, reads that back into system memory and
// locks the copy.
int LockCopy(GfxDevice *device, GfxSurface *surface, int format, const Rect *r,
             GfxLocked *locked) {
  const int w = r->right - r->left, h = r->bottom - r->top;
  GfxSurface *target = NULL, *system = NULL;
  if (device->CreateRenderTarget(w, h, format, 0, &target) < 0) {
    return WriteLogLine("バックバッファロック用描画可能サーフェスの作成に失敗しました\n");
  }
  if (device->CreateSystemSurface(w, h, format, &system) < 0) {
    device->ReleaseSurface(target);
    return WriteLogLine("バックバッファロック用システムメモリサーフェスの作成に失敗しました\n");
  }
  const GfxRect area = {r->left, r->top, r->right, r->bottom};
  const bool read = device->StretchRect(surface, &area, target, NULL) >= 0 &&
                    device->GetRenderTargetData(target, system) >= 0 &&
                    device->LockSurface(system, NULL, 1, locked) >= 0;
  device->ReleaseSurface(target);
  if (!read) {
    device->ReleaseSurface(system);
    return -1;
  }
  g_lock.copy = system;
  return 0;
}

int LockHardware(const Rect *r, BASEIMAGE *out) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  GfxSurface *surface = GetDrawTargetSurface();
  if (!surface) return -1;
  const int format = device->SurfaceFormat(surface);
  const PixelFormat *pixelFormat = GetD3DFormatPixelFormat(format);
  if (!pixelFormat) return -1;
  GfxLocked locked;
  // The path the lock test chose first, the other when it fails.
  const bool directFirst = g_d3d.backBufferLock != 0;
  int result = directFirst ? LockDirect(device, surface, r, &locked)
                           : LockCopy(device, surface, format, r, &locked);
  if (result < 0) {
    result = directFirst ? LockCopy(device, surface, format, r, &locked)
                         : LockDirect(device, surface, r, &locked);
  }
  if (result < 0) return -1;
  out->format = *pixelFormat;
  out->pitch = locked.pitch;
  out->pixels = locked.bits;
  return 0;
}

int LockSoftware(const Rect *r, BASEIMAGE *out) {
  MEMIMG *target = GetSoftwareDrawTargetImage();
  if (!target || !target->base || !target->pixels) return -1;
  const PixelFormat *format = target->base->format;
  out->format = *format;
  out->pitch = target->base->pitch;
  out->pixels = target->pixels + static_cast<ptrdiff_t>(r->top) * target->base->pitch +
                static_cast<ptrdiff_t>(r->left) * format->bytesPerPixel;
  return 0;
}

}  // namespace

int LockDrawScreenBuffer(const Rect *r, BASEIMAGE *out) {
  if (!out || g_lock.locked || !InsideTarget(r)) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  BASEIMAGE view;
  memset(&view, 0, sizeof view);
  const int result = IsHardwareRenderingActive() ? LockHardware(r, &view) : LockSoftware(r, &view);
  if (result < 0) return -1;
  view.width = r->right - r->left;
  view.height = r->bottom - r->top;
  view.mipCount = 0;
  *out = view;
  g_lock.locked = 1;
  return 0;
}

int UnlockDrawScreenBuffer(void) {
  if (!g_lock.locked) return 0;
  GfxDevice *device = GetGfxDevice();
  if (device && g_lock.copy) {
    device->UnlockSurface(g_lock.copy);
    device->ReleaseSurface(g_lock.copy);
  } else if (device && g_lock.direct) {
    device->UnlockSurface(g_lock.direct);
  }
  g_lock = ScreenLock{};
  return 0;
}
