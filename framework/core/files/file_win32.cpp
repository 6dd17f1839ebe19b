#include <windows.h>

#include <limits.h>
#include <string.h>

#include "core/files/file_plain.h"
#include "core/files/file_win32.h"
#include "core/debug/log.h"
#include "core/debug/memory.h"

namespace {

enum WorkerCommand {
  COMMAND_OPEN = 0,
  COMMAND_CLOSE = 1,
  COMMAND_READ = 2,
  COMMAND_SEEK = 3,
  COMMAND_EXIT = 4
};

enum { CACHE_FILL_WAIT_MS = 100 };

struct Win32FileRecord {
  HANDLE file;  // direct mode
  int threaded;
  int useCache;
  int async;
  int endFlag;
  int position;
  int size;
  DWORD threadId;
  HANDLE thread;
  HANDLE workerFile;
  HANDLE commandEvent;
  HANDLE doneEvent;
  int command;
  int exited;
  int openError;
  char path[PATH_BUFFER_SIZE];
  // The command's arguments; the worker writes the bytes delivered back into
  // readLength.
  unsigned char *readDestination;
  int readPosition;
  int readLength;
  int seekTarget;
  unsigned char *cache;
  int cacheStart;  // file position of the cache's first byte
  int cacheHeld;
  // The opener's account of the last read posted and not yet settled.
  int pendingRead;
  int pendingStart;
  int pendingBytes;
};

Win32FileRecord *RecordOf(FileHandle file) { return reinterpret_cast<Win32FileRecord *>(file); }

bool SeekHandle(HANDLE file, int position) {
  return SetFilePointer(file, position, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}

int ReadHandle(HANDLE file, void *buffer, int bytes) {
  DWORD got = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(bytes), &got, NULL)) return 0;
  return static_cast<int>(got);
}

// Positions are ints: a file of 2 GB or more cannot be addressed.
HANDLE OpenForReading(const char *path, DWORD share, int *size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, share, NULL, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return file;
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || length.QuadPart > INT_MAX) {
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
  }
  *size = static_cast<int>(length.QuadPart);
  return file;
}

// ---- worker side ----

void RestartCache(Win32FileRecord *r, int position) {
  r->cacheStart = position;
  r->cacheHeld = 0;
}

void FillCache(Win32FileRecord *r) {
  if (r->workerFile == INVALID_HANDLE_VALUE || r->cacheHeld >= WIN32_FILE_CACHE_SIZE) return;
  if (!SeekHandle(r->workerFile, r->cacheStart + r->cacheHeld)) return;
  r->cacheHeld += ReadHandle(r->workerFile, r->cache + r->cacheHeld,
                             WIN32_FILE_CACHE_SIZE - r->cacheHeld);
}

// Serves the front of a read from the cache when it starts right there.
int TakeFromCache(Win32FileRecord *r, unsigned char *destination, int position, int length) {
  if (!r->cache || r->cacheHeld == 0 || r->cacheStart != position) return 0;
  const int taken = length < r->cacheHeld ? length : r->cacheHeld;
  memcpy(destination, r->cache, static_cast<size_t>(taken));
  r->cacheStart += taken;
  r->cacheHeld -= taken;
  memmove(r->cache, r->cache + taken, static_cast<size_t>(r->cacheHeld));
  return taken;
}

void WorkerRead(Win32FileRecord *r) {
  int position = r->readPosition;
  int length = r->readLength;
  const int cached = TakeFromCache(r, r->readDestination, position, length);
  position += cached;
  length -= cached;
  int fromFile = 0;
  if (length > 0) {
    if (SeekHandle(r->workerFile, position)) {
      fromFile = ReadHandle(r->workerFile, r->readDestination + cached, length);
    }
    if (r->cache) RestartCache(r, position + fromFile);
  }
  r->readLength = cached + fromFile;
}

void WorkerSeek(Win32FileRecord *r) {
  SeekHandle(r->workerFile, r->seekTarget);
  if (r->cache) RestartCache(r, r->seekTarget);
}

void CloseWorkerFile(Win32FileRecord *r) {
  if (r->workerFile != INVALID_HANDLE_VALUE) CloseHandle(r->workerFile);
  r->workerFile = INVALID_HANDLE_VALUE;
}

