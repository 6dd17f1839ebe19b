// The requested screen mode: what start-up, window sizing, the projection
// helpers and the software screen read before (and without) a device.
#ifndef VELVANE_GRAPHICS_SCREEN_SETTINGS_H
#define VELVANE_GRAPHICS_SCREEN_SETTINGS_H

// Requested screen size in pixels (640 x 480 until set).
int GetScreenWidthSetting(void);
int GetScreenHeightSetting(void);
// Requested colour depth in bits (16 until set).
int GetScreenColorBits(void);

#endif  // VELVANE_GRAPHICS_SCREEN_SETTINGS_H
