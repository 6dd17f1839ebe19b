#include "graphics/draw/present.h"

#include <stddef.h>
#include <string.h>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_screen_lock.h"
#include "graphics/draw/draw_setters.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/text/onscreen_log.h"
#include "graphics/state/vertex_batch.h"
#include "softrender/softrender.h"

namespace {

const uint64_t kQuickPresentUs = 500;
const int64_t kUnknownPeriodThresholdUs = 4000;
const int64_t kEarlyWakeUs = 3000;
const Rect kEmulatedPicture = {0, 0, 320, 240};
const Rect kEmulatedWindow = {0, 0, 640, 480};

struct PresentState {
  Rect lastSource;  // picture units
  Rect lastDest;    // client units
};

PresentState g_present = {{0, 0, 640, 480}, {0, 0, 640, 480}};

int Width(const Rect &r) { return r.right - r.left; }
int Height(const Rect &r) { return r.bottom - r.top; }

bool Emulating(void) {
  return GetEmulation320x240Flag() && GetScreenWidthSetting() == 640 &&
         GetScreenHeightSetting() == 480;
}

bool WaitsForVerticalBlank(void) { return !g_drawSettings.vsyncWaitOff; }

GfxRect ToGfx(const Rect &r) { return GfxRect{r.left, r.top, r.right, r.bottom}; }

// The whole picture: the screen size, 640 x 480 while unset.
Rect ScreenPicture(void) {
  const Rect screen = {0, 0, GetScreenWidthSetting(), GetScreenHeightSetting()};
  return Width(screen) > 0 && Height(screen) > 0 ? screen : Rect{0, 0, 640, 480};
}

int PresentHardware(GfxDevice *device, const Rect *dirty, const Rect &mapped, const Rect &dest) {
  FlushVertexBatch();
  EndDeviceScene();
  const Rect from = Emulating() ? kEmulatedPicture : ScreenPicture();
  const Rect to = Emulating() ? kEmulatedWindow : dest;
  if (g_d3d.subBackBuffer &&
      device->StretchRect(g_d3d.subBackBuffer, NULL, g_d3d.backBuffer, NULL) < 0) {
    return -1;
  }
  if (!g_d3d.swapChain) return 0;
  FrameClock *clock = GetFrameClock();
  const uint64_t start = clock ? clock->NowMicroseconds() : 0;
  const int windowed = device->IsWindowed();
  int result;
  if (windowed && dirty) {
    const GfxRect a = ToGfx(mapped), b = ToGfx(*dirty);
    result = device->PresentRects(&a, &b);
  } else if (windowed) {
    SetLastPresentRects(&from, &to);
    const GfxRect a = ToGfx(from), b = ToGfx(to);
    result = device->PresentRects(&a, &b);
  } else if (Emulating()) {
    const GfxRect a = ToGfx(from), b = ToGfx(to);
    result = device->PresentRects(&a, &b);
  } else {
    result = device->PresentRects(NULL, NULL);
  }
  if (result < 0) return -1;
  const bool quick = clock && clock->NowMicroseconds() - start < kQuickPresentUs;
  if (device->RunsWhileInactive() && WaitsForVerticalBlank() && quick) WaitForNextFrame();
  return 0;
}

int DrawScreenBits(GfxDevice *device, const MEMIMG *screen, const Rect &from, const Rect &to) {
  const GfxDibHeader header = MakeScreenDibHeader(screen);
  const GfxRect a = ToGfx(from), b = ToGfx(to);
  return device->DrawBitmapToWindow(&header, screen->pixels, &a, &b);
}

// The screen image through GDI; the last rectangles stay in picture and
// client units, as on the hardware path.
int PresentSoftware(GfxDevice *device, const Rect *dirty, const Rect &mapped, const Rect &dest) {
  MEMIMG *screen = GetSoftwareScreenImage();
  if (!screen) return 0;
  if (WaitsForVerticalBlank()) WaitForNextFrame();
  if (Emulating()) {
    SetLastPresentRects(&kEmulatedPicture, &kEmulatedWindow);
    DrawScreenBits(device, screen, kEmulatedPicture, kEmulatedWindow);
  } else if (dirty) {
    DrawScreenBits(device, screen, mapped, *dirty);
  } else {
    const Rect picture = {0, 0, screen->width, screen->height};
    SetLastPresentRects(&picture, &dest);
    DrawScreenBits(device, screen, picture, dest);
  }
  return 0;
}

// The layered window takes the whole picture from the draw screen lock of
// the back buffer.
int PresentLayered(GfxDevice *device) {
  if (WaitsForVerticalBlank()) WaitForNextFrame();
  DrawSettings &s = g_drawSettings;
  const int target = s.drawTarget;
  s.drawTarget = DRAW_TARGET_BACK;
  const Rect whole = ScreenPicture();
  BASEIMAGE image;
  if (LockDrawScreenBuffer(&whole, &image) == 0) {
    device->PresentToLayeredWindow(&image, s.colorKey);
    UnlockDrawScreenBuffer();
  }
  s.drawTarget = target;
  return 0;
}

}  // namespace

void SetLastPresentRects(const Rect *source, const Rect *dest) {
  g_present.lastSource = *source;
  g_present.lastDest = *dest;
}

