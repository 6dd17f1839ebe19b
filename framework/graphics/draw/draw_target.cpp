#include "graphics/draw/draw_target.h"

#include "graphics/draw/draw_settings.h"
#include "graphics/device/graphics_system.h"

namespace {

// -3 and -5 name the back buffer's surface as well.
bool IsScreenTarget(int target) { return target >= -5 && target <= -2; }

}  // namespace

int SetDrawTarget(int target) {
  if (!IsGraphicsStarted() || !IsScreenTarget(target)) return -1;
  g_drawSettings.drawTarget = target;
  return 0;
}

int GetDrawTarget(void) { return g_drawSettings.drawTarget; }

int SetDrawClipRect(int x1, int y1, int x2, int y2) {
  if (!IsScreenTarget(g_drawSettings.drawTarget)) return -1;
  g_drawSettings.clipRect = Rect{x1, y1, x2, y2};
  return 0;
}
