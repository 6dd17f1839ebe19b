// The desktop's colour depth, alone in its translation unit: a test program
// that defines PlatformDesktopColorBits itself stands in for the desktop
// (start-up refuses a 24-bit one, which no display here can be switched to).
#include <windows.h>

#include "core/base/platform.h"

int PlatformDesktopColorBits(void) {
  HDC screen = GetDC(NULL);
  if (!screen) return 0;
  int bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(NULL, screen);
  return bits;
}
