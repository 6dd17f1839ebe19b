// A recording stand-in for the Direct3D seam: every call is logged with its
// arguments, any call kind can be scripted to fail on its n-th call, the
// caps and the adapter are plain fields, the clock is virtual, and the live
// objects are counted so a test sees leaks and double releases.
#ifndef VELVANE_TESTS_FAKE_GFX_DEVICE_H
#define VELVANE_TESTS_FAKE_GFX_DEVICE_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "graphics/device/gfx_device.h"

// What the fake hands out as a surface, swap chain or volume texture.
struct FakeGfxObject {
  std::string kind;  // "surface", "swapchain", "volume"
  int width = 0;
  int height = 0;
  int format = 0;
  int pitch = 0;
  std::vector<uint8_t> pixels;  // a buffer's bytes, a shader's code
  int released = 0;
  // Graph textures: levels 1 and on after level 0 (pixels), with their
  // pitches; the pool and usage they were made with.
  std::vector<std::vector<uint8_t>> mips;
  std::vector<int> mipPitches;
  int pool = 0;
  int usage = 0;
  // A texture level's surface: the texture and level it shows.
  FakeGfxObject *parent = nullptr;
  int level = 0;
  // The bytes and pitch of a level (0: pixels).
  std::vector<uint8_t> &Level(int n) { return n == 0 ? pixels : mips[static_cast<size_t>(n) - 1]; }
  int LevelPitch(int n) const { return n == 0 ? pitch : mipPitches[static_cast<size_t>(n) - 1]; }
  int generation = 0;  // the device it came from
  int fvf = 0;         // a vertex buffer's FVF, an index buffer's format
};

// A clock that moves only when asked: each vertical-blank wait advances it
// by the next scripted interval (the last one repeating), each Sleep by its
// milliseconds.
class FakeFrameClock : public FrameClock {
 public:
  uint64_t now = 1000000;
  std::vector<uint64_t> blankIntervals = {16667};
  int blankWaits = 0;
  int sleeps = 0;
  // Microseconds every NowMicroseconds call adds (0: time stands still).
  uint64_t readStep = 0;

  uint64_t NowMicroseconds() override {
    now += readStep;
    return now;
  }
  void Sleep(int milliseconds) override {
    sleeps++;
    now += static_cast<uint64_t>(milliseconds) * 1000;
  }
  int WaitForVerticalBlank() override {
    const size_t i = static_cast<size_t>(blankWaits) < blankIntervals.size()
                         ? static_cast<size_t>(blankWaits)
                         : blankIntervals.size() - 1;
    blankWaits++;
    now += blankIntervals[i];
    return 0;
  }
};

// What the device holds: every state the fake was sent, starting from
// Direct3D 9's documented defaults for a new device (written here from the
// documentation, apart from the framework's own seed values).
struct FakeDeviceMirror {
  std::map<int, uint32_t> renderStates;
  std::map<int, uint32_t> samplerStates[8];
  std::map<int, uint32_t> stageStates[8];
  GfxTexture *textures[8] = {};
  std::map<int, Matrix4x4> transforms;
  GfxViewport viewport = {};
  GfxRect scissor = {};
  std::map<int, GfxLight> lights;
  std::map<int, int> lightEnabled;
  GfxMaterial material = {};
  uint32_t fvf = 0;
  GfxSurface *renderTarget = nullptr;
  int shadersCleared = 0;
  // The defaults of a device made with width x height back buffer.
  void Reset(int width, int height);
};

class FakeGfxDevice : public GfxDevice {
 public:
  FakeGfxDevice();
  ~FakeGfxDevice() override;

  // Script: the n-th call (1-based) of kind fails; n 0 fails every call.
  void FailCall(const std::string &kind, int n = 0);
  // Calls of a kind so far, and the log lines that start with kind.
  int CountCalls(const std::string &kind) const;
  std::vector<std::string> CallsOf(const std::string &kind) const;
  // Device objects alive (library, DirectDraw, Direct3D, device and every
  // surface, swap chain and volume texture).
  int LiveObjects() const;
  int LiveOf(const std::string &kind) const;
  // Releases of objects already released.
  int doubleReleases = 0;
  // Calls that reached a buffer, texture or shader of a device already
  // released, or one already released itself.
  int staleUses = 0;
  // Calls of the device itself made while no device exists (the real one
  // would be called through a null pointer), and the first such call.
  int deviceLessCalls = 0;
  std::string firstDeviceLessCall;
  // Devices made so far; objects carry the number of their device.
  int deviceGeneration = 0;
  // The buffers and index format the last indexed draw used.
  GfxVertexBuffer *streamSource = nullptr;
  GfxIndexBuffer *indices = nullptr;

