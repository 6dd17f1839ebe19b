// The soft-image table. The framework itself creates none; it deletes
// whatever is left when it ends.
#include "graphics/images/soft_images.h"

#include <string.h>

#include "core/base/handle_table.h"
#include "core/debug/memory.h"

namespace {

struct SoftImageRecord {
  HandleObject object;
  BASEIMAGE image;
};

struct SoftImageState {
  HandleTable table;
  HandleObject *slots[SOFT_IMAGE_MAX];
  int usedEnd;  // highest used slot plus one
};

SoftImageState g_softImages;

HandleTable *SoftImageTable() {
  if (g_softImages.table.capacity == 0) {
    HandleTableInit(&g_softImages.table, HANDLE_KIND_SOFT_IMAGE, g_softImages.slots,
                    SOFT_IMAGE_MAX);
  }
  return &g_softImages.table;
}

}  // namespace

int AddSoftImage(BASEIMAGE *image) {
  if (!image) return -1;
  SoftImageRecord *record = static_cast<SoftImageRecord *>(VV_ALLOC_ZEROED(sizeof(SoftImageRecord)));
  if (!record) return -1;
  const int handle = HandleTableAdd(SoftImageTable(), &record->object);
  if (handle < 0) {
    VV_FREE(record);
    return -1;
  }
  record->image = *image;
  memset(image, 0, sizeof(*image));
  const int slot = HandleSlotOf(handle);
  if (slot >= g_softImages.usedEnd) g_softImages.usedEnd = slot + 1;
  return handle;
}

int DeleteSoftImage(int handle) {
  HandleTable *table = SoftImageTable();
  SoftImageRecord *record = HandleTableGet<SoftImageRecord>(table, handle);
  if (!record) return -1;
  FreeBaseImage(&record->image);
  HandleTableRemove(table, handle);
  VV_FREE(record);
  while (g_softImages.usedEnd > 0 && !HandleTableSlot(table, g_softImages.usedEnd - 1)) {
    --g_softImages.usedEnd;
  }
  return 0;
}

int DeleteAllSoftImages(void) {
  HandleTable *table = SoftImageTable();
  for (int slot = g_softImages.usedEnd - 1; slot >= 0; --slot) {
    HandleObject *object = HandleTableSlot(table, slot);
    if (object) DeleteSoftImage(object->handle);
  }
  return 0;
}

int GetSoftImageCount(void) { return SoftImageTable()->liveCount; }
