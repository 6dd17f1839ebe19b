// Filling MEMIMG pixels without blending: the import of a base image (with
// its palette, premultiplied alpha plane and run table) and the raw fill.
#include <string.h>

#include "graphics/images/base_image.h"
#include "softrender/image/pixel_row.h"
#include "softrender/softrender.h"

namespace {

enum {
  RUN_TRANSPARENT = 0x00,
  RUN_OPAQUE = 0x40,
  RUN_PARTIAL = 0x80,
  RUN_ROW_END = 0xC0,
  RUN_MAX_LENGTH = 64,
  RUN_SHORT_MEAN = 16,  // below this mean length a draw goes pixel by pixel
  PALETTE_ENTRIES = 256
};

int IsSingleChannel(const MemImgBase *base) { return base->formatCode >= 2; }

int ImportFits(const BASEIMAGE *color, const BASEIMAGE *alpha, const MEMIMG *dest, int srcX,
               int srcY, int w, int h, int destX, int destY) {
  if (!color || !color->pixels || !MemImgIsValid(dest) || w <= 0 || h <= 0) return 0;
  if (!BlockFitsImage(srcX, srcY, w, h, color->width, color->height)) return 0;
  if (!BlockFitsImage(destX, destY, w, h, dest->width, dest->height)) return 0;
  return !alpha ||
         (alpha->pixels && BlockFitsImage(srcX, srcY, w, h, alpha->width, alpha->height));
}

void ConvertPalette(const BASEIMAGE *color, MemImgBase *base) {
  const uint8_t(*entries)[4] = color->format.palette;
  uint8_t *out = static_cast<uint8_t *>(base->palette);
  const int bytes = base->formatCode == 0 ? 2 : 4;
  for (int i = 0; i < PALETTE_ENTRIES; ++i) {
    const uint32_t b = entries[i][0], g = entries[i][1], r = entries[i][2];
    const uint32_t value = base->formatCode == 0
                               ? ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3)
                               : (r << 16) | (g << 8) | b;
    WriteRawPixel(out + i * bytes, bytes, value);
  }
  memcpy(base->paletteCopy, base->palette, static_cast<size_t>(PALETTE_ENTRIES) * bytes);
}

uint32_t Premultiply565(uint32_t c, uint32_t a) {
  const uint32_t red = ((c & 0xF800) * a) & 0xF80000;
  const uint32_t green = ((c & 0x07E0) * a) & 0x07E000;
  const uint32_t blue = ((c & 0x001F) * a) & 0x1F00;
  return (red | green | blue) >> 8;
}

void BuildAlphaPlane(const MEMIMG *view) {
  const MemImgBase *base = view->base;
  for (int y = 0; y < view->height; ++y) {
    const uint8_t *src = view->pixels + static_cast<intptr_t>(y) * base->pitch;
    uint8_t *dst = view->alpha + static_cast<intptr_t>(y) * base->pitch;
    for (int x = 0; x < view->width; ++x, src += 4, dst += 4) {
      if (base->formatCode == 0) {
        const uint32_t a = src[2];
        WriteRawPixel(dst, 4, Premultiply565(ReadRawPixel(src, 2), a) | a << 16);
      } else {
        const uint32_t a = src[3];
        for (int c = 0; c < 3; ++c) dst[c] = static_cast<uint8_t>((src[c] * a) >> 8);
        dst[3] = static_cast<uint8_t>(a);
      }
    }
  }
}

// The run kind of one pixel (RUN_TRANSPARENT, RUN_OPAQUE or RUN_PARTIAL).
int RunKindOf(const MemImgBase *base, const uint8_t *pixel) {
  if (base->paletteFlag) return *pixel == base->colorKey ? RUN_TRANSPARENT : RUN_OPAQUE;
  if (base->alphaFlag) {
    const int a = pixel[base->formatCode == 0 ? 2 : 3];
    return a == 0 ? RUN_TRANSPARENT : (a == 255 ? RUN_OPAQUE : RUN_PARTIAL);
  }
  const uint32_t value = ReadRawPixel(pixel, base->format->bytesPerPixel);
  return value == base->colorKey ? RUN_TRANSPARENT : RUN_OPAQUE;
}