  std::vector<std::string> calls;
  GfxCaps caps;
  int adapterFormat = GFX_FMT_X8R8G8B8;
  int adapterR5G6B5Modes = 1;
  int windowed = 1;
  int vistaOrLater = 1;
  int hasCreate9Ex = 1;
  int hasCreate9 = 1;
  int compositionSwitch = 1;
  int presentResult = GFX_OK;
  int programEnding = 0;
  int timerArmed = 0;
  double scaleX = 1.0, scaleY = 1.0;
  int runWhileInactive = 1;
  int toolbarHeight = 0;
  int clientHeight = 480;
  int layered = 0;
  // The header of the last bitmap drawn to the window.
  GfxDibHeader lastDib = {};
  // Back-buffer colour the fake fills at each Clear of the target.
  uint32_t lastClearColor = 0;
  GfxPresentParams lastParams = {};
  uint32_t lastBehavior = 0;
  int library = 0, directDraw = 0, direct3D = 0, device = 0;

  // GfxDevice.
  int LoadD3DLibrary() override;
  void FreeD3DLibrary() override;
  int CreateDirectDraw() override;
  int InitializeDirectDraw() override;
  int SetCooperativeLevel(void *window, int fpuPreserve) override;
  void ReleaseDirectDraw() override;
  void *DirectDrawObject() override;
  int HasCreate9Ex() override;
  int CreateDirect3D9Ex() override;
  int HasCreate9() override;
  int CreateDirect3D9() override;
  void ReleaseDirect3D() override;
  int AdapterDisplayFormat() override;
  int AdapterModeCount(int format) override;
  void ProbeCaps(int displayFormat, GfxCaps *out) override;
  void AdapterIdentifier(char *driver, char *description) override;
  int CreateDevice(const GfxPresentParams *params, uint32_t behaviorFlags, int ex) override;
  void ReleaseDevice() override;
  void SetMaximumFrameLatency(int frames) override;
  void SetRenderState(int state, uint32_t value) override;
  int Clear(uint32_t flags, uint32_t color, float z) override;
  int BeginScene() override;
  int EndScene() override;
  int Present() override;
  int SetDialogBoxMode(int on) override;
  int GetBackBuffer(GfxSurface **out) override;
  int GetSwapChain(GfxSwapChain **out) override;
  int SurfaceFormat(GfxSurface *surface) override;
  int CreateDepthStencil(int width, int height, int format, GfxSurface **out) override;
  int SetDepthStencil(GfxSurface *surface) override;
  int CreateRenderTarget(int width, int height, int format, int lockable,
                         GfxSurface **out) override;
  int CreateSystemSurface(int width, int height, int format, GfxSurface **out) override;
  int LockSurface(GfxSurface *surface, const GfxRect *rect, int readOnly,
                  GfxLocked *out) override;
  void UnlockSurface(GfxSurface *surface) override;
  int StretchRect(GfxSurface *source, const GfxRect *sourceRect, GfxSurface *dest,
                  const GfxRect *destRect) override;
  int GetRenderTargetData(GfxSurface *renderTarget, GfxSurface *systemSurface) override;
  void ReleaseSurface(GfxSurface *surface) override;
  void ReleaseSwapChain(GfxSwapChain *swapChain) override;
  int CreateVolumeTexture(int size, int format, int systemMemory,
                          GfxVolumeTexture **out) override;
  int LockVolume(GfxVolumeTexture *texture, GfxLocked *out) override;
  void UnlockVolume(GfxVolumeTexture *texture) override;
  int UpdateVolumeTexture(GfxVolumeTexture *source, GfxVolumeTexture *dest) override;
  void ReleaseVolumeTexture(GfxVolumeTexture *texture) override;
  int ChangeDisplay(int width, int height, int bits, int refresh,
                            int fullScreen) override;
  void RestoreDesktopDisplayMode() override;
  int IsWindowed() override;
  void *MainWindow() override;
  int IsVistaOrLater() override;
  void RestyleWindow() override;
  int SetDesktopComposition(int enable) override;
  int IsProgramEnding() override { return programEnding; }
  void SetDrawTargetTimer(int on) override;
  void WindowScale(double *x, double *y) override {
    *x = scaleX;
    *y = scaleY;
  }
  int RunsWhileInactive() override { return runWhileInactive; }
  int PresentRects(const GfxRect *source, const GfxRect *dest) override;
  void ClientHeights(int *toolbar, int *client) override {
    *toolbar = toolbarHeight;
    *client = clientHeight;
  }
  int IsLayeredWindow() override { return layered; }
  int DrawBitmapToWindow(const GfxDibHeader *header, const void *bits, const GfxRect *source,
                         const GfxRect *dest) override;
  int PresentToLayeredWindow(const BASEIMAGE *image, uint32_t colorKey) override;
  void SetSamplerState(int stage, int state, uint32_t value) override;
  void SetTextureStageState(int stage, int state, uint32_t value) override;
  void SetTexture(int stage, GfxTexture *texture) override;
  void SetTransform(int kind, const Matrix4x4 *matrix) override;
  int SetViewport(const GfxViewport *viewport) override;
  int SetScissorRect(const GfxRect *rect) override;
  int SetRenderTarget(GfxSurface *surface) override;
  void SurfaceSize(GfxSurface *surface, int *width, int *height) override;
  void SetLight(int index, const GfxLight *light) override;
  void LightEnable(int index, int on) override;
  void SetMaterial(const GfxMaterial *material) override;
  void SetNoShaders() override;
  void SetFVF(uint32_t fvf) override;
  int DrawPrimitiveUP(int type, int count, const void *vertices, int stride) override;
  int DrawIndexedPrimitiveUP(int type, int minIndex, int vertexCount, int primitiveCount,
                             const uint16_t *indices, const void *vertices, int stride) override;
  uint32_t GetRenderState(int state) override;
  uint32_t GetSamplerState(int stage, int state) override;
  uint32_t GetTextureStageState(int stage, int state) override;
  int CreateTexture(int width, int height, int format, GfxTexture **out) override;
  int LockTexture(GfxTexture *texture, GfxLocked *out) override;
  void UnlockTexture(GfxTexture *texture) override;
  void ReleaseTexture(GfxTexture *texture) override;
  int CreateGraphTexture(const GfxTextureDesc *desc, GfxTexture **out) override;
  int LockTextureLevel(GfxTexture *texture, int level, const GfxRect *rect,
                       GfxLocked *out) override;
  void UnlockTextureLevel(GfxTexture *texture, int level) override;
  int GetTextureSurface(GfxTexture *texture, int level, GfxSurface **out) override;
  int UpdateTexture(GfxTexture *source, GfxTexture *dest) override;
  int UpdateSurface(GfxSurface *source, const GfxRect *rect, GfxSurface *dest, int x,
                    int y) override;
  int ColorFill(GfxSurface *surface, const GfxRect *rect, uint32_t color) override;
  // Bytes of a row of width pixels of a format (DXT: a row of 4 x 4 blocks),
  // and the offset of pixel (x, y) inside a level of that pitch.
  static int RowBytes(int format, int width);
  static size_t PixelOffset(int format, int pitch, int x, int y);
  static bool IsBlockFormat(int format);
  int CreateVertexBuffer(int length, int usage, int fvf, int pool,
                         GfxVertexBuffer **out) override;
  int CreateIndexBuffer(int length, int usage, int format, int pool,
                        GfxIndexBuffer **out) override;
  int LockVertexBuffer(GfxVertexBuffer *buffer, int offset, int size, void **out) override;
  void UnlockVertexBuffer(GfxVertexBuffer *buffer) override;
  void ReleaseVertexBuffer(GfxVertexBuffer *buffer) override;
  int LockIndexBuffer(GfxIndexBuffer *buffer, int offset, int size, void **out) override;
  void UnlockIndexBuffer(GfxIndexBuffer *buffer) override;
  void ReleaseIndexBuffer(GfxIndexBuffer *buffer) override;
  int SetStreamSource(GfxVertexBuffer *buffer, int stride) override;
  int SetIndices(GfxIndexBuffer *buffer) override;
  int DrawIndexedPrimitive(int type, int baseVertex, int minVertex, int vertexCount, int startIndex,
                           int primitiveCount) override;
  int CreateShader(int pixel, const uint32_t *code, GfxShader **out) override;
  void ReleaseShader(int pixel, GfxShader *shader) override;

