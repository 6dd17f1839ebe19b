// The per-draw preparation: the device brought in line with the draw
// settings before a hardware draw queues its vertices.
#include <stddef.h>

#include "graphics/draw/draw_settings.h"
#include "graphics/draw/lights.h"
#include "graphics/graphs/graph_records.h"
#include "graphics/state/blend_states.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

enum { BILINEAR_FILTER = 1 };

void ClearShaders(GfxDevice *device) {
  RenderStateCache &cache = g_stateCache;
  if (!cache.vertexShaderSet && !cache.pixelShaderSet) return;
  FlushVertexBatch();
  device->SetNoShaders();
  cache.vertexShaderSet = 0;
  cache.pixelShaderSet = 0;
}

GfxMaterial DrawSettingsMaterial(void) {
  const DrawSettings &settings = g_drawSettings;
  GfxMaterial material;
  material.diffuse = settings.materialDiffuse;
  material.ambient = settings.materialAmbient;
  material.specular = settings.materialSpecular;
  material.emissive = settings.materialEmissive;
  material.power = settings.materialPower;
  return material;
}

void PrepareLighting(int flags) {
  const DrawSettings &settings = g_drawSettings;
  if (!(flags & DRAW_FLAG_LIGHTING) || settings.lightingDisabled) {
    if (g_stateCache.lighting) SetDeviceLighting(0);
    return;
  }
  if (settings.lightsChanged || settings.resendAllLights) {
    UpdateDeviceLights();
  } else if (!g_stateCache.lighting) {
    SetDeviceLighting(1);
  }
  const GfxMaterial material = DrawSettingsMaterial();
  SendDeviceMaterial(&material);
  SetDiffuseFromVertexColor(1);
  SetSpecularFromVertexColor(1);
}

// The 3-D or the 2-D depth set; 2-D drawing has no Z test or write.
void PrepareDepth(int flags) {
  const DrawSettings &settings = g_drawSettings;
  const bool depth3D = (flags & DRAW_FLAG_3D_DEPTH) != 0;
  const int enable = depth3D ? settings.depthTest3D : 0;
  const int write = depth3D ? settings.depthWrite3D : 0;
  const int function = depth3D ? settings.zFunction3D : settings.zFunction2D;
  if (enable) {
    SetDeviceZEnable(enable);
    SetDeviceZWriteEnable(write);
    SetDeviceZFunc(function);
    SetDeviceDepthBias(0);
  } else if (g_stateCache.zEnable == 1) {
    SetDeviceZEnable(0);
  }
}

void PrepareBlend(const GraphRecord *image, GfxTexture *texture, int flags, int zChanged) {
  const DrawSettings &settings = g_drawSettings;
  RenderStateCache &cache = g_stateCache;
  const int mode = settings.blendMode;
  int alphaChannel = 0, colorKey = 0;
  const int imageAlpha = GraphHasAlphaChannel(image), imageKey = GraphHasColorKey(image);
  if ((flags & DRAW_FLAG_TRANSPARENT) && image && texture && (imageAlpha || imageKey)) {
    if (mode != 0 && mode != 8) {
      alphaChannel = 1;
    } else if (!(flags & DRAW_FLAG_KEEP_ALPHA_TEST) && settings.filterMode == BILINEAR_FILTER) {
      alphaChannel = 1;
    } else {
      alphaChannel = imageAlpha;
      colorKey = imageKey;
    }
  }
  const int vertexColor = (flags & DRAW_FLAG_VERTEX_COLOR) || cache.holdVertexColor ||
                                  !DrawBrightnessIsWhite(settings.drawBrightness)
                              ? 1
                              : 0;
  const int vertexAlpha = (flags & DRAW_FLAG_VERTEX_ALPHA) || mode != 0 ? 1 : 0;
  if (vertexColor != cache.useVertexColor || vertexAlpha != cache.useVertexAlpha || zChanged) {
    FlushVertexBatch();
    cache.useVertexColor = vertexColor;
    cache.useVertexAlpha = vertexAlpha;
    cache.blendPending = 1;
  }
  if (texture != cache.pendingTexture) SetPendingTexture(texture);
  if (mode != cache.blendMode || alphaChannel != cache.useAlphaChannel ||
      colorKey != cache.useColorKey) {
    SetPendingBlendState(mode, alphaChannel, colorKey);
  }
  if (cache.blendPending || cache.texturePending || cache.force) ApplyBlendStates(1, NULL, 0);
}

void PrepareSampling(int flags) {
  const DrawSettings &settings = g_drawSettings;
  RenderStateCache &cache = g_stateCache;
  if (cache.drawFilterMode != settings.filterMode) SetDrawFilterStates(settings.filterMode);
  if (cache.drawAnisotropy != settings.anisotropy) SetDrawAnisotropy(settings.anisotropy);
  SetDeviceCullMode(0);
  if (cache.textureTransformPending) {
    cache.textureTransformPending = 0;
    SetDeviceTextureTransform(-1, settings.textureTransformUse, &settings.textureTransform);
  }
  if (flags & DRAW_FLAG_ADDRESS_MODES) {
    for (int stage = 0; stage < CACHE_STAGES; stage++) {
      SetSamplerAddressU(settings.textureAddressU[stage], stage);
      SetSamplerAddressV(settings.textureAddressV[stage], stage);
    }
  } else {
    for (int stage = 0; stage < 4; stage++) {
      SetSamplerAddressU(TEXTURE_ADDRESS_CLAMP, stage);
      SetSamplerAddressV(TEXTURE_ADDRESS_CLAMP, stage);
      SetSamplerAddressW(TEXTURE_ADDRESS_CLAMP, stage);
    }
  }
}

}  // namespace

void HoldVertexColor(int on) { g_stateCache.holdVertexColor = on ? 1 : 0; }

void PrepareDrawStates(const GraphRecord *image, GfxTexture *texture, int flags) {
  GfxDevice *device = StateDevice();
  if (!device) return;
  RenderStateCache &cache = g_stateCache;
  if (!(flags & DRAW_FLAG_KEEP_SHADERS)) ClearShaders(device);
  PrepareLighting(flags);
  SetDeviceSpecularEnable((flags & DRAW_FLAG_SPECULAR) && !g_drawSettings.specularOff ? 1 : 0);
  const int zBefore = cache.zEnable == 1;
  PrepareDepth(flags);
  // The alpha source of the stage sets follows the Z test: a change of it
  // needs the blend states again.
  const int zChanged = zBefore != (cache.zEnable == 1);
  SetDeviceFillMode(g_drawSettings.fillMode);
  SetDeviceFogEnable(flags & DRAW_FLAG_FOG ? g_drawSettings.fogEnable : 0);
  if (!(flags & DRAW_FLAG_KEEP_BLEND)) PrepareBlend(image, texture, flags, zChanged);
  SetDeviceShadeMode(flags & DRAW_FLAG_GOURAUD ? 2 : 1);
  PrepareSampling(flags);
  cache.lastImage = image;
  cache.lastTexture = texture;
  cache.lastDrawFlags = flags;
}
