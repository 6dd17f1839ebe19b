#include "core/debug/log.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "graphics/text/char_class.h"
#include "core/base/core_state.h"
#include "core/debug/log_text.h"
#include "core/debug/memory.h"
#include "core/base/platform.h"
#include "core/util/strings.h"

namespace {

struct LogState {
  int outputOff;
  int datedName;
  char fileName[LOG_FILE_NAME_SIZE];
  uint32_t startTime;
  int indentLevel;
  int lineOpen;
};

LogState g_log = {0, 0, "Log.txt", 0, 0, 0};

const int kStackTextSize = 256;

// Line feeds become CR LF up to the first line feed that already follows a
// carriage return; from there the text is copied unchanged. Returns the
// output length. out holds 2 x length + 1 bytes.
int ExpandLineFeeds(const char *text, char *out) {
  const int charSet = GetFrameworkCharSet();
  int o = 0;
  const char *p = text;
  while (*p) {
    if (MultiByteCharSize(p, charSet) == 2) {
      out[o++] = p[0];
      out[o++] = p[1];
      p += 2;
      continue;
    }
    if (*p == '\n') {
      if (p > text && p[-1] == '\r') break;
      out[o++] = '\r';
    }
    out[o++] = *p++;
  }
  size_t rest = strlen(p);
  memcpy(out + o, p, rest + 1);
  return o + static_cast<int>(rest);
}

void WritePiece(intptr_t file, const char *piece, size_t length) {
  if (file) PlatformAppendWrite(file, piece, length);
  PlatformDebugOutput(piece);
}

bool BuildLogPath(char *path, size_t size) {
  const char *dir = GetStartDirectory();
  size_t dirLength = strlen(dir);
  const char *separator = (dirLength > 0 && (dir[dirLength - 1] == '\\' || dir[dirLength - 1] == '/')) ? "" : "\\";
  int n = snprintf(path, size, "%s%s%s", dir, separator, g_log.fileName);
  return n > 0 && static_cast<size_t>(n) < size;
}

void WriteExpanded(const char *out, int length) {
  if (g_log.outputOff || GetStartDirectory()[0] == '\0') return;
  char path[START_DIRECTORY_SIZE + LOG_FILE_NAME_SIZE + 2];
  intptr_t file = BuildLogPath(path, sizeof(path)) ? PlatformAppendOpen(path) : 0;
  if (!g_log.lineOpen) {
    char stamp[32];
    int n = snprintf(stamp, sizeof(stamp), "%u:",
                     static_cast<unsigned>(PlatformMilliseconds() - g_log.startTime));
    WritePiece(file, stamp, static_cast<size_t>(n));
    char tabs[LOG_MAX_INDENT + 1];
    memset(tabs, '\t', static_cast<size_t>(g_log.indentLevel));
    tabs[g_log.indentLevel] = '\0';
    if (g_log.indentLevel > 0) WritePiece(file, tabs, static_cast<size_t>(g_log.indentLevel));
  }
  WritePiece(file, out, static_cast<size_t>(length));
  g_log.lineOpen = (length == 0 || out[length - 1] != '\n') ? 1 : 0;
  if (file) PlatformAppendClose(file);
}

// Formats into the log's buffer, truncated to fit, and writes it. With
// endLine a line feed follows; room is kept for it so a long text is
// truncated, not lost.
int FormatAndWrite(bool endLine, const char *format, va_list args) {
  char text[LOG_FORMAT_BUFFER_SIZE];
  const int length = FormatStringV(text, LOG_FORMAT_BUFFER_SIZE - (endLine ? 1 : 0), format, args);
  if (endLine) {
    text[length] = '\n';
    text[length + 1] = '\0';
  }
  return WriteLogLine(text);
}

}  // namespace

int StartLogFile(void) {
  if (g_log.outputOff) return 0;
  if (g_log.datedName) {
    DateTime now;
    PlatformLocalTime(&now.year, &now.month, &now.day, &now.hour, &now.minute, &now.second);
    snprintf(g_log.fileName, sizeof(g_log.fileName), "Log%d_%d_%d_%d_%d_%d.txt", now.year,
             now.month, now.day, now.hour, now.minute, now.second);
  } else {
    snprintf(g_log.fileName, sizeof(g_log.fileName), "Log.txt");
  }
  char path[START_DIRECTORY_SIZE + LOG_FILE_NAME_SIZE + 2];
  if (GetStartDirectory()[0] != '\0' && BuildLogPath(path, sizeof(path))) {
    PlatformCreateEmptyFile(path);
  }
  g_log.indentLevel = 0;
  g_log.lineOpen = 0;
  g_log.startTime = PlatformMilliseconds();
  return 0;
}

int WriteLogLine(const char *text) {
  if (!text) return -1;
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(INT32_MAX / 2 - 1)) return -1;
  char stackBuffer[2 * kStackTextSize + 1];
  char *out = stackBuffer;
  if (length > static_cast<size_t>(kStackTextSize)) {
    out = static_cast<char *>(AllocMemory(static_cast<int>(2 * length + 1), NULL, -1));
    if (!out) return -1;
  }
  int outLength = ExpandLineFeeds(text, out);
  WriteExpanded(out, outLength);
  if (out != stackBuffer) FreeMemory(out);
  return -1;
}

int WriteErrorLog(const char *text) { return WriteLogLine(text); }

int WriteLogLineFormat(const char *format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndWrite(true, format, args);
  va_end(args);
  return -1;
}

int WriteLogText(const char *format, ...) {
  va_list args;
  va_start(args, format);
  const int result = FormatAndWrite(false, format, args);
  va_end(args);
  return result;
}

int WriteLogLineFormatW(const char16_t *format, ...) {
  char16_t wide[LOG_FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  int length = FormatStringVW(wide, LOG_FORMAT_BUFFER_SIZE - 1, format, args);
  va_end(args);
  wide[length] = u'\n';
  wide[length + 1] = 0;
  // Each UTF-16 unit becomes at most two bytes of code page 932.
  char text[2 * LOG_FORMAT_BUFFER_SIZE + 1];
  PlatformUtf16ToCodePage(932, wide, text, sizeof(text));
  return WriteLogLine(text);
}

int WriteNetworkErrorLog(const char *format, ...) {
  char text[LOG_FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  FormatStringV(text, sizeof(text), format, args);
  va_end(args);
  return WriteLogLineFormat("ネットワークログ。%s[%d]", text, PlatformLastSocketError());
}

int IncreaseLogIndent(void) {
  if (g_log.indentLevel < LOG_MAX_INDENT) g_log.indentLevel++;
  return 0;
}

int DecreaseLogIndent(void) {
  if (g_log.indentLevel > 0) g_log.indentLevel--;
  return 0;
}

int SetLogOutputFlag(int on) {
  g_log.outputOff = on ? 0 : 1;
  return 0;
}

int IsLogOutputOn(void) { return g_log.outputOff ? 0 : 1; }

void SetLogDatedName(int on) { g_log.datedName = on ? 1 : 0; }

const char *GetLogFileName(void) { return g_log.fileName; }

int GetLogIndentLevel(void) { return g_log.indentLevel; }
