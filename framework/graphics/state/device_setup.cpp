// Seeding of the render-state cache after graphics start-up, and the
// re-send of everything it holds. After either, a setter that skips a value
// can rely on the device holding it.
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/cache_internal.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

enum {
  FOG_END_DEFAULT_BITS = 0x3F800000,  // 1.0
  STAGE_ARG_TEXTURE = TA_TEXTURE,
  STAGE_ARG_DIFFUSE = TA_DIFFUSE
};

// What Direct3D 9 gives stage `stage` of a new device.
TextureStageRecord DefaultStage(int stage) {
  TextureStageRecord record;
  record.texture = NULL;
  record.texCoordIndex = stage;
  record.resultArg = 0;
  record.alphaArg1 = TA_TEXTURE;
  record.alphaArg2 = TA_CURRENT;
  record.alphaOp = stage == 0 ? TOP_SELECTARG1 : TOP_DISABLE;
  record.colorArg1 = TA_TEXTURE;
  record.colorArg2 = TA_CURRENT;
  record.colorOp = stage == 0 ? TOP_MODULATE : TOP_DISABLE;
  return record;
}

void SeedSamplers(int filterMode) {
  RenderStateCache &cache = g_stateCache;
  DrawSettings &settings = g_drawSettings;
  if (filterMode < 0 || filterMode > 2) filterMode = 0;
  const DrawFilterSet &filters = DrawFilters(filterMode);
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    int *address[3] = {&settings.textureAddressU[stage], &settings.textureAddressV[stage],
                       &settings.textureAddressW[stage]};
    for (int *mode : address) {
      if (*mode == 0) *mode = TEXTURE_ADDRESS_CLAMP;
    }
    cache.addressU[stage] = settings.textureAddressU[stage];
    cache.addressV[stage] = settings.textureAddressV[stage];
    cache.addressW[stage] = settings.textureAddressW[stage];
    cache.magFilter[stage] = filters.mag;
    cache.minFilter[stage] = filters.min;
    cache.mipFilter[stage] = filters.mip;
  }
  cache.drawFilterMode = filterMode;
}

void SeedRenderStates(void) {
  RenderStateCache &cache = g_stateCache;
  cache.cullMode = 0;
  cache.lighting = 1;
  cache.shadeMode = 1;
  cache.dither = 0;
  cache.specularEnable = 1;
  cache.ambientMaterialSource = 0;
  cache.normalizeNormals = 1;
  cache.fogEnable = 0;
  cache.fogMode = 0;
  cache.fogColor = 0;
  cache.fogStart = 0;
  cache.fogEnd = FOG_END_DEFAULT_BITS;
  cache.zEnable = 1;
  cache.zWriteEnable = 0;
  cache.zFunc = 4;
  cache.depthBias = 0;
  cache.fillMode = 3;
}

void SeedStagesAndView(GfxDevice *device) {
  RenderStateCache &cache = g_stateCache;
  cache.userSetInstalled = 0;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    TextureStageRecord &record = cache.stages[stage];
    record.texture = NULL;
    record.alphaArg1 = record.colorArg1 = STAGE_ARG_TEXTURE;
    record.alphaArg2 = record.colorArg2 = STAGE_ARG_DIFFUSE;
    record.alphaOp = record.colorOp = TOP_DISABLE;
  }
  int width = 0, height = 0;
  device->SurfaceSize(g_d3d.backBuffer, &width, &height);
  cache.viewport = GfxViewport{0, 0, width, height, 0.0f, 1.0f};
  cache.scissor = GfxRect{0, 0, width, height};
  cache.renderTarget = g_d3d.backBuffer;
  cache.sceneOpen = 0;
  cache.pendingTexture = NULL;
}

// Samplers of all eight stages as the cache holds them.
void ResendSamplers(GfxDevice *device) {
  const RenderStateCache &cache = g_stateCache;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    device->SetSamplerState(stage, SAMP_MAGFILTER, static_cast<uint32_t>(cache.magFilter[stage]));
    device->SetSamplerState(stage, SAMP_MINFILTER, static_cast<uint32_t>(cache.minFilter[stage]));
    device->SetSamplerState(stage, SAMP_MIPFILTER, static_cast<uint32_t>(cache.mipFilter[stage]));
    device->SetSamplerState(stage, SAMP_MAXANISOTROPY,
                            static_cast<uint32_t>(cache.maxAnisotropy[stage]));
    SetSamplerAddressU(cache.addressU[stage], stage);
    SetSamplerAddressV(cache.addressV[stage], stage);
    SetSamplerAddressW(cache.addressW[stage], stage);
  }
}

void ResendLightsAndMaterial(GfxDevice *device) {
  RenderStateCache &cache = g_stateCache;
  SetDeviceLighting(cache.lighting);
  SetDeviceSpecularEnable(cache.specularEnable);
  SetDiffuseFromVertexColor(cache.diffuseFromVertex);
  SetSpecularFromVertexColor(cache.specularFromVertex);
  device->SetRenderState(RS_AMBIENTMATERIALSOURCE,
                         static_cast<uint32_t>(cache.ambientMaterialSource));
  device->SetRenderState(RS_NORMALIZENORMALS, static_cast<uint32_t>(cache.normalizeNormals));
  device->SetRenderState(RS_DITHERENABLE, static_cast<uint32_t>(cache.dither));
  SetDeviceAmbientColor(cache.ambientColor);
  const GfxMaterial material = cache.material;
  SendDeviceMaterial(&material);
  for (int i = 0; i < CACHE_LIGHTS; i++) {
    if (cache.lights[i].type == 0 && !cache.lightEnabled[i]) continue;
    const GfxLight light = cache.lights[i];
    if (light.type != 0) SetDeviceLight(i, &light);
    EnableDeviceLight(i, cache.lightEnabled[i]);
  }
}

