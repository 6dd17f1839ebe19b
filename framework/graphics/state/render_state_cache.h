// The render-state cache: every device state last sent. Each setter
// compares the wanted value with the cached one and calls the device only
// when they differ or the force flag is up; before it sends anything it
// draws the vertices already queued, so they keep the states they were
// queued under. Model drawing calls these setters directly; 2-D drawing
// reaches them through the per-draw preparation.
#ifndef VELVANE_GRAPHICS_RENDER_STATE_CACHE_H
#define VELVANE_GRAPHICS_RENDER_STATE_CACHE_H

#include <stdint.h>

#include "graphics/device/gfx_device.h"
#include "velvane.h"

enum {
  CACHE_STAGES = 8,
  CACHE_LIGHTS = 256,
  CACHE_NOT_SENT = -1  // a 16-bit stage value the device was never sent
};

// Direct3D 9 codes the cache sends.
enum GfxRenderStateCode {
  RS_ZENABLE = 7,
  RS_FILLMODE = 8,
  RS_SHADEMODE = 9,
  RS_ZWRITEENABLE = 14,
  RS_ALPHATESTENABLE = 15,
  RS_SRCBLEND = 19,
  RS_DESTBLEND = 20,
  RS_CULLMODE = 22,
  RS_ZFUNC = 23,
  RS_ALPHAREF = 24,
  RS_ALPHAFUNC = 25,
  RS_DITHERENABLE = 26,
  RS_ALPHABLENDENABLE = 27,
  RS_FOGENABLE = 28,
  RS_SPECULARENABLE = 29,
  RS_FOGCOLOR = 34,
  RS_FOGSTART = 36,
  RS_FOGEND = 37,
  RS_FOGDENSITY = 38,
  RS_TEXTUREFACTOR = 60,
  RS_LIGHTING = 137,
  RS_AMBIENT = 139,
  RS_FOGVERTEXMODE = 140,
  RS_NORMALIZENORMALS = 143,
  RS_DIFFUSEMATERIALSOURCE = 145,
  RS_SPECULARMATERIALSOURCE = 146,
  RS_AMBIENTMATERIALSOURCE = 147,
  RS_BLENDOP = 171,
  RS_DEPTHBIAS = 195
};

enum GfxSamplerStateCode {
  SAMP_ADDRESSU = 1,
  SAMP_ADDRESSV = 2,
  SAMP_ADDRESSW = 3,
  SAMP_MAGFILTER = 5,
  SAMP_MINFILTER = 6,
  SAMP_MIPFILTER = 7,
  SAMP_MAXANISOTROPY = 10
};

enum GfxStageStateCode {
  TSS_COLOROP = 1,
  TSS_COLORARG1 = 2,
  TSS_COLORARG2 = 3,
  TSS_ALPHAOP = 4,
  TSS_ALPHAARG1 = 5,
  TSS_ALPHAARG2 = 6,
  TSS_TEXCOORDINDEX = 11,
  TSS_TEXTURETRANSFORMFLAGS = 24,
  TSS_RESULTARG = 28
};

enum GfxTransformCode {
  TS_VIEW = 2,
  TS_PROJECTION = 3,
  TS_TEXTURE0 = 16,
  TS_WORLD = 256
};

enum GfxTextureFilter {
  TEXF_NONE = 0,
  TEXF_POINT = 1,
  TEXF_LINEAR = 2,
  TEXF_ANISOTROPIC = 3
};

enum GfxStageOp {
  TOP_DISABLE = 1,
  TOP_SELECTARG1 = 2,
  TOP_SELECTARG2 = 3,
  TOP_MODULATE = 4,
  TOP_MODULATE2X = 5,
  TOP_MODULATE4X = 6,
  TOP_ADD = 7,
  TOP_SUBTRACT = 10,
  TOP_BLENDDIFFUSEALPHA = 12,
  TOP_BLENDCURRENTALPHA = 16
};

enum GfxStageArg {
  TA_DIFFUSE = 0,
  TA_CURRENT = 1,
  TA_TEXTURE = 2,
  TA_TFACTOR = 3,
  TA_SPECULAR = 4,
  TA_TEMP = 5,
  TA_COMPLEMENT = 0x10
};

enum {
  CMP_GREATER = 5,
  CMP_GREATEREQUAL = 7,
  CMP_ALWAYS = 8,
  BLEND_ZERO = 1,
  BLEND_ONE = 2,
  BLEND_SRCALPHA = 5,
  BLEND_INVSRCALPHA = 6,
  BLENDOP_ADD = 1,
  BLENDOP_REVSUBTRACT = 3,
  TEXTURE_ADDRESS_CLAMP = 3
};

// One texture stage as the cache and the stage sets hold it. The six
// 16-bit values are CACHE_NOT_SENT until sent.
struct TextureStageRecord {
  GfxTexture *texture;
  int texCoordIndex;
  int resultArg;  // non-zero: the temporary register
  int16_t alphaArg1, alphaArg2, alphaOp;
  int16_t colorArg1, colorArg2, colorOp;
};

// A caller's texture-stage set: nine ints of blend state, the stage count
// and the stages. graphs[] holds graph handles for sets whose textures are
// named by graph.
struct TextureStageSet {
  int alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable;
  int textureFactor, srcBlend, destBlend, blendOp;
  int extra;  // not read by the blend application
  int stageCount;
  TextureStageRecord stages[CACHE_STAGES];
  int graphs[CACHE_STAGES];
};

struct CachedBlendState {
  int alphaTestEnable, alphaRef, alphaFunc, alphaBlendEnable;
  uint32_t textureFactor;
  int srcBlend, destBlend, blendOp;
};

