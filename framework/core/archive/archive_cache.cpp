#include "core/archive/archive_cache.h"

#include <string.h>

#include "core/debug/memory.h"

namespace {

struct KrzCacheEntry {
  int references;
  KrzArchive archive;
  char path[KRZ_CACHE_PATH_SIZE];
};

struct ArchiveCacheState {
  KrzCacheEntry *slots[KRZ_CACHE_SLOTS];
  int live;
};

ArchiveCacheState g_cache = {};

bool IsLive(int index) {
  return index >= 0 && index < KRZ_CACHE_SLOTS && g_cache.slots[index] != nullptr;
}

int AddReference(int index) {
  ++g_cache.slots[index]->references;
  return index;
}

int FirstEmptySlot() {
  for (int i = 0; i < KRZ_CACHE_SLOTS; ++i) {
    if (!g_cache.slots[i]) return i;
  }
  return -1;
}

}  // namespace

int OpenCachedArchive(int hint, const char *path, int loadWhole, int async) {
  if (!path || strlen(path) >= KRZ_CACHE_PATH_SIZE) return -1;
  if (IsLive(hint) && strcmp(g_cache.slots[hint]->path, path) == 0) return AddReference(hint);
  int empty = -1;
  for (int i = 0; i < KRZ_CACHE_SLOTS; ++i) {
    if (!g_cache.slots[i]) {
      empty = i;
    } else if (strcmp(g_cache.slots[i]->path, path) == 0) {
      return AddReference(i);
    }
  }
  if (g_cache.live >= KRZ_CACHE_SLOTS) {
    PurgeArchiveCache();
    if (g_cache.live >= KRZ_CACHE_SLOTS) return -1;
  }
  const int slot = empty >= 0 && !g_cache.slots[empty] ? empty : FirstEmptySlot();
  KrzCacheEntry *entry = static_cast<KrzCacheEntry *>(VV_ALLOC_ZEROED(sizeof(KrzCacheEntry)));
  if (!entry) return -1;
  // The framework has no archive key string of its own: the default key.
  const int opened = loadWhole == 1 ? OpenArchiveToMemory(&entry->archive, path, nullptr, async)
                                    : OpenArchiveStreamed(&entry->archive, path, nullptr);
  if (opened < 0) {
    VV_FREE(entry);
    return -1;
  }
  entry->references = 1;
  strcpy(entry->path, path);
  g_cache.slots[slot] = entry;
  ++g_cache.live;
  return slot;
}

KrzArchive *GetCachedArchive(int index) {
  return IsLive(index) ? &g_cache.slots[index]->archive : nullptr;
}

void ReleaseCachedArchive(int index) {
  if (IsLive(index) && g_cache.slots[index]->references > 0) --g_cache.slots[index]->references;
}

int GetCachedArchiveReferences(int index) {
  return IsLive(index) ? g_cache.slots[index]->references : -1;
}

int GetCachedArchiveCount(void) { return g_cache.live; }

void PurgeArchiveCache(void) {
  for (int i = 0; i < KRZ_CACHE_SLOTS; ++i) {
    KrzCacheEntry *entry = g_cache.slots[i];
    if (!entry || entry->references > 0) continue;
    CloseArchive(&entry->archive);
    VV_FREE(entry);
    g_cache.slots[i] = nullptr;
    --g_cache.live;
  }
}

int ResetArchiveCache(void) {
  PurgeArchiveCache();
  return 0;
}
