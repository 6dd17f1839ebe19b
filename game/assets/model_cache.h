// One loaded model per file, shared by clones: every field object holds its
// own instance in a ModelHolder and gives it back when destroyed.
#ifndef PELLACOR_GAME_ASSETS_MODEL_CACHE_H
#define PELLACOR_GAME_ASSETS_MODEL_CACHE_H

#include <string>

struct ModelCacheEntry {
  int model;      // LoadModel's instance, only cloned, never drawn
  int userCount;  // holders with a clone of it
  std::string fileName;
};

struct ModelHolder;

// Clones the model of fileName into the holder, loading the file on its
// first use (a failed load is cached as -1).
void AcquireModel(const char *fileName, ModelHolder *holder);
// Gives the holder's clone back; the last user of an entry deletes it.
void ReleaseModel(ModelHolder *holder);
void DestroyModelHolder(ModelHolder *holder);
// Draws one frame of the holder's instance at a position; nothing while empty.
void DrawModelFrameAt(ModelHolder *holder, float x, float y, float z, int frameIndex);

// The cache's entries in insertion order (for inspection).
int ModelCacheSize();
const ModelCacheEntry *FindModelCacheEntry(const char *fileName);

struct ModelHolder {
  int handle = 0;  // 0 while nothing was acquired
  std::string fileName;

  ModelHolder() = default;
  ModelHolder(const ModelHolder &) = delete;
  ModelHolder &operator=(const ModelHolder &) = delete;
  ~ModelHolder() { DestroyModelHolder(this); }
};

#endif
