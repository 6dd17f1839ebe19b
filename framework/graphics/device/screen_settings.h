// The requested screen mode: what start-up, window sizing, the projection
// helpers and the software screen read before (and without) a device.
#ifndef VELVANE_GRAPHICS_SCREEN_SETTINGS_H
#define VELVANE_GRAPHICS_SCREEN_SETTINGS_H

#include "velvane.h"

// Requested screen size in pixels (640 x 480 until set).
int GetScreenWidthSetting(void);
int GetScreenHeightSetting(void);
// Both sizes at once, each pointer may be null; 0.
int GetScreenSizeSetting(int *width, int *height);
// Requested colour depth in bits (16 until set).
int GetScreenColorBits(void);
// Requested refresh rate (0 = the display's default).
int GetScreenRefreshRate(void);

// Stores a mode without checking it: the framework's own adjustments (the
// 320 x 240 emulation runs at 640 x 480, the fallbacks of a failed change).
void StoreScreenMode(int width, int height, int colorBits, int refreshRate);

// The 320 x 240 emulation flag: a 320 x 240 full-screen mode runs as
// 640 x 480. The emulation runs while this flag or the request is set.
int GetEmulation320x240Flag(void);
void SetEmulation320x240Flag(int on);
// 1 while either the flag or the request is set.
int IsEmulating320x240(void);

// 1 when the hardware renderer may be used (the default), 0 when the
// software renderer was chosen.
int GetUseHardwareRendering(void);
// The same choice made by the framework itself at any time (a rebuild on the
// software path asks for no hardware for one start).
void StoreUseHardwareRendering(int use);
// 1 while the Direct3D path runs, 0 on the software renderer.
int IsHardwareRenderingActive(void);
void SetHardwareRenderingActive(int on);
// 1 when the last mode change had to fall back to 640 x 480 x 16.
int GetScreenModeFallbackUsed(void);
void SetScreenModeFallbackUsed(int used);

#endif  // VELVANE_GRAPHICS_SCREEN_SETTINGS_H
