// The one seam between the graphics module and Direct3D 9 / DirectDraw 7.
// Everything portable in graphics talks to the display through a GfxDevice:
// one virtual per call the module makes, from loading the library to the
// device calls. All format and capability decisions read only the GfxCaps
// record probed once per device. The Windows build installs the real device
// (gfx_device_win32.cpp); the native tests install a recording fake.
// Nothing else in the framework touches Direct3D.
#ifndef VELVANE_GRAPHICS_GFX_DEVICE_H
#define VELVANE_GRAPHICS_GFX_DEVICE_H

#include <stdint.h>

#include "velvane.h"

// Direct3D 9 codes the module uses, with their Direct3D values.
enum GfxFormat {
  GFX_FMT_UNKNOWN = 0,
  GFX_FMT_A8R8G8B8 = 21,
  GFX_FMT_X8R8G8B8 = 22,
  GFX_FMT_R5G6B5 = 23,
  GFX_FMT_X1R5G5B5 = 24,
  GFX_FMT_A1R5G5B5 = 25,
  GFX_FMT_A4R4G4B4 = 26,
  GFX_FMT_D32 = 71,
  GFX_FMT_D24X8 = 77,
  GFX_FMT_D16 = 80,
  GFX_FMT_DXT1 = 0x31545844,
  GFX_FMT_DXT2 = 0x32545844,
  GFX_FMT_DXT3 = 0x33545844,
  GFX_FMT_DXT4 = 0x34545844,
  GFX_FMT_DXT5 = 0x35545844
};

// Result codes: negative is failure, as with HRESULT.
enum {
  GFX_OK = 0,
  GFX_S_PRESENT_OCCLUDED = 0x08760868,
  GFX_E_FAIL = -1
};

enum {
  GFX_CLEAR_TARGET = 1,
  GFX_CLEAR_ZBUFFER = 2,
  GFX_RS_ZENABLE = 7,
  GFX_SDK_VERSION = 32,
  GFX_CREATE_FPU_PRESERVE = 0x02,
  GFX_CREATE_MULTITHREADED = 0x04,
  GFX_CREATE_SOFTWARE_VERTEXPROCESSING = 0x20,
  GFX_CREATE_MIXED_VERTEXPROCESSING = 0x80,
  GFX_SWAP_DISCARD = 1,
  GFX_SWAP_COPY = 3,
  GFX_PRESENT_LOCKABLE_BACKBUFFER = 1,
  GFX_INTERVAL_ONE = 1,
  GFX_INTERVAL_IMMEDIATE = (int)0x80000000,
  GFX_FORMAT_NAME_SIZE = 40,
  GFX_IDENTIFIER_SIZE = 512
};

// Buffer creation and drawing codes, with their Direct3D values.
enum {
  GFX_USAGE_WRITEONLY = 8,  // as Direct3D takes it for buffers
  GFX_USAGE_BUFFER_DYNAMIC = 0x200,
  GFX_FMT_INDEX16 = 101,
  GFX_FMT_INDEX32 = 102,
  GFX_PRIM_TRIANGLELIST = 4
};

// Opaque device objects; only the device implementation knows what they are.
struct GfxSurface;
struct GfxSwapChain;
struct GfxVolumeTexture;
struct GfxTexture;
struct GfxVertexBuffer;
struct GfxIndexBuffer;
struct GfxShader;

// A viewport as Direct3D 9 takes it.
struct GfxViewport {
  int x, y, width, height;
  float minZ, maxZ;
};

// A fixed-function light: Direct3D 9's light description.
struct GfxLight {
  int type;  // 1 point, 2 spot, 3 directional
  ColorF diffuse, specular, ambient;
  Vector3 position, direction;
  float range, falloff;
  float attenuation0, attenuation1, attenuation2;
  float theta, phi;
};

// A fixed-function material: four colours and the specular power.
struct GfxMaterial {
  ColorF diffuse, ambient, specular, emissive;
  float power;
};

