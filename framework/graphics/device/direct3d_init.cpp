#include "graphics/device/direct3d_init.h"

#include <string.h>

#include "core/debug/log.h"
#include "core/debug/log_text.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/device/shaders.h"
#include "graphics/device/texture_formats.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"

Direct3DState g_d3d;

namespace {

const int kStartUpClears = 4;
const int kMaxFrameLatency = 1;
const uint32_t kShaderModel20 = 0x0200;
const uint32_t kArgTempCaps = 1u << 10;
const uint32_t kBlendOpCaps = 1u << 11;
const int kTextureSizeWhenUnreported = 256;

int ScreenWidth(void) { return GetScreenWidthSetting(); }
int ScreenHeight(void) { return GetScreenHeightSetting(); }

bool IsFullScreen(GfxDevice *device) { return !device->IsWindowed(); }

// The 320 x 240 emulation on Vista and later keeps a windowed device on a
// display already switched to 640 x 480.
bool EmulatesOnChangedDisplay(GfxDevice *device) {
  return IsFullScreen(device) && device->IsVistaOrLater() && IsEmulating320x240();
}

int RoundUpToPowerOfTwo(int value) {
  int result = 1;
  while (result < value) result <<= 1;
  return result;
}

bool IsShaderModel20(uint32_t version) { return (version & 0xFFFF) >= kShaderModel20; }

int ColorBitsOfDisplayFormat(int format, int otherwise) {
  if (format == GFX_FMT_X8R8G8B8) return 32;
  if (format == GFX_FMT_R5G6B5 || format == GFX_FMT_X1R5G5B5 || format == GFX_FMT_A1R5G5B5) {
    return 16;
  }
  return otherwise;
}

// The full-screen back-buffer format for the screen's colour bits; 0 for
// other depths.
int FullScreenFormat(GfxDevice *device, int bits) {
  if (bits == 32) return GFX_FMT_X8R8G8B8;
  if (bits != 16) return GFX_FMT_UNKNOWN;
  return device->AdapterModeCount(GFX_FMT_R5G6B5) > 0 ? GFX_FMT_R5G6B5 : GFX_FMT_X1R5G5B5;
}

void ProbeDeviceCaps(GfxDevice *device, int displayFormat) {
  memset(&g_d3d.caps, 0, sizeof g_d3d.caps);
  device->ProbeCaps(displayFormat, &g_d3d.caps);
  if (g_gfxTestSwitches.capsOverride) g_d3d.caps = *g_gfxTestSwitches.capsOverride;
}

// Fills the presentation parameters; GFX_FMT_UNKNOWN in format when the
// screen's colour depth has no back-buffer format.
GfxPresentParams MakePresentParams(GfxDevice *device) {
  GfxPresentParams params;
  memset(&params, 0, sizeof params);
  params.width = ScreenWidth();
  params.height = ScreenHeight();
  params.backBufferCount = 1;
  params.swapEffect = g_d3d.multisampleType ? GFX_SWAP_DISCARD : GFX_SWAP_COPY;
  params.window = device->MainWindow();
  params.flags = g_d3d.multisampleType ? 0 : GFX_PRESENT_LOCKABLE_BACKBUFFER;
  params.interval = g_drawSettings.vsyncWaitOff ? GFX_INTERVAL_IMMEDIATE : GFX_INTERVAL_ONE;
  if (device->IsWindowed()) {
    params.windowed = 1;
    params.format = device->AdapterDisplayFormat();
    StoreScreenMode(ScreenWidth(), ScreenHeight(),
                    ColorBitsOfDisplayFormat(params.format, GetScreenColorBits()),
                    GetScreenRefreshRate());
    device->SetDesktopComposition(1);
    return params;
  }
  params.format = FullScreenFormat(device, GetScreenColorBits());
  if (params.format == GFX_FMT_UNKNOWN) return params;
  if (EmulatesOnChangedDisplay(device)) {
    params.windowed = 1;
    return params;
  }
  params.windowed = 0;
  params.refreshRate = GetScreenRefreshRate();
  if (device->SetDesktopComposition(0)) WriteLogLine("Desktop Window Manager を無効にしました\n");
  return params;
}

uint32_t CreationFlags(int hardwareVertex) {
  uint32_t flags = hardwareVertex ? GFX_CREATE_MIXED_VERTEXPROCESSING
                                  : GFX_CREATE_SOFTWARE_VERTEXPROCESSING;
  if (D3D_MULTITHREADED) flags |= GFX_CREATE_MULTITHREADED;
  if (D3D_FPU_PRESERVE) flags |= GFX_CREATE_FPU_PRESERVE;
  return flags;
}

int MakeDevice(GfxDevice *device, const GfxPresentParams *params) {
  const int ex = g_d3d.exInterface;
  WriteLogLine(ex ? "IDirect3DDevice9Ex オブジェクトを取得します.... "
                  : "IDirect3DDevice9 オブジェクトを取得します.... ");
  g_d3d.hardwareVertexProcessing = !D3D_FORCE_SOFTWARE_VERTEX &&
                                   IsShaderModel20(g_d3d.caps.vertexShaderVersion) &&
                                   IsShaderModel20(g_d3d.caps.pixelShaderVersion);
  if (device->CreateDevice(params, CreationFlags(g_d3d.hardwareVertexProcessing), ex) < 0) {
    g_d3d.hardwareVertexProcessing = 0;
    if (device->CreateDevice(params, CreationFlags(0), ex) < 0) {
      return WriteLogLine(ex ? "Direct3DDevice9Ex の作成に失敗しました\n"
                             : "Direct3DDevice9 の作成に失敗しました\n");
    }
  }
  g_d3d.deviceMade = 1;
  g_d3d.exDevice = ex;
  WriteLogLine(g_d3d.hardwareVertexProcessing ? "ハードウエア頂点演算を使用します\n"
                                              : "ソフトウエア頂点演算を使用します\n");
  if (ex) device->SetMaximumFrameLatency(kMaxFrameLatency);
  return 0;
}

// A fresh device shows the background colour in both buffers from the start.
void ClearAndPresentAtStart(GfxDevice *device) {
  MeasureVerticalBlankPeriod();
  ForgetSceneAndShaderState();
  SetDeviceZEnable(1);
  for (int i = 0; i < kStartUpClears; i++) {
    device->Clear(GFX_CLEAR_TARGET, D3D_BACKGROUND_COLOR, 1.0f);
    device->Present();
  }
}

void DeriveCapsFlags(void) {
  const GfxCaps &caps = g_d3d.caps;
  const int hardware = g_d3d.hardwareVertexProcessing;
  g_d3d.vertexShader20 = hardware && IsShaderModel20(caps.vertexShaderVersion);
  g_d3d.pixelShader20 = hardware && IsShaderModel20(caps.pixelShaderVersion);
  g_d3d.argTempSupported = (caps.primitiveMiscCaps & kArgTempCaps) ? 1 : 0;
  g_d3d.blendOpSupported = (caps.primitiveMiscCaps & kBlendOpCaps) ? 1 : 0;
  g_d3d.maxTextureWidth =
      caps.maxTextureWidth ? caps.maxTextureWidth : kTextureSizeWhenUnreported;
  g_d3d.maxTextureHeight =
      caps.maxTextureHeight ? caps.maxTextureHeight : kTextureSizeWhenUnreported;
  g_d3d.maxTextureSize = g_d3d.maxTextureWidth < g_d3d.maxTextureHeight
                             ? g_d3d.maxTextureWidth
                             : g_d3d.maxTextureHeight;
}

void LogAdapter(GfxDevice *device) {
  char driver[GFX_IDENTIFIER_SIZE] = "";
  char description[GFX_IDENTIFIER_SIZE] = "";
  device->AdapterIdentifier(driver, description);
  WriteLogLineFormat("Driver:%s  Description:%s", driver, description);
}

void LogDisplayFormat(int format) {
  if (format == GFX_FMT_X8R8G8B8 || format == GFX_FMT_R5G6B5 || format == GFX_FMT_X1R5G5B5) {
    WriteLogLineFormat("画面のフォーマットは %s です", GfxFormatLogName(format));
  } else {
    WriteLogLineFormat("バックバッファが対応していないフォーマット %d です", format);
  }
}

// Steps after the device exists: its surfaces, caps, formats and the
// back-buffer-lock decision.
int FinishDevice(GfxDevice *device) {
  ClearAndPresentAtStart(device);
  if (device->GetBackBuffer(&g_d3d.backBuffer) < 0 ||
      device->GetSwapChain(&g_d3d.swapChain) < 0) {
    return WriteLogLine("バックバッファの取得に失敗しました\n");
  }
  WriteLogLine("成功\n");
  DeriveCapsFlags();
  SetDeviceAlphaDefaults();
  LogAdapter(device);
  g_d3d.displayFormat = device->SurfaceFormat(g_d3d.backBuffer);
  LogDisplayFormat(g_d3d.displayFormat);
  g_d3d.table.depthFormat = ChooseDepthFormat(&g_d3d.caps);
  if (g_d3d.table.depthFormat == GFX_FMT_UNKNOWN) return -1;
  if (ChooseTextureFormats(&g_d3d.caps, g_d3d.displayFormat, GetScreenColorBits(),
                           &g_d3d.table) < 0) {
    return -1;
  }
  TestBackBufferLock();
  return 0;
}

void ReleaseSurface(GfxDevice *device, GfxSurface **surface) {
  if (*surface) device->ReleaseSurface(*surface);
  *surface = NULL;
}

void ReleaseDeviceObject(GfxDevice *device) {
  if (g_d3d.deviceMade) device->ReleaseDevice();
  g_d3d.deviceMade = 0;
  g_d3d.exDevice = 0;
}

int TryHardwarePath(GfxDevice *device) {
  if (EmulatesOnChangedDisplay(device) &&
      ChangeDisplayMode(ScreenWidth(), ScreenHeight(), GetScreenColorBits()) < 0) {
    return -1;
  }
  if (CreateDirect3DObject() < 0 || CreateDirect3DDevice() < 0 || CreateDepthBuffer() < 0) {
    return -1;
  }
  return 0;
}

}  // namespace

