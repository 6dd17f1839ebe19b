// The software renderer's image functions that graphics calls: MEMIMG life
// cycle, format records, format-converting copies, import from a BASEIMAGE,
// raw fill and the blend tables; the draws are declared in blit.h.
#ifndef VELVANE_SOFTRENDER_SOFTRENDER_H
#define VELVANE_SOFTRENDER_SOFTRENDER_H

#include <stdint.h>

#include "softrender/image/blend_tables.h"
#include "softrender/blit/blit.h"
#include "softrender/image/memimg.h"
#include "velvane.h"

// Makes a new base and sets the view to the whole image. pitch -1 computes
// it; format code 0 565, 1 XRGB8888, 2 one 8-bit channel, 3 one 16-bit
// channel. -1 when the view is already valid, an argument is bad or memory
// runs out (nothing stays allocated then).
int MemImgCreate(MEMIMG *image, int width, int height, int pitch, uint32_t colorKey,
                 int formatCode, int paletteFlag, int alphaFlag, int makePlanes,
                 void *externalPixels);
// The software screen: format code -1 follows the screen's colour depth.
int MemImgCreateScreen(MEMIMG *image, int width, int height, int formatCode);
// Makes view show a rectangle of source, sharing its base; does nothing when
// the rectangle does not fit or source is not valid.
void MemImgMakeSubImage(MEMIMG *view, const MEMIMG *source, int x, int y, int width,
                        int height);
// Drops the view's reference (the base goes with the last) and clears it.
void MemImgRelease(MEMIMG *image);
// 1 when the view is valid, else 0.
int MemImgIsValid(const MEMIMG *image);
// The shared format record of an image format; null for a code outside 0-3.
const PixelFormat *MemImgGetPixelFormat(int formatCode, int alphaFlag, int paletteFlag);
// Copies a rectangle of source (null: the whole view) to (x, y) of dest,
// clipped to both images and converting formats; -1 when nothing is left.
int MemImgBlit(MEMIMG *dest, const MEMIMG *source, const Rect *srcRect, int x, int y);
// Brings a rectangle of a base image (with an optional alpha image) into
// dest in its format; rebuilds palette, alpha plane and run table on a full
// import. With transparent set, an alpha image made from a colour without
// alpha gets alpha 0 where the colour is keyColor (0x00RRGGBB). Negative on
// failure.
int MemImgBlitFromBaseImage(const BASEIMAGE *color, const BASEIMAGE *alpha, MEMIMG *dest,
                            int srcX, int srcY, int width, int height, int destX, int destY,
                            int transparent, uint32_t keyColor);
// Sets every pixel of the rectangle (null: the whole view), clipped to the
// image, to the raw value.
void MemImgFillRect(MEMIMG *image, const Rect *rect, uint32_t value);
// Lays colour (a raw pixel of the image's format) over the rectangle (null:
// the whole view; reversed edges are put in order) under the draw settings'
// blend mode, parameter and brightness, clipped to the clip rectangle and
// the view. 565 and 8888 images without palette or alpha only.
void MemImgFillRectBlended(MEMIMG *image, const Rect *rect, int colour);

#endif  // VELVANE_SOFTRENDER_SOFTRENDER_H
