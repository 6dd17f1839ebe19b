// A model of the blended rectangle fill written from its rules: the
// rectangle put in order and clipped by hand, the brightness per channel,
// and every mode's pixel rule evaluated in 64-bit with real divisions for
// the table entries. Free of GoogleTest: the fuzz target uses it too.
#ifndef VELVANE_TESTS_SOFTRENDER_FILL_REFERENCE_H
#define VELVANE_TESTS_SOFTRENDER_FILL_REFERENCE_H

#include <stdint.h>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/memimg.h"
#include "velvane.h"

// The fill as the model predicts it, into image (a copy of the pixels the
// caller compares with the real fill).
void RefFillRectBlended(MEMIMG *image, const Rect *rect, int colour, const DrawSettings &settings);

// One pixel of the fill: d the destination word, c the colour after the
// brightness, for format code 0 (565) or 1 (8888).
uint32_t RefFillPixel(int formatCode, int mode, int p, uint32_t d, uint32_t c);

// The colour after the draw brightness.
uint32_t RefFillColour(int formatCode, uint32_t colour, uint32_t brightness);

#endif  // VELVANE_TESTS_SOFTRENDER_FILL_REFERENCE_H
