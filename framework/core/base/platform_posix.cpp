// The platform seam over POSIX, for the native test build.
#include "core/base/platform.h"

#include <fcntl.h>
#include <iconv.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <string>

namespace {

// Framework paths use backslashes; the host's file system wants slashes.
std::string HostPath(const char *path) {
  std::string result(path);
  for (char &c : result) {
    if (c == '\\') c = '/';
  }
  return result;
}

int64_t MonotonicNanoseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

}  // namespace

void *PlatformHeapAlloc(size_t size) { return malloc(size ? size : 1); }

void *PlatformHeapRealloc(void *p, size_t size) { return realloc(p, size ? size : 1); }

void PlatformHeapFree(void *p) { free(p); }

uint32_t PlatformMilliseconds(void) {
  return static_cast<uint32_t>(MonotonicNanoseconds() / 1000000);
}

int64_t PlatformPerformanceCounter(void) { return MonotonicNanoseconds(); }

int64_t PlatformPerformanceFrequency(void) { return 1000000000; }

void PlatformLocalTime(int *year, int *month, int *day, int *hour, int *minute,
                       int *second) {
  time_t now = time(NULL);
  tm local;
  localtime_r(&now, &local);
  *year = local.tm_year + 1900;
  *month = local.tm_mon + 1;
  *day = local.tm_mday;
  *hour = local.tm_hour;
  *minute = local.tm_min;
  *second = local.tm_sec;
}

void PlatformSleep(uint32_t milliseconds) { usleep(milliseconds * 1000u); }

intptr_t PlatformAppendOpen(const char *path) {
  int fd = open(HostPath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  return fd < 0 ? 0 : static_cast<intptr_t>(fd) + 1;
}

int PlatformAppendWrite(intptr_t file, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    ssize_t n = write(static_cast<int>(file - 1), p, size);
    if (n <= 0) return -1;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

void PlatformAppendClose(intptr_t file) { close(static_cast<int>(file - 1)); }

int PlatformCreateEmptyFile(const char *path) {
  std::string hostPath = HostPath(path);
  unlink(hostPath.c_str());
  int fd = open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
  if (fd < 0) return -1;
  close(fd);
  return 0;
}

void PlatformDebugOutput(const char *text) {
  // The host build has no debugger channel; VELVANE_DEBUG_OUTPUT shows it.
  static const bool enabled = getenv("VELVANE_DEBUG_OUTPUT") != NULL;
  if (enabled) fputs(text, stderr);
}

int PlatformUtf16ToCodePage(unsigned codePage, const char16_t *src, char *dst, int dstSize) {
  if (!dst || dstSize <= 0) return 0;
  dst[0] = '\0';
  char name[16];
  snprintf(name, sizeof(name), "CP%u", codePage);
  iconv_t cd = iconv_open(name, "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  size_t units = 0;
  while (src[units]) units++;
  char *in = reinterpret_cast<char *>(const_cast<char16_t *>(src));
  size_t inLeft = units * sizeof(char16_t);
  char *out = dst;
  size_t outLeft = static_cast<size_t>(dstSize - 1);
  // Stops at the first character that does not fit (E2BIG) or convert, so
  // a double-byte character is never split.
  iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  *out = '\0';
  return static_cast<int>(out - dst);
}

unsigned PlatformSystemCodePage(void) { return 932; }

int PlatformCodePageToUtf16(unsigned codePage, const char *src, char16_t *dst,
                            int dstSize) {
  if (!dst || dstSize <= 0) return -1;
  dst[0] = 0;
  char name[16];
  snprintf(name, sizeof(name), "CP%u", codePage);
  iconv_t cd = iconv_open("UTF-16LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
  char *in = const_cast<char *>(src);
  size_t inLeft = strlen(src);
  char *out = reinterpret_cast<char *>(dst);
  size_t outLeft = static_cast<size_t>(dstSize - 1) * sizeof(char16_t);
  size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1) || inLeft != 0) return -1;
  int units = static_cast<int>((out - reinterpret_cast<char *>(dst)) / sizeof(char16_t));
  dst[units] = 0;
  return units;
}

int PlatformLastSocketError(void) { return 0; }

void PlatformGetOsVersion(PlatformOsVersion *out) {
  memset(out, 0, sizeof(*out));
  out->platformId = -1;
}

int PlatformProcessorCount(void) {
  long count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
}

uint32_t PlatformTimerMinPeriod(void) { return 1; }

namespace {
std::atomic<int> g_timerPeriodsHeld{0};
}  // namespace

// No timer resolution to raise here; the count is what callers can check.
void PlatformBeginTimerPeriod(uint32_t) { g_timerPeriodsHeld++; }

void PlatformEndTimerPeriod(uint32_t) { g_timerPeriodsHeld--; }

int PlatformTimerPeriodsHeld(void) { return g_timerPeriodsHeld; }

int PlatformMemoryStatus(int, uint64_t *totalPhysical, uint64_t *availablePhysical,
                         uint64_t *availableVirtual) {
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  *totalPhysical = page * static_cast<uint64_t>(sysconf(_SC_PHYS_PAGES));
  *availablePhysical = page * static_cast<uint64_t>(sysconf(_SC_AVPHYS_PAGES));
  *availableVirtual = *availablePhysical;
  return *totalPhysical != 0 ? 0 : -1;
}

// The host build has no display: no desktop size and no display modes.
void PlatformDesktopSize(int *width, int *height) {
  *width = 0;
  *height = 0;
}

int PlatformDesktopColorBits(void) { return 32; }

int PlatformEnumDisplayMode(int, int *, int *, int *, int *) { return 0; }

namespace {

struct ThreadStart {
  PlatformThreadProc proc;
  void *argument;
};

void *RunThreadStart(void *parameter) {
  ThreadStart start = *static_cast<ThreadStart *>(parameter);
  free(parameter);
  start.proc(start.argument);
  return NULL;
}

}  // namespace

// The priority request has no portable meaning here and is left out.
intptr_t PlatformStartThread(PlatformThreadProc proc, void *argument, int) {
  ThreadStart *start = static_cast<ThreadStart *>(malloc(sizeof(ThreadStart)));
  if (!start) return 0;
  start->proc = proc;
  start->argument = argument;
  pthread_t *thread = static_cast<pthread_t *>(malloc(sizeof(pthread_t)));
  if (!thread || pthread_create(thread, NULL, RunThreadStart, start) != 0) {
    free(thread);
    free(start);
    return 0;
  }
  return reinterpret_cast<intptr_t>(thread);
}

void PlatformJoinThread(intptr_t thread) {
  if (!thread) return;
  pthread_t *handle = reinterpret_cast<pthread_t *>(thread);
  pthread_join(*handle, NULL);
  free(handle);
}
