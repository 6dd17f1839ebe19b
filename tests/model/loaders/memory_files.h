// A file-access table over files held in memory, for the model loading
// tests: paths are matched as given, the current directory is kGameDir, and
// a read can be made to come up short.
#ifndef VELVANE_TESTS_MEMORY_FILES_H
#define VELVANE_TESTS_MEMORY_FILES_H

#include <string.h>

#include <map>
#include <memory>
#include <string>

#include "core/files/file_access.h"
#include "model/loaders/mqo_test_support.h"

namespace memory_files {

struct OpenFile {
  std::string data;
  int position = 0;
};

struct Files {
  std::map<std::string, std::string> contents;
  int shortBy = 0;  // bytes every read leaves out
  std::map<OpenFile *, std::unique_ptr<OpenFile>> open;
};

inline Files &Store() {
  static Files files;
  return files;
}

inline FileHandle Open(const char *path, int, int, int) {
  auto found = Store().contents.find(path);
  if (found == Store().contents.end()) return 0;
  auto file = std::make_unique<OpenFile>();
  file->data = found->second;
  OpenFile *raw = file.get();
  Store().open[raw] = std::move(file);
  return reinterpret_cast<FileHandle>(raw);
}
inline OpenFile *Of(FileHandle file) { return reinterpret_cast<OpenFile *>(file); }
inline int Close(FileHandle file) {
  Store().open.erase(Of(file));
  return 0;
}
inline int Tell(FileHandle file) { return Of(file)->position; }
inline int Seek(FileHandle file, int offset, int origin) {
  const int base = origin == 0 ? 0 : origin == 1 ? Of(file)->position : static_cast<int>(Of(file)->data.size());
  Of(file)->position = base + offset;
  return 0;
}
inline int Read(void *buffer, int itemSize, int itemCount, FileHandle file) {
  OpenFile *f = Of(file);
  int bytes = itemSize * itemCount;
  const int left = static_cast<int>(f->data.size()) - f->position;
  if (bytes > left) bytes = left;
  bytes -= Store().shortBy;
  if (bytes < 0) bytes = 0;
  memcpy(buffer, f->data.data() + f->position, static_cast<size_t>(bytes));
  f->position += bytes;
  return itemSize > 0 ? bytes / itemSize : 0;
}
inline int Eof(FileHandle file) { return Of(file)->position >= static_cast<int>(Of(file)->data.size()); }
inline int Idle(FileHandle) { return 1; }
inline int SetDir(const char *) { return 0; }
inline FindHandle FindFirst(const char *, FindFileInfo *) { return -1; }
inline int FindNext(FindHandle, FindFileInfo *) { return -1; }
inline int FindClose(FindHandle) { return 0; }

inline const FileAccessFunctions *Table() {
  static const FileAccessFunctions table = {Open, Close,  Tell,   Seek,      Read,     Eof,
                                            Idle, SetDir, mqo_test::GameCurrentDir, FindFirst, FindNext, FindClose};
  return &table;
}

}  // namespace memory_files

#endif  // VELVANE_TESTS_MEMORY_FILES_H
