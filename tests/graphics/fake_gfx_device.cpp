#include "fake_gfx_device.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

}  // namespace

GfxCaps FullGfxCaps(void) {
  GfxCaps caps;
  memset(&caps, 0, sizeof caps);
  for (int i = 0; i < GFX_CAPS_FORMAT_COUNT; i++) caps.texture[i] = caps.renderTarget[i] = 1;
  for (int i = 0; i < GFX_CAPS_DEPTH_COUNT; i++) caps.depth[i] = 1;
  caps.vertexShaderVersion = 0xFFFE0200;
  caps.pixelShaderVersion = 0xFFFF0200;
  caps.maxTextureWidth = caps.maxTextureHeight = 4096;
  return caps;
}

FakeGfxDevice::FakeGfxDevice() : caps(FullGfxCaps()) {}

FakeGfxDevice::~FakeGfxDevice() {
  for (FakeGfxObject *object : objects_) delete object;
}

void FakeGfxDevice::FailCall(const std::string &kind, int n) {
  if (n == 0) {
    failAll_.insert(kind);
  } else {
    failNth_[kind].insert(n);
  }
}

int FakeGfxDevice::CountCalls(const std::string &kind) const {
  auto found = counts_.find(kind);
  return found == counts_.end() ? 0 : found->second;
}

std::vector<std::string> FakeGfxDevice::CallsOf(const std::string &kind) const {
  std::vector<std::string> result;
  for (const std::string &call : calls) {
    if (call == kind || call.rfind(kind + " ", 0) == 0) result.push_back(call);
  }
  return result;
}

bool FakeGfxDevice::Record(const std::string &kind, const std::string &args) {
  calls.push_back(args.empty() ? kind : kind + " " + args);
  const int n = ++counts_[kind];
  if (failAll_.count(kind)) return true;
  auto found = failNth_.find(kind);
  return found != failNth_.end() && found->second.count(n) != 0;
}

int FakeGfxDevice::BytesPerPixel(int format) {
  switch (format) {
    case GFX_FMT_A8R8G8B8:
    case GFX_FMT_X8R8G8B8:
    case GFX_FMT_D24X8:
    case GFX_FMT_D32:
      return 4;
    default:
      return 2;
  }
}

FakeGfxObject *FakeGfxDevice::Make(const std::string &kind, int width, int height, int format) {
  FakeGfxObject *object = new FakeGfxObject;
  object->kind = kind;
  object->width = width;
  object->height = height;
  object->format = format;
  object->pitch = width * BytesPerPixel(format);
  object->pixels.assign(static_cast<size_t>(object->pitch) * static_cast<size_t>(height), 0);
  objects_.push_back(object);
  return object;
}

FakeGfxObject *FakeGfxDevice::Object(const void *handle) const {
  for (FakeGfxObject *object : objects_) {
    if (object == handle) return object;
  }
  return nullptr;
}

void FakeGfxDevice::Release(const void *handle) {
  FakeGfxObject *object = Object(handle);
  if (!object || object->released) {
    doubleReleases++;
    return;
  }
  object->released = 1;
}

int FakeGfxDevice::LiveOf(const std::string &kind) const {
  int live = 0;
  for (const FakeGfxObject *object : objects_) {
    if (object->kind == kind && !object->released) live++;
  }
  return live;
}

int FakeGfxDevice::LiveObjects() const {
  return library + directDraw + direct3D + device + LiveOf("surface") + LiveOf("swapchain") +
         LiveOf("volume");
}

int FakeGfxDevice::LoadD3DLibrary() {
  if (Record("LoadD3DLibrary")) return -1;
  library = 1;
  return 0;
}

void FakeGfxDevice::FreeD3DLibrary() {
  Record("FreeD3DLibrary");
  if (!library) doubleReleases++;
  library = 0;
}

int FakeGfxDevice::CreateDirectDraw() {
  if (Record("CreateDirectDraw")) return -1;
  directDraw = 1;
  return 0;
}

int FakeGfxDevice::InitializeDirectDraw() { return Record("InitializeDirectDraw") ? -1 : 0; }

int FakeGfxDevice::SetCooperativeLevel(void *, int fpuPreserve) {
  return Record("SetCooperativeLevel", Format("fpu=%d", fpuPreserve)) ? -1 : 0;
}

void FakeGfxDevice::ReleaseDirectDraw() {
  Record("ReleaseDirectDraw");
  if (!directDraw) doubleReleases++;
  directDraw = 0;
}

void *FakeGfxDevice::DirectDrawObject() { return directDraw ? &directDraw : nullptr; }

int FakeGfxDevice::HasCreate9Ex() { return hasCreate9Ex; }