int CreateDirectDrawObject(void) {
  GfxDevice *device = GetGfxDevice();
  if (g_d3d.directDrawMade) device->ReleaseDirectDraw();
  g_d3d.directDrawMade = 0;
  WriteLogLine("DirectDraw オブジェクトの取得を行います....  ");
  if (device->CreateDirectDraw() < 0) return WriteLogLine("オブジェクトの取得に失敗しました\n");
  g_d3d.directDrawMade = 1;
  WriteLogLine("成功\n");
  WriteLogLine("引き続き初期化処理... ");
  if (device->InitializeDirectDraw() < 0) {
    WriteLogLine("DirectDrawオブジェクトの初期化に失敗しました\n");
    device->ReleaseDirectDraw();
    g_d3d.directDrawMade = 0;
    return -1;
  }
  WriteLogLine("初期化に成功しました\n");
  // Normal cooperation needs no window. Given the main window, DirectDraw
  // claims it for a presentation of its own, and the Direct3D device drawing
  // into the same window then contends with it for the window's pixel
  // format on every present (under Wine the window's drawable is remade each
  // frame: presents crawl and the picture shows only now and then).
  device->SetCooperativeLevel(NULL, D3D_FPU_PRESERVE);
  return 0;
}

int CreateDirect3DObject(void) {
  GfxDevice *device = GetGfxDevice();
  if (g_d3d.direct3DMade) device->ReleaseDirect3D();
  g_d3d.direct3DMade = 0;
  g_d3d.exInterface = 0;
  WriteLogLine("IDirect3D9Ex オブジェクトを取得します.... ");
  if (!g_gfxTestSwitches.noEx && device->HasCreate9Ex() && device->CreateDirect3D9Ex() >= 0) {
    g_d3d.direct3DMade = 1;
    g_d3d.exInterface = 1;
    WriteLogLine("成功\n");
    return 0;
  }
  WriteLogLine("IDirect3D9 オブジェクトを取得します.... ");
  if (!device->HasCreate9()) {
    return WriteLogLine("Direct3DCreate9 APIのアドレス取得に失敗しました\n");
  }
  if (device->CreateDirect3D9() < 0) {
    return WriteLogLine("IDirect3D9 オブジェクトの取得に失敗しました\n");
  }
  g_d3d.direct3DMade = 1;
  WriteLogLine("成功\n");
  return 0;
}

