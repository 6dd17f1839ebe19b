// The cache of open archives standing in for folders: up to 512 archives,
// each kept open while files or searches use it and closed by the next
// purge once nothing references it.
#ifndef VELVANE_CORE_ARCHIVE_CACHE_H
#define VELVANE_CORE_ARCHIVE_CACHE_H

#include "core/archive/archive.h"

enum { KRZ_CACHE_SLOTS = 512, KRZ_CACHE_PATH_SIZE = 256 };

// The cache index of the archive at path (exact string comparison), with
// one more reference; opened (whole into memory when loadWhole is 1, in the
// background with async) when it is not cached. hint names the slot to try
// first. -1 when it cannot be opened, the path does not fit or the cache
// stays full after a purge.
int OpenCachedArchive(int hint, const char *path, int loadWhole, int async);
// The archive of a live entry, else null.
KrzArchive *GetCachedArchive(int index);
// Drops one reference (never below 0).
void ReleaseCachedArchive(int index);
// References held on a live entry; -1 for an empty slot.
int GetCachedArchiveReferences(int index);
// Archives live in the cache.
int GetCachedArchiveCount(void);
// Closes every entry nothing references.
void PurgeArchiveCache(void);
// Purges; run at framework start and end. 0.
int ResetArchiveCache(void);

#endif  // VELVANE_CORE_ARCHIVE_CACHE_H
