// The blended rectangle fill: one colour laid over a rectangle of a 565 or
// 8888 image under the draw settings' blend mode, parameter and brightness.
// The rows are the flat triangle's (flat_row.h): the flat writers of
// blend_ops.h, mode 0 (and mode 1 at p = 255) the raw fill's row.
#include <utility>

#include "softrender/blit/blend_ops.h"
#include "softrender/blit/flat_row.h"
#include "softrender/softrender.h"

namespace {

struct FillArgs {
  BlendState state;
  BlendSourcePixel colour;
  uint8_t *first;  // top-left pixel of the clipped rectangle
  intptr_t pitch;
  int width, height;
};

// Only the unconditioned direct-source writers serve a fill; the other
// instantiations the dispatch names are empty.
template <class Writer>
struct FillLoop {
  static void Run(FillArgs &a) {
    if constexpr (Writer::kCond == 0 && Writer::kSource == BLEND_SOURCE_DIRECT) {
      uint8_t *row = a.first;
      for (int y = 0; y < a.height; ++y, row += a.pitch)
        BlendFlatRow<Writer>(a.state, row, a.colour, (size_t)a.width);
    }
  }
};

// The brightness applied once to the colour, each channel times its byte
// over 256 (not 255: the fill's own rule); the fourth byte of an 8888 colour
// is kept. A 565 colour keeps its low 16 bits, so stray high bits cannot
// reach the neighbouring pixel of a doubled store.
uint32_t BrightenFillColour(int pixelClass, uint32_t colour, uint32_t brightness) {
  if (pixelClass == BLEND_CLASS_565) colour &= 0xFFFFu;
  if (DrawBrightnessIsWhite(brightness)) return colour;
  const uint32_t r = (uint32_t)DrawBrightnessRed(brightness);
  const uint32_t g = (uint32_t)DrawBrightnessGreen(brightness);
  const uint32_t b = (uint32_t)DrawBrightnessBlue(brightness);
  if (pixelClass == BLEND_CLASS_565) {
    return ((colour >> 11) * r >> 8) << 11 | (((colour >> 5) & 0x3Fu) * g >> 8) << 5 |
           ((colour & 0x1Fu) * b >> 8);
  }
  return (colour & 0xFF000000u) | (((colour >> 16) & 0xFFu) * r >> 8) << 16 |
         (((colour >> 8) & 0xFFu) * g >> 8) << 8 | ((colour & 0xFFu) * b >> 8);
}

// The rectangle put in order (a copy: the caller's stays as given).
Rect OrderedRect(const Rect &r) {
  Rect o = r;
  if (o.left > o.right) std::swap(o.left, o.right);
  if (o.top > o.bottom) std::swap(o.top, o.bottom);
  return o;
}

}  // namespace

void MemImgFillRectBlended(MEMIMG *image, const Rect *rect, int colour) {
  if (!image || !image->base || !image->pixels) return;
  const DrawSettings *settings = &g_drawSettings;
  BlendSelection selection;
  if (BlendSelectFlat(image, settings, &selection) != 0) return;

  const Rect whole = {0, 0, image->width, image->height};
  Rect r = rect ? OrderedRect(*rect) : whole;
  // The clip rectangle lies in the draw target, which need not be this
  // image: the view's own bounds cut the rectangle too.
  BlendClipToDestination(&r, &settings->clipRect, image);
  if (r.right <= r.left || r.bottom <= r.top) return;

  FillArgs args;
  BlendStateInitFlat(&args.state, settings);
  const uint32_t c =
      BrightenFillColour(selection.pixelClass, (uint32_t)colour, settings->drawBrightness);
  args.colour.color = args.colour.key = c;
  args.colour.alpha = 255;
  args.first = BlendPixelAddress(image, r.left, r.top);
  args.pitch = image->base->pitch;
  args.width = r.right - r.left;
  args.height = r.bottom - r.top;
  BlendDispatch<FillLoop, BLEND_KERNEL_TRIANGLE>(selection, args);
  MemImgPixelsDrawn(image);
}