int CreateDirect3DDevice(void) {
  GfxDevice *device = GetGfxDevice();
  if (!g_d3d.direct3DMade) return -1;
  ReleaseDeviceObject(device);
  const GfxPresentParams params = MakePresentParams(device);
  if (params.format == GFX_FMT_UNKNOWN) {
    return WriteLogLine("非対応のバックバッファービット深度が指定されました\n");
  }
  ProbeDeviceCaps(device, params.format);
  if (MakeDevice(device, &params) < 0) return -1;
  return FinishDevice(device);
}

int CreateDepthBuffer(void) {
  GfxDevice *device = GetGfxDevice();
  ReleaseSurface(device, &g_d3d.depthStencil);
  WriteLogLine("Ｚバッファを作成します.... ");
  g_d3d.depthWidth = RoundUpToPowerOfTwo(ScreenWidth());
  g_d3d.depthHeight = RoundUpToPowerOfTwo(ScreenHeight());
  if (device->CreateDepthStencil(g_d3d.depthWidth, g_d3d.depthHeight, g_d3d.table.depthFormat,
                                 &g_d3d.depthStencil) < 0 ||
      device->SetDepthStencil(g_d3d.depthStencil) < 0) {
    ReleaseSurface(device, &g_d3d.depthStencil);
    return WriteLogLine("Ｚバッファの作成に失敗しました\n");
  }
  device->Clear(GFX_CLEAR_ZBUFFER, 0, 1.0f);
  WriteLogLine("成功\n");
  return 0;
}