int FakeGfxDevice::CreateDirect3D9Ex() {
  if (Record("CreateDirect3D9Ex")) return -1;
  direct3D = 1;
  return 0;
}

int FakeGfxDevice::HasCreate9() { return hasCreate9; }

int FakeGfxDevice::CreateDirect3D9() {
  if (Record("CreateDirect3D9")) return -1;
  direct3D = 1;
  return 0;
}

void FakeGfxDevice::ReleaseDirect3D() {
  Record("ReleaseDirect3D");
  if (!direct3D) doubleReleases++;
  direct3D = 0;
}

int FakeGfxDevice::AdapterDisplayFormat() { return adapterFormat; }

int FakeGfxDevice::AdapterModeCount(int format) {
  return format == GFX_FMT_R5G6B5 ? adapterR5G6B5Modes : 1;
}

void FakeGfxDevice::ProbeCaps(int displayFormat, GfxCaps *out) {
  Record("ProbeCaps", Format("fmt=%d", displayFormat));
  *out = caps;
  out->displayFormat = displayFormat;
}

void FakeGfxDevice::AdapterIdentifier(char *driver, char *description) {
  snprintf(driver, GFX_IDENTIFIER_SIZE, "fake.dll");
  snprintf(description, GFX_IDENTIFIER_SIZE, "Fake adapter");
}

int FakeGfxDevice::CreateDevice(const GfxPresentParams *params, uint32_t behaviorFlags, int ex) {
  lastParams = *params;
  lastBehavior = behaviorFlags;
  if (Record("CreateDevice", Format("%dx%d fmt=%d windowed=%d refresh=%d flags=0x%x ex=%d",
                                    params->width, params->height, params->format,
                                    params->windowed, params->refreshRate, behaviorFlags, ex))) {
    return -1;
  }
  device = 1;
  backBuffer_ = Make("backbuffer", params->width, params->height, params->format);
  return 0;
}

void FakeGfxDevice::ReleaseDevice() {
  Record("ReleaseDevice");
  if (!device) doubleReleases++;
  device = 0;
}

void FakeGfxDevice::SetMaximumFrameLatency(int frames) {
  Record("SetMaximumFrameLatency", Format("%d", frames));
}

void FakeGfxDevice::SetRenderState(int state, uint32_t value) {
  Record("SetRenderState", Format("%d=%u", state, value));
}

int FakeGfxDevice::Clear(uint32_t flags, uint32_t color, float z) {
  if (Record("Clear", Format("flags=%u color=0x%08x z=%g", flags, color, z))) return -1;
  if ((flags & GFX_CLEAR_TARGET) && backBuffer_) {
    lastClearColor = color;
    for (size_t i = 0; i + 3 < backBuffer_->pixels.size(); i += 4) {
      memcpy(&backBuffer_->pixels[i], &color, 4);
    }
  }
  return 0;
}

int FakeGfxDevice::BeginScene() { return Record("BeginScene") ? -1 : 0; }

int FakeGfxDevice::EndScene() { return Record("EndScene") ? -1 : 0; }

int FakeGfxDevice::Present() { return Record("Present") ? GFX_E_FAIL : presentResult; }

int FakeGfxDevice::SetDialogBoxMode(int on) {
  return Record("SetDialogBoxMode", Format("%d", on)) ? -1 : 0;
}

int FakeGfxDevice::GetBackBuffer(GfxSurface **out) {
  if (Record("GetBackBuffer") || !backBuffer_) return -1;
  // Each query hands out a reference of its own, as Direct3D does.
  FakeGfxObject *reference = Make("surface", backBuffer_->width, backBuffer_->height,
                                  backBuffer_->format);
  reference->pixels = backBuffer_->pixels;
  *out = reinterpret_cast<GfxSurface *>(reference);
  return 0;
}

int FakeGfxDevice::GetSwapChain(GfxSwapChain **out) {
  if (Record("GetSwapChain")) return -1;
  *out = reinterpret_cast<GfxSwapChain *>(Make("swapchain", 0, 0, 0));
  return 0;
}

int FakeGfxDevice::SurfaceFormat(GfxSurface *surface) {
  FakeGfxObject *object = Object(surface);
  return object ? object->format : GFX_FMT_UNKNOWN;
}

int FakeGfxDevice::CreateDepthStencil(int width, int height, int format, GfxSurface **out) {
  if (Record("CreateDepthStencil", Format("%dx%d fmt=%d", width, height, format))) return -1;
  *out = reinterpret_cast<GfxSurface *>(Make("surface", width, height, format));
  return 0;
}

int FakeGfxDevice::SetDepthStencil(GfxSurface *) { return Record("SetDepthStencil") ? -1 : 0; }

