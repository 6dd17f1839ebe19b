// The software renderer's image draws: a whole source MEMIMG drawn into a
// destination MEMIMG under the blend mode, blend parameter, draw brightness
// and clip rectangle of g_drawSettings (the clip rectangle cut to the
// destination's bounds), with a transparency flag (colour key or source
// alpha) and an optional blend-mask image (one byte per pixel, read at the
// source pixel's coordinates, at least as large as the source).
// A combination that cannot be drawn leaves the destination unchanged.
#ifndef VELVANE_SOFTRENDER_BLIT_H
#define VELVANE_SOFTRENDER_BLIT_H

#include "softrender/image/memimg.h"

// Unscaled at (x, y) (the source's top-left). A transparency flag of exactly
// 1 may use the source's run table.
void MemImgDrawImage(MEMIMG *destination, const MEMIMG *source, int x, int y, int transparencyFlag,
                     const MEMIMG *blendMask);

// Scaled into rect (right and bottom exclusive; reversed corners mirror).
void MemImgDrawStretched(MEMIMG *destination, const MEMIMG *source, const Rect *rect,
                         int transparencyFlag, const MEMIMG *blendMask);

// Turned by angle (radians, clockwise on screen) and scaled about the
// destination pixel (x, y), where the source's centre lands; flipFlag
// mirrors it left to right.
void MemImgDrawRotated(MEMIMG *destination, const MEMIMG *source, int x, int y, float angle,
                       float scale, int transparencyFlag, int flipFlag, const MEMIMG *blendMask);

#endif  // VELVANE_SOFTRENDER_BLIT_H
