// The software path of string drawing: glyph cells of the system-memory
// cache written straight into a MEMIMG, or through a work image when a
// blend mode is set or the font is anti-aliased.
#include <string.h>

#include "graphics/device/direct3d_init.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/text/glyph_cell_writer.h"
#include "graphics/text/text_draw.h"
#include "softrender/softrender.h"

namespace {

struct SoftwareTextState {
  uint32_t keyColor;  // the work image's last key colour
};

SoftwareTextState g_softwareText;

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
                      const GlyphSlot *slot, double left, double top) {
  MEMIMG *image = request->target;
  if (!image || !font->memoryCache) return;
  // Software text is never scaled: the box starts on whole pixels.
  const GlyphPlacement placement = {static_cast<int>(left), static_cast<int>(top),
                                    IntersectRects(request->clip, ImageRect(image)),
                                    request->vertical, request->color, request->edgeColor};
  WriteGlyphCell(font, slot, image, placement);
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
  const int antialiased = (font->fontType & FONT_TYPE_ANTIALIAS) != 0;
  if (target && g_drawSettings.blendMode == DRAW_BLEND_NONE && !antialiased && font->spacing >= 0) {
    // Straight into the target: the string is checked as it is walked,
    // without a measuring walk of its own. (A negative spacing can make
    // the pen total negative, which the measuring walk turns away.)
    request.wholeOrNothing = 1;
    return DrawStringCore(&request);
  }
  int size[2] = {0, 0};
  const int pen = MeasureText(&request, size);
  if (pen < 0 || !target) return pen;
  MEMIMG *work = GetSoftwareWorkImage(antialiased);
  if (!work) return pen;
  const Rect textRect = {x, y, x + size[0], y + size[1]};
  const Rect rect =
      IntersectRects(IntersectRects(IntersectRects(textRect, request.clip), ImageRect(work)), ImageRect(target));
  if (IsEmpty(rect)) return pen;
  return DrawThroughWorkImage(&request, work, target, rect);
}
