#include "graphics/state/blend_states.h"

#include <stddef.h>
#include <string.h>

#include "graphics/device/direct3d_state.h"
#include "graphics/device/shaders.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/graphs/graph_handles.h"
#include "graphics/state/cache_internal.h"
#include "graphics/state/stage_sets.h"
#include "graphics/state/vertex_batch.h"

namespace {

enum {
  BLEND_SRCCOLOR = 3,
  BLEND_INVDESTCOLOR = 10,
  WHITE_FACTOR = -1,  // 0xFFFFFFFF
  BORDER_TEST_FACTOR = 0x00FFFFFF,
  COLOR_KEY_REFERENCE = 16
};

const BlendModeRow kBlendModes[DRAW_BLEND_MODE_COUNT] = {
    {-1, -1, 0, BLENDOP_ADD},                                 // 0 no blending
    {BLEND_INVSRCALPHA, BLEND_SRCALPHA, 0, BLENDOP_ADD},      // 1 alpha blend
    {BLEND_ONE, BLEND_SRCALPHA, 0, BLENDOP_ADD},              // 2 additive
    {BLEND_ZERO, BLEND_INVDESTCOLOR, 0, BLENDOP_ADD},         // 3 subtractive
    {BLEND_SRCCOLOR, BLEND_ZERO, 0, BLENDOP_ADD},             // 4 multiply
    {BLEND_ONE, BLEND_SRCALPHA, 0, BLENDOP_ADD},              // 5 additive
    {-1, -1, 0, BLENDOP_ADD},                                 // 6 no blending
    {-1, -1, 0, BLENDOP_ADD},                                 // 7 factors kept
    {BLEND_ONE, BLEND_ZERO, 0, BLENDOP_ADD},                  // 8 destination kept
    {BLEND_ZERO, BLEND_INVDESTCOLOR, 0, BLENDOP_ADD},         // 9 inverts by source
    {BLEND_INVSRCALPHA, BLEND_SRCALPHA, 2, BLENDOP_ADD},      // 10 inverted texture
    {BLEND_SRCCOLOR, BLEND_ZERO, 1, BLENDOP_ADD},             // 11 faded to white
    {BLEND_ONE, BLEND_SRCALPHA, 0, BLENDOP_REVSUBTRACT}};     // 12 reverse subtract

bool IsNoBlendMode(int mode) { return mode == 0 || mode == 6; }

// Multiply and the other colour-only modes weigh nothing by the source's
// alpha: a transparent texel would still change the destination.
bool FactorsIgnoreSourceAlpha(int src, int dest) {
  if (src == -1 || dest == -1) return false;  // the factors in force stay unknown
  return src != BLEND_SRCALPHA && src != BLEND_INVSRCALPHA && dest != BLEND_SRCALPHA &&
         dest != BLEND_INVSRCALPHA;
}

// The stages and blend state one application sends.
struct WantedStates {
  CachedBlendState blend;
  int stageCount;
  TextureStageRecord stages[CACHE_STAGES];
};

TextureStageRecord UnsentStage(void) {
  TextureStageRecord record;
  record.texture = NULL;
  record.texCoordIndex = CACHE_NOT_SENT;
  record.resultArg = CACHE_NOT_SENT;
  record.alphaArg1 = record.alphaArg2 = record.alphaOp = CACHE_NOT_SENT;
  record.colorArg1 = record.colorArg2 = record.colorOp = CACHE_NOT_SENT;
  return record;
}

TextureStageRecord FromBuiltin(const BuiltinStage &stage, GfxTexture *texture,
                               GfxTexture *blendTexture) {
  TextureStageRecord record;
  record.texture = stage.texture == STAGE_TEXTURE       ? texture
                   : stage.texture == STAGE_BLEND_IMAGE ? blendTexture
                                                        : NULL;
  record.texCoordIndex = stage.texCoordIndex;
  record.resultArg = 0;
  record.alphaArg1 = stage.alphaArg1;
  record.alphaArg2 = stage.alphaArg2;
  record.alphaOp = stage.alphaOp;
  record.colorArg1 = stage.colorArg1;
  record.colorArg2 = stage.colorArg2;
  record.colorOp = stage.colorOp;
  return record;
}

TextureStageRecord Stage(int16_t alphaArg1, int16_t alphaArg2, int16_t alphaOp,
                         int16_t colorArg1, int16_t colorArg2, int16_t colorOp) {
  TextureStageRecord record = UnsentStage();
  record.texCoordIndex = 0;
  record.resultArg = 0;
  record.alphaArg1 = alphaArg1;
  record.alphaArg2 = alphaArg2;
  record.alphaOp = alphaOp;
  record.colorArg1 = colorArg1;
  record.colorArg2 = colorArg2;
  record.colorOp = colorOp;
  return record;
}

// The one-stage set of an untextured draw.
TextureStageRecord UntexturedStage(int mode, int kind) {
  if (mode != DRAW_BLEND_SUB && kind == 1) {
    return Stage(TA_TEXTURE, TA_DIFFUSE, TOP_SELECTARG2, TA_DIFFUSE, TA_TFACTOR,
                 TOP_BLENDDIFFUSEALPHA);
  }
  if (mode != DRAW_BLEND_SUB && kind == 2) {
    return Stage(TA_TEXTURE, TA_DIFFUSE, TOP_SELECTARG2, TA_DIFFUSE | TA_COMPLEMENT, TA_DIFFUSE,
                 TOP_SELECTARG1);
  }
  return Stage(TA_TEXTURE, TA_DIFFUSE, TOP_SELECTARG2, TA_TEXTURE, TA_DIFFUSE, TOP_SELECTARG2);
}

void SetAlphaTest(CachedBlendState *blend, int on, int reference, int function) {
  blend->alphaTestEnable = on;
  if (!on) return;
  blend->alphaRef = reference;
  blend->alphaFunc = function;
}

void UseBuiltinSet(WantedStates *wanted, int index, GfxTexture *texture,
                   GfxTexture *blendTexture) {
  const BuiltinStageSet *set = GetBuiltinStageSet(index);
  wanted->stageCount = set->stageCount;
  for (int i = 0; i < set->stageCount; i++) {
    wanted->stages[i] = FromBuiltin(set->stages[i], texture, blendTexture);
  }
}

// The built-in choice for the pending inputs; false for a mode outside the
// table.
bool ChooseBuiltin(WantedStates *wanted) {
  const RenderStateCache &cache = g_stateCache;
  const BlendModeRow *row = GetBlendModeRow(cache.blendMode);
  if (!row) return false;
  CachedBlendState &blend = wanted->blend;
  blend = cache.blend;
  int dest = row->destBlend, src = row->srcBlend, op = row->blendOp;
  if (cache.blendMode == DRAW_BLEND_SUB && g_d3d.blendOpSupported) {
    dest = BLEND_ONE;
    src = BLEND_SRCALPHA;
    op = BLENDOP_REVSUBTRACT;
  }
  int blendOn = !IsNoBlendMode(cache.blendMode);
  uint32_t factor = 0xFFFFFFFFu;
  const int hasBlendImage = cache.blendTexture != NULL;
  const int zTest = cache.zEnable == 1;
  int alphaSource = 0;
  if (cache.useAlphaChannel || cache.useColorKey || (zTest && !hasBlendImage)) {
    alphaSource = cache.useAlphaChannel ? 1 : 2;
  }
  const int setIndex = alphaSource + 3 * (cache.useVertexAlpha ? 1 : 0) +
                       6 * (cache.useVertexColor ? 1 : 0);
  int subKind = BATCH_UNTEXTURED;
  g_stateCache.drawSuppressed = 0;
  if (cache.pendingTexture && !hasBlendImage) {
    UseBuiltinSet(wanted, setIndex + STAGE_SET_KIND_STRIDE * row->stageSetKind,
                  cache.pendingTexture, NULL);
    subKind = BATCH_TEXTURED;
    if (cache.useColorKey) {
      SetAlphaTest(&blend, 1, COLOR_KEY_REFERENCE, CMP_GREATER);
    } else if (zTest || (cache.useAlphaChannel && blendOn && FactorsIgnoreSourceAlpha(src, dest))) {
      SetAlphaTest(&blend, 1, 0, CMP_GREATER);
    } else {
      SetAlphaTest(&blend, 0, 0, 0);
    }
    if (cache.useAlphaChannel && IsNoBlendMode(cache.blendMode)) {
      src = BLEND_SRCALPHA;
      dest = BLEND_INVSRCALPHA;
    }
    if (cache.useAlphaChannel) blendOn = 1;
  } else if (cache.pendingTexture) {
    UseBuiltinSet(wanted, STAGE_SET_BLEND_IMAGE + setIndex, cache.pendingTexture,
                  cache.blendTexture);
    subKind = BATCH_BLEND_TEXTURED;
    if (IsNoBlendMode(cache.blendMode)) {
      src = BLEND_SRCALPHA;
      dest = BLEND_INVSRCALPHA;
    }
    const int parameter = cache.blendBorderParam;
    g_stateCache.drawSuppressed = parameter == 255;
    if (cache.blendBorderRange <= 1) {
      const int anyAlpha = cache.useAlphaChannel || cache.useColorKey;
      SetAlphaTest(&blend, 1, parameter == 0 && anyAlpha ? 1 : parameter, CMP_GREATEREQUAL);
      blendOn = 0;
      factor = BORDER_TEST_FACTOR;
    } else {
      const BlendBorderStates border =
          ComputeBlendBorderStates(parameter, cache.blendBorderRange);
      SetAlphaTest(&blend, 0, 0, 0);
      blendOn = 1;
      factor = (static_cast<uint32_t>(border.factorAlpha) << 24) | 0x00FFFFFFu;
      wanted->stages[0].alphaOp = static_cast<int16_t>(border.stage0AlphaOp);
      wanted->stages[1].alphaOp = static_cast<int16_t>(border.stage1AlphaOp);
    }
  } else {
    wanted->stageCount = 1;
    wanted->stages[0] = UntexturedStage(cache.blendMode, row->stageSetKind);
    SetAlphaTest(&blend, 0, 0, 0);
    factor = row->stageSetKind == 1 ? 0xFFFFFFFFu : cache.blend.textureFactor;
  }
  blend.alphaBlendEnable = blendOn;
  blend.textureFactor = factor;
  blend.srcBlend = src;
  blend.destBlend = dest;
  blend.blendOp = op;
  SetBatchSubKind(subKind);
  return true;
}

void FromCallerSet(WantedStates *wanted, const TextureStageSet *set, int textureFactor,
                   int texturesAreGraphs) {
  CachedBlendState &blend = wanted->blend;
  blend.alphaTestEnable = set->alphaTestEnable;
  blend.alphaRef = set->alphaRef;
  blend.alphaFunc = set->alphaFunc;
  blend.alphaBlendEnable = set->alphaBlendEnable;
  blend.textureFactor = static_cast<uint32_t>(textureFactor);
  blend.srcBlend = set->srcBlend;
  blend.destBlend = set->destBlend;
  blend.blendOp = set->blendOp;
  int count = set->stageCount;
  if (count < 0) count = 0;
  if (count > CACHE_STAGES) count = CACHE_STAGES;
  wanted->stageCount = count;
  for (int i = 0; i < count; i++) {
    wanted->stages[i] = set->stages[i];
    if (texturesAreGraphs) wanted->stages[i].texture = GetGraphTexture(set->graphs[i]);
  }
}

void SendBlendValue(GfxDevice *device, int state, int *cached, int wanted) {
  // A -1 factor or operation is left as it is; forced, the cached one goes.
  if (wanted == -1) {
    if (!g_stateCache.force || *cached == -1) return;
    wanted = *cached;
  }
  if (!CacheShouldSend(*cached, wanted)) return;
  CacheSendRenderState(device, state, static_cast<uint32_t>(wanted));
  *cached = wanted;
}

void SendBlendState(GfxDevice *device, const CachedBlendState &wanted) {
  CachedBlendState &cached = g_stateCache.blend;
  SendBlendValue(device, RS_ALPHAFUNC, &cached.alphaFunc, wanted.alphaFunc);
  SendBlendValue(device, RS_ALPHAREF, &cached.alphaRef, wanted.alphaRef);
  SendBlendValue(device, RS_ALPHATESTENABLE, &cached.alphaTestEnable, wanted.alphaTestEnable);
  SendBlendValue(device, RS_ALPHABLENDENABLE, &cached.alphaBlendEnable, wanted.alphaBlendEnable);
  int factor = static_cast<int>(cached.textureFactor);
  const int wantedFactor = static_cast<int>(wanted.textureFactor);
  if (CacheShouldSend(factor, wantedFactor)) {
    CacheSendRenderState(device, RS_TEXTUREFACTOR, wanted.textureFactor);
    cached.textureFactor = wanted.textureFactor;
    const uint32_t f = wanted.textureFactor;
    SetPixelConstantCopy(5, static_cast<float>(f & 0xFF) / 255.0f,
                         static_cast<float>((f >> 8) & 0xFF) / 255.0f,
                         static_cast<float>((f >> 16) & 0xFF) / 255.0f,
                         static_cast<float>(f >> 24) / 255.0f);
  }
  SendBlendValue(device, RS_SRCBLEND, &cached.srcBlend, wanted.srcBlend);
  SendBlendValue(device, RS_DESTBLEND, &cached.destBlend, wanted.destBlend);
  SendBlendValue(device, RS_BLENDOP, &cached.blendOp, wanted.blendOp);
}

// A changed stage count re-applies the draw filter to the stages now in use.
void UpdateStagesInUse(int count) {
  RenderStateCache &cache = g_stateCache;
  if (count < 1) count = 1;
  if (count == cache.stagesInUse) return;
  cache.stagesInUse = count;
  const int force = cache.force;
  cache.force = 1;
  if (cache.drawFilterMode >= 0 && cache.drawFilterMode <= 2) {
    SetDrawFilterStates(cache.drawFilterMode);
  }
  SetDrawAnisotropy(cache.drawAnisotropy);
  cache.force = force;
}

void SendWanted(GfxDevice *device, WantedStates *wanted) {
  UpdateStagesInUse(wanted->stageCount);
  SendBlendState(device, wanted->blend);
  // The stage after the last is disabled so the device stops there.
  int sent = wanted->stageCount + 1;
  if (sent > CACHE_STAGES) sent = CACHE_STAGES;
  if (wanted->stageCount < CACHE_STAGES) {
    TextureStageRecord &last = wanted->stages[wanted->stageCount];
    last = UnsentStage();
    last.alphaOp = TOP_DISABLE;
    last.colorOp = TOP_DISABLE;
  }
  for (int stage = 0; stage < sent; stage++) {
    if (stage >= 2 && g_stateCache.stages[stage - 1].alphaOp == TOP_DISABLE) break;
    CacheSendStage(device, stage, &wanted->stages[stage]);
  }
}

// The stage a lone texture change binds at.
int TextureStage(void) {
  if (!g_stateCache.blendTexture) return 0;
  return g_stateCache.useAlphaChannel ? 2 : 1;
}

}  // namespace

