// The real device: Direct3D 9 (Ex when the library offers it) loaded at run
// time and DirectDraw 7 made through COM, so a machine without either still
// loads the program and reports the missing piece.
#include <windows.h>
#include <d3d9.h>
#include <ddraw.h>

#include <stdio.h>
#include <string.h>

#include "core/app/window_state.h"
#include "core/base/system_info.h"
#include "graphics/device/gfx_device.h"
#include "graphics/draw/draw_target.h"

namespace {

typedef HRESULT(WINAPI *Direct3DCreate9ExFunction)(UINT sdkVersion, IDirect3D9Ex **out);
typedef IDirect3D9 *(WINAPI *Direct3DCreate9Function)(UINT sdkVersion);

template <typename T>
void ReleaseInterface(T *&object) {
  if (object) object->Release();
  object = NULL;
}

IDirect3DSurface9 *AsSurface(GfxSurface *surface) {
  return reinterpret_cast<IDirect3DSurface9 *>(surface);
}

IDirect3DVolumeTexture9 *AsVolume(GfxVolumeTexture *texture) {
  return reinterpret_cast<IDirect3DVolumeTexture9 *>(texture);
}

IDirect3DTexture9 *AsTexture(GfxTexture *texture) {
  return reinterpret_cast<IDirect3DTexture9 *>(texture);
}

IDirect3DVertexBuffer9 *AsVertexBuffer(GfxVertexBuffer *buffer) {
  return reinterpret_cast<IDirect3DVertexBuffer9 *>(buffer);
}

IDirect3DIndexBuffer9 *AsIndexBuffer(GfxIndexBuffer *buffer) {
  return reinterpret_cast<IDirect3DIndexBuffer9 *>(buffer);
}

// The portable records are laid out as Direct3D's, so they pass as they are.
static_assert(sizeof(GfxLight) == sizeof(D3DLIGHT9), "light layout");
static_assert(sizeof(GfxMaterial) == sizeof(D3DMATERIAL9), "material layout");
static_assert(sizeof(Matrix4x4) == sizeof(D3DMATRIX), "matrix layout");
static_assert(sizeof(DWORD) == sizeof(uint32_t), "shader code words");

const RECT *AsRect(const GfxRect *rect, RECT *out) {
  if (!rect) return NULL;
  out->left = rect->left;
  out->top = rect->top;
  out->right = rect->right;
  out->bottom = rect->bottom;
  return out;
}

int Result(HRESULT result) { return FAILED(result) ? -1 : 0; }

static_assert(sizeof(GfxDibHeader) == sizeof(BITMAPINFOHEADER) + 3 * sizeof(DWORD),
              "bitmap header layout");

typedef BOOL(WINAPI *UpdateLayeredWindowFunction)(HWND, HDC, POINT *, SIZE *, HDC, POINT *,
                                                  COLORREF, BLENDFUNCTION *, DWORD);

// Colours over alpha, as a layered window blends them.
void PremultiplyAlpha(uint32_t *pixels, size_t count) {
  for (size_t i = 0; i < count; i++) {
    const uint32_t p = pixels[i], a = p >> 24;
    const uint32_t r = (p >> 16 & 0xFF) * a / 255, g = (p >> 8 & 0xFF) * a / 255,
                   b = (p & 0xFF) * a / 255;
    pixels[i] = a << 24 | r << 16 | g << 8 | b;
  }
}

// The picture as a 32-bit top-down bitmap of the whole window handed to
// UpdateLayeredWindow, at the client area's place in it: through its alpha
// channel when it has one, else with the colour key transparent (the frame
// around the client area too).
int UpdateLayered(HWND window, const BASEIMAGE *image, uint32_t colorKey) {
  UpdateLayeredWindowFunction update = reinterpret_cast<UpdateLayeredWindowFunction>(
      reinterpret_cast<void (*)(void)>(g_windowState.window.updateLayeredWindow));
  RECT frame;
  POINT client = {0, 0};
  if (!window || !update || image->width <= 0 || image->height <= 0 ||
      !GetWindowRect(window, &frame) || !ClientToScreen(window, &client)) {
    return -1;
  }
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const bool alpha = image->format.alphaMask != 0;
  BITMAPINFO info;
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(NULL);
  HDC memory = CreateCompatibleDC(screen);
  void *bits = NULL;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  int result = -1;
  if (memory && bitmap && bits) {
    uint32_t *pixels = static_cast<uint32_t *>(bits);
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; i++) pixels[i] = alpha ? 0 : colorKey;
    BASEIMAGE copy;
    memset(&copy, 0, sizeof copy);
    MakeArgb32PixelFormat(&copy.format);
    copy.width = width;
    copy.height = height;
    copy.pitch = width * 4;
    copy.pixels = bits;
    BASEIMAGE source = *image;
    BlitBaseImage(0, 0, image->width, image->height, client.x - frame.left,
                  client.y - frame.top, &source, &copy);
    if (alpha) PremultiplyAlpha(pixels, count);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    POINT origin = {0, 0};
    SIZE size = {width, height};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    const COLORREF key = RGB(colorKey >> 16 & 0xFF, colorKey >> 8 & 0xFF, colorKey & 0xFF);
    result = update(window, screen, NULL, &size, memory, &origin, key, &blend,
                    alpha ? ULW_ALPHA : ULW_COLORKEY)
                 ? 0
                 : -1;
    SelectObject(memory, previous);
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(NULL, screen);
  return result;
}

void CALLBACK DrawTargetTimerProc(HWND, UINT, UINT_PTR, DWORD) { DrawTargetTimerTick(); }

class Win32GfxDevice : public GfxDevice {
 public:
  int LoadD3DLibrary() override {
    if (!library_) library_ = LoadLibraryA("d3d9.dll");
    return library_ ? 0 : -1;
  }
  void FreeD3DLibrary() override {
    if (library_) ::FreeLibrary(library_);
    library_ = NULL;
  }