DWORD WINAPI FileWorkerMain(LPVOID argument) {
  Win32FileRecord *r = static_cast<Win32FileRecord *>(argument);
  for (;;) {
    const DWORD wait = r->cache ? static_cast<DWORD>(CACHE_FILL_WAIT_MS) : INFINITE;
    if (WaitForSingleObject(r->commandEvent, wait) == WAIT_TIMEOUT) {
      FillCache(r);
      continue;
    }
    ResetEvent(r->commandEvent);
    ResetEvent(r->doneEvent);
    switch (r->command) {
      case COMMAND_OPEN:
        r->workerFile = CreateFileA(r->path, GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, NULL);
        if (r->workerFile == INVALID_HANDLE_VALUE) r->openError = 1;
        break;
      case COMMAND_CLOSE: CloseWorkerFile(r); break;
      case COMMAND_READ: WorkerRead(r); break;
      case COMMAND_SEEK: WorkerSeek(r); break;
      default: break;
    }
    if (r->command == COMMAND_EXIT || r->openError) {
      CloseWorkerFile(r);
      r->exited = 1;
      SetEvent(r->doneEvent);
      return 1;
    }
    SetEvent(r->doneEvent);
  }
}

// ---- opener side ----

// Settles the last posted read once the worker has finished it; returns the
// bytes it delivered.
int SettlePendingRead(Win32FileRecord *r) {
  if (!r->pendingRead) return 0;
  r->pendingRead = 0;
  return SettleFileRead(r->pendingStart, r->pendingBytes, r->readLength, &r->position,
                        &r->endFlag);
}

void WaitForWorker(Win32FileRecord *r) {
  if (!r->threaded) return;
  WaitForSingleObject(r->doneEvent, INFINITE);
  SettlePendingRead(r);
}

void PostCommand(Win32FileRecord *r, int command) {
  WaitForWorker(r);
  r->command = command;
  ResetEvent(r->doneEvent);
  SetEvent(r->commandEvent);
}

void ReleaseWorkerRecord(Win32FileRecord *r) {
  if (r->thread) {
    WaitForSingleObject(r->thread, INFINITE);
    CloseHandle(r->thread);
  }
  if (r->commandEvent) CloseHandle(r->commandEvent);
  if (r->doneEvent) CloseHandle(r->doneEvent);
  VV_FREE(r->cache);
  VV_FREE(r);
}

FileHandle OpenDirect(Win32FileRecord *r, const char *path) {
  r->file = OpenForReading(path, FILE_SHARE_READ, &r->size);
  if (r->file == INVALID_HANDLE_VALUE) {
    VV_FREE(r);
    return 0;
  }
  return reinterpret_cast<FileHandle>(r);
}

FileHandle OpenWithWorker(Win32FileRecord *r, const char *path) {
  HANDLE probe = OpenForReading(path, FILE_SHARE_READ, &r->size);
  if (probe == INVALID_HANDLE_VALUE) {
    VV_FREE(r);
    return 0;
  }
  CloseHandle(probe);
  r->workerFile = INVALID_HANDLE_VALUE;
  if (r->useCache) {
    r->cache = static_cast<unsigned char *>(VV_ALLOC(WIN32_FILE_CACHE_SIZE));
    if (!r->cache) {
      VV_FREE(r);
      WriteLogLine("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n");
      return 0;
    }
  }
  r->commandEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  r->doneEvent = CreateEventA(NULL, TRUE, TRUE, NULL);
  if (r->commandEvent && r->doneEvent) {
    r->thread = CreateThread(NULL, 0, FileWorkerMain, r, 0, &r->threadId);
  }
  if (!r->thread) {
    ReleaseWorkerRecord(r);
    WriteLogLine("ファイルアクセス専用スレッドの作成に失敗しました\n");
    return 0;
  }
  PostCommand(r, COMMAND_OPEN);
  WaitForSingleObject(r->doneEvent, INFINITE);
  if (r->openError) {
    ReleaseWorkerRecord(r);
    WriteLogLine("ファイルのオープンに失敗しました\n");
    return 0;
  }
  return reinterpret_cast<FileHandle>(r);
}

void CopyFoundName(char *dst, const char *src) {
  const size_t length = strnlen(src, sizeof(FindFileInfo::name) - 1);
  memcpy(dst, src, length);
  dst[length] = '\0';
}

uint64_t FileTimeValue(const FILETIME &time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void FillFindFileInfo(FindFileInfo *info, const WIN32_FIND_DATAA &found) {
  if (!info) return;
  CopyFoundName(info->name, found.cFileName);
  info->isDirectory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
  info->size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
  FileTimeToDateTime(FileTimeValue(found.ftCreationTime), &info->creationTime);
  FileTimeToDateTime(FileTimeValue(found.ftLastWriteTime), &info->lastWriteTime);
}

const FileAccessFunctions kWin32FileFunctions = {
    OpenWin32FileStream, CloseWin32FileStream, Win32FileTell,      Win32FileSeek,
    Win32FileRead,       Win32FileEof,         Win32FileIdleCheck, Win32SetCurrentDir,
    Win32GetCurrentDir,  Win32FindFirst,       Win32FindNext,      Win32FindClose};

}  // namespace