const BlendModeRow *GetBlendModeRow(int mode) {
  return mode >= 0 && mode < DRAW_BLEND_MODE_COUNT ? &kBlendModes[mode] : NULL;
}

BlendBorderStates ComputeBlendBorderStates(int parameter, int range) {
  BlendBorderStates states;
  if (range > 128) {
    const int level = 512 - parameter * 512 / 255;
    if (level < 256) {
      states.factorAlpha = 255 - level * 255 / 256;
      states.stage0AlphaOp = TOP_SUBTRACT;
    } else {
      states.factorAlpha = (level - 256) * 255 / 256;
      states.stage0AlphaOp = TOP_ADD;
    }
    states.stage1AlphaOp = TOP_MODULATE;
    return states;
  }
  const int scale = range > 64 ? 768 : 1280;  // 2x or 4x amplification
  const int q = parameter * scale / 255;
  if (q < 257) {
    states.factorAlpha = (256 - q) * (range > 64 ? 128 : 64) / 256;
    states.stage0AlphaOp = TOP_ADD;
  } else {
    states.factorAlpha = 255 - (scale * 255 - q * 255) / (range > 64 ? 512 : 1024);
    states.stage0AlphaOp = TOP_SUBTRACT;
  }
  states.stage1AlphaOp = range > 64 ? TOP_MODULATE2X : TOP_MODULATE4X;
  return states;
}

