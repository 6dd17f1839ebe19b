// The plain-file set on the native build: the same slot rules as the Win32
// set over POSIX files. Reads are always synchronous, so the cache and
// asynchronous requests are accepted and served directly.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "core/files/file_plain.h"
#include "core/debug/memory.h"

namespace {

// 1970-01-01 in 100-ns units since 1601.
const uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

uint64_t UnixTimeToFileTime(time_t seconds) {
  return kUnixEpochAsFileTime + static_cast<uint64_t>(seconds) * 10000000ULL;
}

struct PosixFileRecord {
  int fd;
  int endFlag;
  int position;
  int size;
};

struct PosixFindRecord {
  DIR *dir;
  char directory[PATH_BUFFER_SIZE];
  char pattern[PATH_BUFFER_SIZE];
};

PosixFileRecord *RecordOf(FileHandle file) { return reinterpret_cast<PosixFileRecord *>(file); }

PosixFindRecord *FindOf(FindHandle find) { return reinterpret_cast<PosixFindRecord *>(find); }

// Framework paths use backslashes; the host wants slashes. False when the
// path does not fit.
bool ToHostPath(const char *path, char *out) {
  const size_t length = strlen(path);
  if (length >= PATH_BUFFER_SIZE) return false;
  for (size_t i = 0; i <= length; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
  return true;
}

int ReadAt(int fd, void *buffer, int bytes, int position) {
  int done = 0;
  while (done < bytes) {
    const ssize_t got = pread(fd, static_cast<char *>(buffer) + done,
                              static_cast<size_t>(bytes - done), position + done);
    if (got <= 0) break;
    done += static_cast<int>(got);
  }
  return done;
}

FileHandle PosixOpen(const char *path, int, int, int) {
  char hostPath[PATH_BUFFER_SIZE];
  struct stat info;
  if (!path || !ToHostPath(path, hostPath)) return 0;
  const int fd = open(hostPath, O_RDONLY);
  if (fd < 0) return 0;
  // Positions are ints: a file of 2 GB or more cannot be addressed.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > INT_MAX) {
    close(fd);
    return 0;
  }
  PosixFileRecord *r = static_cast<PosixFileRecord *>(VV_ALLOC_ZEROED(sizeof(PosixFileRecord)));
  if (!r) {
    close(fd);
    return 0;
  }
  r->fd = fd;
  r->size = static_cast<int>(info.st_size);
  return reinterpret_cast<FileHandle>(r);
}

int PosixClose(FileHandle file) {
  PosixFileRecord *r = RecordOf(file);
  if (!r) return -1;
  const int result = close(r->fd) == 0 ? 0 : -1;
  VV_FREE(r);
  return result;
}

int PosixTell(FileHandle file) {
  PosixFileRecord *r = RecordOf(file);
  return r ? r->position : -1;
}

int PosixSeek(FileHandle file, int offset, int origin) {
  PosixFileRecord *r = RecordOf(file);
  if (!r) return -1;
  const int target = ComputeFileSeekTarget(r->position, r->size, offset, origin);
  if (target < 0) return -1;
  r->position = target;
  r->endFlag = 0;
  return 0;
}

int PosixRead(void *buffer, int itemSize, int itemCount, FileHandle file) {
  PosixFileRecord *r = RecordOf(file);
  if (!r) return 0;
  const int bytes = PlanFileRead(r->position, r->size, itemSize, itemCount, &r->endFlag);
  if (bytes == 0) return 0;
  const int got = ReadAt(r->fd, buffer, bytes, r->position);
  return SettleFileRead(r->position, bytes, got, &r->position, &r->endFlag) / itemSize;
}

int PosixEof(FileHandle file) {
  PosixFileRecord *r = RecordOf(file);
  if (!r) return -1;
  return r->endFlag ? -1 : 0;
}

int PosixIdleCheck(FileHandle file) { return RecordOf(file) ? 1 : -1; }

int PosixSetCurrentDir(const char *path) {
  char hostPath[PATH_BUFFER_SIZE];
  if (!path || !ToHostPath(path, hostPath)) return 0;
  return chdir(hostPath) == 0 ? 1 : 0;
}

int PosixGetCurrentDir(char *buffer) {
  if (!getcwd(buffer, PATH_BUFFER_SIZE)) {
    buffer[0] = '\0';
    return 0;
  }
  return static_cast<int>(strlen(buffer));
}

void FillFindFileInfo(const PosixFindRecord *f, const char *name, FindFileInfo *info) {
  if (!info) return;
  char path[2 * PATH_BUFFER_SIZE + 2];
  struct stat st;
  memset(info, 0, sizeof(*info));
  strncpy(info->name, name, sizeof(info->name) - 1);
  snprintf(path, sizeof(path), "%s/%s", f->directory, name);
  if (stat(path, &st) != 0) return;
  info->isDirectory = S_ISDIR(st.st_mode) ? 1 : 0;
  info->size = info->isDirectory ? 0 : static_cast<uint64_t>(st.st_size);
  // The host keeps no creation time; the status-change time stands in.
  FileTimeToDateTime(UnixTimeToFileTime(st.st_ctime), &info->creationTime);
  FileTimeToDateTime(UnixTimeToFileTime(st.st_mtime), &info->lastWriteTime);
}

int FindNextMatch(PosixFindRecord *f, FindFileInfo *info) {
  while (dirent *entry = readdir(f->dir)) {
    if (fnmatch(f->pattern, entry->d_name, 0) == 0) {
      FillFindFileInfo(f, entry->d_name, info);
      return 0;
    }
  }
  return -1;
}

// Splits a pattern into its folder and its name pattern; "*.*" means every
// name, as it does on Windows.
bool SplitPattern(const char *hostPattern, PosixFindRecord *f) {
  const char *slash = strrchr(hostPattern, '/');
  const char *name = slash ? slash + 1 : hostPattern;
  if (!slash) {
    strcpy(f->directory, ".");
  } else {
    const size_t length = static_cast<size_t>(slash - hostPattern);
    memcpy(f->directory, hostPattern, length);
    f->directory[length] = '\0';
    if (length == 0) strcpy(f->directory, "/");
  }
  strcpy(f->pattern, strcmp(name, "*.*") == 0 ? "*" : name);
  return f->pattern[0] != '\0';
}

void FreeFind(PosixFindRecord *f) {
  if (f->dir) closedir(f->dir);
  VV_FREE(f);
}

FindHandle PosixFindFirst(const char *pattern, FindFileInfo *info) {
  char hostPattern[PATH_BUFFER_SIZE];
  if (!pattern || !ToHostPath(pattern, hostPattern)) return -1;
  PosixFindRecord *f = static_cast<PosixFindRecord *>(VV_ALLOC_ZEROED(sizeof(PosixFindRecord)));
  if (!f) return -1;
  if (!SplitPattern(hostPattern, f) || !(f->dir = opendir(f->directory)) ||
      FindNextMatch(f, info) < 0) {
    FreeFind(f);
    return -1;
  }
  return reinterpret_cast<FindHandle>(f);
}

int PosixFindNext(FindHandle find, FindFileInfo *info) {
  PosixFindRecord *f = FindOf(find);
  if (!f || find == -1) return -1;
  return FindNextMatch(f, info);
}

int PosixFindClose(FindHandle find) {
  PosixFindRecord *f = FindOf(find);
  if (!f || find == -1) return -1;
  FreeFind(f);
  return 0;
}

const FileAccessFunctions kPosixFileFunctions = {
    PosixOpen,          PosixClose,         PosixTell,      PosixSeek,
    PosixRead,          PosixEof,           PosixIdleCheck, PosixSetCurrentDir,
    PosixGetCurrentDir, PosixFindFirst,     PosixFindNext,  PosixFindClose};

}  // namespace

const FileAccessFunctions *GetPlainFileAccessFunctions(void) { return &kPosixFileFunctions; }

int FileTimeToDateTime(uint64_t fileTime, DateTime *out) {
  memset(out, 0, sizeof(*out));
  if (fileTime < kUnixEpochAsFileTime) return -1;
  const time_t seconds = static_cast<time_t>((fileTime - kUnixEpochAsFileTime) / 10000000ULL);
  struct tm local;
  if (!localtime_r(&seconds, &local)) return -1;
  out->year = local.tm_year + 1900;
  out->month = local.tm_mon + 1;
  out->day = local.tm_mday;
  out->hour = local.tm_hour;
  out->minute = local.tm_min;
  out->second = local.tm_sec;
  return 0;
}
