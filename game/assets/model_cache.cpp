#include "game/assets/model_cache.h"

#include <vector>

#include "velvane.h"

namespace {

// Entries still present at exit are freed without deleting their models:
// by then the framework has ended the model system.
std::vector<ModelCacheEntry> &Entries() {
  static std::vector<ModelCacheEntry> entries;
  return entries;
}

std::vector<ModelCacheEntry>::iterator FindEntry(const std::string &fileName) {
  std::vector<ModelCacheEntry> &entries = Entries();
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->fileName == fileName) return it;
  }
  return entries.end();
}

}  // namespace

void AcquireModel(const char *fileName, ModelHolder *holder) {
  auto entry = FindEntry(fileName);
  if (entry != Entries().end()) {
    holder->handle = VLMCloneInstance(entry->model);
    entry->userCount += 1;
  } else {
    const int model = LoadModel(fileName);
    Entries().push_back(ModelCacheEntry{model, 1, fileName});
    holder->handle = VLMCloneInstance(model);
  }
  holder->fileName = fileName;
}

void ReleaseModel(ModelHolder *holder) {
  auto entry = FindEntry(holder->fileName);
  if (entry != Entries().end()) {
    entry->userCount -= 1;
    if (entry->userCount <= 0) {
      VLMDeleteInstance(entry->model);
      Entries().erase(entry);
    }
  }
  VLMDeleteInstance(holder->handle);
}

void DestroyModelHolder(ModelHolder *holder) {
  ReleaseModel(holder);
  holder->handle = 0;
  holder->fileName.clear();
}

void DrawModelFrameAt(ModelHolder *holder, float x, float y, float z, int frameIndex) {
  if (holder->handle == 0) return;
  VLMSetInstancePosition(holder->handle, x, y, z);
  VLMDrawInstanceFrame(holder->handle, frameIndex);
}

int ModelCacheSize() { return static_cast<int>(Entries().size()); }

const ModelCacheEntry *FindModelCacheEntry(const char *fileName) {
  auto entry = FindEntry(fileName);
  return entry == Entries().end() ? nullptr : &*entry;
}
