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

// The system's code page for text the system gives (the current directory):
// the ANSI code page on Windows, 932 where there is none.
unsigned PlatformSystemCodePage(void);

// Converts text in the given code page to UTF-16 into at most dstSize units,
// always terminated; returns the units written, or -1 (dst empty) when the
// text does not fit or does not convert.
int PlatformCodePageToUtf16(unsigned codePage, const char *src, char16_t *dst,
                            int dstSize);

// The last network error code (WSAGetLastError); 0 where there is none.
int PlatformLastSocketError(void);

// Operating-system version as the system reports it.
struct PlatformOsVersion {
  int platformId;  // 0 Win32s, 1 Windows 95/98/Me, 2 NT family, -1 other
  int major;
  int minor;
  int build;
  char servicePack[128];
};
void PlatformGetOsVersion(PlatformOsVersion *out);
// A thread running proc(argument). Windows creates it suspended, raises it
// to time-critical priority when asked and then lets it run; POSIX starts a
// plain thread. 0 when no thread could be started.
typedef void (*PlatformThreadProc)(void *argument);
intptr_t PlatformStartThread(PlatformThreadProc proc, void *argument, int timeCritical);
// Waits until the thread has returned and releases what held it.
void PlatformJoinThread(intptr_t thread);

// Logical processors of the machine.
int PlatformProcessorCount(void);

// Multimedia-timer resolution: the smallest period the timer offers (ms),
// and the requests that raise and lower the system's timer resolution.
uint32_t PlatformTimerMinPeriod(void);
void PlatformBeginTimerPeriod(uint32_t period);
void PlatformEndTimerPeriod(uint32_t period);
// Raises made through this seam and not yet released: each one the system
// counts must be given back once.
int PlatformTimerPeriodsHeld(void);

// Physical memory in bytes and the free virtual address space; extended
// asks for the 64-bit query where the system has one. 0, or -1 when the
// total could not be read.
int PlatformMemoryStatus(int extended, uint64_t *totalPhysical, uint64_t *availablePhysical,
                         uint64_t *availableVirtual);

// The primary screen's size in pixels.
void PlatformDesktopSize(int *width, int *height);
// The primary screen's colour depth (planes x bits per pixel). Kept in a
// translation unit of its own on Windows so a test program can link its
// own desktop in its place.
int PlatformDesktopColorBits(void);
// Display mode number index of the primary display, in enumeration order;
// 1 when it exists, 0 past the last one.
int PlatformEnumDisplayMode(int index, int *width, int *height, int *bits, int *refreshRate);

#endif  // VELVANE_CORE_PLATFORM_H