int FakeGfxDevice::CreateRenderTarget(int width, int height, int format, int lockable,
                                      GfxSurface **out) {
  if (Record("CreateRenderTarget",
             Format("%dx%d fmt=%d lockable=%d", width, height, format, lockable))) {
    return -1;
  }
  *out = reinterpret_cast<GfxSurface *>(Make("surface", width, height, format));
  return 0;
}

int FakeGfxDevice::CreateSystemSurface(int width, int height, int format, GfxSurface **out) {
  if (Record("CreateSystemSurface", Format("%dx%d fmt=%d", width, height, format))) return -1;
  *out = reinterpret_cast<GfxSurface *>(Make("surface", width, height, format));
  return 0;
}

int FakeGfxDevice::LockSurface(GfxSurface *surface, const GfxRect *rect, int readOnly,
                               GfxLocked *out) {
  FakeGfxObject *object = Object(surface);
  if (Record("LockSurface", Format("readOnly=%d", readOnly)) || !object) return -1;
  const int left = rect ? rect->left : 0, top = rect ? rect->top : 0;
  out->bits = object->pixels.data() + static_cast<size_t>(top) * object->pitch +
              static_cast<size_t>(left) * BytesPerPixel(object->format);
  out->pitch = object->pitch;
  out->slicePitch = 0;
  return 0;
}

void FakeGfxDevice::UnlockSurface(GfxSurface *) { Record("UnlockSurface"); }

int FakeGfxDevice::StretchRect(GfxSurface *, const GfxRect *, GfxSurface *, const GfxRect *) {
  return Record("StretchRect") ? -1 : 0;
}

int FakeGfxDevice::GetRenderTargetData(GfxSurface *, GfxSurface *) {
  return Record("GetRenderTargetData") ? -1 : 0;
}

void FakeGfxDevice::ReleaseSurface(GfxSurface *surface) {
  Record("ReleaseSurface");
  Release(surface);
}

void FakeGfxDevice::ReleaseSwapChain(GfxSwapChain *swapChain) {
  Record("ReleaseSwapChain");
  Release(swapChain);
}

int FakeGfxDevice::CreateVolumeTexture(int size, int format, int systemMemory,
                                       GfxVolumeTexture **out) {
  if (Record("CreateVolumeTexture", Format("%d fmt=%d system=%d", size, format, systemMemory))) {
    return -1;
  }
  FakeGfxObject *object = Make("volume", size, size * size, format);
  if (!systemMemory) lastVideoVolume = object;
  *out = reinterpret_cast<GfxVolumeTexture *>(object);
  return 0;
}

int FakeGfxDevice::LockVolume(GfxVolumeTexture *texture, GfxLocked *out) {
  FakeGfxObject *object = Object(texture);
  if (Record("LockVolume") || !object) return -1;
  out->bits = object->pixels.data();
  out->pitch = object->pitch;
  out->slicePitch = object->pitch * object->width;
  return 0;
}

void FakeGfxDevice::UnlockVolume(GfxVolumeTexture *) { Record("UnlockVolume"); }

int FakeGfxDevice::UpdateVolumeTexture(GfxVolumeTexture *source, GfxVolumeTexture *dest) {
  if (Record("UpdateVolumeTexture")) return -1;
  FakeGfxObject *from = Object(source), *to = Object(dest);
  if (from && to) to->pixels = from->pixels;
  return 0;
}

void FakeGfxDevice::ReleaseVolumeTexture(GfxVolumeTexture *texture) {
  Record("ReleaseVolumeTexture");
  Release(texture);
}

int FakeGfxDevice::ChangeDisplay(int width, int height, int bits, int refresh,
                                         int fullScreen) {
  return Record("ChangeDisplay",
                Format("%dx%dx%d refresh=%d full=%d", width, height, bits, refresh, fullScreen))
             ? -1
             : 0;
}

void FakeGfxDevice::RestoreDesktopDisplayMode() { Record("RestoreDesktopDisplayMode"); }

int FakeGfxDevice::IsWindowed() { return windowed; }

void *FakeGfxDevice::MainWindow() { return nullptr; }

int FakeGfxDevice::IsVistaOrLater() { return vistaOrLater; }

void FakeGfxDevice::RestyleWindow() { Record("RestyleWindow"); }

int FakeGfxDevice::SetDesktopComposition(int enable) {
  Record("SetDesktopComposition", Format("%d", enable));
  return compositionSwitch;
}

FakeGfxInstall::FakeGfxInstall() {
  g_gfxTestSwitches = GfxTestSwitches{nullptr, 0, -1};
  SetGfxDevice(&device);
  SetFrameClock(&clock);
}

FakeGfxInstall::~FakeGfxInstall() {
  SetGfxDevice(nullptr);
  SetFrameClock(nullptr);
  g_gfxTestSwitches = GfxTestSwitches{nullptr, 0, -1};
}
