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
  int (*getCurrentDir)(char *buffer);  // buffer of PATH_BUFFER_SIZE bytes
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

// Forwarding operations: each jumps through the named slot of the current
// table.
FileHandle FileAccessOpen(const char *path, int useCache, int reserved, int async);
int FileAccessClose(FileHandle file);
int FileAccessTell(FileHandle file);
int FileAccessSeek(FileHandle file, int offset, int origin);
int FileAccessRead(void *buffer, int itemSize, int itemCount, FileHandle file);
int FileAccessEof(FileHandle file);
int FileAccessIdleCheck(FileHandle file);
int FileAccessGetCurrentDir(char *buffer);

// The current table (for the slots without a forwarding operation).
const FileAccessFunctions *GetFileAccessFunctions(void);
// Copies a caller's twelve slots into the table; null installs the built-in
// set. 0.
int SelectStreamFunctions(const FileAccessFunctions *table);
// The two static stream sets: files through the table, and memory blocks.
const StreamFunctions *GetFileStreamFunctions(void);
const StreamFunctions *GetMemoryStreamFunctions(void);
// Opens path through the table and binds the file set to it; -1 on failure.
int OpenFileStreamSource(StreamSource *source, const char *path);
// Binds the memory set to a new memory stream over data; -1 on failure.
int OpenMemoryStreamSource(StreamSource *source, const void *data, int size);

#endif  // VELVANE_CORE_FILE_ACCESS_H