// The formats one device is tested for, in one list, so the caps record can
// hold a support flag per format and usage.
enum {
  GFX_CAPS_FORMAT_COUNT = 11,
  GFX_CAPS_DEPTH_COUNT = 3
};
extern const int kGfxCapsFormats[GFX_CAPS_FORMAT_COUNT];
extern const int kGfxCapsDepthFormats[GFX_CAPS_DEPTH_COUNT];

// What a device can do, probed once per device against its display format.
struct GfxCaps {
  int displayFormat;  // the format the support below was tested on
  // Per entry of kGfxCapsFormats: usable as a plain texture, as a
  // render-target texture.
  int texture[GFX_CAPS_FORMAT_COUNT];
  int renderTarget[GFX_CAPS_FORMAT_COUNT];
  // Per entry of kGfxCapsDepthFormats: a depth-stencil surface of it
  // matches the display format.
  int depth[GFX_CAPS_DEPTH_COUNT];
  uint32_t vertexShaderVersion;  // D3DCAPS9 version words
  uint32_t pixelShaderVersion;
  uint32_t primitiveMiscCaps;
  int textureSquareOnly;  // textures must be square
  int maxTextureWidth;  // as reported (0 possible)
  int maxTextureHeight;
  int adapterHasR5G6B5Modes;  // the adapter lists an R5G6B5 display mode
};

// Index of a format in kGfxCapsFormats; -1 when it is not probed.
int GfxCapsFormatIndex(int format);
// 1 when the caps say the format works as a texture (renderTarget 0) or as
// a render-target texture (renderTarget 1).
int GfxCapsSupports(const GfxCaps *caps, int format, int renderTarget);
// 1 when the depth format matches the display format.
int GfxCapsSupportsDepth(const GfxCaps *caps, int depthFormat);

struct GfxPresentParams {
  int width;
  int height;
  int format;
  int backBufferCount;
  int swapEffect;
  void *window;
  int windowed;
  int flags;
  int refreshRate;  // full screen only
  int interval;
};

struct GfxRect {
  int left, top, right, bottom;
};

// A top-down device-independent bitmap as GDI takes it: the 40-byte header
// with the red, green and blue bit-field masks after it.
enum { GFX_DIB_HEADER_SIZE = 40, GFX_DIB_BITFIELDS = 3 };
struct GfxDibHeader {
  uint32_t size;  // GFX_DIB_HEADER_SIZE
  int32_t width;
  int32_t height;  // negative: rows top to bottom
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;  // GFX_DIB_BITFIELDS
  uint32_t imageSize;
  int32_t xPixelsPerMeter;
  int32_t yPixelsPerMeter;
  uint32_t coloursUsed;
  uint32_t coloursImportant;
  uint32_t masks[3];  // red, green, blue
};

// Where a graph texture lives and what it is for.
enum {
  GFX_POOL_DEFAULT = 0,
  GFX_POOL_MANAGED = 1,
  GFX_POOL_SYSTEM = 2,
  GFX_USAGE_RENDER_TARGET = 1,
  GFX_USAGE_DYNAMIC = 2
};

struct GfxTextureDesc {
  int width, height;
  int levels;  // mip-map levels, at least 1
  int format;
  int usage;  // GFX_USAGE_ flags
  int pool;   // GFX_POOL_
};

// A locked surface or volume: the first byte and the distance between rows
// (and slices).
struct GfxLocked {
  uint8_t *bits;
  int pitch;
  int slicePitch;
};

class GfxDevice {
 public:
  virtual ~GfxDevice() {}

  // The Direct3D 9 library, loaded at run time.
  virtual int LoadD3DLibrary() = 0;  // 0 / -1
  virtual void FreeD3DLibrary() = 0;

  // DirectDraw 7, made through COM.
  virtual int CreateDirectDraw() = 0;                                 // 0 / -1
  virtual int InitializeDirectDraw() = 0;                             // 0 / -1
  virtual int SetCooperativeLevel(void *window, int fpuPreserve) = 0;  // 0 / -1
  virtual void ReleaseDirectDraw() = 0;
  virtual void *DirectDrawObject() = 0;

