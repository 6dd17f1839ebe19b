// The Direct3D record: what the hardware path made and chose. Owned by the
// device start-up; every graphics file reads it.
#ifndef VELVANE_GRAPHICS_DIRECT3D_STATE_H
#define VELVANE_GRAPHICS_DIRECT3D_STATE_H

#include <stdint.h>

#include "graphics/device/gfx_device.h"

// Texture-format index: the slots of the format table.
enum TextureFormatIndex {
  TEXFMT_16 = 0,
  TEXFMT_32 = 1,
  TEXFMT_ALPHA_16 = 2,
  TEXFMT_ALPHA_32 = 3,
  TEXFMT_ALPHATEST_16 = 4,
  TEXFMT_ALPHATEST_32 = 5,
  TEXFMT_DXT1 = 6,
  TEXFMT_DXT5 = 10,
  TEXFMT_TARGET_16 = 11,
  TEXFMT_TARGET_32 = 12,
  TEXFMT_TARGET_ALPHA_32 = 13,
  TEXFMT_COUNT = 14
};

struct TextureFormatTable {
  int formats[TEXFMT_COUNT];
  int screenColorFormat;      // index 12 or 11 by the screen's colour bits
  int screenAlphaTestFormat;  // index 5 or 4
  int depthFormat;
};

struct Direct3DState {
  int libraryLoaded;
  int directDrawMade;
  int direct3DMade;
  int exInterface;  // the Direct3D object came from Direct3DCreate9Ex
  int deviceMade;
  int exDevice;
  GfxSurface *backBuffer;
  GfxSwapChain *swapChain;
  GfxSurface *depthStencil;
  GfxSurface *subBackBuffer;
  GfxVolumeTexture *fullBrightnessTexture;

  int multisampleType;  // always 0: multisampling is never requested
  int multisampleQuality;
  int hardwareVertexProcessing;
  int vertexShader20;
  int pixelShader20;

  int displayFormat;
  TextureFormatTable table;
  int depthWidth;
  int depthHeight;
  int backBufferLock;

  int64_t verticalBlankPeriod;  // microseconds; -1 unknown
  uint64_t lastPresentTime;

  GfxCaps caps;
  int argTempSupported;
  int blendOpSupported;
  int maxTextureWidth;
  int maxTextureHeight;
  int maxTextureSize;
};

extern Direct3DState g_d3d;

// Adapter, creation and colour choices that this framework fixes.
enum {
  D3D_ADAPTER = 0,
  D3D_FPU_PRESERVE = 1,
  D3D_MULTITHREADED = 0,
  D3D_FORCE_SOFTWARE_VERTEX = 0,
  D3D_BACKGROUND_COLOR = 0x00000000  // black; clears use it too
};

#endif  // VELVANE_GRAPHICS_DIRECT3D_STATE_H
