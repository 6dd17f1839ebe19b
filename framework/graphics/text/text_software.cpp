// The software path of string drawing: glyph cells of the system-memory
// cache written straight into a MEMIMG, or through a work image when a
// blend mode is set or the font is anti-aliased.
#include <string.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/images/base_image.h"
#include "graphics/text/text_draw.h"
#include "softrender/softrender.h"

namespace {

struct SoftwareTextState {
  uint32_t keyColor;  // the work image's last key colour
};

SoftwareTextState g_softwareText = {0};

enum { ALPHA_OPAQUE = 0xFF };

struct Channel {
  int shift;
  uint32_t mask;
};

const Channel kChannels565[3] = {{11, 0x1F}, {5, 0x3F}, {0, 0x1F}};
const Channel kChannels888[3] = {{16, 0xFF}, {8, 0xFF}, {0, 0xFF}};

// The cell's stored value at (cx, cy): a bit (type 0) or a byte.
int CellValue(const FontRecord *font, const GlyphSlot *slot, int cx, int cy) {
  const uint8_t *row = font->memoryCache +
                       (slot->cellIndex * font->cellSize + cy) * font->memoryRowBytes;
  if (font->memoryBits == 1) return (row[cx >> 3] >> (7 - (cx & 7))) & 1;
  return row[cx];
}

// Colour of an edge-and-glyph pixel: the edge colour moved towards the
// text colour by the glyph's share of the alpha.
uint32_t MixChannels(uint32_t text, uint32_t edge, int g, int a, int is16) {
  const Channel *channels = is16 ? kChannels565 : kChannels888;
  uint32_t mixed = 0;
  for (int i = 0; i < 3; i++) {
    const int t = static_cast<int>((text >> channels[i].shift) & channels[i].mask);
    const int e = static_cast<int>((edge >> channels[i].shift) & channels[i].mask);
    const int c = e + (t - e) * (g * 4096 / a) / 256;
    mixed |= (static_cast<uint32_t>(c) & channels[i].mask) << channels[i].shift;
  }
  return mixed;
}

uint32_t WithAlpha(uint32_t color, int alpha, int is16) {
  return is16 ? ((color & 0xFFFFu) | (static_cast<uint32_t>(alpha) << 16))
              : ((color & 0xFFFFFFu) | (static_cast<uint32_t>(alpha) << 24));
}

// The pixel a cell value writes, or 0 with *write cleared when it writes
// nothing.
uint32_t PixelFor(const FontRecord *font, int value, uint32_t text, uint32_t edge, int is16,
                  int *write) {
  *write = value != 0;
  switch (font->fontType) {
    case 0:
      return text;
    case FONT_TYPE_EDGE:
      return value == 1 ? text : edge;
    case FONT_TYPE_ANTIALIAS:
      return WithAlpha(text, value * 16, is16);
    default: {
      const int g = value & 0x0F, e = value >> 4;
      if (g == 0) return WithAlpha(edge, e * 16, is16);
      if (g == 15) return WithAlpha(text, ALPHA_OPAQUE, is16);
      const int a = e * (15 - g) + 16 * g;
      return WithAlpha(MixChannels(text, edge, g, a, is16), a, is16);
    }
  }
}

Rect Intersect(const Rect &a, const Rect &b) {
  Rect r = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
            a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
  return r;
}

Rect ImageRect(const MEMIMG *image) {
  const Rect r = {0, 0, image->width, image->height};
  return r;
}

bool IsEmpty(const Rect &r) { return r.right <= r.left || r.bottom <= r.top; }

// A key colour that is neither the text nor the edge colour.
uint32_t NextKeyColor(uint32_t text, uint32_t edge, uint32_t colorMask) {
  uint32_t key = g_softwareText.keyColor;
  do {
    key = (key + 1) & colorMask;
  } while (key == (text & colorMask) || key == (edge & colorMask));
  g_softwareText.keyColor = key;
  return key;
}

int MeasureText(TextDrawRequest *request, int size[2]) {
  request->draw = 0;
  request->size = size;
  const int pen = DrawStringCore(request);
  request->draw = 1;
  request->size = NULL;
  return pen;
}

// Draws the text into the work image over rect, then the work image onto
// the target under the blend settings. The colours already carry the
// draw brightness, so the work image goes on unscaled.
int DrawThroughWorkImage(TextDrawRequest *request, MEMIMG *work, MEMIMG *target, const Rect &rect) {
  const int is16 = work->base->formatCode == 0;
  const uint32_t colorMask = is16 ? 0xFFFFu : 0xFFFFFFu;
  const uint32_t key = NextKeyColor(request->color, request->edgeColor, colorMask);
  MemImgFillRect(work, &rect, key);
  work->base->colorKey = key;
  MEMIMG *const finalTarget = request->target;
  request->target = work;
  request->clip = rect;
  const int pen = DrawStringCore(request);
  request->target = finalTarget;
  MEMIMG view;
  memset(&view, 0, sizeof view);
  MemImgMakeSubImage(&view, work, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
  const uint32_t brightness = g_drawSettings.drawBrightness;
  g_drawSettings.drawBrightness = DRAW_BRIGHTNESS_WHITE;
  MemImgDrawImage(target, &view, rect.left, rect.top, 1, NULL);
  g_drawSettings.drawBrightness = brightness;
  MemImgRelease(&view);
  return pen;
}

}  // namespace

void DrawGlyphToImage(const TextDrawRequest *request, const FontRecord *font,
                      const GlyphSlot *slot, int left, int top) {
  MEMIMG *image = request->target;
  if (!image || !font->memoryCache) return;
  const Rect clip = Intersect(request->clip, ImageRect(image));
  const int bytes = image->base->format->bytesPerPixel;
  const int pitch = image->base->pitch;
  const int is16 = image->base->formatCode == 0;
  for (int cy = 0; cy < slot->height; cy++) {
    for (int cx = 0; cx < slot->width; cx++) {
      const int value = CellValue(font, slot, cx, cy);
      if (!value) continue;
      const int x = request->vertical ? left + slot->height - 1 - cy : left + cx;
      const int y = request->vertical ? top + cx : top + cy;
      if (x < clip.left || x >= clip.right || y < clip.top || y >= clip.bottom) continue;
      int write;
      const uint32_t pixel = PixelFor(font, value, request->color, request->edgeColor, is16, &write);
      if (write) WriteRawPixel(image->pixels + y * pitch + x * bytes, bytes, pixel);
    }
  }
}

int DrawTextSoftware(int x, int y, const char *text, uint32_t color, int fontHandle,
                     uint32_t edgeColor, int vertical, MEMIMG *target) {
  const FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return -1;
  if (!target) target = GetSoftwareScreenImage();
  TextDrawRequest request;
  InitTextDrawRequest(&request, x, y, text, color, edgeColor, fontHandle, vertical,
                      DrawGlyphToImage);
  request.target = target;
  int size[2] = {0, 0};
  const int pen = MeasureText(&request, size);
  if (pen < 0 || !target) return pen;
  const int antialiased = (font->fontType & FONT_TYPE_ANTIALIAS) != 0;
  if (g_drawSettings.blendMode == DRAW_BLEND_NONE && !antialiased) return DrawStringCore(&request);
  MEMIMG *work = GetSoftwareWorkImage(antialiased);
  if (!work) return pen;
  const Rect textRect = {x, y, x + size[0], y + size[1]};
  const Rect rect =
      Intersect(Intersect(Intersect(textRect, request.clip), ImageRect(work)), ImageRect(target));
  if (IsEmpty(rect)) return pen;
  return DrawThroughWorkImage(&request, work, target, rect);
}
