// A scalar model of the software blits' per-pixel rules, written from the
// rules themselves and kept free of the kernels' tables, packed tricks and
// templates: channels are unpacked, every product is formed in 64-bit and
// every "/ 255" is a real division. The suites compare whole destination
// buffers drawn by a kernel with buffers drawn through this model.
//
// Geometry-agnostic use (any kernel): build a RefBlendState once per call
// with RefMakeBlendState, test RefDraws, then for each destination pixel
// with its source pixel (and blend-mask byte) call RefBlendPixel.
#ifndef VELVANE_TESTS_SOFTRENDER_BLIT_REFERENCE_H
#define VELVANE_TESTS_SOFTRENDER_BLIT_REFERENCE_H

#include <stdint.h>

#include "graphics/draw/draw_settings.h"
#include "softrender/image/memimg.h"

// Which kernel's forms apply (they differ in a few special cases).
enum RefKernel {
  REF_KERNEL_GENERAL = 0,  // the plain draw's run-table path
  REF_KERNEL_PLAIN = 1,
  REF_KERNEL_STRETCHED = 2,
  REF_KERNEL_ROTATED = 3
};

// How a source pixel enters the rules: tested for transparency as usual, or
// as part of an opaque or partly transparent run of a run table.
enum RefRunKind { REF_PIXEL = -1, REF_RUN_OPAQUE = 1, REF_RUN_PARTIAL = 2 };

struct RefBlendState {
  int kernel;              // RefKernel
  int formatCode;          // 0 565, 1 8888 (source and destination alike)
  int sourcePalette;       // 1: source pixels are palette indices
  int sourceAlpha;         // 1: source pixels carry alpha
  int mode;                // blend mode as set
  int param;               // blend parameter 0..255
  uint32_t brightness;     // 0x00RRGGBB
  int transparencyFlag;    // as passed to the draw
  int hasMask;             // a blend-mask image is given
  uint32_t colorKey;       // the source's key
  const void *palette;     // the source's 256 palette entries, or null
  const uint8_t *maskMap;  // 256 blend weights for the mask bytes
  int drawsNothing;        // the combination is refused as a whole
};

// The state of one draw call from its images and the draw settings; the
// blend-mask map is taken from the blend tables.
RefBlendState RefMakeBlendState(const MEMIMG *destination, const MEMIMG *source,
                                const MEMIMG *blendMask, int transparencyFlag,
                                const DrawSettings *settings, int kernel);

// False when the call draws nothing at all.
bool RefDraws(const RefBlendState &state);

// The new destination pixel (16-bit 565 or 32-bit value) for destination
// pixel dst and raw source pixel src (a palette index, a 565 word, a 4-byte
// alpha pixel or an 8888 word), with the blend-mask byte at the source
// pixel's position (ignored without a blend-mask image).
uint32_t RefBlendPixel(const RefBlendState &state, uint32_t dst, uint32_t src, uint8_t maskByte,
                       int runKind = REF_PIXEL);

// Raw pixel access for the geometry models.
uint32_t RefReadPixel(const MEMIMG *image, int x, int y);
void RefWritePixel(MEMIMG *image, int x, int y, uint32_t value);
uint8_t RefReadMaskByte(const MEMIMG *mask, int x, int y);

// The plain draw of source at (x, y) into destination, modelled pixel by
// pixel (including the run-table path).
void RefDrawImage(MEMIMG *destination, const MEMIMG *source, int x, int y, int transparencyFlag,
                  const MEMIMG *blendMask, const DrawSettings *settings);

#endif  // VELVANE_TESTS_SOFTRENDER_BLIT_REFERENCE_H