  int CreateDirectDraw() override {
    void *object = NULL;
    if (FAILED(CoCreateInstance(CLSID_DirectDraw7, NULL, CLSCTX_ALL, IID_IDirectDraw7, &object)) ||
        !object) {
      return -1;
    }
    directDraw_ = static_cast<IDirectDraw7 *>(object);
    return 0;
  }
  int InitializeDirectDraw() override { return Result(directDraw_->Initialize(NULL)); }
  int SetCooperativeLevel(void *window, int fpuPreserve) override {
    const DWORD flags = DDSCL_NORMAL | (fpuPreserve ? DDSCL_FPUPRESERVE : 0);
    return Result(directDraw_->SetCooperativeLevel(static_cast<HWND>(window), flags));
  }
  void ReleaseDirectDraw() override { ReleaseInterface(directDraw_); }
  void *DirectDrawObject() override { return directDraw_; }
  int WaitForVerticalBlank() {
    if (!directDraw_) return -1;
    return Result(directDraw_->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, NULL));
  }

  int HasCreate9Ex() override { return Entry("Direct3DCreate9Ex") != NULL; }
  int CreateDirect3D9Ex() override {
    Direct3DCreate9ExFunction create =
        reinterpret_cast<Direct3DCreate9ExFunction>(EntryFunction("Direct3DCreate9Ex"));
    IDirect3D9Ex *object = NULL;
    if (!create || FAILED(create(GFX_SDK_VERSION, &object)) || !object) return -1;
    direct3DEx_ = object;
    direct3D_ = object;
    return 0;
  }
  int HasCreate9() override { return Entry("Direct3DCreate9") != NULL; }
  int CreateDirect3D9() override {
    Direct3DCreate9Function create =
        reinterpret_cast<Direct3DCreate9Function>(EntryFunction("Direct3DCreate9"));
    direct3D_ = create ? create(GFX_SDK_VERSION) : NULL;
    return direct3D_ ? 0 : -1;
  }
  void ReleaseDirect3D() override {
    ReleaseInterface(direct3D_);
    direct3DEx_ = NULL;
  }

