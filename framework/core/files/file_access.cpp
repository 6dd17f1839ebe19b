#include "core/files/file_access.h"

#include <limits.h>

#include "core/archive/archive_file_access.h"
#include "core/files/file_plain.h"
#include "core/files/memory_stream.h"

namespace {

struct FileAccessState {
  FileAccessFunctions table;
  int installed;  // 0 until the built-in set is first put in
};

FileAccessState g_files = {};

// The built-in set serves every path from disk or from the archive that
// stands in for one of its folders. (The plain set would be chosen by a
// plain-file switch, which nothing in the framework sets.)
const FileAccessFunctions &BuiltInFunctions() { return *GetArchiveFileAccessFunctions(); }

const FileAccessFunctions &Table() {
  if (!g_files.installed) {
    g_files.table = BuiltInFunctions();
    g_files.installed = 1;
  }
  return g_files.table;
}

const StreamFunctions kFileStreamFunctions = {
    FileAccessTell, FileAccessSeek, FileAccessRead,
    FileAccessEof,  FileAccessIdleCheck, FileAccessClose};

const StreamFunctions kMemoryStreamFunctions = {
    MemoryStreamTell, MemoryStreamSeek,      MemoryStreamRead,
    MemoryStreamEof,  MemoryStreamIdleCheck, CloseMemoryStream};

}  // namespace

FileHandle FileAccessOpen(const char *path, int useCache, int reserved, int async) {
  return Table().open(path, useCache, reserved, async);
}

int FileAccessClose(FileHandle file) { return Table().close(file); }

int FileAccessTell(FileHandle file) { return Table().tell(file); }

int FileAccessSeek(FileHandle file, int offset, int origin) {
  return Table().seek(file, offset, origin);
}

int FileAccessRead(void *buffer, int itemSize, int itemCount, FileHandle file) {
  return Table().read(buffer, itemSize, itemCount, file);
}

int FileAccessEof(FileHandle file) { return Table().eof(file); }

int FileAccessIdleCheck(FileHandle file) { return Table().idleCheck(file); }

int FileAccessGetCurrentDir(char *buffer) { return Table().getCurrentDir(buffer); }

const FileAccessFunctions *GetFileAccessFunctions(void) { return &Table(); }

int SelectStreamFunctions(const FileAccessFunctions *table) {
  g_files.table = table ? *table : BuiltInFunctions();
  g_files.installed = 1;
  return 0;
}

const StreamFunctions *GetFileStreamFunctions(void) { return &kFileStreamFunctions; }

const StreamFunctions *GetMemoryStreamFunctions(void) { return &kMemoryStreamFunctions; }

int OpenFileStreamSource(StreamSource *source, const char *path) {
  FileHandle file = FileAccessOpen(path, 0, 1, 0);
  if (file == 0) return -1;
  source->functions = kFileStreamFunctions;
  source->stream = file;
  return 0;
}

int OpenMemoryStreamSource(StreamSource *source, const void *data, int size) {
  MemoryStream *stream = OpenMemoryStream(data, size);
  if (!stream) return -1;
  source->functions = kMemoryStreamFunctions;
  source->stream = reinterpret_cast<StreamHandle>(stream);
  return 0;
}

int ComputeSeekTarget(int position, int size, int offset, int origin, int64_t *target) {
  int64_t base;
  switch (origin) {
    case 0: base = 0; break;
    case 1: base = position; break;
    case 2: base = size; break;
    default: return -1;
  }
  *target = base + offset;
  return 0;
}

int ComputeFileSeekTarget(int position, int size, int offset, int origin) {
  int64_t target;
  if (ComputeSeekTarget(position, size, offset, origin, &target) < 0 || target < 0 ||
      target > INT_MAX) {
    return -1;
  }
  return static_cast<int>(target);
}

int PlanFileRead(int position, int size, int itemSize, int itemCount, int *endFlag) {
  if (itemSize <= 0 || itemCount <= 0) return 0;
  // Compared by division: itemSize x itemCount may not fit in an int.
  const int left = size - position;
  const int whole = left > 0 ? left / itemSize : 0;
  if (whole == 0) {
    *endFlag = 1;
    return 0;
  }
  return (itemCount < whole ? itemCount : whole) * itemSize;
}

int SettleFileRead(int start, int requested, int actual, int *position, int *endFlag) {
  if (actual < 0) actual = 0;
  *position = start + actual;
  if (actual < requested) *endFlag = 1;
  return actual;
}
