// The platform seam: the few operating-system services that portable modules
// need. platform_win32.cpp implements it over Win32; platform_posix.cpp over
// POSIX for the native test build. Nothing here includes windows.h.
#ifndef VELVANE_CORE_PLATFORM_H
#define VELVANE_CORE_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

// Process heap: the debug memory manager's backing store.
void *PlatformHeapAlloc(size_t size);
void *PlatformHeapRealloc(void *p, size_t size);
void PlatformHeapFree(void *p);

// Millisecond clock (timeGetTime): wraps after about 49 days.
uint32_t PlatformMilliseconds(void);
// High-resolution counter and its ticks per second; 0 when there is none.
int64_t PlatformPerformanceCounter(void);
int64_t PlatformPerformanceFrequency(void);
// Local calendar time, with the day of the week dropped.
void PlatformLocalTime(int *year, int *month, int *day, int *hour, int *minute,
                       int *second);
// Suspends the calling thread.
void PlatformSleep(uint32_t milliseconds);

// Files for append-style writers (the log): a path uses backslashes or
// slashes alike. Handles are pointer-sized; 0 means failure.
intptr_t PlatformAppendOpen(const char *path);
int PlatformAppendWrite(intptr_t file, const void *data, size_t size);
void PlatformAppendClose(intptr_t file);
// Deletes the file (if any) and creates it empty; 0 or -1.
int PlatformCreateEmptyFile(const char *path);

// Debugger output (OutputDebugStringA).
void PlatformDebugOutput(const char *text);

// Converts UTF-16 text to the given code page into at most dstSize bytes,
// never splitting a character, always terminated; returns the bytes written.
int PlatformUtf16ToCodePage(unsigned codePage, const char16_t *src, char *dst,
                            int dstSize);

// The last network error code (WSAGetLastError); 0 where there is none.
int PlatformLastSocketError(void);

#endif  // VELVANE_CORE_PLATFORM_H
