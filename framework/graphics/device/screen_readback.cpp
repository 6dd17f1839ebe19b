#include "graphics/device/screen_readback.h"

#include <stddef.h>
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"

namespace {

uint32_t Expand(uint32_t value, int bits) {
  return bits == 5 ? ((value << 3) | (value >> 2)) : ((value << 2) | (value >> 4));
}

uint32_t ToArgb(const uint8_t *pixel, int format) {
  if (format == GFX_FMT_X8R8G8B8 || format == GFX_FMT_A8R8G8B8) {
    uint32_t value;
    memcpy(&value, pixel, 4);
    return 0xFF000000u | value;
  }
  uint16_t value;
  memcpy(&value, pixel, 2);
  if (format == GFX_FMT_R5G6B5) {
    return 0xFF000000u | (Expand((value >> 11) & 31, 5) << 16) |
           (Expand((value >> 5) & 63, 6) << 8) | Expand(value & 31, 5);
  }
  return 0xFF000000u | (Expand((value >> 10) & 31, 5) << 16) | (Expand((value >> 5) & 31, 5) << 8) |
         Expand(value & 31, 5);
}

}  // namespace

int ReadBackBufferPixels(uint32_t *out, int width, int height) {
  GfxDevice *device = GetGfxDevice();
  if (!device || !g_d3d.backBuffer || !out || width != GetScreenWidthSetting() ||
      height != GetScreenHeightSetting()) {
    return -1;
  }
  const int format = g_d3d.displayFormat;
  const int bytes = (format == GFX_FMT_X8R8G8B8 || format == GFX_FMT_A8R8G8B8) ? 4 : 2;
  GfxSurface *system = NULL;
  if (device->CreateSystemSurface(width, height, format, &system) < 0) return -1;
  GfxLocked locked;
  int result = -1;
  if (device->GetRenderTargetData(g_d3d.backBuffer, system) >= 0 &&
      device->LockSurface(system, NULL, 1, &locked) >= 0) {
    for (int y = 0; y < height; y++) {
      const uint8_t *row = locked.bits + static_cast<ptrdiff_t>(y) * locked.pitch;
      for (int x = 0; x < width; x++) {
        out[static_cast<size_t>(y) * width + x] = ToArgb(row + x * bytes, format);
      }
    }
    device->UnlockSurface(system);
    result = 0;
  }
  device->ReleaseSurface(system);
  return result;
}
