// The log file: "Log.txt" in the start directory, opened, appended to and
// closed on every write so it survives a crash. Public functions are in
// velvane.h; this header holds what the rest of the framework needs.
#ifndef VELVANE_CORE_LOG_H
#define VELVANE_CORE_LOG_H

#include "velvane.h"

enum {
  LOG_FILE_NAME_SIZE = 256,
  LOG_FORMAT_BUFFER_SIZE = 1024,
  // The line buffer of the indent holds this many tabs.
  LOG_MAX_INDENT = 511
};

// Writes "ネットワークログ。%s[%d]" with the formatted text and the last
// socket error; always -1.
int WriteNetworkErrorLog(const char *format, ...);
// 1 when logging is switched on.
int IsLogOutputOn(void);
// When 1, the log file is named after the start time (default 0).
void SetLogDatedName(int on);
// The log file's name, relative to the start directory.
const char *GetLogFileName(void);
int GetLogIndentLevel(void);

#endif  // VELVANE_CORE_LOG_H