// Builds the table from the view's pixels; 1 when its runs are short.
int BuildRunTable(const MEMIMG *view) {
  const MemImgBase *base = view->base;
  const int bytes = base->format->bytesPerPixel;
  uint8_t *out = base->runTable;
  int64_t runs = 0;
  for (int y = 0; y < view->height; ++y) {
    const uint8_t *row = view->pixels + static_cast<intptr_t>(y) * base->pitch;
    for (int x = 0; x < view->width;) {
      const int kind = RunKindOf(base, row + x * bytes);
      int length = 1;
      while (x + length < view->width && length < RUN_MAX_LENGTH &&
             RunKindOf(base, row + (x + length) * bytes) == kind) {
        ++length;
      }
      *out++ = static_cast<uint8_t>((length - 1) | kind);
      x += length;
      ++runs;
    }
    *out++ = RUN_ROW_END;
  }
  // Short runs cost more per run than a pixel-by-pixel draw of the same
  // pixels; the table's format stays, the draw chooses by this.
  const int64_t pixels = static_cast<int64_t>(view->width) * view->height;
  return pixels < runs * RUN_SHORT_MEAN ? 1 : 0;
}

void RebuildPlanes(MEMIMG *view) {
  MemImgBase *base = view->base;
  base->runTableValid = 1;
  if (base->alphaFlag && base->alphaPlane) {
    BuildAlphaPlane(view);
    base->alphaPlaneValid = 1;
  }
  base->runTableShortRuns = BuildRunTable(view);
}

int ConvertInto(const BASEIMAGE *color, const BASEIMAGE *alpha, MEMIMG *dest, const Rect *rect,
                int destX, int destY, int transparent, uint32_t keyColor) {
  const MemImgBase *base = dest->base;
  if (IsSingleChannel(base)) {
    return BlitWithFormatConversion(dest->pixels, base->pitch, base->format, color->pixels,
                                    color->pitch, &color->format, nullptr, 0, nullptr, destX,
                                    destY, rect, 0, 0, 0, 0, 1, 1, 0, 0);
  }
  return BlitWithFormatConversion(dest->pixels, base->pitch, base->format, color->pixels,
                                  color->pitch, &color->format, alpha ? alpha->pixels : nullptr,
                                  alpha ? alpha->pitch : 0, alpha ? &alpha->format : nullptr,
                                  destX, destY, rect, 0, transparent, keyColor, 0, 0, 0, 0, 0);
}

}  // namespace

int MemImgBlitFromBaseImage(const BASEIMAGE *color, const BASEIMAGE *alpha, MEMIMG *dest,
                            int srcX, int srcY, int width, int height, int destX, int destY,
                            int transparent, uint32_t keyColor) {
  if (!ImportFits(color, alpha, dest, srcX, srcY, width, height, destX, destY)) return -1;
  MemImgBase *base = dest->base;
  const Rect rect = {srcX, srcY, srcX + width, srcY + height};
  // Every branch reports a failed conversion, the single-channel one too.
  const int result = ConvertInto(color, alpha, dest, &rect, destX, destY, transparent, keyColor);
  if (result < 0) return result;
  if (!IsSingleChannel(base) && !alpha && base->paletteFlag) base->paletteEntryCount = result + 1;
  if (base->paletteFlag) ConvertPalette(color, base);
  base->alphaPlaneValid = 0;
  base->runTableValid = 0;
  // The planes describe the base's rows: only an import that covers the
  // whole base (not a whole sub-image) can rebuild them.
  if (width != base->width || height != base->height) return result;
  if (IsSingleChannel(base) || !base->runTable) return result;
  RebuildPlanes(dest);
  return result;
}

void MemImgFillRect(MEMIMG *image, const Rect *rect, uint32_t value) {
  if (!MemImgIsValid(image)) return;
  const Rect whole = {0, 0, image->width, image->height};
  Rect r = rect ? *rect : whole;
  ClipRectangle(&r, &whole);
  if (r.right <= r.left || r.bottom <= r.top) return;
  const int bytes = image->base->format->bytesPerPixel;
  if (bytes != 1 && bytes != 2 && bytes != 4) return;
  // The first row is filled in blocks and the others copied from it:
  // whole-row memory operations instead of a store per pixel.
  const size_t count = static_cast<size_t>(r.right - r.left);
  const size_t rowBytes = count * static_cast<size_t>(bytes);
  uint8_t *first = image->pixels + static_cast<intptr_t>(r.top) * image->base->pitch +
                   static_cast<intptr_t>(r.left) * bytes;
  FillPixelRow(first, bytes, value, count);
  for (int y = r.top + 1; y < r.bottom; ++y) {
    memcpy(first + static_cast<intptr_t>(y - r.top) * image->base->pitch, first, rowBytes);
  }
  MemImgPixelsDrawn(image);
}