const FileAccessFunctions *GetPlainFileAccessFunctions(void) { return &kWin32FileFunctions; }

FileHandle OpenWin32FileStream(const char *path, int useCache, int, int async) {
  if (!path || strlen(path) >= PATH_BUFFER_SIZE) return 0;
  Win32FileRecord *r = static_cast<Win32FileRecord *>(VV_ALLOC_ZEROED(sizeof(Win32FileRecord)));
  if (!r) return 0;
  r->useCache = useCache ? 1 : 0;
  r->async = async ? 1 : 0;
  r->threaded = (useCache || async) ? 1 : 0;
  strcpy(r->path, path);
  return r->threaded ? OpenWithWorker(r, path) : OpenDirect(r, path);
}

int CloseWin32FileStream(FileHandle file) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return -1;
  if (!r->threaded) {
    const BOOL closed = CloseHandle(r->file);
    VV_FREE(r);
    return closed ? 0 : -1;
  }
  PostCommand(r, COMMAND_EXIT);
  WaitForSingleObject(r->doneEvent, INFINITE);
  ReleaseWorkerRecord(r);
  return 0;
}

int Win32FileTell(FileHandle file) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return -1;
  WaitForWorker(r);
  return r->position;
}

int Win32FileSeek(FileHandle file, int offset, int origin) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return -1;
  WaitForWorker(r);
  const int target = ComputeFileSeekTarget(r->position, r->size, offset, origin);
  if (target < 0) return -1;
  if (r->threaded) {
    r->seekTarget = target;
    PostCommand(r, COMMAND_SEEK);
  } else if (!SeekHandle(r->file, target)) {
    return -1;
  }
  r->position = target;
  r->endFlag = 0;
  return 0;
}

int Win32FileRead(void *buffer, int itemSize, int itemCount, FileHandle file) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return 0;
  WaitForWorker(r);
  const int bytes = PlanFileRead(r->position, r->size, itemSize, itemCount, &r->endFlag);
  if (bytes == 0) return 0;
  if (!r->threaded) {
    const int got = ReadHandle(r->file, buffer, bytes);
    return SettleFileRead(r->position, bytes, got, &r->position, &r->endFlag) / itemSize;
  }
  r->readDestination = static_cast<unsigned char *>(buffer);
  r->readPosition = r->position;
  r->readLength = bytes;
  PostCommand(r, COMMAND_READ);
  r->pendingRead = 1;
  r->pendingStart = r->position;
  r->pendingBytes = bytes;
  if (r->async) {
    r->position += bytes;
    return bytes / itemSize;
  }
  WaitForSingleObject(r->doneEvent, INFINITE);
  return SettlePendingRead(r) / itemSize;
}

int Win32FileEof(FileHandle file) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return -1;
  WaitForWorker(r);
  return r->endFlag ? -1 : 0;
}

int Win32FileIdleCheck(FileHandle file) {
  Win32FileRecord *r = RecordOf(file);
  if (!r) return -1;
  if (!r->threaded) return 1;
  if (WaitForSingleObject(r->doneEvent, 0) != WAIT_OBJECT_0) return 0;
  SettlePendingRead(r);
  return 1;
}

int Win32SetCurrentDir(const char *path) { return SetCurrentDirectoryA(path) ? 1 : 0; }

int Win32GetCurrentDir(char *buffer) {
  const DWORD length = GetCurrentDirectoryA(PATH_BUFFER_SIZE, buffer);
  // A directory longer than the buffer is not written at all: leave the
  // caller an empty string rather than whatever the buffer held.
  if (length == 0 || length >= PATH_BUFFER_SIZE) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<int>(length);
}

FindHandle Win32FindFirst(const char *pattern, FindFileInfo *info) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return -1;
  FillFindFileInfo(info, found);
  return reinterpret_cast<FindHandle>(find);
}

int Win32FindNext(FindHandle find, FindFileInfo *info) {
  WIN32_FIND_DATAA found;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &found)) return -1;
  FillFindFileInfo(info, found);
  return 0;
}

int Win32FindClose(FindHandle find) {
  return FindClose(reinterpret_cast<HANDLE>(find)) ? 0 : -1;
}

int FileTimeToDateTime(uint64_t fileTime, DateTime *out) {
  FILETIME utc, local;
  SYSTEMTIME time;
  utc.dwLowDateTime = static_cast<DWORD>(fileTime);
  utc.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) {
    memset(out, 0, sizeof(*out));
    return -1;
  }
  out->year = time.wYear;
  out->month = time.wMonth;
  out->day = time.wDay;
  out->hour = time.wHour;
  out->minute = time.wMinute;
  out->second = time.wSecond;
  return 0;
}
