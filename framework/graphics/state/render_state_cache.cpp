#include "graphics/state/render_state_cache.h"

#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/shaders.h"
#include "graphics/state/cache_internal.h"
#include "graphics/state/vertex_batch.h"

RenderStateCache g_stateCache;

GfxDevice *StateDevice(void) { return g_d3d.deviceMade ? GetGfxDevice() : NULL; }

int CacheFloatBits(float value) {
  int bits;
  memcpy(&bits, &value, sizeof bits);
  return bits;
}

float CacheBitsFloat(int bits) {
  float value;
  memcpy(&value, &bits, sizeof value);
  return value;
}

bool CacheShouldSend(int cached, int wanted) { return g_stateCache.force || cached != wanted; }

void CacheSendRenderState(GfxDevice *device, int state, uint32_t value) {
  FlushVertexBatch();
  device->SetRenderState(state, value);
}

namespace {

// The common shape of the plain setters: skip when unchanged, else flush,
// send the mapped value and keep the given one.
int SetCachedState(int *cached, int wanted, int state, uint32_t deviceValue, int noDevice) {
  GfxDevice *device = StateDevice();
  if (!device) return noDevice;
  if (!CacheShouldSend(*cached, wanted)) return 0;
  CacheSendRenderState(device, state, deviceValue);
  *cached = wanted;
  return 0;
}

void RefreshFogConstant(void) {
  const float start = CacheBitsFloat(g_stateCache.fogStart);
  const float end = CacheBitsFloat(g_stateCache.fogEnd);
  const float range = end - start;
  const float scale = range != 0.0f ? 1.0f / range : 0.0f;
  SetVertexConstantCopy(10, end * scale, -scale, CacheBitsFloat(g_stateCache.fogDensity),
                        2.71828f);
}

}  // namespace

int BeginDeviceScene(void) {
  GfxDevice *device = StateDevice();
  if (!device || g_stateCache.sceneOpen) return 0;
  const int result = device->BeginScene();
  g_stateCache.sceneOpen = 1;
  g_stateCache.lastImage = NULL;
  g_stateCache.lastTexture = NULL;
  g_stateCache.lastDrawFlags = 0;
  return result;
}

int EndDeviceScene(void) {
  GfxDevice *device = StateDevice();
  if (!device || !g_stateCache.sceneOpen) return 0;
  g_stateCache.sceneOpen = 0;
  return device->EndScene();
}

int SetDeviceLighting(int on) {
  const int result = SetCachedState(&g_stateCache.lighting, on, RS_LIGHTING,
                                    static_cast<uint32_t>(on), 0);
  RecomputeShaderSelector();
  return result;
}

int SetDeviceSpecularEnable(int on) {
  return SetCachedState(&g_stateCache.specularEnable, on, RS_SPECULARENABLE,
                        static_cast<uint32_t>(on), 0);
}

int SetDiffuseFromVertexColor(int on) {
  const int flag = on ? 1 : 0;
  return SetCachedState(&g_stateCache.diffuseFromVertex, flag, RS_DIFFUSEMATERIALSOURCE,
                        flag ? 1u : 0u, 0);
}

int SetSpecularFromVertexColor(int on) {
  const int flag = on ? 1 : 0;
  return SetCachedState(&g_stateCache.specularFromVertex, flag, RS_SPECULARMATERIALSOURCE,
                        flag ? 2u : 0u, 0);
}

int SetDeviceShadeMode(int mode) {
  return SetCachedState(&g_stateCache.shadeMode, mode, RS_SHADEMODE,
                        static_cast<uint32_t>(mode), 0);
}

int SetDeviceCullMode(int mode) {
  static const uint32_t kDeviceCull[3] = {1, 3, 2};
  if (mode < 0 || mode > 2) return -1;
  SetCachedState(&g_stateCache.cullMode, mode, RS_CULLMODE, kDeviceCull[mode], 0);
  return 0;
}

int SetDeviceZEnable(int on) {
  return SetCachedState(&g_stateCache.zEnable, on, RS_ZENABLE, on == 1 ? 1u : 0u, -1);
}

int SetDeviceZWriteEnable(int on) {
  return SetCachedState(&g_stateCache.zWriteEnable, on, RS_ZWRITEENABLE,
                        static_cast<uint32_t>(on), -1);
}

int SetDeviceZFunc(int func) {
  return SetCachedState(&g_stateCache.zFunc, func, RS_ZFUNC, static_cast<uint32_t>(func), -1);
}

int SetDeviceDepthBias(int bias) {
  return SetCachedState(&g_stateCache.depthBias, bias, RS_DEPTHBIAS,
                        static_cast<uint32_t>(bias), -1);
}

int SetDeviceFillMode(int mode) {
  return SetCachedState(&g_stateCache.fillMode, mode, RS_FILLMODE, static_cast<uint32_t>(mode),
                        -1);
}

int SetDeviceFogEnable(int on) {
  const int result = SetCachedState(&g_stateCache.fogEnable, on, RS_FOGENABLE,
                                    static_cast<uint32_t>(on), 0);
  RecomputeShaderSelector();
  return result;
}