void ResendFog(void) {
  RenderStateCache &cache = g_stateCache;
  SetDeviceFogEnable(cache.fogEnable);
  SetDeviceFogMode(cache.fogMode);
  SetDeviceFogColor(cache.fogColor);
  SetDeviceFogRange(CacheBitsFloat(cache.fogStart), CacheBitsFloat(cache.fogEnd));
  SetDeviceFogDensity(CacheBitsFloat(cache.fogDensity));
}

void ResendStages(GfxDevice *device) {
  RenderStateCache &cache = g_stateCache;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    const TextureStageRecord record = cache.stages[stage];
    CacheSendStage(device, stage, &record);
    const Matrix4x4 transform = cache.textureTransform[stage];
    SetDeviceTextureTransform(stage, cache.textureTransformUsed[stage], &transform);
  }
}

// The untextured states and the one point every start queues.
void PrepareUntexturedStart(void) {
  SetPendingTexture(NULL);
  SetPendingBlendState(0, 0, 0);
  ApplyBlendStates(0, NULL, 0);
  Vertex2D *point = static_cast<Vertex2D *>(ReserveBatchVertices(BATCH_KIND_2D, PRIM_POINTLIST, 1));
  if (point) {
    point->x = point->y = point->z = 0.0f;
    point->diffuse = g_vertexBatch.diffuse;
  }
  FlushVertexBatch();
}

}  // namespace

void ResetCacheToDeviceDefaults(void) {
  RenderStateCache &cache = g_stateCache;
  memset(&cache, 0, sizeof cache);
  cache.blend = CachedBlendState{0, 0, CMP_ALWAYS, 0, 0xFFFFFFFFu, BLEND_ONE, BLEND_ZERO,
                                 BLENDOP_ADD};
  cache.stagesInUse = 1;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    cache.stages[stage] = DefaultStage(stage);
    cache.maxAnisotropy[stage] = 1;
    cache.magFilter[stage] = DrawFilters(0).mag;
    cache.minFilter[stage] = DrawFilters(0).min;
    cache.mipFilter[stage] = DrawFilters(0).mip;
    cache.addressU[stage] = cache.addressV[stage] = cache.addressW[stage] = 1;  // wrap
    MakeIdentityMatrix(&cache.textureTransform[stage]);
  }
  cache.drawFilterMode = 0;
  cache.drawAnisotropy = 1;
  cache.zEnable = 0;
  cache.zWriteEnable = 1;
  cache.zFunc = 4;
  cache.shadeMode = 2;
  cache.fillMode = 3;
  cache.cullMode = 1;
  cache.fogEnd = FOG_END_DEFAULT_BITS;
  cache.fogDensity = FOG_END_DEFAULT_BITS;
  cache.lighting = 1;
  cache.highestLight = -1;
  cache.diffuseFromVertex = 1;
  cache.specularFromVertex = 1;
}

void ForgetSceneAndShaderState(void) { ResetCacheToDeviceDefaults(); }

void ForgetDeviceBindings(void) {
  RenderStateCache &cache = g_stateCache;
  cache.pendingTexture = NULL;
  cache.blendTexture = NULL;
  cache.texturePending = 0;
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    cache.stages[stage].texture = NULL;
    cache.userSet.stages[stage].texture = NULL;
  }
  cache.renderTarget = NULL;
  cache.fvf = 0;
  cache.vertexShaderSet = 0;
  cache.pixelShaderSet = 0;
  cache.sceneOpen = 0;
  cache.lastImage = NULL;
  cache.lastTexture = NULL;
  cache.lastDrawFlags = 0;
}

void SetDeviceAlphaDefaults(void) {
  g_stateCache.blend.alphaRef = 255;
  g_stateCache.blend.textureFactor |= 0xFF000000u;
}

int ReapplyDeviceStates(void) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  RenderStateCache &cache = g_stateCache;
  cache.force = 1;
  const GfxViewport viewport = cache.viewport;
  if (viewport.width > 0 && viewport.height > 0) SetDeviceViewport(&viewport);
  const GfxRect scissor = cache.scissor;
  SetDeviceScissorRect(&scissor);
  ApplyDefaultDeviceStates();
  ResendSamplers(device);
  ApplyBlendStates(0, NULL, 0);
  SetDeviceZEnable(cache.zEnable);
  SetDeviceZWriteEnable(cache.zWriteEnable);
  SetDeviceZFunc(cache.zFunc);
  SetDeviceDepthBias(cache.depthBias);
  SetDeviceFillMode(cache.fillMode);
  SetDeviceCullMode(cache.cullMode);
  SetDeviceShadeMode(cache.shadeMode);
  ResendLightsAndMaterial(device);
  ResendFog();
  ResendStages(device);
  cache.force = 0;
  return 0;
}

int SetupDeviceStates(void) {
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  ResetVertexBatch();
  SeedSamplers(g_drawSettings.filterMode);
  SeedRenderStates();
  SeedStagesAndView(device);
  ApplyDefaultDeviceStates();
  ReapplyDeviceStates();
  BeginDeviceScene();
  PrepareUntexturedStart();
  return 0;
}
