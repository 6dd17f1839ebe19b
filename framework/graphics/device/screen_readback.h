// Reading the picture back for checks: the back buffer through the device,
// and what the display shows through the screen's device context.
#ifndef VELVANE_GRAPHICS_SCREEN_READBACK_H
#define VELVANE_GRAPHICS_SCREEN_READBACK_H

#include <stdint.h>

// Copies the back buffer (screen size) into out as 0xAARRGGBB words, alpha
// 255, rows top to bottom; width x height words. 0, or -1 without a device
// or when a copy step fails.
int ReadBackBufferPixels(uint32_t *out, int width, int height);
// Copies a rectangle of the whole display, as the screen's device context
// shows it, into out as 0xFFRRGGBB words; 0 or -1 (Windows only).
int ReadScreenDcPixels(int x, int y, int width, int height, uint32_t *out);
// The same from a window's own device context (client coordinates; an
// HWND): what GDI drew there, not Direct3D content.
int ReadWindowDcPixels(void *window, int x, int y, int width, int height, uint32_t *out);

#endif  // VELVANE_GRAPHICS_SCREEN_READBACK_H
