// The software renderer's image: a small view onto a reference-counted
// shared base that owns the pixels, planes, palette and format. Several
// views (sub-images) can share one base without copying pixels.
#ifndef VELVANE_SOFTRENDER_MEMIMG_H
#define VELVANE_SOFTRENDER_MEMIMG_H

#include <stdint.h>

#include "velvane.h"

enum { MEMIMG_MAGIC = 0x12345678u };

struct MemImgBase {
  int referenceCount;
  int width;
  int height;
  int pitch;
  int pitchShift;  // log2(pitch) when the pitch is usable as a shift, else -1
  const PixelFormat *format;
  uint32_t colorKey;  // raw pixel value (or palette index) that is transparent
  int formatCode;     // 0 565 / 1 XRGB8888 / 2 one 8-bit channel / 3 one 16-bit
  int paletteFlag;
  int paletteEntryCount;
  int alphaFlag;
  int alphaPlaneValid;
  int runTableValid;
  int runTableShortRuns;  // the table's runs average under 16 pixels (set with it)
  int externalBuffer;
  void *palette;      // 256 entries in the image's colour format
  void *paletteCopy;  // second half of the palette block
  uint8_t *pixelBuffer;
  uint8_t *alphaPlane;
  uint8_t *runTable;  // (width + 5) x height bytes
};

struct MEMIMG {
  uint32_t magic;  // MEMIMG_MAGIC while valid; a zeroed record is not created
  int width;
  int height;
  uint8_t *pixels;  // the view's top-left pixel inside the base's buffer
  uint8_t *alpha;   // the view's top-left byte inside the alpha plane, or null
  MemImgBase *base;
};

// The run table and the alpha plane are made from the pixels by a full
// import; once anything draws into the image they describe old pixels, so
// every drawing routine forgets them until the next full import.
static inline void MemImgPixelsDrawn(MEMIMG *image) {
  image->base->runTableValid = 0;
  image->base->alphaPlaneValid = 0;
}

#endif  // VELVANE_SOFTRENDER_MEMIMG_H
