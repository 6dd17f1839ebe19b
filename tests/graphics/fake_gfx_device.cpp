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

// The calls that go to the device object itself (not to the library, the
// display or an object the device handed out).
const std::set<std::string> &DeviceCallKinds(void) {
  static const std::set<std::string> kinds = {
      "BeginScene", "Clear", "ColorFill", "CreateDepthStencil", "CreateGraphTexture",
      "CreateIndexBuffer", "CreateRenderTarget", "CreateShader", "CreateSystemSurface",
      "CreateTexture", "CreateVertexBuffer", "CreateVolumeTexture", "DrawIndexedPrimitive",
      "DrawIndexedPrimitiveUP", "DrawPrimitiveUP", "EndScene", "GetBackBuffer",
      "GetRenderTargetData", "GetSwapChain", "LightEnable", "Present", "PresentRects",
      "SetDepthStencil", "SetDialogBoxMode", "SetFVF", "SetIndices", "SetLight", "SetMaterial",
      "SetNoShaders", "SetRenderState", "SetRenderTarget", "SetSamplerState", "SetScissorRect",
      "SetStreamSource", "SetTexture", "SetTextureStageState", "SetTransform", "SetViewport",
      "StretchRect", "UpdateSurface", "UpdateTexture", "UpdateVolumeTexture"};
  return kinds;
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
  if (!device && DeviceCallKinds().count(kind)) {
    if (!deviceLessCalls++) firstDeviceLessCall = calls.back();
  }
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
  object->generation = deviceGeneration;
  objects_.push_back(object);
  return object;
}

FakeGfxObject *FakeGfxDevice::MakeBlock(const std::string &kind, int length, int format,
                                        int usage, int pool) {
  FakeGfxObject *object = new FakeGfxObject;
  object->kind = kind;
  object->width = length;
  object->height = 1;
  object->pitch = length;
  object->fvf = format;
  object->usage = usage;
  object->pool = pool;
  object->pixels.assign(static_cast<size_t>(length), 0xCD);  // undefined contents
  object->generation = deviceGeneration;
  objects_.push_back(object);
  return object;
}

FakeGfxObject *FakeGfxDevice::Current(const void *handle, const std::string &kind) {
  FakeGfxObject *object = Object(handle);
  if (!object || object->kind != kind || object->released || !device ||
      object->generation != deviceGeneration) {
    staleUses++;
    return nullptr;
  }
  return object;
}

