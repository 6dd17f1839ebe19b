// Helpers shared by the files of the render-state cache.
#ifndef VELVANE_GRAPHICS_CACHE_INTERNAL_H
#define VELVANE_GRAPHICS_CACHE_INTERNAL_H

#include <stdint.h>

#include "graphics/device/gfx_device.h"
#include "graphics/state/render_state_cache.h"

// A float as the cache stores it (its bits) and back.
int CacheFloatBits(float value);
float CacheBitsFloat(int bits);
// true when the force flag is up or the cached value differs.
bool CacheShouldSend(int cached, int wanted);
// Flushes the batch, then sends one render state.
void CacheSendRenderState(GfxDevice *device, int state, uint32_t value);
// Sends one stage's texture, coordinate index, result argument and six
// arguments and operations where they differ from the cache (every one
// under the force flag; CACHE_NOT_SENT fields of wanted are skipped), and
// stores them.
void CacheSendStage(GfxDevice *device, int stage, const TextureStageRecord *wanted);
// The magnification, minification and mip filters of draw filter mode 0-2.
struct DrawFilterSet {
  int mag, min, mip;
};
const DrawFilterSet &DrawFilters(int mode);
// The whole cache to what a new Direct3D 9 device holds.
void ResetCacheToDeviceDefaults(void);

#endif  // VELVANE_GRAPHICS_CACHE_INTERNAL_H
