// The cache of open archives standing in for folders.
#ifndef VELVANE_CORE_ARCHIVE_CACHE_H
#define VELVANE_CORE_ARCHIVE_CACHE_H

// Closes every cached archive no file is open in; 0.
int ResetArchiveCache(void);

#endif  // VELVANE_CORE_ARCHIVE_CACHE_H
