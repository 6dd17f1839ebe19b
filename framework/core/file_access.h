// The replaceable table of file operations every asset loader reads through,
// and the read-stream interface loaders receive. File, stream and find
// handles are pointer-sized: the sets behind the table store addresses in
// them.
#ifndef VELVANE_CORE_FILE_ACCESS_H
#define VELVANE_CORE_FILE_ACCESS_H

#include <stdint.h>

#include "velvane.h"

typedef intptr_t FileHandle;    // 0 means failure
typedef intptr_t FindHandle;    // -1 means failure
typedef intptr_t StreamHandle;

// Twelve slots, in this order (a caller may install a whole table).
struct FileAccessFunctions {
  FileHandle (*open)(const char *path, int useCache, int reserved, int async);
  int (*close)(FileHandle file);
  int (*tell)(FileHandle file);
  int (*seek)(FileHandle file, int offset, int origin);
  int (*read)(void *buffer, int itemSize, int itemCount, FileHandle file);
  int (*eof)(FileHandle file);
  int (*idleCheck)(FileHandle file);
  int (*setCurrentDir)(const char *path);
  int (*getCurrentDir)(char *buffer);  // buffer of 260 bytes
  FindHandle (*findFirst)(const char *pattern, FindFileInfo *info);
  int (*findNext)(FindHandle find, FindFileInfo *info);
  int (*findClose)(FindHandle find);
};

// Six read-stream operations, in this order.
struct StreamFunctions {
  int (*tell)(StreamHandle stream);
  int (*seek)(StreamHandle stream, int offset, int origin);
  int (*read)(void *buffer, int itemSize, int itemCount, StreamHandle stream);
  int (*eof)(StreamHandle stream);
  int (*idleCheck)(StreamHandle stream);
  int (*close)(StreamHandle stream);
};

// A stream interface bound to one open stream.
struct StreamSource {
  StreamFunctions functions;
  StreamHandle stream;
};

#endif  // VELVANE_CORE_FILE_ACCESS_H