int CreateSubBackBuffer(void) {
  GfxDevice *device = GetGfxDevice();
  ReleaseSurface(device, &g_d3d.subBackBuffer);
  if (device->CreateRenderTarget(ScreenWidth(), ScreenHeight(), g_d3d.displayFormat, 0,
                                 &g_d3d.subBackBuffer) < 0) {
    return WriteLogLine("サブバックバッファの作成に失敗しました\n");
  }
  return 0;
}

void ReleaseHardwareObjects(void) {
  GfxDevice *device = GetGfxDevice();
  ReleaseSurface(device, &g_d3d.depthStencil);
  ReleaseSurface(device, &g_d3d.subBackBuffer);
  ReleaseSurface(device, &g_d3d.backBuffer);
  if (g_d3d.swapChain) device->ReleaseSwapChain(g_d3d.swapChain);
  g_d3d.swapChain = NULL;
  if (g_d3d.fullBrightnessTexture) device->ReleaseVolumeTexture(g_d3d.fullBrightnessTexture);
  g_d3d.fullBrightnessTexture = NULL;
  ReleaseDeviceObject(device);
  if (g_d3d.direct3DMade) device->ReleaseDirect3D();
  g_d3d.direct3DMade = 0;
  g_d3d.exInterface = 0;
}

namespace {

int StartDirect3D(bool hardwareOnly) {
  GfxDevice *device = GetGfxDevice();
  if (!device || !GetFrameClock() || device->LoadD3DLibrary() < 0) {
    return WriteLogLine("d3d9.dll の読み込みに失敗しました\n");
  }
  g_d3d.libraryLoaded = 1;
  g_d3d.verticalBlankPeriod = -1;
  if (CreateDirectDrawObject() < 0) {
    device->FreeD3DLibrary();
    g_d3d.libraryLoaded = 0;
    return -1;
  }
  SetHardwareRenderingActive(0);
  if (GetUseHardwareRendering()) {
    if (TryHardwarePath(device) == 0) {
      SetHardwareRenderingActive(1);
      SetupProgrammableShaders();
      if (IsVertexShaderUsable() || IsPixelShaderUsable()) CreateFullBrightnessVolumeTexture();
    } else {
      ReleaseHardwareObjects();
    }
  }
  if (IsHardwareRenderingActive()) return 0;
  if (hardwareOnly) return -1;
  if (IsFullScreen(device) &&
      ChangeDisplayMode(ScreenWidth(), ScreenHeight(), GetScreenColorBits()) < 0) {
    return -1;
  }
  MeasureVerticalBlankPeriod();
  return 0;
}

}  // namespace

int InitDirect3D(void) { return StartDirect3D(false); }

int InitDirect3DHardwareOnly(void) { return StartDirect3D(true); }