void CacheSendStage(GfxDevice *device, int stage, const TextureStageRecord *wanted) {
  TextureStageRecord &cached = g_stateCache.stages[stage];
  if (g_stateCache.force || cached.texture != wanted->texture) {
    FlushVertexBatch();
    device->SetTexture(stage, wanted->texture);
    cached.texture = wanted->texture;
  }
  if (wanted->texCoordIndex != CACHE_NOT_SENT &&
      CacheShouldSend(cached.texCoordIndex, wanted->texCoordIndex)) {
    FlushVertexBatch();
    device->SetTextureStageState(stage, TSS_TEXCOORDINDEX,
                                 static_cast<uint32_t>(wanted->texCoordIndex));
    cached.texCoordIndex = wanted->texCoordIndex;
  }
  if (g_d3d.argTempSupported && wanted->resultArg != CACHE_NOT_SENT) {
    const int flag = wanted->resultArg ? 1 : 0;
    if (CacheShouldSend(cached.resultArg, flag)) {
      FlushVertexBatch();
      device->SetTextureStageState(stage, TSS_RESULTARG, flag ? TA_TEMP : TA_CURRENT);
      cached.resultArg = flag;
    }
  }
  struct Field {
    int16_t TextureStageRecord::*member;
    int state;
  };
  static const Field kFields[6] = {
      {&TextureStageRecord::alphaArg1, TSS_ALPHAARG1}, {&TextureStageRecord::alphaArg2, TSS_ALPHAARG2},
      {&TextureStageRecord::alphaOp, TSS_ALPHAOP},     {&TextureStageRecord::colorArg1, TSS_COLORARG1},
      {&TextureStageRecord::colorArg2, TSS_COLORARG2}, {&TextureStageRecord::colorOp, TSS_COLOROP}};
  for (const Field &field : kFields) {
    const int value = wanted->*field.member;
    if (value == CACHE_NOT_SENT || !CacheShouldSend(cached.*field.member, value)) continue;
    FlushVertexBatch();
    device->SetTextureStageState(stage, field.state, static_cast<uint32_t>(value));
    cached.*field.member = static_cast<int16_t>(value);
  }
}

