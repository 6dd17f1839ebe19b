// The native build has no display: graphics start-up fails as it does on a
// machine without the Direct3D library, unless a test installs a device.
#include <stddef.h>

#include "graphics/device/gfx_device.h"

GfxDevice *PlatformGfxDevice(void) { return NULL; }

FrameClock *PlatformFrameClock(void) { return NULL; }
