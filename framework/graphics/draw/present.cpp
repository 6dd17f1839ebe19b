#include "graphics/draw/present.h"

#include <stddef.h>

#include "core/base/core_state.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/state/render_state_cache.h"
#include "graphics/state/vertex_batch.h"

namespace {

const uint64_t kQuickPresentUs = 500;
const int64_t kUnknownPeriodThresholdUs = 4000;
const int64_t kEarlyWakeUs = 3000;

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

GfxRect ToGfx(const Rect &r) { return GfxRect{r.left, r.top, r.right, r.bottom}; }

int PresentHardware(GfxDevice *device, const Rect *dirty, const Rect &mapped, const Rect &source,
                    int destWidth, int destHeight) {
  FlushVertexBatch();
  EndDeviceScene();
  Rect from = source, to = {0, 0, destWidth, destHeight};
  if (Emulating()) to = Rect{0, 0, 640, 480};
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
  if (device->RunsWhileInactive() && !g_drawSettings.vsyncWaitOff && quick) WaitForNextFrame();
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

void PresentDestination(int *width, int *height) {
  int screenWidth = GetScreenWidthSetting(), screenHeight = GetScreenHeightSetting();
  if (screenWidth <= 0 || screenHeight <= 0) {
    screenWidth = 640;
    screenHeight = 480;
  }
  GfxDevice *device = GetGfxDevice();
  double x = 1.0, y = 1.0;
  if (device && device->IsWindowed() && !Emulating()) device->WindowScale(&x, &y);
  *width = static_cast<int>(screenWidth * x);
  *height = static_cast<int>(screenHeight * y);
}

int PresentScreenRect(const Rect *dirty) {
  GfxDevice *device = GetGfxDevice();
  if (!IsFrameworkInitialised() || !device || device->IsProgramEnding()) return -1;
  Rect mapped = {0, 0, 0, 0};
  if (dirty && MapDirtyRect(dirty, &mapped) < 0) return -1;
  Rect source = {0, 0, GetScreenWidthSetting(), GetScreenHeightSetting()};
  if (Width(source) <= 0 || Height(source) <= 0) source = Rect{0, 0, 640, 480};
  if (Emulating()) source = Rect{0, 0, 320, 240};
  int destWidth = 0, destHeight = 0;
  PresentDestination(&destWidth, &destHeight);
  if (IsHardwareRenderingActive()) {
    return PresentHardware(device, dirty, mapped, source, destWidth, destHeight);
  }
  return 0;
}

int PresentScreen(void) { return PresentScreenRect(NULL); }

int PresentForRedraw(void) { return PresentScreenRect(NULL); }

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
