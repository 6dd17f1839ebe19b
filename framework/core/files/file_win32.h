// Win32 disk files: the plain-file set on Windows. A file opened with a
// cache or asynchronously gets a worker thread that performs its reads (and
// keeps a 128 KB read-ahead cache filled); the others are read directly.
// File handles are the record's address; find handles the platform's.
#ifndef VELVANE_CORE_FILE_WIN32_H
#define VELVANE_CORE_FILE_WIN32_H

#include "core/files/file_access.h"

enum { WIN32_FILE_CACHE_SIZE = 131072 };

// Record handle, or 0 when the file cannot be opened.
FileHandle OpenWin32FileStream(const char *path, int useCache, int reserved, int async);
int CloseWin32FileStream(FileHandle file);
// The position; waits for a pending read first.
int Win32FileTell(FileHandle file);
// Accepts targets beyond the end; -1 for a negative target or bad origin.
int Win32FileSeek(FileHandle file, int offset, int origin);
// Whole items read. An asynchronous read returns the items asked for at
// once; the position and end flag follow what arrived once it completes.
int Win32FileRead(void *buffer, int itemSize, int itemCount, FileHandle file);
// -1 after a read found no whole item left, else 0.
int Win32FileEof(FileHandle file);
// 1 when no read is pending, 0 while one is.
int Win32FileIdleCheck(FileHandle file);
int Win32SetCurrentDir(const char *path);
int Win32GetCurrentDir(char *buffer);
FindHandle Win32FindFirst(const char *pattern, FindFileInfo *info);
int Win32FindNext(FindHandle find, FindFileInfo *info);
int Win32FindClose(FindHandle find);

#endif  // VELVANE_CORE_FILE_WIN32_H