int SetDeviceFogMode(int mode) {
  const int result = SetCachedState(&g_stateCache.fogMode, mode, RS_FOGVERTEXMODE,
                                    static_cast<uint32_t>(mode), 0);
  SetVertexBoolCopy(0, mode == 3);
  SetVertexBoolCopy(1, mode == 1);
  SetVertexBoolCopy(2, mode == 2);
  SetVertexBoolCopy(3, mode != 0);
  RecomputeShaderSelector();
  return result;
}

int SetDeviceFogColor(uint32_t argb) {
  int cached = static_cast<int>(g_stateCache.fogColor);
  const int result = SetCachedState(&cached, static_cast<int>(argb), RS_FOGCOLOR, argb, 0);
  g_stateCache.fogColor = static_cast<uint32_t>(cached);
  return result;
}

int SetDeviceFogRange(float start, float end) {
  if (!StateDevice()) return 0;
  const int startBits = CacheFloatBits(start), endBits = CacheFloatBits(end);
  SetCachedState(&g_stateCache.fogStart, startBits, RS_FOGSTART,
                 static_cast<uint32_t>(startBits), 0);
  RefreshFogConstant();
  SetCachedState(&g_stateCache.fogEnd, endBits, RS_FOGEND, static_cast<uint32_t>(endBits), 0);
  RefreshFogConstant();
  return 0;
}

int SetDeviceFogDensity(float density) {
  const int bits = CacheFloatBits(density);
  const int result =
      SetCachedState(&g_stateCache.fogDensity, bits, RS_FOGDENSITY, static_cast<uint32_t>(bits), 0);
  RefreshFogConstant();
  return result;
}

int SetDeviceAmbientColor(uint32_t argb) {
  int cached = static_cast<int>(g_stateCache.ambientColor);
  const int result = SetCachedState(&cached, static_cast<int>(argb), RS_AMBIENT, argb, 0);
  g_stateCache.ambientColor = static_cast<uint32_t>(cached);
  g_stateCache.ambientColorF[0] = static_cast<float>((argb >> 16) & 0xFF) / 255.0f;
  g_stateCache.ambientColorF[1] = static_cast<float>((argb >> 8) & 0xFF) / 255.0f;
  g_stateCache.ambientColorF[2] = static_cast<float>(argb & 0xFF) / 255.0f;
  g_stateCache.ambientColorF[3] = static_cast<float>((argb >> 24) & 0xFF) / 255.0f;
  RefreshLightConstants();
  return result;
}

int SetDeviceLight(int index, const GfxLight *light) {
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  if (index < 0 || index >= CACHE_LIGHTS || !light) return -1;
  FlushVertexBatch();
  g_stateCache.lights[index] = *light;
  if (index < 4) RefreshLightConstants();
  RecomputeShaderSelector();
  device->SetLight(index, light);
  return 0;
}

int EnableDeviceLight(int index, int on) {
  GfxDevice *device = StateDevice();
  if (!device) return 0;
  if (index < 0 || index >= CACHE_LIGHTS) return -1;
  FlushVertexBatch();
  RenderStateCache &cache = g_stateCache;
  cache.lightEnabled[index] = on ? 1 : 0;
  if (on && index > cache.highestLight) cache.highestLight = index;
  if (!on && index == cache.highestLight) {
    int highest = index - 1;
    while (highest >= 0 && !cache.lightEnabled[highest]) highest--;
    cache.highestLight = highest;
  }
  RefreshLightConstants();
  device->LightEnable(index, on ? 1 : 0);
  return 0;
}

int SendDeviceMaterial(const GfxMaterial *material) {
  GfxDevice *device = StateDevice();
  if (!device || !material) return 0;
  if (!g_stateCache.force && memcmp(&g_stateCache.material, material, sizeof *material) == 0) {
    return 0;
  }
  FlushVertexBatch();
  device->SetMaterial(material);
  g_stateCache.material = *material;
  RefreshLightConstants();
  return 0;
}

void RefreshLightConstants(void) {
  const RenderStateCache &cache = g_stateCache;
  const ColorF &ambient = cache.material.ambient;
  for (int i = 0; i <= cache.highestLight && i < 4; i++) {
    if (!cache.lightEnabled[i]) continue;
    const ColorF &light = cache.lights[i].ambient;
    const float r = light.r * ambient.r, g = light.g * ambient.g, b = light.b * ambient.b,
                a = light.a * ambient.a;
    SetVertexConstantCopy(18 + 7 * i, r, g, b, a);
    SetPixelConstantCopy(11 + 3 * i, r, g, b, a);
  }
  const ColorF &emissive = cache.material.emissive;
  const float *global = cache.ambientColorF;
  const float r = global[0] * ambient.r + emissive.r, g = global[1] * ambient.g + emissive.g,
              b = global[2] * ambient.b + emissive.b, a = global[3] * ambient.a + emissive.a;
  SetVertexConstantCopy(1, r, g, b, a);
  SetPixelConstantCopy(1, r, g, b, a);
}
