#include "core/base/handle_table.h"

#include <stddef.h>

int MakeHandle(int kind, int check, int slot) {
  return ((kind & 0xF) << HANDLE_KIND_SHIFT) |
         ((check & (HANDLE_CHECK_LIMIT - 1)) << HANDLE_CHECK_SHIFT) |
         (slot & (HANDLE_MAX_SLOTS - 1));
}

int HandleKindOf(int handle) { return (handle >> HANDLE_KIND_SHIFT) & 0xF; }

int HandleCheckOf(int handle) {
  return (handle >> HANDLE_CHECK_SHIFT) & (HANDLE_CHECK_LIMIT - 1);
}

int HandleSlotOf(int handle) { return handle & (HANDLE_MAX_SLOTS - 1); }

int HandleTableInit(HandleTable *table, int kind, HandleObject **slots,
                    int capacity) {
  if (!table || !slots || capacity <= 0 || capacity > HANDLE_MAX_SLOTS) return -1;
  if (kind <= 0 || kind > 0xF) return -1;
  table->kind = kind;
  table->capacity = capacity;
  table->liveCount = 0;
  table->nextSlot = 0;
  table->checkCounter = 0;
  table->slots = slots;
  table->slotRule = HANDLE_SLOTS_ROUND;
  for (int i = 0; i < capacity; i++) slots[i] = NULL;
  return 0;
}

void HandleTableSetSlotRule(HandleTable *table, int rule) {
  if (table) table->slotRule = rule == HANDLE_SLOTS_HIGHEST ? rule : HANDLE_SLOTS_ROUND;
}

namespace {

int FirstEmptySlotFrom(const HandleTable *table, int slot) {
  while (table->slots[slot]) slot = (slot + 1) % table->capacity;
  return slot;
}

// Stores the object and moves the next-slot mark by the table's rule.
void PlaceObject(HandleTable *table, HandleObject *object, int slot, int handle) {
  object->handle = handle;
  table->slots[slot] = object;
  table->liveCount++;
  if (table->slotRule == HANDLE_SLOTS_ROUND) {
    table->nextSlot = (slot + 1) % table->capacity;
    return;
  }
  int next = table->nextSlot;
  if (slot + 1 > next) next = slot + 1;
  if (table->liveCount > next) next = table->liveCount;
  table->nextSlot = next;
}

// After the highest object left, the mark drops to one past the highest
// slot still in use.
void LowerHighestMark(HandleTable *table, int freedSlot) {
  if (table->slotRule != HANDLE_SLOTS_HIGHEST || freedSlot != table->nextSlot - 1) return;
  int next = freedSlot;
  while (next > 0 && !table->slots[next - 1]) next--;
  table->nextSlot = next;
}

}  // namespace

int HandleTableAdd(HandleTable *table, HandleObject *object) {
  if (!table || !object || table->liveCount >= table->capacity) return -1;
  int slot = table->nextSlot;
  if (slot >= table->capacity) slot = 0;
  slot = FirstEmptySlotFrom(table, slot);
  int handle = MakeHandle(table->kind, table->checkCounter, slot);
  table->checkCounter = (table->checkCounter + 1) % HANDLE_CHECK_LIMIT;
  PlaceObject(table, object, slot, handle);
  return handle;
}

int HandleTableAddAt(HandleTable *table, HandleObject *object, int handle) {
  if (!table || !object || handle < 0 || HandleKindOf(handle) != table->kind) return -1;
  const int slot = HandleSlotOf(handle);
  if (slot >= table->capacity || table->slots[slot]) return -1;
  PlaceObject(table, object, slot, handle);
  return handle;
}

HandleObject *HandleTableLookup(const HandleTable *table, int handle) {
  if (!table || !table->slots || handle < 0) return NULL;
  if (HandleKindOf(handle) != table->kind) return NULL;
  int slot = HandleSlotOf(handle);
  if (slot >= table->capacity) return NULL;
  HandleObject *object = table->slots[slot];
  if (!object || object->handle != handle) return NULL;
  return object;
}

HandleObject *HandleTableRemove(HandleTable *table, int handle) {
  HandleObject *object = HandleTableLookup(table, handle);
  if (!object) return NULL;
  const int slot = HandleSlotOf(handle);
  table->slots[slot] = NULL;
  table->liveCount--;
  LowerHighestMark(table, slot);
  return object;
}

HandleObject *HandleTableSlot(const HandleTable *table, int slot) {
  if (!table || !table->slots || slot < 0 || slot >= table->capacity) return NULL;
  return table->slots[slot];
}
