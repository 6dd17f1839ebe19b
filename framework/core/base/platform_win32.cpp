// The platform seam over Win32.
#include <windows.h>
#include <mmsystem.h>
#include <winsock.h>

#include "core/base/platform.h"

void *PlatformHeapAlloc(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void *PlatformHeapRealloc(void *p, size_t size) {
  return HeapReAlloc(GetProcessHeap(), 0, p, size);
}

void PlatformHeapFree(void *p) { HeapFree(GetProcessHeap(), 0, p); }

uint32_t PlatformMilliseconds(void) { return timeGetTime(); }

int64_t PlatformPerformanceCounter(void) {
  LARGE_INTEGER value;
  return QueryPerformanceCounter(&value) ? value.QuadPart : 0;
}

int64_t PlatformPerformanceFrequency(void) {
  LARGE_INTEGER value;
  return QueryPerformanceFrequency(&value) ? value.QuadPart : 0;
}

void PlatformLocalTime(int *year, int *month, int *day, int *hour, int *minute,
                       int *second) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  *year = now.wYear;
  *month = now.wMonth;
  *day = now.wDay;
  *hour = now.wHour;
  *minute = now.wMinute;
  *second = now.wSecond;
}

void PlatformSleep(uint32_t milliseconds) { Sleep(milliseconds); }

intptr_t PlatformAppendOpen(const char *path) {
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 0;
  SetFilePointer(file, 0, NULL, FILE_END);
  return reinterpret_cast<intptr_t>(file);
}

int PlatformAppendWrite(intptr_t file, const void *data, size_t size) {
  const char *p = static_cast<const char *>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file), p, chunk, &written, NULL) || written == 0) {
      return -1;
    }
    p += written;
    size -= written;
  }
  return 0;
}

void PlatformAppendClose(intptr_t file) { CloseHandle(reinterpret_cast<HANDLE>(file)); }

int PlatformCreateEmptyFile(const char *path) {
  DeleteFileA(path);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return -1;
  CloseHandle(file);
  return 0;
}

void PlatformDebugOutput(const char *text) { OutputDebugStringA(text); }

int PlatformUtf16ToCodePage(unsigned codePage, const char16_t *src, char *dst, int dstSize) {
  if (!dst || dstSize <= 0) return 0;
  dst[0] = '\0';
  const wchar_t *wide = reinterpret_cast<const wchar_t *>(src);
  int length = lstrlenW(wide);
  // Shorten the source until it fits, so no character is cut in half.
  while (length > 0) {
    int need = WideCharToMultiByte(codePage, 0, wide, length, NULL, 0, NULL, NULL);
    if (need > 0 && need < dstSize) {
      int n = WideCharToMultiByte(codePage, 0, wide, length, dst, dstSize - 1, NULL, NULL);
      dst[n] = '\0';
      return n;
    }
    length -= (need - (dstSize - 1) + 1) / 2 > 0 ? (need - (dstSize - 1) + 1) / 2 : 1;
  }
  return 0;
}

unsigned PlatformSystemCodePage(void) { return GetACP(); }

int PlatformCodePageToUtf16(unsigned codePage, const char *src, char16_t *dst,
                            int dstSize) {
  if (!dst || dstSize <= 0) return -1;
  dst[0] = 0;
  if (src[0] == '\0') return 0;
  wchar_t *wide = reinterpret_cast<wchar_t *>(dst);
  int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, src, -1, wide, dstSize);
  // The count includes the terminator; 0 means it failed or did not fit.
  if (units <= 0) {
    dst[0] = 0;
    return -1;
  }
  return units - 1;
}

int PlatformLastSocketError(void) { return WSAGetLastError(); }

void PlatformGetOsVersion(PlatformOsVersion *out) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof(info));
  info.dwOSVersionInfoSize = sizeof(info);
  ZeroMemory(out, sizeof(*out));
  if (!GetVersionExA(&info)) {
    out->platformId = -1;
    return;
  }
  out->platformId = static_cast<int>(info.dwPlatformId);
  out->major = static_cast<int>(info.dwMajorVersion);
  out->minor = static_cast<int>(info.dwMinorVersion);
  // 95/98/Me keep the version in the high word of the build number.
  out->build = static_cast<int>(info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS
                                    ? LOWORD(info.dwBuildNumber)
                                    : info.dwBuildNumber);
  lstrcpynA(out->servicePack, info.szCSDVersion, sizeof(out->servicePack));
}

int PlatformProcessorCount(void) {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return static_cast<int>(info.dwNumberOfProcessors);
}

