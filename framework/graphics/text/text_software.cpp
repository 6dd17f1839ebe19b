// The software path of string drawing: glyph cells of the system-memory
// cache written straight into a MEMIMG, or through a work image when a
// blend mode is set or the font is anti-aliased.
#include <stddef.h>
#include <string.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/images/base_image.h"
#include "graphics/text/text_draw.h"
#include "softrender/softrender.h"

namespace {

// The pixel each cell value writes for one font type, pair of colours and
// depth: built once per change instead of once per pixel.
struct CellPalette {
  int valid;
  int fontType;
  uint32_t text, edge;
  int is16;
  uint32_t pixel[256];
};

struct SoftwareTextState {
  uint32_t keyColor;  // the work image's last key colour
  CellPalette palette;
};

SoftwareTextState g_softwareText;

enum { ALPHA_OPAQUE = 0xFF };

struct Channel {
  int shift;
  uint32_t mask;
};

const Channel kChannels565[3] = {{11, 0x1F}, {5, 0x3F}, {0, 0x1F}};
const Channel kChannels888[3] = {{16, 0xFF}, {8, 0xFF}, {0, 0xFF}};

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

// The pixel a non-zero cell value writes.
uint32_t PixelFor(int fontType, int value, uint32_t text, uint32_t edge, int is16) {
  switch (fontType) {
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

// Cell values each font type stores: 1 (type 0), 1-2 (type 1), levels
// 0-15 (type 2) or glyph and edge nibbles (type 3).
int CellValueCount(int fontType) {
  switch (fontType) {
    case 0:
      return 2;
    case FONT_TYPE_EDGE:
      return 3;
    case FONT_TYPE_ANTIALIAS:
      return 16;
    default:
      return 256;
  }
}

const uint32_t *PaletteFor(int fontType, uint32_t text, uint32_t edge, int is16) {
  CellPalette *palette = &g_softwareText.palette;
  if (palette->valid && palette->fontType == fontType && palette->text == text &&
      palette->edge == edge && palette->is16 == is16) {
    return palette->pixel;
  }
  const int count = CellValueCount(fontType);
  palette->pixel[0] = 0;
  for (int value = 1; value < count; value++) {
    palette->pixel[value] = PixelFor(fontType, value, text, edge, is16);
  }
  palette->valid = 1;
  palette->fontType = fontType;
  palette->text = text;
  palette->edge = edge;
  palette->is16 = is16;
  return palette->pixel;
}

// The part of a cell that lands inside the clip: columns [x0, x1) and
// rows [y0, y1) of the cell, in the cell's own (unturned) coordinates.
struct CellSpan {
  int x0, x1, y0, y1;
};

int Max(int a, int b) { return a > b ? a : b; }
int Min(int a, int b) { return a < b ? a : b; }

// Horizontal: cell (cx, cy) lands on (left + cx, top + cy). Vertical:
// on (left + height - 1 - cy, top + cx).
CellSpan VisibleSpan(const GlyphSlot *slot, int vertical, int left, int top, const Rect &clip) {
  CellSpan span;
  if (vertical) {
    span.x0 = Max(0, clip.top - top);
    span.x1 = Min(slot->width, clip.bottom - top);
    span.y0 = Max(0, left + slot->height - clip.right);
    span.y1 = Min(slot->height, left + slot->height - clip.left);
  } else {
    span.x0 = Max(0, clip.left - left);
    span.x1 = Min(slot->width, clip.right - left);
    span.y0 = Max(0, clip.top - top);
    span.y1 = Min(slot->height, clip.bottom - top);
  }
  return span;
}

// Where the visible part of a cell lands: the pixel of its first cell
// column and row, and the steps from one cell column and one cell row to
// the next (vertical text walks down the image along a cell row, and
// leftwards from one cell row to the next).
struct Landing {
  uint8_t *origin;
  ptrdiff_t columnStep, rowStep;
  int bytes;
};

// One pixel, least significant byte first: B bytes, or (B = 0) as many as
// the landing's image has.
template <int B>
inline void Put(uint8_t *p, uint32_t value, const Landing &to) {
  if (B == 0) {
    WriteRawPixel(p, to.bytes, value);
    return;
  }
  for (int i = 0; i < B; i++) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

// 1-bit cells: the set bits of each row's visible columns, found a byte
// at a time so that empty stretches cost one test per eight pixels.
template <int B>
void WriteBitCell(const uint8_t *cell, int rowBytes, const CellSpan &span, const Landing &to,
                  uint32_t pixel) {
  for (int cy = span.y0; cy < span.y1; cy++) {
    const uint8_t *row = cell + cy * rowBytes;
    uint8_t *line = to.origin + (cy - span.y0) * to.rowStep;
    for (int first = span.x0 & ~7; first < span.x1; first += 8) {
      unsigned bits = row[first >> 3];
      if (first < span.x0) bits &= 0xFFu >> (span.x0 - first);
      if (first + 8 > span.x1) bits &= 0xFFu << (first + 8 - span.x1);
      while (bits & 0xFFu) {
        const int bit = __builtin_clz(bits & 0xFFu) - 24;
        Put<B>(line + (first + bit - span.x0) * to.columnStep, pixel, to);
        bits &= ~(0x80u >> bit);
      }
    }
  }
}

// Byte cells: every non-zero value writes its palette pixel.
template <int B>
void WriteByteCell(const uint8_t *cell, int rowBytes, const CellSpan &span, const Landing &to,
                   const uint32_t *palette) {
  for (int cy = span.y0; cy < span.y1; cy++) {
    const uint8_t *row = cell + cy * rowBytes;
    uint8_t *line = to.origin + (cy - span.y0) * to.rowStep;
    for (int cx = span.x0; cx < span.x1; cx++) {
      if (row[cx]) Put<B>(line + (cx - span.x0) * to.columnStep, palette[row[cx]], to);
    }
  }
}

template <int B>
void WriteCell(const FontRecord *font, const uint8_t *cell, const CellSpan &span,
               const Landing &to, const uint32_t *palette) {
  if (font->memoryBits == 1) {
    WriteBitCell<B>(cell, font->memoryRowBytes, span, to, palette[1]);
  } else {
    WriteByteCell<B>(cell, font->memoryRowBytes, span, to, palette);
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
  const CellSpan span = VisibleSpan(slot, request->vertical, left, top, clip);
  if (span.x0 >= span.x1 || span.y0 >= span.y1) return;
  const int bytes = image->base->format->bytesPerPixel;
  const ptrdiff_t pitch = image->base->pitch;
  const int is16 = image->base->formatCode == 0;
  const uint32_t *palette = PaletteFor(font->fontType, request->color, request->edgeColor, is16);
  const uint8_t *cell =
      font->memoryCache + static_cast<ptrdiff_t>(slot->cellIndex) * font->cellSize * font->memoryRowBytes;
  Landing to;
  to.bytes = bytes;
  if (request->vertical) {
    const int x = left + slot->height - 1 - span.y0, y = top + span.x0;
    to.origin = image->pixels + y * pitch + x * bytes;
    to.columnStep = pitch;
    to.rowStep = -bytes;
  } else {
    const int x = left + span.x0, y = top + span.y0;
    to.origin = image->pixels + y * pitch + x * bytes;
    to.columnStep = bytes;
    to.rowStep = pitch;
  }
  switch (bytes) {
    case 2:
      WriteCell<2>(font, cell, span, to, palette);
      break;
    case 4:
      WriteCell<4>(font, cell, span, to, palette);
      break;
    default:
      WriteCell<0>(font, cell, span, to, palette);
      break;
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