  // The Direct3D object: through Direct3DCreate9Ex when the library has it.
  virtual int HasCreate9Ex() = 0;
  virtual int CreateDirect3D9Ex() = 0;  // 0 / -1
  virtual int HasCreate9() = 0;
  virtual int CreateDirect3D9() = 0;  // 0 / -1 (a null object)
  virtual void ReleaseDirect3D() = 0;

  // Adapter 0.
  virtual int AdapterDisplayFormat() = 0;
  virtual int AdapterModeCount(int format) = 0;
  virtual void ProbeCaps(int displayFormat, GfxCaps *caps) = 0;
  virtual void AdapterIdentifier(char *driver, char *description) = 0;  // GFX_IDENTIFIER_SIZE each

  // The device.
  virtual int CreateDevice(const GfxPresentParams *params, uint32_t behaviorFlags, int ex) = 0;
  virtual void ReleaseDevice() = 0;
  virtual void SetMaximumFrameLatency(int frames) = 0;
  virtual void SetRenderState(int state, uint32_t value) = 0;
  virtual int Clear(uint32_t flags, uint32_t color, float z) = 0;
  virtual int BeginScene() = 0;
  virtual int EndScene() = 0;
  virtual int Present() = 0;  // the result code: GFX_S_PRESENT_OCCLUDED works
  virtual int SetDialogBoxMode(int on) = 0;

  // Surfaces and textures.
  virtual int GetBackBuffer(GfxSurface **out) = 0;
  virtual int GetSwapChain(GfxSwapChain **out) = 0;
  virtual int SurfaceFormat(GfxSurface *surface) = 0;
  virtual int CreateDepthStencil(int width, int height, int format, GfxSurface **out) = 0;
  virtual int SetDepthStencil(GfxSurface *surface) = 0;
  virtual int CreateRenderTarget(int width, int height, int format, int lockable,
                                 GfxSurface **out) = 0;
  virtual int CreateSystemSurface(int width, int height, int format, GfxSurface **out) = 0;
  virtual int LockSurface(GfxSurface *surface, const GfxRect *rect, int readOnly,
                          GfxLocked *out) = 0;
  virtual void UnlockSurface(GfxSurface *surface) = 0;
  virtual int StretchRect(GfxSurface *source, const GfxRect *sourceRect, GfxSurface *dest,
                          const GfxRect *destRect) = 0;
  virtual int GetRenderTargetData(GfxSurface *renderTarget, GfxSurface *systemSurface) = 0;
  virtual void ReleaseSurface(GfxSurface *surface) = 0;
  virtual void ReleaseSwapChain(GfxSwapChain *swapChain) = 0;
  virtual int CreateVolumeTexture(int size, int format, int systemMemory,
                                  GfxVolumeTexture **out) = 0;
  virtual int LockVolume(GfxVolumeTexture *texture, GfxLocked *out) = 0;
  virtual void UnlockVolume(GfxVolumeTexture *texture) = 0;
  virtual int UpdateVolumeTexture(GfxVolumeTexture *source, GfxVolumeTexture *dest) = 0;
  virtual void ReleaseVolumeTexture(GfxVolumeTexture *texture) = 0;