int ApplyBlendStates(int stageTexturesAreGraphs, const TextureStageSet *set,
                     int textureFactor) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  RenderStateCache &cache = g_stateCache;
  WantedStates wanted;
  memset(&wanted, 0, sizeof wanted);
  for (TextureStageRecord &stage : wanted.stages) stage = UnsentStage();
  if (set) {
    FromCallerSet(&wanted, set, textureFactor, stageTexturesAreGraphs);
  } else if (cache.userSetInstalled) {
    FromCallerSet(&wanted, &cache.userSet, cache.userSetFactor, stageTexturesAreGraphs);
  } else {
    if (!cache.blendPending && !cache.force) {
      if (!cache.texturePending) return -1;
      const int stage = TextureStage();
      TextureStageRecord binding = UnsentStage();
      binding.texture = cache.pendingTexture;
      CacheSendStage(device, stage, &binding);
      cache.texturePending = 0;
      return 0;
    }
    if (!ChooseBuiltin(&wanted)) return -1;
  }
  SendWanted(device, &wanted);
  cache.blendPending = 0;
  cache.texturePending = 0;
  return 0;
}

int SetPendingBlendState(int mode, int useAlphaChannel, int colorKeyTest) {
  if (!StateDevice()) return -1;
  FlushVertexBatch();
  g_stateCache.blendMode = mode;
  g_stateCache.useAlphaChannel = useAlphaChannel;
  g_stateCache.useColorKey = colorKeyTest;
  g_stateCache.blendPending = 1;
  return 0;
}

