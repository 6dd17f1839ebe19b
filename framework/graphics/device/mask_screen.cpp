#include "graphics/device/mask_screen.h"

#include <string.h>

#include "core/base/handle_table.h"
#include "core/debug/memory.h"
#include "graphics/draw/draw_target.h"
#include "velvane.h"

namespace {

struct MaskRecord {
  HandleObject object;
  void *data;
  int width;
  int height;
  int inUse;
};

struct MaskScreenState {
  HandleTable table;
  HandleObject *slots[MASK_HANDLE_CAPACITY];
  MaskRecord records[MASK_HANDLE_CAPACITY];
  int tableReady;
  int useSetting;
  int screenExists;
  int drawActive;
  unsigned char *buffer;
};

MaskScreenState g_mask = {};

struct MaskDefaults {
  MaskDefaults() { g_mask.useSetting = 1; }
};
MaskDefaults g_maskDefaults;

HandleTable *Table(void) {
  if (!g_mask.tableReady) {
    HandleTableInit(&g_mask.table, HANDLE_KIND_MASK, g_mask.slots, MASK_HANDLE_CAPACITY);
    g_mask.tableReady = 1;
  }
  return &g_mask.table;
}

}  // namespace

int GetMaskEnabled(void) { return g_mask.useSetting; }

int SetMaskEnabled(int use) {
  if (!g_mask.buffer) return -1;
  g_mask.useSetting = use;
  g_mask.drawActive = (use && g_mask.screenExists) ? 1 : 0;
  SetDrawTarget(GetDrawTarget());
  return 0;
}

int IsMaskDrawActive(void) { return g_mask.drawActive; }

void ResetMaskEnabled(void) { g_mask.useSetting = 1; }

int DeleteMaskHandle(int handle) {
  MaskRecord *record = HandleTableGet<MaskRecord>(Table(), handle);
  if (!record || !record->inUse) return -1;
  HandleTableRemove(Table(), handle);
  if (record->data) VV_FREE(record->data);
  memset(record, 0, sizeof *record);
  return 0;
}

int DeleteAllMaskHandles(void) {
  for (int slot = 0; slot < MASK_HANDLE_CAPACITY; slot++) {
    MaskRecord *record = reinterpret_cast<MaskRecord *>(HandleTableSlot(Table(), slot));
    if (record && record->inUse) DeleteMaskHandle(record->object.handle);
  }
  return 0;
}

int RestoreMaskScreen(void) {
  if (g_mask.useSetting) SetMaskEnabled(1);
  return 0;
}

void MaskSurfaceRelease(void) {
  if (g_mask.buffer) VV_FREE(g_mask.buffer);
  g_mask.buffer = NULL;
}

int EndMaskScreen(void) {
  if (g_mask.useSetting) SetMaskEnabled(0);
  MaskSurfaceRelease();
  g_mask.screenExists = 0;
  g_mask.drawActive = 0;
  return 0;
}
