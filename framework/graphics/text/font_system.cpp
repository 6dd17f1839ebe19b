// The default font and the font system's start, end and rebuild steps.
#include "graphics/text/font_system.h"

#include <string.h>

#include "core/base/core_state.h"
#include "core/debug/log.h"
#include "graphics/text/font_handles.h"
#include "velvane.h"

namespace {

struct DefaultFontSettings {
  char face[FONT_FACE_SIZE];
  int size, thickness, fontType, charSetCode, edgeSize, italic, spacing;
};

struct FontSystemState {
  int defaultHandle;
  DefaultFontSettings settings;
  // A mode change keeps these across the restart of graphics.
  int remembered;
  int rememberedSize, rememberedThickness;
};

FontSystemState g_fontSystem = {-1, {{0}, 16, 6, 0, 0, 1, 0, 0}, 0, 0, 0};

const int kDefaultSize = 16;
const int kDefaultThickness = 6;

void DefaultSettings(DefaultFontSettings *settings) {
  memset(settings, 0, sizeof *settings);
  settings->size = kDefaultSize;
  settings->thickness = kDefaultThickness;
  settings->charSetCode = GetFrameworkCharSet();
  settings->edgeSize = 1;
}

bool DefaultFontMatchesSettings(void) {
  const FontRecord *font = GetFontRecord(g_fontSystem.defaultHandle);
  const DefaultFontSettings &s = g_fontSystem.settings;
  return font && strcmp(font->face, s.face) == 0 && font->fontType == s.fontType &&
         font->size == s.size && font->thickness == s.thickness &&
         font->charSetCode == s.charSetCode && font->edgeSize == s.edgeSize &&
         font->italic == s.italic;
}

void MakeDefaultFont(void) {
  const DefaultFontSettings &s = g_fontSystem.settings;
  g_fontSystem.defaultHandle =
      CreateFontToHandle(s.face[0] ? s.face : NULL, s.size, s.thickness, s.fontType, s.charSetCode,
                         (s.fontType & FONT_TYPE_EDGE) ? s.edgeSize : -1, s.italic, -1, -1);
  SetFontSpacing(s.spacing, g_fontSystem.defaultHandle);
}

}  // namespace

int InitFontSystem(void) {
  WriteLogLine("フォントの初期化を行います\n");
  IncreaseLogIndent();
  DeleteAllFontHandles();
  g_fontSystem.defaultHandle = -1;
  MakeDefaultFont();
  DecreaseLogIndent();
  WriteLogLine("フォントの初期化は正常に終了しました\n");
  return 0;
}

int InitFontSettings(void) {
  ResetFontTable();
  g_fontSystem.defaultHandle = -1;
  DefaultSettings(&g_fontSystem.settings);
  return InitFontSystem();
}

int EndFontSystem(void) {
  DeleteAllFontHandles();
  g_fontSystem.defaultHandle = -1;
  return 0;
}

void RememberDefaultFont(void) {
  g_fontSystem.remembered = IsFontHandleValid(g_fontSystem.defaultHandle);
  g_fontSystem.rememberedSize = g_fontSystem.settings.size;
  g_fontSystem.rememberedThickness = g_fontSystem.settings.thickness;
}

void RecreateRememberedDefaultFont(void) {
  if (!g_fontSystem.remembered) return;
  g_fontSystem.remembered = 0;
  SetDefaultFontSizeAndThickness(NULL, g_fontSystem.rememberedSize,
                                 g_fontSystem.rememberedThickness);
}

int RefreshDefaultFont(void) {
  if (DefaultFontMatchesSettings()) return 0;
  DeleteFontHandle(g_fontSystem.defaultHandle);
  MakeDefaultFont();
  return 0;
}

int GetDefaultFontHandle(void) { return g_fontSystem.defaultHandle; }

int SetDefaultFontSize(int size) {
  g_fontSystem.settings.size = size == -1 ? kDefaultSize : size;
  return RefreshDefaultFont();
}

int SetDefaultFontSizeAndThickness(const char *, int size, int thickness) {
  g_fontSystem.settings.size = size == -1 ? kDefaultSize : size;
  g_fontSystem.settings.thickness = thickness == -1 ? kDefaultThickness : thickness;
  return RefreshDefaultFont();
}