  // The display and the window the device shows in.
  // fullScreen 1 asks for a full-screen change; refresh 0 the default. 0 / -1.
  virtual int ChangeDisplay(int width, int height, int bits, int refresh,
                                    int fullScreen) = 0;
  virtual void RestoreDesktopDisplayMode() = 0;
  virtual int IsWindowed() = 0;
  virtual void *MainWindow() = 0;
  virtual int IsVistaOrLater() = 0;
  // Fits the window to the screen size and mode.
  virtual void RestyleWindow() = 0;
  // Switches desktop composition; 1 when the system has the switch.
  virtual int SetDesktopComposition(int enable) = 0;
  // The window-mode client scale factors (1 in full screen) and whether the
  // program keeps running while its window is inactive.
  virtual void WindowScale(double *x, double *y) = 0;
  virtual int RunsWhileInactive() = 0;
  // Arms (1) or kills (0) the 32 ms window timer of the front-buffer draw
  // target, whose ticks call DrawTargetTimerTick.
  virtual void SetDrawTargetTimer(int on) = 0;
  // Presents the source rectangle of the back buffer onto the destination
  // rectangle of the window (null: whole); the result code.
  virtual int PresentRects(const GfxRect *source, const GfxRect *dest) = 0;
  // The toolbar's height above the picture (0 without one) and the height
  // of the main window's client area.
  virtual void ClientHeights(int *toolbar, int *client) = 0;
  // 1 while the main window is layered (transparent per pixel).
  virtual int IsLayeredWindow() = 0;
  // Copies rectangle source of a bitmap onto rectangle dest of the main
  // window's client area through GDI, stretched where the sizes differ; 0,
  // or -1 when the window has no device context.
  virtual int DrawBitmapToWindow(const GfxDibHeader *header, const void *bits,
                                 const GfxRect *source, const GfxRect *dest) = 0;
  // Shows the picture in the layered main window, the colour key (0x00RRGGBB)
  // transparent unless the picture has alpha; 0 / -1.
  virtual int PresentToLayeredWindow(const BASEIMAGE *image, uint32_t colorKey) = 0;
  // 1 once the program is ending (a quit was seen or the window is being
  // destroyed): queued drawing is then dropped.
  virtual int IsProgramEnding() = 0;

  // Device states; results of the state calls are not reported.
  virtual void SetSamplerState(int stage, int state, uint32_t value) = 0;
  virtual void SetTextureStageState(int stage, int state, uint32_t value) = 0;
  virtual void SetTexture(int stage, GfxTexture *texture) = 0;
  virtual void SetTransform(int kind, const Matrix4x4 *matrix) = 0;
  virtual int SetViewport(const GfxViewport *viewport) = 0;  // 0 / -1
  virtual int SetScissorRect(const GfxRect *rect) = 0;       // 0 / -1
  virtual int SetRenderTarget(GfxSurface *surface) = 0;      // 0 / -1
  virtual void SurfaceSize(GfxSurface *surface, int *width, int *height) = 0;
  virtual void SetLight(int index, const GfxLight *light) = 0;
  virtual void LightEnable(int index, int on) = 0;
  virtual void SetMaterial(const GfxMaterial *material) = 0;
  // No vertex and no pixel shader: the fixed-function pipeline.
  virtual void SetNoShaders() = 0;
  virtual void SetFVF(uint32_t fvf) = 0;
  // Draws count primitives of type from vertices in system memory; 0 / -1.
  virtual int DrawPrimitiveUP(int type, int count, const void *vertices, int stride) = 0;
  // The same through 16-bit indices into vertexCount vertices; 0 / -1.
  virtual int DrawIndexedPrimitiveUP(int type, int minIndex, int vertexCount, int primitiveCount,
                                     const uint16_t *indices, const void *vertices,
                                     int stride) = 0;

  // What the device holds, for checks against the state cache.
  virtual uint32_t GetRenderState(int state) = 0;
  virtual uint32_t GetSamplerState(int stage, int state) = 0;
  virtual uint32_t GetTextureStageState(int stage, int state) = 0;

  // Lockable textures of one level; 0 / -1.
  virtual int CreateTexture(int width, int height, int format, GfxTexture **out) = 0;
  virtual int LockTexture(GfxTexture *texture, GfxLocked *out) = 0;
  virtual void UnlockTexture(GfxTexture *texture) = 0;
  virtual void ReleaseTexture(GfxTexture *texture) = 0;