uint32_t PlatformTimerMinPeriod(void) {
  TIMECAPS caps;
  if (timeGetDevCaps(&caps, sizeof(caps)) != TIMERR_NOERROR) return 1;
  return caps.wPeriodMin;
}

namespace {
// The system counts raises per process without a way to read the count.
LONG g_timerPeriodsHeld = 0;
}  // namespace

void PlatformBeginTimerPeriod(uint32_t period) {
  if (timeBeginPeriod(period) == TIMERR_NOERROR) InterlockedIncrement(&g_timerPeriodsHeld);
}

void PlatformEndTimerPeriod(uint32_t period) {
  if (timeEndPeriod(period) == TIMERR_NOERROR) InterlockedDecrement(&g_timerPeriodsHeld);
}

int PlatformTimerPeriodsHeld(void) { return static_cast<int>(g_timerPeriodsHeld); }

int PlatformMemoryStatus(int extended, uint64_t *totalPhysical, uint64_t *availablePhysical,
                         uint64_t *availableVirtual) {
  typedef BOOL(WINAPI * MemoryStatusExFunction)(LPMEMORYSTATUSEX);
  *totalPhysical = *availablePhysical = *availableVirtual = 0;
  if (extended) {
    HMODULE kernel = GetModuleHandleA("Kernel32.dll");
    MemoryStatusExFunction query = kernel ? reinterpret_cast<MemoryStatusExFunction>(
                                                reinterpret_cast<void (*)(void)>(
                                                    GetProcAddress(kernel, "GlobalMemoryStatusEx")))
                                          : NULL;
    MEMORYSTATUSEX status;
    ZeroMemory(&status, sizeof(status));
    status.dwLength = sizeof(status);
    if (query && query(&status) && status.ullTotalPhys != 0) {
      *totalPhysical = status.ullTotalPhys;
      *availablePhysical = status.ullAvailPhys;
      *availableVirtual = status.ullAvailVirtual;
      return 0;
    }
  }
  MEMORYSTATUS status;
  ZeroMemory(&status, sizeof(status));
  status.dwLength = sizeof(status);
  GlobalMemoryStatus(&status);
  *totalPhysical = static_cast<uint64_t>(status.dwTotalPhys);
  *availablePhysical = static_cast<uint64_t>(status.dwAvailPhys);
  *availableVirtual = static_cast<uint64_t>(status.dwAvailVirtual);
  return *totalPhysical != 0 ? 0 : -1;
}

void PlatformDesktopSize(int *width, int *height) {
  *width = GetSystemMetrics(SM_CXSCREEN);
  *height = GetSystemMetrics(SM_CYSCREEN);
}

int PlatformEnumDisplayMode(int index, int *width, int *height, int *bits, int *refreshRate) {
  DEVMODEA mode;
  ZeroMemory(&mode, sizeof(mode));
  mode.dmSize = sizeof(mode);
  if (index < 0 || !EnumDisplaySettingsA(NULL, static_cast<DWORD>(index), &mode)) return 0;
  *width = static_cast<int>(mode.dmPelsWidth);
  *height = static_cast<int>(mode.dmPelsHeight);
  *bits = static_cast<int>(mode.dmBitsPerPel);
  *refreshRate = static_cast<int>(mode.dmDisplayFrequency);
  return 1;
}

namespace {

// What the new thread needs, handed over on the heap because the starter
// returns before the thread reads it.
struct ThreadStart {
  PlatformThreadProc proc;
  void *argument;
};

DWORD WINAPI RunThreadStart(LPVOID parameter) {
  ThreadStart start = *static_cast<ThreadStart *>(parameter);
  PlatformHeapFree(parameter);
  start.proc(start.argument);
  return 0;
}

}  // namespace

intptr_t PlatformStartThread(PlatformThreadProc proc, void *argument, int timeCritical) {
  ThreadStart *start = static_cast<ThreadStart *>(PlatformHeapAlloc(sizeof(ThreadStart)));
  if (!start) return 0;
  start->proc = proc;
  start->argument = argument;
  DWORD id = 0;
  HANDLE thread = CreateThread(NULL, 0, RunThreadStart, start, CREATE_SUSPENDED, &id);
  if (!thread) {
    PlatformHeapFree(start);
    return 0;
  }
  if (timeCritical) SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
  ResumeThread(thread);
  return reinterpret_cast<intptr_t>(thread);
}

void PlatformJoinThread(intptr_t thread) {
  if (!thread) return;
  HANDLE handle = reinterpret_cast<HANDLE>(thread);
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
}
