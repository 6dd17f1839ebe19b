// The text draw calls and the pen walk both paths share.
#include "graphics/text/text_draw.h"

#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/device/screen_settings.h"
#include "graphics/draw/draw_settings.h"
#include "graphics/draw/draw_target.h"
#include "graphics/text/char_class.h"
#include "graphics/text/font_system.h"
#include "graphics/text/glyph_cache.h"

namespace {

enum { STATIC_LIST_CHARACTERS = 256, FORMAT_BUFFER_SIZE = 2048 };

struct TextDrawState {
  unsigned char list[STATIC_LIST_CHARACTERS * 3];
  uint8_t seen[FONT_LOOKUP_SIZE / 8];
  int listWasCached;  // the last list built found every character cached
};

TextDrawState g_textDraw;

// Marks a character as met in this list; 1 when it was met before.
int SeenBefore(const unsigned char *character) {
  const int index = GlyphLookupIndex(character);
  const int seen = g_textDraw.seen[index >> 3] & (1 << (index & 7));
  g_textDraw.seen[index >> 3] = static_cast<uint8_t>(g_textDraw.seen[index >> 3] | (1 << (index & 7)));
  return seen != 0;
}

// The characters of the list not cached yet, each once, moved to the front
// of pending (as many as the cache has slots); their count.
int CollectUncached(const FontRecord *font, const unsigned char *list, int count,
                    unsigned char *pending) {
  memset(g_textDraw.seen, 0, sizeof g_textDraw.seen);
  int found = 0;
  for (int i = 0; i < count && found < font->slotCount; i++) {
    const unsigned char *character = list + 3 * i;
    if (FindCachedGlyph(font, character) || SeenBefore(character)) continue;
    memcpy(pending + 3 * found++, character, 3);
  }
  return found;
}

int AllCached(const FontRecord *font, const unsigned char *list, int count) {
  for (int i = 0; i < count; i++) {
    if (!FindCachedGlyph(font, list + 3 * i)) return 0;
  }
  return 1;
}

int RoundPen(double pen) { return static_cast<int>(floor(pen + 0.5)); }

uint32_t ScaleChannel(uint32_t color, int shift, uint32_t mask, int brightness) {
  const uint32_t channel = (color >> shift) & mask;
  return ((channel * static_cast<uint32_t>(brightness) / 255u) & mask) << shift;
}

}  // namespace

int CountCharacters(int maxLength, const char *s, int charSetCode) {
  int count = 0;
  for (const char *p = s; *p && (maxLength < 0 || count < maxLength); p += MultiByteCharSize(p, charSetCode)) {
    count++;
  }
  return count;
}

int BuildCharList(int maxLength, const char *s, int fontHandle, unsigned char *list, int *count) {
  const FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return -1;
  int n = 0;
  for (const char *p = s; *p && (maxLength < 0 || n < maxLength); n++) {
    const int bytes = MultiByteCharSize(p, font->charSetCode);
    list[3 * n] = static_cast<unsigned char>(p[0]);
    list[3 * n + 1] = bytes == 2 ? static_cast<unsigned char>(p[1]) : 0;
    list[3 * n + 2] = 0;
    p += bytes;
  }
  *count = n;
  // A warm cache holds every character: nothing to collect or render.
  g_textDraw.listWasCached = AllCached(font, list, n);
  if (g_textDraw.listWasCached) return 0;
  unsigned char *pending = static_cast<unsigned char *>(VV_ALLOC(3 * (n > 0 ? n : 1)));
  if (!pending) return -1;
  const int uncached = CollectUncached(font, list, n, pending);
  if (uncached > 0) RenderGlyphsToCache(fontHandle, uncached, pending);
  VV_FREE(pending);
  return 0;
}

uint32_t ApplyBrightnessToColor(uint32_t color, int screenBits, uint32_t brightness) {
  if (DrawBrightnessIsWhite(brightness)) return color;
  const int r = DrawBrightnessRed(brightness), g = DrawBrightnessGreen(brightness);
  const int b = DrawBrightnessBlue(brightness);
  if (screenBits == 16) {
    return ScaleChannel(color, 11, 0x1F, r) | ScaleChannel(color, 5, 0x3F, g) |
           ScaleChannel(color, 0, 0x1F, b);
  }
  return ScaleChannel(color, 16, 0xFF, r) | ScaleChannel(color, 8, 0xFF, g) |
         ScaleChannel(color, 0, 0xFF, b);
}

