#include "graphics/text/onscreen_log.h"

#include <string.h>

#include "graphics/device/graphics_system.h"
#include "graphics/device/screen_settings.h"
#include "graphics/text/font_record.h"
#include "velvane.h"

namespace {

struct OnScreenLogState {
  int initialised;
  int fontHandle;
  int fontPending;  // the font system sets it back to 1 when the font goes
  int fontSize;
  int shown;
  char lines[ONSCREEN_LOG_LINES][ONSCREEN_LOG_LINE_BYTES];
};

OnScreenLogState g_screenLog = {0, -1, 1, 16, 0, {{0}}};

const int kFontSize = 16;
const int kFontThickness = 4;

}  // namespace

int InitOnScreenLog(void) {
  if (!IsGraphicsStarted()) return -1;
  if (g_screenLog.initialised) return 0;
  g_screenLog.initialised = 1;
  g_screenLog.fontSize = kFontSize;
  g_screenLog.fontHandle = -1;
  g_screenLog.fontPending = 1;
  PrepareOnScreenLogFont();
  g_screenLog.shown = 0;
  memset(g_screenLog.lines, 0, sizeof g_screenLog.lines);
  return 0;
}

int PrepareOnScreenLogFont(void) {
  if (!g_screenLog.fontPending) return 0;
  const int handle = CreateFontToHandle(NULL, g_screenLog.fontSize, kFontThickness, FONT_TYPE_EDGE,
                                        -1, -1, 0, -1, -1);
  if (handle < 0) return 0;
  g_screenLog.fontHandle = handle;
  // Registering clears the pending flag; deleting the font sets it again.
  SetFontDeleteNotice(handle, &g_screenLog.fontPending);
  return 0;
}

int DrawOnScreenLog(void) {
  if (InitOnScreenLog() < 0) return 0;
  PrepareOnScreenLogFont();
  if (g_screenLog.fontPending) return 0;
  int lines = GetScreenHeightSetting() / g_screenLog.fontSize;
  if (lines > ONSCREEN_LOG_LINES) lines = ONSCREEN_LOG_LINES;
  const int white = static_cast<int>(PackDrawColor(255, 255, 255));
  const int black = static_cast<int>(PackDrawColor(0, 0, 0));
  for (int line = 0; line < lines; line++) {
    DrawTextWithFont(0, line * g_screenLog.fontSize, g_screenLog.lines[line], white,
                     g_screenLog.fontHandle, black, 0);
  }
  return 0;
}

int IsLogShownOnScreen(void) { return g_screenLog.shown; }

void SetLogShownOnScreen(int shown) { g_screenLog.shown = shown ? 1 : 0; }

int EndOnScreenLog(void) {
  if (!g_screenLog.initialised) return 0;
  if (!g_screenLog.fontPending) DeleteFontHandle(g_screenLog.fontHandle);
  g_screenLog.fontPending = 1;
  g_screenLog.fontHandle = -1;
  g_screenLog.initialised = 0;
  return 0;
}

void StoreOnScreenLogLine(int line, const char *text) {
  if (line < 0 || line >= ONSCREEN_LOG_LINES || !text) return;
  strncpy(g_screenLog.lines[line], text, ONSCREEN_LOG_LINE_BYTES - 1);
  g_screenLog.lines[line][ONSCREEN_LOG_LINE_BYTES - 1] = '\0';
}

int GetOnScreenLogFont(void) { return g_screenLog.fontPending ? -1 : g_screenLog.fontHandle; }