int SetPendingTexture(GfxTexture *texture) {
  if (!StateDevice()) return -1;
  FlushVertexBatch();
  // Drawing with a texture or without one takes other stage sets and
  // another vertex layout: swapping the texture alone is not enough then.
  if ((texture == NULL) != (g_stateCache.pendingTexture == NULL)) g_stateCache.blendPending = 1;
  g_stateCache.pendingTexture = texture;
  g_stateCache.texturePending = 1;
  return 0;
}

int SetBlendTexture(int range, GfxTexture *texture, int parameter) {
  if (!StateDevice()) return -1;
  FlushVertexBatch();
  RenderStateCache &cache = g_stateCache;
  if (range != -1) cache.blendBorderRange = range;
  if (parameter != -1) cache.blendBorderParam = parameter;
  cache.blendTexture = texture;
  cache.blendPending = 1;
  return 0;
}

int SetUserTextureStageSet(const TextureStageSet *set, int textureFactor) {
  RenderStateCache &cache = g_stateCache;
  if (!set) {
    cache.userSetInstalled = 0;
    cache.blendPending = 1;
    return 0;
  }
  cache.userSet = *set;
  cache.userSetFactor = textureFactor;
  cache.userSetInstalled = 1;
  ApplyBlendStates(0, NULL, 0);
  return 0;
}

