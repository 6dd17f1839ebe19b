// Font handles: the table of 40 fonts, their creation from the glyph
// source with the face fallbacks, and their deletion and rebuilding.
#include "graphics/text/font_handles.h"

#include <stddef.h>
#include <string.h>

#include "core/base/core_state.h"
#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "graphics/device/gfx_device.h"
#include "graphics/device/screen_settings.h"
#include "graphics/text/char_class.h"
#include "graphics/text/font_cache_graphs.h"
#include "graphics/text/glyph_cache.h"

namespace {

struct FontTableState {
  HandleTable table;
  HandleObject *slots[FONT_TABLE_SLOTS];
  int ready;
  int cacheInSystemMemory;
};

FontTableState g_fonts;

// The face the default font asks for: "ＭＳ ゴシック".
const char kDefaultFace[] = "ＭＳ ゴシック";
const int kDefaultSize = 16;
const int kDefaultThickness = 6;
const int kDefaultEdge = 1;

enum { WIN_DEFAULT_CHARSET = 1, WIN_SHIFTJIS_CHARSET = 128 };

HandleTable *Table(void) {
  if (!g_fonts.ready) {
    HandleTableInit(&g_fonts.table, FONT_HANDLE_KIND, g_fonts.slots, FONT_TABLE_SLOTS);
    HandleTableSetSlotRule(&g_fonts.table, HANDLE_SLOTS_FIRST_EMPTY);
    g_fonts.ready = 1;
  }
  return &g_fonts.table;
}

int ProgramEnding(void) {
  GfxDevice *device = GetGfxDevice();
  return device && device->IsProgramEnding();
}

// What a creation asks for, with the defaults filled in.
struct FontRequest {
  const char *face;
  int size, thickness, fontType, charSetCode, edgeSize, italic;
};

int OpenFace(const char *face, const FontRequest &request, int italic, int windowsCharSet,
             FontRecord *font) {
  const GlyphFontRequest asked = {face, request.size, request.thickness * 100, italic,
                                  windowsCharSet};
  return GetGlyphSource()->open(&asked, &font->glyphFont, &font->metrics);
}

// The font from the face, falling back as far as the chain allows; the
// last result of the source.
int OpenWithFallbacks(const FontRequest &request, FontRecord *font) {
  const int charSet = WindowsCharSetOf(request.charSetCode);
  if (request.face) {
    const int tries[3] = {charSet, WIN_DEFAULT_CHARSET, WIN_SHIFTJIS_CHARSET};
    int result = GLYPH_OPEN_NO_FONT;
    for (int i = 0; i < 3 && result == GLYPH_OPEN_NO_FONT; i++) {
      result = OpenFace(request.face, request, request.italic, tries[i], font);
    }
    return result;
  }
  int result = OpenFace(kDefaultFace, request, request.italic, charSet, font);
  if (result == GLYPH_OPEN_NO_FONT) result = OpenFace(kDefaultFace, request, 0, WIN_DEFAULT_CHARSET, font);
  if (result == GLYPH_OPEN_NO_FONT) result = OpenFace("", request, 0, WIN_DEFAULT_CHARSET, font);
  return result;
}

int MakeMemoryCache(FontRecord *font, int count) {
  CacheGeometry geometry;
  MemoryCacheGeometry(font->cellSize, count, &geometry);
  font->textureCache = 0;
  font->memoryBits = font->fontType == 0 ? 1 : 8;
  font->memoryRowBytes = (font->memoryBits * font->cellSize + 7) / 8;
  font->cacheWidth = geometry.width;
  font->cacheHeight = geometry.height;
  font->cellsPerColumn = geometry.cellsPerColumn;
  font->slotCount = geometry.slots;
  font->memoryCache =
      static_cast<uint8_t *>(VV_ALLOC_ZEROED(font->memoryRowBytes * geometry.height));
  if (font->memoryCache) return 0;
  return WriteLogLine("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
}

// Tries the texture cache; a font whose graphs cannot be made keeps its
// glyphs in system memory instead.
void MakeTextureCache(FontRecord *font, int count) {
  CacheGeometry geometry;
  TextureCacheGeometry(font->cellSize, count, &geometry);
  font->cacheWidth = geometry.width;
  font->cacheHeight = geometry.height;
  font->cellsPerColumn = geometry.cellsPerColumn;
  font->slotCount = geometry.slots;
  if (MakeFontCacheGraphs(font) == 0) return;
  WriteLogLine("テクスチャ文字キャッシュの作成に失敗しました\n");
  font->textureCache = 0;
}

void FreeFontParts(FontRecord *font) {
  DeleteFontCacheGraphs(font);
  VV_FREE(font->memoryCache);
  font->memoryCache = NULL;
  if (font->glyphFont) GetGlyphSource()->close(font->glyphFont);
  font->glyphFont = NULL;
}

int FailCreation(FontRecord *font, int result) {
  FreeFontParts(font);
  VV_FREE(font);
  return result;
}

// Builds the record's font, metrics and cache; 0, or -1 (logged) with the
// parts it made freed.
int BuildFont(FontRecord *font, const FontRequest &request) {
  const int opened = OpenWithFallbacks(request, font);
  if (opened == GLYPH_OPEN_NO_FONT) {
    return WriteLogLine(request.face ? "指定のフォントの作成に失敗しました\n"
                                     : "フォントの作成に失敗しました\n");
  }
  if (opened != GLYPH_OPEN_OK) return WriteLogLine("ＤＣの取得に失敗しました\n");
  const int edge = FontEdgePixels(font);
  font->cellSize = FontCellSize(font->metrics.maxCharWidth, font->metrics.height, edge,
                                &font->lineHeight);
  const int count = GetFontCacheCharCount();
  if (font->textureCache) MakeTextureCache(font, count);
  if (!font->textureCache && MakeMemoryCache(font, count) < 0) return -1;
  ResetGlyphCacheOf(font);
  return 0;
}

FontRequest Defaults(const char *face, int size, int thickness, int fontType, int charSetCode,
                     int edgeSize, int italic) {
  FontRequest request = {face && face[0] ? face : NULL, size, thickness, fontType,
                         charSetCode, edgeSize, italic ? 1 : 0};
  if (request.fontType == -1) request.fontType = 0;
  if (request.edgeSize > 1) request.fontType |= FONT_TYPE_EDGE;
  if (request.charSetCode == -1) request.charSetCode = GetFrameworkCharSet();
  if (GetScreenColorBits() == 8) request.fontType &= ~FONT_TYPE_ANTIALIAS;
  if (request.edgeSize == -1) request.edgeSize = kDefaultEdge;
  if (request.size == -1) request.size = kDefaultSize;
  if (request.thickness == -1) request.thickness = kDefaultThickness;
  request.fontType &= FONT_TYPE_EDGE | FONT_TYPE_ANTIALIAS;
  return request;
}

// The slot a creation goes to: the first empty one, or the given one when
// it is free; -1 (logged for a full table) otherwise.
int ChooseSlot(int slot) {
  HandleTable *table = Table();
  if (slot == -1) {
    for (int i = 0; i < FONT_TABLE_SLOTS; i++) {
      if (!HandleTableSlot(table, i)) return i;
    }
    return WriteLogLineFormat("作成できるフォントハンドル数 %d の限界を超えました", FONT_TABLE_SLOTS);
  }
  if (slot < 0 || slot >= FONT_TABLE_SLOTS || HandleTableSlot(table, slot)) return -1;
  return slot;
}

void DeleteRecord(FontRecord *font, int fireNotice) {
  HandleTableRemove(Table(), font->head.handle);
  FreeFontParts(font);
  if (fireNotice && font->deleteNotice) *font->deleteNotice = 1;
  VV_FREE(font);
}

}  // namespace

int WindowsCharSetOf(int charSetCode) {
  static const int kWindows[5] = {WIN_DEFAULT_CHARSET, WIN_SHIFTJIS_CHARSET, 129, 136, 134};
  return charSetCode >= 0 && charSetCode < 5 ? kWindows[charSetCode] : WIN_DEFAULT_CHARSET;
}

int CreateFontToHandle(const char *face, int size, int thickness, int fontType, int charSetCode,
                       int edgeSize, int italic, int slot, int checkNumber) {
  if (ProgramEnding()) return -1;
  if (face && strlen(face) >= FONT_FACE_SIZE) return WriteLogLine("指定のフォントの作成に失敗しました\n");
  const FontRequest request =
      Defaults(face, size, thickness, fontType, charSetCode, edgeSize, italic);
  const int chosen = ChooseSlot(slot);
  if (chosen < 0) return -1;
  FontRecord *font = static_cast<FontRecord *>(VV_ALLOC_ZEROED(sizeof(FontRecord)));
  if (!font) return WriteLogLine("フォント管理用メモリ領域の確保に失敗しました\n");
  if (request.face) strcpy(font->face, request.face);
  font->size = request.size;
  font->thickness = request.thickness;
  font->italic = request.italic;
  font->fontType = request.fontType;
  font->edgeSize = request.edgeSize;
  font->charSetCode = request.charSetCode;
  font->cacheGraph = font->edgeCacheGraph = -1;
  font->textureCache = IsHardwareRenderingActive() && !g_fonts.cacheInSystemMemory;
  if (BuildFont(font, request) < 0) return FailCreation(font, -1);
  HandleTable *table = Table();
  const int check = checkNumber == -1 ? HandleTableTakeCheckNumber(table) : checkNumber;
  return HandleTableAddAt(table, &font->head, MakeHandle(FONT_HANDLE_KIND, check, chosen));
}

FontRecord *GetFontRecord(int handle) { return HandleTableGet<FontRecord>(Table(), handle); }

int DeleteFontHandle(int handle) {
  FontRecord *font = GetFontRecord(handle);
  if (!font) return -1;
  DeleteRecord(font, 1);
  return 0;
}

int DeleteAllFontHandles(void) {
  for (int i = 0; i < FONT_TABLE_SLOTS; i++) {
    HandleObject *object = HandleTableSlot(Table(), i);
    if (object) DeleteFontHandle(object->handle);
  }
  return 0;
}

int SetFontDeleteNotice(int handle, int *notice) {
  FontRecord *font = GetFontRecord(handle);
  if (!font) return -1;
  font->deleteNotice = notice;
  if (notice) *notice = 0;
  return 0;
}

int GetFontHandleInfo(char *face, int *size, int *thickness, int handle) {
  const FontRecord *font = GetFontRecord(handle);
  if (!font) return -1;
  if (face) strcpy(face, font->face);
  if (size) *size = font->size;
  if (thickness) *thickness = font->thickness;
  return 0;
}

int GetFontHandleSize(int handle) {
  const FontRecord *font = GetFontRecord(handle);
  return font ? font->size : -1;
}

int IsFontHandleValid(int handle) { return GetFontRecord(handle) ? 1 : 0; }

int SetFontSpacing(int spacing, int handle) {
  FontRecord *font = GetFontRecord(handle);
  if (!font) return -1;
  font->spacing = spacing;
  return 0;
}

int ReloadAllFonts(void) {
  for (int i = 0; i < FONT_TABLE_SLOTS; i++) {
    FontRecord *font = reinterpret_cast<FontRecord *>(HandleTableSlot(Table(), i));
    if (!font) continue;
    char face[FONT_FACE_SIZE];
    strcpy(face, font->face);
    const int size = font->size, thickness = font->thickness, type = font->fontType;
    const int charSet = font->charSetCode, edge = font->edgeSize, italic = font->italic;
    const int spacing = font->spacing, check = HandleCheckOf(font->head.handle);
    int *notice = font->deleteNotice;
    // The notice moves to the re-made font unfired: its owner still holds
    // a valid handle and must not make a second font.
    DeleteRecord(font, 0);
    const int handle = CreateFontToHandle(face[0] ? face : NULL, size, thickness, type, charSet,
                                          edge, italic, i, check);
    FontRecord *made = GetFontRecord(handle);
    if (!made) {
      if (notice) *notice = 1;
      continue;
    }
    made->spacing = spacing;
    made->deleteNotice = notice;
  }
  return 0;
}

void ResetFontTable(void) {
  DeleteAllFontHandles();
  g_fonts.ready = 0;
  Table();
  g_fonts.cacheInSystemMemory = 0;
  SetFontCacheCharCount(0);
}

void SetFontCacheInSystemMemory(int on) { g_fonts.cacheInSystemMemory = on ? 1 : 0; }

int GetFontCount(void) { return Table()->liveCount; }