namespace {

// The pen walk over a built character list: draws (when asked) and
// measures into *pen; 0, or -1 at a glyph that cannot be rendered.
int WalkCharList(const TextDrawRequest *request, FontRecord *font, const unsigned char *list,
                 int count, int draw, double *penTotal) {
  // Only the graph path scales; a software target takes the cells as they are.
  const int scaled = request->scaled && !request->target;
  const double scaleX = scaled ? request->scaleX : 1.0;
  const double scaleY = scaled ? request->scaleY : 1.0;
  const double penScale = request->vertical ? scaleY : scaleX;
  double pen = 0;
  for (int i = 0; i < count; i++) {
    const unsigned char *character = list + 3 * i;
    const GlyphSlot *slot = FindCachedGlyph(font, character);
    if (!slot) slot = RenderGlyphsToCache(request->fontHandle, 1, character);
    if (!slot) {
      return WriteLogLine("テキストキャッシュの作成に失敗しました\n");
    }
    const int drawn = !IsBlankCharacter(character) && (slot->width || slot->height);
    if (draw && drawn && request->drawer) {
      if (request->vertical) {
        request->drawer(request, font, slot,
                        request->x + (font->lineHeight - slot->top - slot->height) * scaleX,
                        request->y + pen + slot->originX * scaleY);
      } else {
        request->drawer(request, font, slot, request->x + pen + slot->originX * scaleX,
                        request->y + slot->top * scaleY);
      }
    }
    pen += (slot->advance + font->spacing) * penScale;
  }
  *penTotal = pen;
  return 0;
}

// With every character cached no glyph can fail, so the string draws
// whole. Otherwise a measuring walk finds a failing glyph before anything
// is drawn, and the list is built again for the drawing walk as a second
// call would build it. 0, or -1 when the string cannot draw whole.
int EnsureDrawsWhole(const TextDrawRequest *request, FontRecord *font, unsigned char *list,
                     int count) {
  if (AllCached(font, list, count)) return 0;
  double pen = 0;
  if (WalkCharList(request, font, list, count, 0, &pen) < 0) return -1;
  int rebuilt = 0;
  return BuildCharList(request->length, request->text, request->fontHandle, list, &rebuilt);
}

}  // namespace

int DrawStringCore(const TextDrawRequest *request) {
  FontRecord *font = GetFontRecord(request->fontHandle);
  if (!font) return -1;
  const int characters = CountCharacters(request->length, request->text, font->charSetCode);
  unsigned char *list = g_textDraw.list;
  if (characters > STATIC_LIST_CHARACTERS) {
    list = static_cast<unsigned char *>(VV_ALLOC(3 * characters));
    if (!list) return -1;
  }
  int count = 0;
  int result = BuildCharList(request->length, request->text, request->fontHandle, list, &count);
  if (result == 0 && request->draw && request->wholeOrNothing && !g_textDraw.listWasCached) {
    result = EnsureDrawsWhole(request, font, list, count);
  }
  double pen = 0;
  if (result == 0) result = WalkCharList(request, font, list, count, request->draw, &pen);
  if (list != g_textDraw.list) VV_FREE(list);
  if (result < 0) return -1;
  if (request->size) {
    request->size[request->vertical ? 1 : 0] = RoundPen(pen);
    request->size[request->vertical ? 0 : 1] = font->lineHeight;
  }
  return RoundPen(pen);
}

int DrawTextWithFont(int x, int y, const char *text, int color, int fontHandle, int edgeColor,
                     int vertical) {
  if (!text || !text[0] || g_drawSettings.resetting) return 0;
  const FontRecord *font = GetFontRecord(fontHandle);
  if (!font) return WriteLogLine("フォントハンドル値が異常です\n");
  const int front = GetDrawTarget() == DRAW_TARGET_FRONT;
  const int blend3Texture = g_drawSettings.blendMode == DRAW_BLEND_SUB && font->textureCache;
  if ((front || blend3Texture) && x >= g_drawSettings.clipRect.right) return 0;
  const int bits = GetScreenColorBits();
  const uint32_t brightness = g_drawSettings.drawBrightness;
  const uint32_t textColor = ApplyBrightnessToColor(static_cast<uint32_t>(color), bits, brightness);
  const uint32_t edge = ApplyBrightnessToColor(static_cast<uint32_t>(edgeColor), bits, brightness);
  const int drawn = font->textureCache
                        ? DrawTextGraphs(x, y, text, textColor, fontHandle, edge, vertical)
                        : DrawTextSoftware(x, y, text, textColor, fontHandle, edge, vertical, NULL);
  return drawn < 0 ? -1 : 0;
}

int DrawTextAt(int x, int y, const char *text, int color, int edgeColor) {
  RefreshDefaultFont();
  return DrawTextWithFont(x, y, text, color, GetDefaultFontHandle(), edgeColor, 0);
}

int DrawFormattedText(int x, int y, int color, const char *format, ...) {
  char text[FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  // A longer result is cut at the buffer's end instead of running past it.
  const int written = format ? vsnprintf(text, sizeof text, format, args) : -1;
  va_end(args);
  if (written < 0) return -1;
  RefreshDefaultFont();
  return DrawTextWithFont(x, y, text, color, GetDefaultFontHandle(), 0, 0);
}

void InitTextDrawRequest(TextDrawRequest *request, int x, int y, const char *text, uint32_t color,
                         uint32_t edgeColor, int fontHandle, int vertical, GlyphDrawer drawer) {
  memset(request, 0, sizeof *request);
  request->draw = 1;
  request->x = x;
  request->y = y;
  request->text = text;
  request->color = color;
  request->edgeColor = edgeColor;
  request->clip = g_drawSettings.clipRect;
  request->fontHandle = fontHandle;
  request->length = -1;
  request->vertical = vertical;
  request->drawer = drawer;
}
