// The archive-aware file set, the default of the file-access table: any
// path names a file on disk or inside a KRZ archive that stands in for one
// of its folders (E:\GAME\GRAPH\BALL.PNG from E:\GAME\GRAPH.KRZ, entry
// BALL.PNG, or from E:\GAME.KRZ, entry GRAPH\BALL.PNG). Handles are a slot
// number tagged with 0xF0000000. The disk side and the current directory go
// through the platform's plain set, so this set runs on both builds.
#ifndef VELVANE_CORE_ARCHIVE_FILE_ACCESS_H
#define VELVANE_CORE_ARCHIVE_FILE_ACCESS_H

#include "core/files/file_access.h"

enum {
  ARCHIVE_OPEN_FILE_SLOTS = 512,
  ARCHIVE_FULL_PATH_SIZE = 256,
  ARCHIVE_NAME_INSIDE_SIZE = 256
};

// The twelve operations in table order.
const FileAccessFunctions *GetArchiveFileAccessFunctions(void);

// The upper-cased full path of path against the current directory (null:
// the directory itself) into ARCHIVE_FULL_PATH_SIZE bytes; -1 (out empty)
// when the directory cannot be read or the path does not fit.
int MakeArchiveFullPath(char *out, const char *path);
// Finds the archive standing in for a folder of path: its cache index (one
// more reference, dropped by the caller), its file path and the name inside
// it (ARCHIVE_NAME_INSIDE_SIZE bytes); either out may be null. -1 when no
// folder of the path has an archive.
int ResolveArchivePath(const char *path, int *cacheIndex, char *archivePathOut,
                       char *nameInsideOut);
// Files open through this set.
int GetArchiveOpenFileCount(void);

#endif  // VELVANE_CORE_ARCHIVE_FILE_ACCESS_H