  // Graph textures: any levels, pool and usage; 0 / -1.
  virtual int CreateGraphTexture(const GfxTextureDesc *desc, GfxTexture **out) = 0;
  // Locks rect (null: whole) of one level; 0 / -1.
  virtual int LockTextureLevel(GfxTexture *texture, int level, const GfxRect *rect,
                               GfxLocked *out) = 0;
  virtual void UnlockTextureLevel(GfxTexture *texture, int level) = 0;
  // A level's surface, a reference of its own; 0 / -1.
  virtual int GetTextureSurface(GfxTexture *texture, int level, GfxSurface **out) = 0;
  // Copies a system-memory texture into a video texture of the same size; 0 / -1.
  virtual int UpdateTexture(GfxTexture *source, GfxTexture *dest) = 0;
  // Copies rect (null: whole) of a system-memory surface to (x, y) of a
  // video surface; 0 / -1.
  virtual int UpdateSurface(GfxSurface *source, const GfxRect *rect, GfxSurface *dest, int x,
                            int y) = 0;
  // Fills rect (null: whole) of a render-target surface with an ARGB colour; 0 / -1.
  virtual int ColorFill(GfxSurface *surface, const GfxRect *rect, uint32_t color) = 0;
  // Vertex and index buffers; 0 / -1. A lock covers size bytes from offset.
  virtual int CreateVertexBuffer(int length, int usage, int fvf, int pool,
                                 GfxVertexBuffer **out) = 0;
  virtual int CreateIndexBuffer(int length, int usage, int format, int pool,
                                GfxIndexBuffer **out) = 0;
  virtual int LockVertexBuffer(GfxVertexBuffer *buffer, int offset, int size, void **out) = 0;
  virtual void UnlockVertexBuffer(GfxVertexBuffer *buffer) = 0;
  virtual void ReleaseVertexBuffer(GfxVertexBuffer *buffer) = 0;
  virtual int LockIndexBuffer(GfxIndexBuffer *buffer, int offset, int size, void **out) = 0;
  virtual void UnlockIndexBuffer(GfxIndexBuffer *buffer) = 0;
  virtual void ReleaseIndexBuffer(GfxIndexBuffer *buffer) = 0;
  // Indexed drawing from buffers, each index counted from baseVertex; 0 / -1.
  virtual int SetStreamSource(GfxVertexBuffer *buffer, int stride) = 0;
  virtual int SetIndices(GfxIndexBuffer *buffer) = 0;
  virtual int DrawIndexedPrimitive(int type, int baseVertex, int minVertex, int vertexCount,
                                   int startIndex, int primitiveCount) = 0;
  // A vertex (pixel 0) or pixel (pixel 1) shader from its byte code; 0 / -1.
  virtual int CreateShader(int pixel, const uint32_t *code, GfxShader **out) = 0;
  virtual void ReleaseShader(int pixel, GfxShader *shader) = 0;
};

// Time as the frame pacing and the measurements see it.
class FrameClock {
 public:
  virtual ~FrameClock() {}
  virtual uint64_t NowMicroseconds() = 0;
  virtual void Sleep(int milliseconds) = 0;
  // Waits for the beginning of the next vertical blank; 0 / -1.
  virtual int WaitForVerticalBlank() = 0;
};

// The installed device and clock. The Windows build starts with the real
// ones; the native build with none (graphics start-up then fails as without
// the library). Installing null puts the platform's back.
GfxDevice *GetGfxDevice(void);
void SetGfxDevice(GfxDevice *device);
FrameClock *GetFrameClock(void);
void SetFrameClock(FrameClock *clock);
// The platform's own device and clock (null where there is none).
GfxDevice *PlatformGfxDevice(void);
FrameClock *PlatformFrameClock(void);

// Switches for tests, set before graphics start-up; all off by default.
struct GfxTestSwitches {
  const GfxCaps *capsOverride;  // replaces the probed caps when not null
  int noEx;                     // behave as if the library had no Ex entry
  int backBufferLockForced;     // -1 keep the lock test's decision, 0 or 1 force
};
extern GfxTestSwitches g_gfxTestSwitches;

// Name of a format as the log prints it ("D3DFMT_R5G6B5"; "V_" before it
// for A8R8G8B8 and DXT1-DXT5); "UNKNOWN" for other codes.
const char *GfxFormatLogName(int format);

#endif  // VELVANE_GRAPHICS_GFX_DEVICE_H