  int AdapterDisplayFormat() override {
    D3DDISPLAYMODE mode;
    if (FAILED(direct3D_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return 0;
    return static_cast<int>(mode.Format);
  }
  int AdapterModeCount(int format) override {
    return static_cast<int>(
        direct3D_->GetAdapterModeCount(D3DADAPTER_DEFAULT, static_cast<D3DFORMAT>(format)));
  }
  void ProbeCaps(int displayFormat, GfxCaps *caps) override {
    const D3DFORMAT display = static_cast<D3DFORMAT>(displayFormat);
    caps->displayFormat = displayFormat;
    for (int i = 0; i < GFX_CAPS_FORMAT_COUNT; i++) {
      const D3DFORMAT format = static_cast<D3DFORMAT>(kGfxCapsFormats[i]);
      caps->texture[i] = SUCCEEDED(direct3D_->CheckDeviceFormat(
          D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display, 0, D3DRTYPE_TEXTURE, format));
      caps->renderTarget[i] = SUCCEEDED(
          direct3D_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                       D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, format));
    }
    for (int i = 0; i < GFX_CAPS_DEPTH_COUNT; i++) {
      const D3DFORMAT format = static_cast<D3DFORMAT>(kGfxCapsDepthFormats[i]);
      caps->depth[i] =
          SUCCEEDED(direct3D_->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, display,
                                                 D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                 format)) &&
          SUCCEEDED(direct3D_->CheckDepthStencilMatch(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL,
                                                      display, display, format));
    }
    D3DCAPS9 deviceCaps;
    memset(&deviceCaps, 0, sizeof deviceCaps);
    if (SUCCEEDED(direct3D_->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &deviceCaps))) {
      caps->vertexShaderVersion = deviceCaps.VertexShaderVersion;
      caps->pixelShaderVersion = deviceCaps.PixelShaderVersion;
      caps->primitiveMiscCaps = deviceCaps.PrimitiveMiscCaps;
      caps->textureSquareOnly = (deviceCaps.TextureCaps & D3DPTEXTURECAPS_SQUAREONLY) ? 1 : 0;
      caps->maxTextureWidth = static_cast<int>(deviceCaps.MaxTextureWidth);
      caps->maxTextureHeight = static_cast<int>(deviceCaps.MaxTextureHeight);
    }
  }
  void AdapterIdentifier(char *driver, char *description) override {
    D3DADAPTER_IDENTIFIER9 identifier;
    memset(&identifier, 0, sizeof identifier);
    direct3D_->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &identifier);
    snprintf(driver, GFX_IDENTIFIER_SIZE, "%s", identifier.Driver);
    snprintf(description, GFX_IDENTIFIER_SIZE, "%s", identifier.Description);
  }

  int CreateDevice(const GfxPresentParams *params, uint32_t behaviorFlags, int ex) override {
    D3DPRESENT_PARAMETERS present;
    memset(&present, 0, sizeof present);
    present.BackBufferWidth = static_cast<UINT>(params->width);
    present.BackBufferHeight = static_cast<UINT>(params->height);
    present.BackBufferFormat = static_cast<D3DFORMAT>(params->format);
    present.BackBufferCount = static_cast<UINT>(params->backBufferCount);
    present.SwapEffect = static_cast<D3DSWAPEFFECT>(params->swapEffect);
    present.hDeviceWindow = static_cast<HWND>(params->window);
    present.Windowed = params->windowed ? TRUE : FALSE;
    present.Flags = static_cast<DWORD>(params->flags);
    present.FullScreen_RefreshRateInHz =
        params->windowed ? 0 : static_cast<UINT>(params->refreshRate);
    present.PresentationInterval = static_cast<UINT>(params->interval);
    const HWND window = static_cast<HWND>(params->window);
    if (ex && direct3DEx_) {
      D3DDISPLAYMODEEX mode;
      memset(&mode, 0, sizeof mode);
      mode.Size = sizeof mode;
      mode.Width = present.BackBufferWidth;
      mode.Height = present.BackBufferHeight;
      mode.RefreshRate = present.FullScreen_RefreshRateInHz;
      mode.Format = present.BackBufferFormat;
      mode.ScanLineOrdering = D3DSCANLINEORDERING_PROGRESSIVE;
      IDirect3DDevice9Ex *device = NULL;
      if (FAILED(direct3DEx_->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                             behaviorFlags, &present,
                                             params->windowed ? NULL : &mode, &device))) {
        return -1;
      }
      deviceEx_ = device;
      device_ = device;
      return 0;
    }
    return Result(direct3D_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                          behaviorFlags, &present, &device_));
  }
  void ReleaseDevice() override {
    ReleaseInterface(device_);
    deviceEx_ = NULL;
  }
  void SetMaximumFrameLatency(int frames) override {
    if (deviceEx_) deviceEx_->SetMaximumFrameLatency(static_cast<UINT>(frames));
  }
  void SetRenderState(int state, uint32_t value) override {
    device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value);
  }
  int Clear(uint32_t flags, uint32_t color, float z) override {
    return Result(device_->Clear(0, NULL, flags, color, z, 0));
  }
  int BeginScene() override { return Result(device_->BeginScene()); }
  int EndScene() override { return Result(device_->EndScene()); }
  int Present() override { return static_cast<int>(device_->Present(NULL, NULL, NULL, NULL)); }
  int SetDialogBoxMode(int on) override { return Result(device_->SetDialogBoxMode(on)); }

  int GetBackBuffer(GfxSurface **out) override {
    IDirect3DSurface9 *surface = NULL;
    if (FAILED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface))) return -1;
    *out = reinterpret_cast<GfxSurface *>(surface);
    return 0;
  }
  int GetSwapChain(GfxSwapChain **out) override {
    IDirect3DSwapChain9 *swapChain = NULL;
    if (FAILED(device_->GetSwapChain(0, &swapChain))) return -1;
    *out = reinterpret_cast<GfxSwapChain *>(swapChain);
    return 0;
  }
  int SurfaceFormat(GfxSurface *surface) override {
    D3DSURFACE_DESC description;
    if (FAILED(AsSurface(surface)->GetDesc(&description))) return 0;
    return static_cast<int>(description.Format);
  }
  int CreateDepthStencil(int width, int height, int format, GfxSurface **out) override {
    IDirect3DSurface9 *surface = NULL;
    if (FAILED(device_->CreateDepthStencilSurface(
            static_cast<UINT>(width), static_cast<UINT>(height), static_cast<D3DFORMAT>(format),
            D3DMULTISAMPLE_NONE, 0, TRUE, &surface, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxSurface *>(surface);
    return 0;
  }
  int SetDepthStencil(GfxSurface *surface) override {
    return Result(device_->SetDepthStencilSurface(AsSurface(surface)));
  }
  int CreateRenderTarget(int width, int height, int format, int lockable,
                         GfxSurface **out) override {
    IDirect3DSurface9 *surface = NULL;
    if (FAILED(device_->CreateRenderTarget(static_cast<UINT>(width), static_cast<UINT>(height),
                                           static_cast<D3DFORMAT>(format), D3DMULTISAMPLE_NONE,
                                           0, lockable ? TRUE : FALSE, &surface, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxSurface *>(surface);
    return 0;
  }
  int CreateSystemSurface(int width, int height, int format, GfxSurface **out) override {
    IDirect3DSurface9 *surface = NULL;
    if (FAILED(device_->CreateOffscreenPlainSurface(
            static_cast<UINT>(width), static_cast<UINT>(height), static_cast<D3DFORMAT>(format),
            D3DPOOL_SYSTEMMEM, &surface, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxSurface *>(surface);
    return 0;
  }
  int LockSurface(GfxSurface *surface, const GfxRect *rect, int readOnly,
                  GfxLocked *out) override {
    RECT area;
    D3DLOCKED_RECT locked;
    if (FAILED(AsSurface(surface)->LockRect(&locked, AsRect(rect, &area),
                                            readOnly ? D3DLOCK_READONLY : 0))) {
      return -1;
    }
    out->bits = static_cast<uint8_t *>(locked.pBits);
    out->pitch = locked.Pitch;
    out->slicePitch = 0;
    return 0;
  }
  void UnlockSurface(GfxSurface *surface) override { AsSurface(surface)->UnlockRect(); }
  int StretchRect(GfxSurface *source, const GfxRect *sourceRect, GfxSurface *dest,
                  const GfxRect *destRect) override {
    RECT from, to;
    return Result(device_->StretchRect(AsSurface(source), AsRect(sourceRect, &from),
                                       AsSurface(dest), AsRect(destRect, &to), D3DTEXF_NONE));
  }
  int GetRenderTargetData(GfxSurface *renderTarget, GfxSurface *systemSurface) override {
    return Result(device_->GetRenderTargetData(AsSurface(renderTarget), AsSurface(systemSurface)));
  }
  void ReleaseSurface(GfxSurface *surface) override { AsSurface(surface)->Release(); }
  void ReleaseSwapChain(GfxSwapChain *swapChain) override {
    reinterpret_cast<IDirect3DSwapChain9 *>(swapChain)->Release();
  }
  int CreateVolumeTexture(int size, int format, int systemMemory,
                          GfxVolumeTexture **out) override {
    IDirect3DVolumeTexture9 *texture = NULL;
    const UINT edge = static_cast<UINT>(size);
    if (FAILED(device_->CreateVolumeTexture(edge, edge, edge, 1, 0,
                                            static_cast<D3DFORMAT>(format),
                                            systemMemory ? D3DPOOL_SYSTEMMEM : D3DPOOL_DEFAULT,
                                            &texture, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxVolumeTexture *>(texture);
    return 0;
  }
  int LockVolume(GfxVolumeTexture *texture, GfxLocked *out) override {
    D3DLOCKED_BOX box;
    if (FAILED(AsVolume(texture)->LockBox(0, &box, NULL, 0))) return -1;
    out->bits = static_cast<uint8_t *>(box.pBits);
    out->pitch = box.RowPitch;
    out->slicePitch = box.SlicePitch;
    return 0;
  }
  void UnlockVolume(GfxVolumeTexture *texture) override { AsVolume(texture)->UnlockBox(0); }
  int UpdateVolumeTexture(GfxVolumeTexture *source, GfxVolumeTexture *dest) override {
    return Result(device_->UpdateTexture(AsVolume(source), AsVolume(dest)));
  }
  void ReleaseVolumeTexture(GfxVolumeTexture *texture) override { AsVolume(texture)->Release(); }

  int ChangeDisplay(int width, int height, int bits, int refresh,
                            int fullScreen) override {
    DEVMODEA mode;
    memset(&mode, 0, sizeof mode);
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    mode.dmBitsPerPel = static_cast<DWORD>(bits);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    if (refresh) {
      mode.dmDisplayFrequency = static_cast<DWORD>(refresh);
      mode.dmFields |= DM_DISPLAYFREQUENCY;
    }
    return ChangeDisplaySettingsA(&mode, fullScreen ? CDS_FULLSCREEN : 0) ==
                   DISP_CHANGE_SUCCESSFUL
               ? 0
               : -1;
  }
  void RestoreDesktopDisplayMode() override { ChangeDisplaySettingsA(NULL, 0); }
  int IsWindowed() override { return g_windowState.settings.windowed; }
  void *MainWindow() override { return g_windowState.window.mainWindow; }
  int IsVistaOrLater() override { return GetSystemFacts()->osCode >= OS_CODE_VISTA; }
  void RestyleWindow() override {
    if (g_windowState.settings.windowed) {
      FitWindowToScreenSize();
    } else {
      ApplyWindowModeStyle();
    }
  }
  int SetDesktopComposition(int enable) override {
    ::SetDesktopComposition(enable);
    return g_windowState.lifecycle.dwmEnableComposition != NULL;
  }

  void WindowScale(double *x, double *y) override { GetWindowScale(x, y); }
  int RunsWhileInactive() override { return GetRunWhileInactive(); }
  void SetDrawTargetTimer(int on) override {
    HWND window = g_windowState.window.mainWindow;
    if (!window) return;
    if (on) {
      SetTimer(window, DRAW_TARGET_TIMER_ID, DRAW_TARGET_TIMER_MS, DrawTargetTimerProc);
    } else {
      KillTimer(window, DRAW_TARGET_TIMER_ID);
    }
  }
  int PresentRects(const GfxRect *source, const GfxRect *dest) override {
    RECT from, to;
    return static_cast<int>(
        device_->Present(AsRect(source, &from), AsRect(dest, &to), NULL, NULL));
  }
  int IsProgramEnding() override {
    return g_windowState.window.endFlag || g_windowState.window.destroyed;
  }
  void ClientHeights(int *toolbar, int *client) override {
    RECT area = {0, 0, 0, 0};
    if (g_windowState.window.mainWindow) GetClientRect(g_windowState.window.mainWindow, &area);
    *toolbar = 0;  // the framework makes no toolbar
    *client = area.bottom - area.top;
  }
  int IsLayeredWindow() override {
    HWND window = g_windowState.window.mainWindow;
    return window && (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_LAYERED) ? 1 : 0;
  }
  int DrawBitmapToWindow(const GfxDibHeader *header, const void *bits, const GfxRect *source,
                         const GfxRect *dest) override {
    HWND window = g_windowState.window.mainWindow;
    HDC dc = window ? GetDC(window) : NULL;
    if (!dc) return -1;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, dest->left, dest->top, dest->right - dest->left, dest->bottom - dest->top,
                  source->left, source->top, source->right - source->left,
                  source->bottom - source->top, bits,
                  reinterpret_cast<const BITMAPINFO *>(header), DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(window, dc);
    return 0;
  }
  int PresentToLayeredWindow(const BASEIMAGE *image, uint32_t colorKey) override {
    return UpdateLayered(g_windowState.window.mainWindow, image, colorKey);
  }
  void SetSamplerState(int stage, int state, uint32_t value) override {
    device_->SetSamplerState(static_cast<DWORD>(stage), static_cast<D3DSAMPLERSTATETYPE>(state),
                             value);
  }
  void SetTextureStageState(int stage, int state, uint32_t value) override {
    device_->SetTextureStageState(static_cast<DWORD>(stage),
                                  static_cast<D3DTEXTURESTAGESTATETYPE>(state), value);
  }
  void SetTexture(int stage, GfxTexture *texture) override {
    device_->SetTexture(static_cast<DWORD>(stage), AsTexture(texture));
  }
  void SetTransform(int kind, const Matrix4x4 *matrix) override {
    device_->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(kind),
                          reinterpret_cast<const D3DMATRIX *>(matrix));
  }
  int SetViewport(const GfxViewport *viewport) override {
    D3DVIEWPORT9 view;
    view.X = static_cast<DWORD>(viewport->x);
    view.Y = static_cast<DWORD>(viewport->y);
    view.Width = static_cast<DWORD>(viewport->width);
    view.Height = static_cast<DWORD>(viewport->height);
    view.MinZ = viewport->minZ;
    view.MaxZ = viewport->maxZ;
    const HRESULT result = device_->SetViewport(&view);
    return FAILED(result) ? static_cast<int>(result) : 0;
  }
  int SetScissorRect(const GfxRect *rect) override {
    RECT area;
    return Result(device_->SetScissorRect(AsRect(rect, &area)));
  }
  int SetRenderTarget(GfxSurface *surface) override {
    return Result(device_->SetRenderTarget(0, AsSurface(surface)));
  }
  void SurfaceSize(GfxSurface *surface, int *width, int *height) override {
    D3DSURFACE_DESC description;
    memset(&description, 0, sizeof description);
    if (surface) AsSurface(surface)->GetDesc(&description);
    *width = static_cast<int>(description.Width);
    *height = static_cast<int>(description.Height);
  }
  void SetLight(int index, const GfxLight *light) override {
    device_->SetLight(static_cast<DWORD>(index), reinterpret_cast<const D3DLIGHT9 *>(light));
  }
  void LightEnable(int index, int on) override {
    device_->LightEnable(static_cast<DWORD>(index), on ? TRUE : FALSE);
  }
  void SetMaterial(const GfxMaterial *material) override {
    device_->SetMaterial(reinterpret_cast<const D3DMATERIAL9 *>(material));
  }
  void SetNoShaders() override {
    device_->SetVertexShader(NULL);
    device_->SetPixelShader(NULL);
  }
  void SetFVF(uint32_t fvf) override { device_->SetFVF(fvf); }
  int DrawPrimitiveUP(int type, int count, const void *vertices, int stride) override {
    return Result(device_->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(type),
                                           static_cast<UINT>(count), vertices,
                                           static_cast<UINT>(stride)));
  }
  int DrawIndexedPrimitiveUP(int type, int minIndex, int vertexCount, int primitiveCount,
                             const uint16_t *indices, const void *vertices, int stride) override {
    return Result(device_->DrawIndexedPrimitiveUP(
        static_cast<D3DPRIMITIVETYPE>(type), static_cast<UINT>(minIndex),
        static_cast<UINT>(vertexCount), static_cast<UINT>(primitiveCount), indices, D3DFMT_INDEX16,
        vertices, static_cast<UINT>(stride)));
  }
  uint32_t GetRenderState(int state) override {
    DWORD value = 0;
    device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &value);
    return value;
  }
  uint32_t GetSamplerState(int stage, int state) override {
    DWORD value = 0;
    device_->GetSamplerState(static_cast<DWORD>(stage), static_cast<D3DSAMPLERSTATETYPE>(state),
                             &value);
    return value;
  }
  uint32_t GetTextureStageState(int stage, int state) override {
    DWORD value = 0;
    device_->GetTextureStageState(static_cast<DWORD>(stage),
                                  static_cast<D3DTEXTURESTAGESTATETYPE>(state), &value);
    return value;
  }
  int CreateTexture(int width, int height, int format, GfxTexture **out) override {
    IDirect3DTexture9 *texture = NULL;
    // Dynamic default-pool textures lock on every device, the Ex one too.
    if (FAILED(device_->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1,
                                      D3DUSAGE_DYNAMIC, static_cast<D3DFORMAT>(format),
                                      D3DPOOL_DEFAULT, &texture, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxTexture *>(texture);
    return 0;
  }
  int LockTexture(GfxTexture *texture, GfxLocked *out) override {
    D3DLOCKED_RECT locked;
    if (FAILED(AsTexture(texture)->LockRect(0, &locked, NULL, 0))) return -1;
    out->bits = static_cast<uint8_t *>(locked.pBits);
    out->pitch = locked.Pitch;
    out->slicePitch = 0;
    return 0;
  }
  void UnlockTexture(GfxTexture *texture) override { AsTexture(texture)->UnlockRect(0); }
  void ReleaseTexture(GfxTexture *texture) override { AsTexture(texture)->Release(); }
  int CreateGraphTexture(const GfxTextureDesc *desc, GfxTexture **out) override {
    static const D3DPOOL kPools[] = {D3DPOOL_DEFAULT, D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM};
    DWORD usage = 0;
    if (desc->usage & GFX_USAGE_RENDER_TARGET) usage |= D3DUSAGE_RENDERTARGET;
    if (desc->usage & GFX_USAGE_DYNAMIC) usage |= D3DUSAGE_DYNAMIC;
    IDirect3DTexture9 *texture = NULL;
    if (FAILED(device_->CreateTexture(static_cast<UINT>(desc->width),
                                      static_cast<UINT>(desc->height),
                                      static_cast<UINT>(desc->levels), usage,
                                      static_cast<D3DFORMAT>(desc->format),
                                      kPools[desc->pool], &texture, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxTexture *>(texture);
    return 0;
  }
  int LockTextureLevel(GfxTexture *texture, int level, const GfxRect *rect,
                       GfxLocked *out) override {
    RECT area;
    D3DLOCKED_RECT locked;
    if (FAILED(AsTexture(texture)->LockRect(static_cast<UINT>(level), &locked,
                                            AsRect(rect, &area), 0))) {
      return -1;
    }
    out->bits = static_cast<uint8_t *>(locked.pBits);
    out->pitch = locked.Pitch;
    out->slicePitch = 0;
    return 0;
  }
  void UnlockTextureLevel(GfxTexture *texture, int level) override {
    AsTexture(texture)->UnlockRect(static_cast<UINT>(level));
  }
  int GetTextureSurface(GfxTexture *texture, int level, GfxSurface **out) override {
    IDirect3DSurface9 *surface = NULL;
    if (FAILED(AsTexture(texture)->GetSurfaceLevel(static_cast<UINT>(level), &surface))) {
      return -1;
    }
    *out = reinterpret_cast<GfxSurface *>(surface);
    return 0;
  }
  int UpdateTexture(GfxTexture *source, GfxTexture *dest) override {
    return Result(device_->UpdateTexture(AsTexture(source), AsTexture(dest)));
  }
  int UpdateSurface(GfxSurface *source, const GfxRect *rect, GfxSurface *dest, int x,
                    int y) override {
    RECT area;
    POINT point = {x, y};
    return Result(
        device_->UpdateSurface(AsSurface(source), AsRect(rect, &area), AsSurface(dest), &point));
  }
  int ColorFill(GfxSurface *surface, const GfxRect *rect, uint32_t color) override {
    RECT area;
    return Result(device_->ColorFill(AsSurface(surface), AsRect(rect, &area), color));
  }

  int CreateVertexBuffer(int length, int usage, int fvf, int pool,
                         GfxVertexBuffer **out) override {
    IDirect3DVertexBuffer9 *buffer = NULL;
    if (FAILED(device_->CreateVertexBuffer(static_cast<UINT>(length), static_cast<DWORD>(usage),
                                           static_cast<DWORD>(fvf), static_cast<D3DPOOL>(pool),
                                           &buffer, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxVertexBuffer *>(buffer);
    return 0;
  }
  int CreateIndexBuffer(int length, int usage, int format, int pool,
                        GfxIndexBuffer **out) override {
    IDirect3DIndexBuffer9 *buffer = NULL;
    if (FAILED(device_->CreateIndexBuffer(static_cast<UINT>(length), static_cast<DWORD>(usage),
                                          static_cast<D3DFORMAT>(format),
                                          static_cast<D3DPOOL>(pool), &buffer, NULL))) {
      return -1;
    }
    *out = reinterpret_cast<GfxIndexBuffer *>(buffer);
    return 0;
  }
  int LockVertexBuffer(GfxVertexBuffer *buffer, int offset, int size, void **out) override {
    return Result(AsVertexBuffer(buffer)->Lock(static_cast<UINT>(offset), static_cast<UINT>(size),
                                               out, 0));
  }
  void UnlockVertexBuffer(GfxVertexBuffer *buffer) override { AsVertexBuffer(buffer)->Unlock(); }
  void ReleaseVertexBuffer(GfxVertexBuffer *buffer) override {
    AsVertexBuffer(buffer)->Release();
  }
  int LockIndexBuffer(GfxIndexBuffer *buffer, int offset, int size, void **out) override {
    return Result(AsIndexBuffer(buffer)->Lock(static_cast<UINT>(offset), static_cast<UINT>(size),
                                              out, 0));
  }
  void UnlockIndexBuffer(GfxIndexBuffer *buffer) override { AsIndexBuffer(buffer)->Unlock(); }
  void ReleaseIndexBuffer(GfxIndexBuffer *buffer) override { AsIndexBuffer(buffer)->Release(); }
  int SetStreamSource(GfxVertexBuffer *buffer, int stride) override {
    return Result(
        device_->SetStreamSource(0, AsVertexBuffer(buffer), 0, static_cast<UINT>(stride)));
  }
  int SetIndices(GfxIndexBuffer *buffer) override {
    return Result(device_->SetIndices(AsIndexBuffer(buffer)));
  }
  int DrawIndexedPrimitive(int type, int baseVertex, int minVertex, int vertexCount,
                           int startIndex, int primitiveCount) override {
    return Result(device_->DrawIndexedPrimitive(
        static_cast<D3DPRIMITIVETYPE>(type), baseVertex, static_cast<UINT>(minVertex),
        static_cast<UINT>(vertexCount), static_cast<UINT>(startIndex),
        static_cast<UINT>(primitiveCount)));
  }
  int CreateShader(int pixel, const uint32_t *code, GfxShader **out) override {
    const DWORD *words = reinterpret_cast<const DWORD *>(code);
    if (pixel) {
      IDirect3DPixelShader9 *shader = NULL;
      if (FAILED(device_->CreatePixelShader(words, &shader))) return -1;
      *out = reinterpret_cast<GfxShader *>(shader);
    } else {
      IDirect3DVertexShader9 *shader = NULL;
      if (FAILED(device_->CreateVertexShader(words, &shader))) return -1;
      *out = reinterpret_cast<GfxShader *>(shader);
    }
    return 0;
  }
  void ReleaseShader(int pixel, GfxShader *shader) override {
    if (pixel) {
      reinterpret_cast<IDirect3DPixelShader9 *>(shader)->Release();
    } else {
      reinterpret_cast<IDirect3DVertexShader9 *>(shader)->Release();
    }
  }

 private:
  FARPROC Entry(const char *name) { return library_ ? GetProcAddress(library_, name) : NULL; }
  // An entry point as a plain function pointer, ready for its own type.
  void (*EntryFunction(const char *name))(void) {
    return reinterpret_cast<void (*)(void)>(Entry(name));
  }

  HMODULE library_ = NULL;
  IDirectDraw7 *directDraw_ = NULL;
  IDirect3D9 *direct3D_ = NULL;
  IDirect3D9Ex *direct3DEx_ = NULL;
  IDirect3DDevice9 *device_ = NULL;
  IDirect3DDevice9Ex *deviceEx_ = NULL;
};

Win32GfxDevice g_device;

class Win32FrameClock : public FrameClock {
 public:
  uint64_t NowMicroseconds() override { return GetNowMicroseconds(1); }
  void Sleep(int milliseconds) override { ::Sleep(static_cast<DWORD>(milliseconds)); }
  int WaitForVerticalBlank() override { return g_device.WaitForVerticalBlank(); }
};

Win32FrameClock g_clock;

}  // namespace

GfxDevice *PlatformGfxDevice(void) { return &g_device; }

FrameClock *PlatformFrameClock(void) { return &g_clock; }