int MapDirtyRect(const Rect *dirty, Rect *picture) {
  const Rect &s = g_present.lastSource, &d = g_present.lastDest;
  if (Width(d) <= 0 || Height(d) <= 0) return -1;
  // Client units through the last destination into picture units.
  picture->left = s.left + (dirty->left - d.left) * Width(s) / Width(d);
  picture->right = s.left + (dirty->right - d.left) * Width(s) / Width(d);
  picture->top = s.top + (dirty->top - d.top) * Height(s) / Height(d);
  picture->bottom = s.top + (dirty->bottom - d.top) * Height(s) / Height(d);
  return picture->left >= picture->right || picture->top >= picture->bottom ? -1 : 0;
}

Rect PresentDestination(void) {
  const Rect screen = ScreenPicture();
  GfxDevice *device = GetGfxDevice();
  if (!device || !device->IsWindowed()) return screen;
  double x = 1.0, y = 1.0;
  if (!Emulating()) device->WindowScale(&x, &y);
  Rect dest = {0, 0, static_cast<int>(Width(screen) * x), static_cast<int>(Height(screen) * y)};
  int toolbar = 0, client = 0;
  device->ClientHeights(&toolbar, &client);
  if (toolbar > 0) {
    // The picture sits at the bottom of the client area, below the toolbar.
    dest.top = client - Height(dest);
    dest.bottom = client;
  }
  return dest;
}

GfxDibHeader MakeScreenDibHeader(const MEMIMG *image) {
  const PixelFormat *format = image->base->format;
  GfxDibHeader header;
  memset(&header, 0, sizeof header);
  header.size = GFX_DIB_HEADER_SIZE;
  // Rows of a bitmap are as long as the image's pitch.
  header.width = image->base->pitch / format->bytesPerPixel;
  header.height = -image->height;
  header.planes = 1;
  header.bitCount = format->bitsPerPixel;
  header.compression = GFX_DIB_BITFIELDS;
  header.masks[0] = format->redMask;
  header.masks[1] = format->greenMask;
  header.masks[2] = format->blueMask;
  return header;
}

int PresentScreenRect(const Rect *dirty) {
  GfxDevice *device = GetGfxDevice();
  if (!IsFrameworkInitialised() || !device || device->IsProgramEnding()) return -1;
  if (IsGraphicsDeviceLost()) return -1;
  Rect mapped = {0, 0, 0, 0};
  if (dirty && MapDirtyRect(dirty, &mapped) < 0) return -1;
  if (IsLogShownOnScreen()) DrawWithPlainSettings(DrawOnScreenLog);
  if (device->IsLayeredWindow()) {
    if (IsHardwareRenderingActive()) {
      FlushVertexBatch();
      EndDeviceScene();
    }
    return PresentLayered(device);
  }
  const Rect dest = PresentDestination();
  if (IsHardwareRenderingActive()) return PresentHardware(device, dirty, mapped, dest);
  return PresentSoftware(device, dirty, mapped, dest);
}

int PresentScreen(void) { return PresentScreenRect(NULL); }

int DrawWithPlainSettings(int (*draw)(void)) {
  DrawSettings &s = g_drawSettings;
  const Rect clip = s.clipRect;
  const int mode = s.blendMode, param = s.blendParam;
  const uint32_t brightness = s.drawBrightness;
  const Rect screen = ScreenPicture();
  SetDrawClipRect(screen.left, screen.top, screen.right, screen.bottom);
  SetBlendModeAndParam(DRAW_BLEND_NONE, 0);
  SetDrawBrightnessColor(DRAW_BRIGHTNESS_WHITE);
  const int result = draw();
  SetDrawClipRect(clip.left, clip.top, clip.right, clip.bottom);
  SetBlendModeAndParam(mode, param);
  SetDrawBrightnessColor(static_cast<int>(brightness & DRAW_BRIGHTNESS_WHITE));
  return result;
}

int PresentForRedraw(void) {
  GfxDevice *device = GetGfxDevice();
  if (device && !device->IsWindowed() && IsHardwareRenderingActive()) SwitchToSubBackBuffer();
  return PresentScreenRect(NULL);
}

int SwitchToSubBackBuffer(void) {
  if (g_d3d.subBackBuffer) return 0;
  GfxDevice *device = StateDevice();
  if (!device) return -1;
  FlushVertexBatch();
  EndDeviceScene();
  if (CreateSubBackBuffer() < 0) return -1;
  if (device->StretchRect(g_d3d.backBuffer, NULL, g_d3d.subBackBuffer, NULL) < 0) return -1;
  RenderStateCache &cache = g_stateCache;
  const int force = cache.force;
  cache.force = 1;
  const int result = SetDeviceRenderTarget(g_d3d.subBackBuffer);
  cache.force = force;
  return result;
}

int WaitForNextFrame(void) {
  FrameClock *clock = GetFrameClock();
  if (!clock) return 0;
  const int64_t period = g_d3d.verticalBlankPeriod;
  const int64_t threshold = period > 0 ? period - kEarlyWakeUs : kUnknownPeriodThresholdUs;
  const auto sinceLast = [&] {
    return static_cast<int64_t>(clock->NowMicroseconds() - g_d3d.lastPresentTime);
  };
  if (sinceLast() >= threshold) {
    clock->WaitForVerticalBlank();
    g_d3d.lastPresentTime = clock->NowMicroseconds();
    clock->Sleep(0);
    return 0;
  }
  clock->Sleep(0);
  // A last present ahead of the clock (a clock that went back) ends the wait.
  for (int64_t since = sinceLast(); since >= 0 && since < threshold; since = sinceLast()) {
    clock->Sleep(1);
  }
  clock->WaitForVerticalBlank();
  g_d3d.lastPresentTime = clock->NowMicroseconds();
  return 0;
}
