// printf-style log text that leaves the line as the text leaves it (the
// log's own format call always ends the line): for progress lines that name
// a step first and get their result word appended later.
#ifndef VELVANE_CORE_LOG_TEXT_H
#define VELVANE_CORE_LOG_TEXT_H

// Formats into the log's 1024-byte buffer (truncated) and writes it; -1.
int WriteLogText(const char *format, ...);

#endif  // VELVANE_CORE_LOG_TEXT_H
