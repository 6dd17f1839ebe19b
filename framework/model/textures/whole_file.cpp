#include "model/textures/whole_file.h"

#include <limits.h>

#include "core/base/platform.h"
#include "core/files/file_access.h"
#include "velvane.h"

namespace {

enum { WHOLE_FILE_PATH_BYTES = 512 };

FileHandle OpenWide(const char16_t *path) {
  char narrow[WHOLE_FILE_PATH_BYTES];
  PlatformUtf16ToCodePage(PlatformSystemCodePage(), path, narrow, sizeof(narrow));
  return FileAccessOpen(narrow, 0, 1, 0);
}

}  // namespace

int ReadWholeFileW(const char16_t *path, void **data, int *size) {
  *data = NULL;
  *size = 0;
  FileHandle file = OpenWide(path);
  if (!file) {
    char16_t bare[PATH_BUFFER_SIZE];
    if (SplitDirAndFileNameW(path, bare, NULL) < 0) return -1;
    file = OpenWide(bare);
    if (!file) return -1;
  }
  FileAccessSeek(file, 0, 2);
  const int length = FileAccessTell(file);
  FileAccessSeek(file, 0, 0);
  void *block = length >= 0 && length < INT_MAX - 64 ? AllocMemory(length > 0 ? length : 1, "", 0) : NULL;
  if (!block) {
    FileAccessClose(file);
    return -1;
  }
  const int read = length > 0 ? FileAccessRead(block, 1, length, file) : 0;
  FileAccessClose(file);
  if (read != length) {
    FreeMemory(block);
    return -1;
  }
  *data = block;
  *size = length;
  return 0;
}