int FakeGfxDevice::LockBlock(const void *handle, const std::string &kind, int offset, int size,
                             void **out) {
  FakeGfxObject *object = Current(handle, kind);
  if (!object) return -1;
  const size_t length = object->pixels.size();
  // Size 0 locks the whole buffer, as Direct3D does.
  if (size == 0 && offset == 0) size = static_cast<int>(length);
  if (offset < 0 || size < 0 || static_cast<size_t>(offset) + static_cast<size_t>(size) > length) {
    return -1;
  }
  *out = object->pixels.data() + offset;
  return 0;
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
         LiveOf("volume") + LiveOf("texture") + LiveOf("vbuffer") + LiveOf("ibuffer") +
         LiveOf("shader");
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

int FakeGfxDevice::SetCooperativeLevel(void *window, int fpuPreserve) {
  const char *owner = !window ? "none" : window == MainWindow() ? "main" : "other";
  return Record("SetCooperativeLevel", Format("window=%s fpu=%d", owner, fpuPreserve)) ? -1 : 0;
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
  deviceGeneration++;
  streamSource = nullptr;
  indices = nullptr;
  backBuffer_ = Make("backbuffer", params->width, params->height, params->format);
  mirror.Reset(params->width, params->height);
  mirror.renderTarget = reinterpret_cast<GfxSurface *>(backBuffer_);
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
  mirror.renderStates[state] = value;
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
  if (object->parent) {
    FakeGfxObject *texture = object->parent;
    const int pitch = texture->LevelPitch(object->level);
    out->bits = texture->Level(object->level).data() +
                PixelOffset(texture->format, pitch, left, top);
    out->pitch = pitch;
    out->slicePitch = 0;
    return 0;
  }
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

void *FakeGfxDevice::MainWindow() { return &mainWindow_; }

int FakeGfxDevice::IsVistaOrLater() { return vistaOrLater; }

void FakeGfxDevice::RestyleWindow() { Record("RestyleWindow"); }

int FakeGfxDevice::SetDesktopComposition(int enable) {
  Record("SetDesktopComposition", Format("%d", enable));
  return compositionSwitch;
}

void FakeDeviceMirror::Reset(int width, int height) {
  // Render states (D3DRS_*) of a device made without an automatic depth buffer.
  renderStates = {
      {7, 0},             {8, 3},          {9, 2},         {14, 1},
      {15, 0},            {19, 2},         {20, 1},        {22, 3},
      {23, 4},            {24, 0},         {25, 8},        {26, 0},
      {27, 0},            {28, 0},         {29, 0},        {34, 0},
      {35, 0},            {36, 0},         {37, 0x3F800000}, {38, 0x3F800000},
      {60, 0xFFFFFFFF},   {137, 1},        {139, 0},       {140, 0},
      {141, 1},           {143, 0},        {145, 1},       {146, 2},
      {147, 0},           {148, 0},        {171, 1},       {174, 0},
      {195, 0}};
  for (int stage = 0; stage < 8; stage++) {
    // Sampler states: wrap addressing, point filtering, no mip filter.
    samplerStates[stage] = {{1, 1}, {2, 1}, {3, 1}, {5, 1}, {6, 1}, {7, 0}, {10, 1}};
    // Stage states: stage 0 modulates texture and current colour and
    // selects the texture alpha; every other stage is disabled.
    stageStates[stage] = {{1, stage == 0 ? 4u : 1u},
                          {2, 2},
                          {3, 1},
                          {4, stage == 0 ? 2u : 1u},
                          {5, 2},
                          {6, 1},
                          {11, static_cast<uint32_t>(stage)},
                          {24, 0},
                          {28, 1}};
    textures[stage] = nullptr;
  }
  transforms.clear();
  viewport = GfxViewport{0, 0, width, height, 0.0f, 1.0f};
  scissor = GfxRect{0, 0, width, height};
  lights.clear();
  lightEnabled.clear();
  material = GfxMaterial{};
  fvf = 0;
  shadersCleared = 0;
}

void FakeGfxDevice::SetSamplerState(int stage, int state, uint32_t value) {
  Record("SetSamplerState", Format("%d:%d=%u", stage, state, value));
  if (stage >= 0 && stage < 8) mirror.samplerStates[stage][state] = value;
}

void FakeGfxDevice::SetTextureStageState(int stage, int state, uint32_t value) {
  Record("SetTextureStageState", Format("%d:%d=%u", stage, state, value));
  if (stage >= 0 && stage < 8) mirror.stageStates[stage][state] = value;
}

void FakeGfxDevice::SetTexture(int stage, GfxTexture *texture) {
  Record("SetTexture", Format("%d=%p", stage, static_cast<void *>(texture)));
  if (texture) Current(texture, "texture");
  if (stage >= 0 && stage < 8) mirror.textures[stage] = texture;
}

void FakeGfxDevice::SetTransform(int kind, const Matrix4x4 *matrix) {
  Record("SetTransform", Format("%d", kind));
  mirror.transforms[kind] = *matrix;
}

int FakeGfxDevice::SetViewport(const GfxViewport *viewport) {
  if (Record("SetViewport", Format("%d,%d %dx%d z=%g-%g", viewport->x, viewport->y,
                                   viewport->width, viewport->height, viewport->minZ,
                                   viewport->maxZ))) {
    return viewportFailCode;
  }
  mirror.viewport = *viewport;
  return 0;
}

int FakeGfxDevice::SetScissorRect(const GfxRect *rect) {
  if (Record("SetScissorRect",
             Format("%d,%d-%d,%d", rect->left, rect->top, rect->right, rect->bottom))) {
    return -1;
  }
  mirror.scissor = *rect;
  return 0;
}

int FakeGfxDevice::SetRenderTarget(GfxSurface *surface) {
  if (Record("SetRenderTarget")) return -1;
  mirror.renderTarget = surface;
  return 0;
}

void FakeGfxDevice::SurfaceSize(GfxSurface *surface, int *width, int *height) {
  FakeGfxObject *object = Object(surface);
  *width = object ? object->width : 0;
  *height = object ? object->height : 0;
}

void FakeGfxDevice::SetLight(int index, const GfxLight *light) {
  Record("SetLight", Format("%d type=%d", index, light->type));
  mirror.lights[index] = *light;
}

void FakeGfxDevice::LightEnable(int index, int on) {
  Record("LightEnable", Format("%d=%d", index, on));
  mirror.lightEnabled[index] = on;
}

void FakeGfxDevice::SetMaterial(const GfxMaterial *material) {
  Record("SetMaterial");
  mirror.material = *material;
}

void FakeGfxDevice::SetNoShaders() {
  Record("SetNoShaders");
  mirror.shadersCleared++;
}

void FakeGfxDevice::SetFVF(uint32_t fvf) {
  Record("SetFVF", Format("0x%x", fvf));
  mirror.fvf = fvf;
}

int FakeGfxDevice::DrawPrimitiveUP(int type, int count, const void *vertices, int stride) {
  const bool fail =
      Record("DrawPrimitiveUP", Format("type=%d count=%d stride=%d", type, count, stride));
  lastVertices.clear();
  // The vertices one call reads: as many as the primitive type needs.
  int vertexCount = 0;
  switch (type) {
    case 1: vertexCount = count; break;
    case 2: vertexCount = count * 2; break;
    case 3: vertexCount = count + 1; break;
    case 4: vertexCount = count * 3; break;
    default: vertexCount = count + 2; break;
  }
  const uint8_t *bytes = static_cast<const uint8_t *>(vertices);
  lastVertices.assign(bytes, bytes + static_cast<size_t>(vertexCount) * stride);
  return fail ? -1 : 0;
}

int FakeGfxDevice::DrawIndexedPrimitiveUP(int type, int minIndex, int vertexCount,
                                          int primitiveCount, const uint16_t *indices,
                                          const void *vertices, int stride) {
  const bool fail = Record("DrawIndexedPrimitiveUP",
                           Format("type=%d min=%d vertices=%d count=%d stride=%d", type, minIndex,
                                  vertexCount, primitiveCount, stride));
  // A strip of n primitives reads n + 2 indices, a list 3n.
  const int indexCount = type == 4 ? primitiveCount * 3 : primitiveCount + 2;
  indexLists.emplace_back(indices, indices + indexCount);
  const uint8_t *bytes = static_cast<const uint8_t *>(vertices);
  lastVertices.assign(bytes, bytes + static_cast<size_t>(vertexCount) * stride);
  return fail ? -1 : 0;
}

uint32_t FakeGfxDevice::GetRenderState(int state) {
  auto found = mirror.renderStates.find(state);
  return found == mirror.renderStates.end() ? 0 : found->second;
}

uint32_t FakeGfxDevice::GetSamplerState(int stage, int state) {
  auto found = mirror.samplerStates[stage].find(state);
  return found == mirror.samplerStates[stage].end() ? 0 : found->second;
}

uint32_t FakeGfxDevice::GetTextureStageState(int stage, int state) {
  auto found = mirror.stageStates[stage].find(state);
  return found == mirror.stageStates[stage].end() ? 0 : found->second;
}

int FakeGfxDevice::CreateTexture(int width, int height, int format, GfxTexture **out) {
  if (Record("CreateTexture", Format("%dx%d fmt=%d", width, height, format))) return -1;
  *out = reinterpret_cast<GfxTexture *>(Make("texture", width, height, format));
  return 0;
}

int FakeGfxDevice::LockTexture(GfxTexture *texture, GfxLocked *out) {
  if (Record("LockTexture")) return -1;
  FakeGfxObject *object = Current(texture, "texture");
  if (!object) return -1;
  out->bits = object->pixels.data();
  out->pitch = object->pitch;
  out->slicePitch = 0;
  return 0;
}

void FakeGfxDevice::UnlockTexture(GfxTexture *) { Record("UnlockTexture"); }

void FakeGfxDevice::ReleaseTexture(GfxTexture *texture) {
  Record("ReleaseTexture");
  Release(texture);
}

int FakeGfxDevice::RowBytes(int format, int width) {
  switch (format) {
    case GFX_FMT_DXT1:
      return (width + 3) / 4 * 8;
    case GFX_FMT_DXT2:
    case GFX_FMT_DXT3:
    case GFX_FMT_DXT4:
    case GFX_FMT_DXT5:
      return (width + 3) / 4 * 16;
    default:
      return width * BytesPerPixel(format);
  }
}

bool FakeGfxDevice::IsBlockFormat(int format) {
  return format == GFX_FMT_DXT1 || format == GFX_FMT_DXT2 || format == GFX_FMT_DXT3 ||
         format == GFX_FMT_DXT4 || format == GFX_FMT_DXT5;
}

size_t FakeGfxDevice::PixelOffset(int format, int pitch, int x, int y) {
  const bool blocks = IsBlockFormat(format);
  if (blocks) {
    return static_cast<size_t>(y / 4) * pitch + static_cast<size_t>(RowBytes(format, x));
  }
  return static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * BytesPerPixel(format);
}

int FakeGfxDevice::CreateGraphTexture(const GfxTextureDesc *desc, GfxTexture **out) {
  if (Record("CreateGraphTexture",
             Format("%dx%d levels=%d fmt=%d usage=%d pool=%d", desc->width, desc->height,
                    desc->levels, desc->format, desc->usage, desc->pool))) {
    return -1;
  }
  FakeGfxObject *object = Make("texture", desc->width, desc->height, desc->format);
  const bool blocks = IsBlockFormat(desc->format);
  object->pool = desc->pool;
  object->usage = desc->usage;
  object->pitch = RowBytes(desc->format, desc->width);
  object->pixels.assign(
      static_cast<size_t>(object->pitch) * (blocks ? (desc->height + 3) / 4 : desc->height),
      0xCD);
  int w = desc->width, h = desc->height;
  for (int level = 1; level < desc->levels; level++) {
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
    const int pitch = RowBytes(desc->format, w);
    object->mipPitches.push_back(pitch);
    object->mips.emplace_back(static_cast<size_t>(pitch) * (blocks ? (h + 3) / 4 : h), 0xCD);
  }
  *out = reinterpret_cast<GfxTexture *>(object);
  return 0;
}

int FakeGfxDevice::LockTextureLevel(GfxTexture *texture, int level, const GfxRect *rect,
                                    GfxLocked *out) {
  FakeGfxObject *object = Object(texture);
  std::string args = Format("level=%d", level);
  if (rect) args += Format(" %d,%d-%d,%d", rect->left, rect->top, rect->right, rect->bottom);
  if (Record("LockTextureLevel", args) || !object) return -1;
  if (object->pool == GFX_POOL_DEFAULT && !(object->usage & GFX_USAGE_DYNAMIC)) return -1;
  const int pitch = object->LevelPitch(level);
  out->bits = object->Level(level).data() +
              (rect ? PixelOffset(object->format, pitch, rect->left, rect->top) : 0);
  out->pitch = pitch;
  out->slicePitch = 0;
  return 0;
}

void FakeGfxDevice::UnlockTextureLevel(GfxTexture *, int level) {
  Record("UnlockTextureLevel", Format("level=%d", level));
}

int FakeGfxDevice::GetTextureSurface(GfxTexture *texture, int level, GfxSurface **out) {
  FakeGfxObject *object = Object(texture);
  if (Record("GetTextureSurface", Format("level=%d", level)) || !object) return -1;
  FakeGfxObject *surface = Make("surface", 0, 0, object->format);
  surface->width = object->width >> level;
  surface->height = object->height >> level;
  surface->parent = object;
  surface->level = level;
  *out = reinterpret_cast<GfxSurface *>(surface);
  return 0;
}

int FakeGfxDevice::UpdateTexture(GfxTexture *source, GfxTexture *dest) {
  FakeGfxObject *from = Object(source), *to = Object(dest);
  if (Record("UpdateTexture") || !from || !to || from->pool != GFX_POOL_SYSTEM) return -1;
  to->pixels = from->pixels;
  to->mips = from->mips;
  return 0;
}

int FakeGfxDevice::UpdateSurface(GfxSurface *source, const GfxRect *rect, GfxSurface *dest,
                                 int x, int y) {
  FakeGfxObject *from = Object(source), *to = Object(dest);
  if (Record("UpdateSurface", Format("to %d,%d", x, y)) || !from || !to) return -1;
  FakeGfxObject *target = to->parent ? to->parent : to;
  const int bytes = BytesPerPixel(from->format);
  const GfxRect whole = {0, 0, from->width, from->height};
  const GfxRect &r = rect ? *rect : whole;
  for (int row = r.top; row < r.bottom; row++) {
    memcpy(target->pixels.data() + PixelOffset(target->format, target->pitch, x, y + row - r.top),
           from->pixels.data() + PixelOffset(from->format, from->pitch, r.left, row),
           static_cast<size_t>(r.right - r.left) * bytes);
  }
  return 0;
}

int FakeGfxDevice::ColorFill(GfxSurface *surface, const GfxRect *rect, uint32_t color) {
  FakeGfxObject *object = Object(surface);
  if (Record("ColorFill", Format("%08x", color)) || !object) return -1;
  FakeGfxObject *target = object->parent ? object->parent : object;
  const GfxRect whole = {0, 0, target->width, target->height};
  const GfxRect &r = rect ? *rect : whole;
  const int bytes = BytesPerPixel(target->format);
  uint32_t value = color;
  if (bytes == 2) {
    value = ((color >> 8) & 0xF800) | ((color >> 5) & 0x07E0) | ((color >> 3) & 0x001F);
  }
  for (int y = r.top; y < r.bottom; y++) {
    for (int x = r.left; x < r.right; x++) {
      memcpy(target->pixels.data() + PixelOffset(target->format, target->pitch, x, y), &value,
             static_cast<size_t>(bytes));
    }
  }
  return 0;
}

int FakeGfxDevice::CreateVertexBuffer(int length, int usage, int fvf, int pool,
                                      GfxVertexBuffer **out) {
  if (Record("CreateVertexBuffer",
             Format("%d usage=%d fvf=0x%x pool=%d", length, usage, fvf, pool)) ||
      !device || length <= 0) {
    return -1;
  }
  *out = reinterpret_cast<GfxVertexBuffer *>(MakeBlock("vbuffer", length, fvf, usage, pool));
  return 0;
}

int FakeGfxDevice::CreateIndexBuffer(int length, int usage, int format, int pool,
                                     GfxIndexBuffer **out) {
  if (Record("CreateIndexBuffer",
             Format("%d usage=%d fmt=%d pool=%d", length, usage, format, pool)) ||
      !device || length <= 0) {
    return -1;
  }
  *out = reinterpret_cast<GfxIndexBuffer *>(MakeBlock("ibuffer", length, format, usage, pool));
  return 0;
}

int FakeGfxDevice::LockVertexBuffer(GfxVertexBuffer *buffer, int offset, int size, void **out) {
  if (Record("LockVertexBuffer", Format("%d+%d", offset, size))) return -1;
  return LockBlock(buffer, "vbuffer", offset, size, out);
}

void FakeGfxDevice::UnlockVertexBuffer(GfxVertexBuffer *buffer) {
  Record("UnlockVertexBuffer");
  Current(buffer, "vbuffer");
}

void FakeGfxDevice::ReleaseVertexBuffer(GfxVertexBuffer *buffer) {
  Record("ReleaseVertexBuffer");
  Release(buffer);
}

int FakeGfxDevice::LockIndexBuffer(GfxIndexBuffer *buffer, int offset, int size, void **out) {
  if (Record("LockIndexBuffer", Format("%d+%d", offset, size))) return -1;
  return LockBlock(buffer, "ibuffer", offset, size, out);
}

void FakeGfxDevice::UnlockIndexBuffer(GfxIndexBuffer *buffer) {
  Record("UnlockIndexBuffer");
  Current(buffer, "ibuffer");
}

void FakeGfxDevice::ReleaseIndexBuffer(GfxIndexBuffer *buffer) {
  Record("ReleaseIndexBuffer");
  Release(buffer);
}

int FakeGfxDevice::SetStreamSource(GfxVertexBuffer *buffer, int stride) {
  if (Record("SetStreamSource", Format("stride=%d", stride))) return -1;
  if (buffer && !Current(buffer, "vbuffer")) return -1;
  streamSource = buffer;
  return 0;
}

int FakeGfxDevice::SetIndices(GfxIndexBuffer *buffer) {
  if (Record("SetIndices")) return -1;
  if (buffer && !Current(buffer, "ibuffer")) return -1;
  indices = buffer;
  return 0;
}

int FakeGfxDevice::DrawIndexedPrimitive(int type, int baseVertex, int minVertex, int vertexCount,
                                        int startIndex, int primitiveCount) {
  if (Record("DrawIndexedPrimitive",
             Format("type=%d base=%d min=%d vertices=%d start=%d count=%d", type, baseVertex,
                    minVertex, vertexCount, startIndex, primitiveCount))) {
    return -1;
  }
  if (!Current(streamSource, "vbuffer") || !Current(indices, "ibuffer")) return -1;
  return 0;
}

int FakeGfxDevice::CreateShader(int pixel, const uint32_t *code, GfxShader **out) {
  if (Record("CreateShader", Format("%s", pixel ? "pixel" : "vertex")) || !device || !code) {
    return -1;
  }
  // A shader's code runs to its end token 0x0000FFFF.
  size_t words = 1;
  while (code[words - 1] != 0x0000FFFFu) words++;
  FakeGfxObject *object = MakeBlock("shader", static_cast<int>(words * 4), pixel, 0, 0);
  memcpy(object->pixels.data(), code, words * 4);
  *out = reinterpret_cast<GfxShader *>(object);
  return 0;
}

void FakeGfxDevice::ReleaseShader(int pixel, GfxShader *shader) {
  Record("ReleaseShader", Format("%s", pixel ? "pixel" : "vertex"));
  Release(shader);
}

void FakeGfxDevice::SetDrawTargetTimer(int on) {
  Record("SetDrawTargetTimer", Format("%d", on));
  timerArmed = on;
}

namespace {

std::string RectsText(const GfxRect *source, const GfxRect *dest) {
  std::string text = source ? Format("%d,%d-%d,%d", source->left, source->top, source->right,
                                     source->bottom)
                            : std::string("whole");
  text += dest ? Format(" onto %d,%d-%d,%d", dest->left, dest->top, dest->right, dest->bottom)
               : std::string(" onto whole");
  return text;
}

}  // namespace

int FakeGfxDevice::PresentRects(const GfxRect *source, const GfxRect *dest) {
  return Record("PresentRects", RectsText(source, dest)) ? GFX_E_FAIL : presentResult;
}

int FakeGfxDevice::DrawBitmapToWindow(const GfxDibHeader *header, const void *bits,
                                      const GfxRect *source, const GfxRect *dest) {
  lastDib = *header;
  const std::string text = RectsText(source, dest) + (bits ? "" : " no bits");
  return Record("DrawBitmapToWindow", text) ? -1 : 0;
}

int FakeGfxDevice::PresentToLayeredWindow(const BASEIMAGE *image, uint32_t colorKey) {
  const std::string text = Format("%dx%d key=0x%06x", image->width, image->height, colorKey);
  return Record("PresentToLayeredWindow", text) ? -1 : 0;
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