int ApplyDefaultDeviceStates(void) {
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  FlushVertexBatch();
  RenderStateCache &cache = g_stateCache;
  for (int stage = 0; stage < 4; stage++) {
    device->SetSamplerState(stage, SAMP_ADDRESSU, static_cast<uint32_t>(cache.addressU[stage]));
    device->SetSamplerState(stage, SAMP_ADDRESSV, static_cast<uint32_t>(cache.addressV[stage]));
  }
  for (int stage = 0; stage < CACHE_STAGES; stage++) {
    device->SetTextureStageState(stage, TSS_TEXCOORDINDEX, static_cast<uint32_t>(stage));
    cache.stages[stage].texCoordIndex = stage;
  }
  if (g_d3d.argTempSupported) {
    for (int stage = 0; stage < 4; stage++) {
      device->SetTextureStageState(stage, TSS_RESULTARG, TA_CURRENT);
      cache.stages[stage].resultArg = 0;
    }
  }
  device->SetRenderState(RS_SHADEMODE, static_cast<uint32_t>(cache.shadeMode));
  device->SetRenderState(RS_LIGHTING, static_cast<uint32_t>(cache.lighting));
  device->SetRenderState(RS_CULLMODE, 1);
  cache.cullMode = 0;
  device->SetRenderState(RS_DITHERENABLE, 0);
  cache.dither = 0;
  SetVertexConstantCopy(0, 0.0f, 1.0f, 0.0f, 0.0f);
  SetPixelConstantCopy(0, 0.0f, 0.5f, 1.0f, 2.0f);
  device->SetNoShaders();
  cache.vertexShaderSet = 0;
  cache.pixelShaderSet = 0;
  return 0;
}