struct RenderStateCache {
  // Pending inputs of the blend application.
  GfxTexture *pendingTexture;
  GfxTexture *blendTexture;
  int blendBorderParam;  // 0-255
  int blendBorderRange;  // 1-255
  int blendMode, useAlphaChannel, useColorKey, useVertexColor, useVertexAlpha;
  int holdVertexColor;  // see HoldVertexColor
  int blendPending, texturePending;
  int drawSuppressed;

  CachedBlendState blend;
  int stagesInUse;  // 1-8
  TextureStageRecord stages[CACHE_STAGES];

  int userSetInstalled;
  int userSetFactor;
  TextureStageSet userSet;

  int drawFilterMode;  // 0-2, 3 after a direct sampler call
  int drawAnisotropy;  // -1: to be re-applied
  int maxAnisotropy[CACHE_STAGES];
  int magFilter[CACHE_STAGES], minFilter[CACHE_STAGES], mipFilter[CACHE_STAGES];

  int zEnable, zWriteEnable, zFunc;
  int depthBias;  // float bits

  int textureTransformUsed[CACHE_STAGES];
  Matrix4x4 textureTransform[CACHE_STAGES];
  int textureTransformPending;

  int shadeMode, fillMode;
  int cullMode;  // 0 none, 1 counter-clockwise, 2 clockwise
  int addressU[CACHE_STAGES], addressV[CACHE_STAGES], addressW[CACHE_STAGES];

  int fogEnable, fogMode;
  uint32_t fogColor;
  int fogStart, fogEnd, fogDensity;  // float bits

  int lighting;
  int highestLight;  // -1 none
  int lightEnabled[CACHE_LIGHTS];
  GfxLight lights[CACHE_LIGHTS];

  GfxMaterial material;
  uint32_t ambientColor;
  float ambientColorF[4];

  int diffuseFromVertex, specularFromVertex, specularEnable;
  // Seeded once by device set-up; no setter changes them afterwards.
  int dither, normalizeNormals, ambientMaterialSource;

  GfxViewport viewport;
  GfxRect scissor;

  GfxSurface *renderTarget;
  uint32_t fvf;
  int vertexShaderSet, pixelShaderSet;

  int sceneOpen;
  const void *lastImage;
  GfxTexture *lastTexture;
  int lastDrawFlags;

  int force;
};

extern RenderStateCache g_stateCache;

// Seeds the cache and the vertex batch after graphics start-up and sends
// every seeded value; 0.
int SetupDeviceStates(void);
// A new device: the cache holds what Direct3D 9 gives a new device, no
// scene and no shader.
void ForgetSceneAndShaderState(void);
// The device went: every binding the cache remembers (FVF, textures,
// render target, shaders, the scene) is forgotten, so the next setter sends
// it to the new device even when the value looks the same.
void ForgetDeviceBindings(void);
// The cache's alpha reference and texture-factor alpha of a new device (255).
void SetDeviceAlphaDefaults(void);
// Re-sends every cached state under the force flag.
int ReapplyDeviceStates(void);

// Scene control.
int BeginDeviceScene(void);
int EndDeviceScene(void);

// Single render states; 0, or -1 as each Part of the cache lists.
int SetDeviceLighting(int on);
int SetDeviceSpecularEnable(int on);
int SetDiffuseFromVertexColor(int on);
int SetSpecularFromVertexColor(int on);
int SetDeviceShadeMode(int mode);
int SetDeviceCullMode(int mode);
int SetDeviceZEnable(int on);
int SetDeviceZWriteEnable(int on);
int SetDeviceZFunc(int func);
int SetDeviceDepthBias(int bias);
int SetDeviceFillMode(int mode);
int SetDeviceFogEnable(int on);
int SetDeviceFogMode(int mode);
int SetDeviceFogColor(uint32_t argb);
int SetDeviceFogRange(float start, float end);
int SetDeviceFogDensity(float density);
int SetDeviceAmbientColor(uint32_t argb);

// Samplers and texture stages.
int SetDrawFilterStates(int mode);
int SetDrawAnisotropy(int value);
int SetSamplerFilterState(unsigned stage, int kind, int value);
int SetSamplerMaxAnisotropy(unsigned stage, int value);
int SetSamplerAddressU(int mode, int stage);
int SetSamplerAddressV(int mode, int stage);
int SetSamplerAddressW(int mode, int stage);
int SetSamplerAddressModes(int mode, int stage);
int SetTextureAddressModes(int u, int v, int w, int stage);
int ResetTexCoordIndices(void);
int SetDeviceTextureTransform(int stage, int use, const Matrix4x4 *m);
int SetTextureMatrix(const Matrix4x4 *m, int use, int stage);

// Transforms, viewport, scissor and render target.
int SetDeviceWorldMatrix(const Matrix4x4 *m);
int SetDeviceViewMatrix(const Matrix4x4 *m);
int SetDeviceProjectionMatrix(const Matrix4x4 *m);
int SetDeviceViewport(const GfxViewport *viewport);
int SetDeviceViewportRect(int x1, int y1, int x2, int y2);
int SetDeviceScissorRect(const GfxRect *rect);
int SetDeviceRenderTarget(GfxSurface *surface);

// Lights and material.
int SetDeviceLight(int index, const GfxLight *light);
int EnableDeviceLight(int index, int on);
int SendDeviceMaterial(const GfxMaterial *material);
// Keeps the light-dependent shader constants (lit ambient colours)
// current in the framework's copies.
void RefreshLightConstants(void);

// The device, or null when none was made: every setter starts here.
GfxDevice *StateDevice(void);

#endif  // VELVANE_GRAPHICS_RENDER_STATE_CACHE_H
