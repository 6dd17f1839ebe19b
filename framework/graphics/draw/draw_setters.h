// The draw settings' setters and the colour helpers that pack red, green
// and blue into the screen's pixel format.
#ifndef VELVANE_GRAPHICS_DRAW_SETTERS_H
#define VELVANE_GRAPHICS_DRAW_SETTERS_H

#include <stdint.h>

#include "velvane.h"

// Mode 0-12 and parameter (clamped to 0-255); -1 for a mode outside the
// blend table, nothing changed.
int SetBlendModeAndParam(int mode, int param);
// Each channel clamped to 0-255; 0.
int SetDrawBrightness(int r, int g, int b);
int SetDrawBrightnessColor(int rgb);
// A graph as the blend image of hardware draws (-1 none); -1 for a bad
// handle, without a device and on the software path, which has no blend
// images of its own.
int SetDrawBlendGraph(int handle, int borderParam, int borderRange);
int SetDrawFilterMode(int mode);
int GetDrawFilterMode(void);
int SetDepthTest3D(int on);
int SetDepthWrite3D(int on);
int SetColorKeyEnabled(int on);
// Ignored on an 8-bit screen; 0.
int SetColorKey(int r, int g, int b);
int SetVSyncWait(int on);
int GetVSyncWait(void);
ColorF *MakeColorF(ColorF *out, float r, float g, float b, float a);
// A pixel value in the screen's format (X8R8G8B8 or R5G6B5) and back.
uint32_t PackDrawColor(int r, int g, int b);
int UnpackDrawColor(uint32_t value, int *r, int *g, int *b);
// The batch's diffuse colour from brightness, mode and parameter.
void UpdateBatchDiffuse(void);

#endif  // VELVANE_GRAPHICS_DRAW_SETTERS_H
