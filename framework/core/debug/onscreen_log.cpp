#include "core/debug/onscreen_log.h"

#include "graphics/text/font_handles.h"
#include "graphics/device/graphics_system.h"

namespace {

struct OnScreenLogState {
  int initialised;
  int fontHandle;
  int fontPending;
};

OnScreenLogState g_screenLog = {0, -1, 1};

}  // namespace

int InitOnScreenLog(void) {
  if (!IsGraphicsStarted()) return -1;
  if (g_screenLog.initialised) return 0;
  g_screenLog.initialised = 1;
  g_screenLog.fontHandle = -1;
  g_screenLog.fontPending = 1;
  return 0;
}

int EndOnScreenLog(void) {
  if (!g_screenLog.initialised) return 0;
  if (!g_screenLog.fontPending) DeleteFontHandle(g_screenLog.fontHandle);
  g_screenLog.fontPending = 1;
  g_screenLog.fontHandle = -1;
  g_screenLog.initialised = 0;
  return 0;
}