  // The device's states as the calls left them.
  FakeDeviceMirror mirror;
  // Result SetViewport gives when scripted to fail.
  int viewportFailCode = -2005530516;
  // The vertices of the last DrawPrimitiveUP.
  std::vector<uint8_t> lastVertices;
  // The index lists of every DrawIndexedPrimitiveUP.
  std::vector<std::vector<uint16_t>> indexLists;

  FakeGfxObject *Object(const void *handle) const;
  // The last volume texture made in video memory.
  FakeGfxObject *lastVideoVolume = nullptr;

 private:
  // Logs the call; true when the script says this one fails.
  bool Record(const std::string &kind, const std::string &args = "");
  FakeGfxObject *Make(const std::string &kind, int width, int height, int format);
  void Release(const void *handle);
  // A buffer or shader of length bytes.
  FakeGfxObject *MakeBlock(const std::string &kind, int length, int format, int usage, int pool);
  // The live object of this device and kind behind handle; counts a stale
  // use and gives null otherwise.
  FakeGfxObject *Current(const void *handle, const std::string &kind);
  int LockBlock(const void *handle, const std::string &kind, int offset, int size, void **out);
  static int BytesPerPixel(int format);

  std::map<std::string, int> counts_;
  std::map<std::string, std::set<int>> failNth_;
  std::set<std::string> failAll_;
  std::vector<FakeGfxObject *> objects_;
  FakeGfxObject *backBuffer_ = nullptr;
  // Stands in for the main window's handle: its address only.
  char mainWindow_ = 0;
};

// Caps where every probed format and depth works, shaders 2.0 and a maximum
// texture of 4096: the start of each hand-made caps table.
GfxCaps FullGfxCaps(void);

// Installs a fake device and clock for one test, resets the test switches,
// and takes them out again at the end.
class FakeGfxInstall {
 public:
  FakeGfxInstall();
  ~FakeGfxInstall();
  FakeGfxDevice device;
  FakeFrameClock clock;
};

#endif  // VELVANE_TESTS_FAKE_GFX_DEVICE_H
