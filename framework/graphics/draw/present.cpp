#include "graphics/draw/present.h"

#include "core/base/core_state.h"
#include "graphics/device/direct3d_state.h"

int PresentScreenRect(const Rect *) { return IsFrameworkInitialised() ? 0 : -1; }

int PresentScreen(void) { return PresentScreenRect(nullptr); }

int PresentForRedraw(void) { return PresentScreenRect(nullptr); }

int WaitForNextFrame(void) {
  FrameClock *clock = GetFrameClock();
  if (clock) g_d3d.lastPresentTime = clock->NowMicroseconds();
  return 0;
}
