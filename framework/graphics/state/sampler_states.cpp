// Sampler and texture-stage setters of the render-state cache.
#include <stddef.h>
#include <string.h>

#include "graphics/state/cache_internal.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const DrawFilterSet kDrawFilters[3] = {{TEXF_POINT, TEXF_POINT, TEXF_NONE},
                                       {TEXF_LINEAR, TEXF_LINEAR, TEXF_NONE},
                                       {TEXF_LINEAR, TEXF_ANISOTROPIC, TEXF_LINEAR}};

// One sampler state of one stage through its cache slot.
void SendSampler(GfxDevice *device, int stage, int state, int *cached, int wanted) {
  if (!CacheShouldSend(*cached, wanted)) return;
  FlushVertexBatch();
  device->SetSamplerState(stage, state, static_cast<uint32_t>(wanted));
  *cached = wanted;
}

enum { ADDRESS_U, ADDRESS_V, ADDRESS_W };

int *AddressCache(int which) {
  RenderStateCache &cache = g_stateCache;
  return which == ADDRESS_U ? cache.addressU : which == ADDRESS_V ? cache.addressV : cache.addressW;
}

// stage -1 sets all eight stages: skipped only when all eight hold the mode.
int SetSamplerAddress(int which, int mode, int stage) {
  static const int kStates[3] = {SAMP_ADDRESSU, SAMP_ADDRESSV, SAMP_ADDRESSW};
  if (stage < -1 || stage >= CACHE_STAGES) return -1;
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  int *cached = AddressCache(which);
  if (stage >= 0) {
    SendSampler(device, stage, kStates[which], &cached[stage], mode);
    return 0;
  }
  bool allEqual = true;
  for (int i = 0; i < CACHE_STAGES; i++) allEqual = allEqual && cached[i] == mode;
  if (allEqual && !g_stateCache.force) return 0;
  FlushVertexBatch();
  for (int i = CACHE_STAGES - 1; i >= 0; i--) {
    device->SetSamplerState(i, kStates[which], static_cast<uint32_t>(mode));
    cached[i] = mode;
  }
  return 0;
}

// A stage already holding what is asked needs nothing.
bool StageTransformHolds(int stage, int use, const Matrix4x4 *m) {
  const RenderStateCache &cache = g_stateCache;
  if (cache.force || (use ? 1 : 0) != cache.textureTransformUsed[stage]) return false;
  return !use || memcmp(&cache.textureTransform[stage], m, sizeof *m) == 0;
}

void SendStageTransform(GfxDevice *device, int stage, int use, const Matrix4x4 *m) {
  RenderStateCache &cache = g_stateCache;
  device->SetTextureStageState(stage, TSS_TEXTURETRANSFORMFLAGS, use ? 3u : 0u);
  cache.textureTransformUsed[stage] = use ? 1 : 0;
  if (use) {
    device->SetTransform(TS_TEXTURE0 + stage, m);
    cache.textureTransform[stage] = *m;
  }
}

}  // namespace

const DrawFilterSet &DrawFilters(int mode) { return kDrawFilters[mode]; }

int SetDrawFilterStates(int mode) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  if (mode < 0 || mode > 2) return -1;
  RenderStateCache &cache = g_stateCache;
  const DrawFilterSet &filter = kDrawFilters[mode];
  for (int stage = 0; stage < cache.stagesInUse && stage < CACHE_STAGES; stage++) {
    SendSampler(device, stage, SAMP_MAGFILTER, &cache.magFilter[stage], filter.mag);
    SendSampler(device, stage, SAMP_MINFILTER, &cache.minFilter[stage], filter.min);
    SendSampler(device, stage, SAMP_MIPFILTER, &cache.mipFilter[stage], filter.mip);
  }
  cache.drawFilterMode = mode;
  return 0;
}

int SetDrawAnisotropy(int value) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  if (value <= 0) value = 1;
  RenderStateCache &cache = g_stateCache;
  for (int stage = 0; stage < cache.stagesInUse && stage < CACHE_STAGES; stage++) {
    SendSampler(device, stage, SAMP_MAXANISOTROPY, &cache.maxAnisotropy[stage], value);
  }
  cache.drawAnisotropy = value;
  return 0;
}

int SetSamplerFilterState(unsigned stage, int kind, int value) {
  GfxDevice *device = StateDevice();
  if (!device || stage >= CACHE_STAGES) return 0;
  RenderStateCache &cache = g_stateCache;
  const int s = static_cast<int>(stage);
  int *cached = kind == 16 ? &cache.magFilter[s]
                : kind == 17 ? &cache.minFilter[s]
                : kind == 18 ? &cache.mipFilter[s]
                             : NULL;
  if (!cached) return 0;
  cache.drawFilterMode = 3;
  SendSampler(device, s, kind - 16 + SAMP_MAGFILTER, cached, value);
  return 0;
}

int SetSamplerMaxAnisotropy(unsigned stage, int value) {
  GfxDevice *device = StateDevice();
  if (!device || stage >= CACHE_STAGES) return 0;
  const int s = static_cast<int>(stage);
  SendSampler(device, s, SAMP_MAXANISOTROPY, &g_stateCache.maxAnisotropy[s], value);
  g_stateCache.drawAnisotropy = -1;
  return 0;
}

int SetSamplerAddressU(int mode, int stage) { return SetSamplerAddress(ADDRESS_U, mode, stage); }

int SetSamplerAddressV(int mode, int stage) { return SetSamplerAddress(ADDRESS_V, mode, stage); }

int SetSamplerAddressW(int mode, int stage) { return SetSamplerAddress(ADDRESS_W, mode, stage); }

int SetSamplerAddressModes(int mode, int stage) {
  return SetTextureAddressModes(mode, mode, mode, stage);
}

int SetTextureAddressModes(int u, int v, int w, int stage) {
  SetSamplerAddressU(u, stage);
  SetSamplerAddressV(v, stage);
  return SetSamplerAddressW(w, stage);
}

int ResetTexCoordIndices(void) {
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    int &cached = g_stateCache.stages[stage].texCoordIndex;
    if (!CacheShouldSend(cached, stage)) continue;
    FlushVertexBatch();
    device->SetTextureStageState(stage, TSS_TEXCOORDINDEX, static_cast<uint32_t>(stage));
    cached = stage;
  }
  return 0;
}

int SetDeviceTextureTransform(int stage, int use, const Matrix4x4 *m) {
  if (stage < -1 || stage >= CACHE_STAGES || (use && !m)) return -1;
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  if (stage >= 0) {
    if (StageTransformHolds(stage, use, m)) return 0;
    FlushVertexBatch();
    SendStageTransform(device, stage, use, m);
    return 0;
  }
  bool allHold = true;
  for (int i = 0; i < 4; i++) allHold = allHold && StageTransformHolds(i, use, m);
  if (allHold) return 0;
  FlushVertexBatch();
  for (int i = 0; i < 4; i++) SendStageTransform(device, i, use, m);
  return 0;
}

int SetTextureMatrix(const Matrix4x4 *m, int use, int stage) {
  g_stateCache.textureTransformPending = 1;
  return SetDeviceTextureTransform(stage, use, m);
}
