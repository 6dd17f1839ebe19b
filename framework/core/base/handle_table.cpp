#include "core/base/handle_table.h"

#include <stddef.h>

#include "core/debug/memory.h"

namespace {

const int kUncheckedSlotMask = (1 << 17) - 1;

bool IsUnchecked(const HandleTable *table) { return (table->flags & HANDLE_TABLE_UNCHECKED) != 0; }

// Adds HANDLE_TABLE_GROWTH zeroed slots; false at the maximum or without memory
// (the old array stays).
bool GrowSlots(HandleTable *table) {
  int grown = table->capacity + HANDLE_TABLE_GROWTH;
  if (grown > table->maxCapacity) grown = table->maxCapacity;
  if (grown <= table->capacity) return false;
  void *slots = VV_REALLOC(table->slots, static_cast<size_t>(grown) * sizeof(HandleObject *));
  if (!slots) return false;
  table->slots = static_cast<HandleObject **>(slots);
  for (int i = table->capacity; i < grown; i++) table->slots[i] = NULL;
  table->capacity = grown;
  return true;
}

// A free slot from nextSlot on, wrapping to 0; -1 when every slot is taken
// and the table cannot grow.
int FindFreeSlot(HandleTable *table) {
  if (table->liveCount >= table->capacity && !(table->maxCapacity > 0 && GrowSlots(table))) return -1;
  int slot = table->nextSlot < table->capacity ? table->nextSlot : 0;
  while (table->slots[slot]) slot = (slot + 1) % table->capacity;
  return slot;
}

int HandleFor(const HandleTable *table, int slot) {
  if (IsUnchecked(table)) return (table->kind << HANDLE_KIND_SHIFT) | slot;
  return MakeHandle(table->kind, table->checkCounter, slot);
}

// The slot a handle names when its kind matches and the slot is in range, else -1.
int SlotInRange(const HandleTable *table, int handle) {
  if (!table || !table->slots || handle < 0 || HandleKindOf(handle) != table->kind) return -1;
  int slot = HandleTableSlotOf(table, handle);
  return slot < table->capacity ? slot : -1;
}

}  // namespace

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
  table->maxCapacity = 0;
  table->flags = 0;
  table->slotRule = HANDLE_SLOTS_ROUND;
  for (int i = 0; i < capacity; i++) slots[i] = NULL;
  return 0;
}

int HandleTableInitGrowing(HandleTable *table, int kind, int maxCapacity, int flags) {
  const int limit = (flags & HANDLE_TABLE_UNCHECKED) ? kUncheckedSlotMask + 1 : HANDLE_MAX_SLOTS;
  if (!table || kind <= 0 || kind > 0xF || maxCapacity <= 0 || maxCapacity > limit) return -1;
  *table = HandleTable{};
  table->kind = kind;
  table->maxCapacity = maxCapacity;
  table->flags = flags;
  return 0;
}

void HandleTableFreeSlots(HandleTable *table) {
  if (!table) return;
  if (table->maxCapacity > 0) VV_FREE(table->slots);
  table->slots = NULL;
  table->capacity = 0;
  table->liveCount = 0;
  table->nextSlot = 0;
}

namespace {

// Moves the next-slot mark past a slot just taken, by the table's rule.
void MoveNextSlotMark(HandleTable *table, int slot) {
  if (table->slotRule == HANDLE_SLOTS_FIRST_EMPTY) {
    table->nextSlot = 0;
    return;
  }
  if (table->slotRule != HANDLE_SLOTS_HIGHEST) {
    table->nextSlot =
        (table->flags & HANDLE_TABLE_SEARCH_FROM_FOUND) ? slot : (slot + 1) % table->capacity;
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

int HandleTableReserve(HandleTable *table) {
  if (!table) return -1;
  int slot = FindFreeSlot(table);
  if (slot < 0) return -1;
  table->slots[slot] = HANDLE_SLOT_RESERVED;
  table->liveCount++;
  MoveNextSlotMark(table, slot);
  return HandleFor(table, slot);
}

int HandleTableFill(HandleTable *table, int handle, HandleObject *object) {
  if (!object || !HandleTableIsReserved(table, handle)) return -1;
  // The record keeps the check number its reservation handed out (the
  // counter's value unless another fill came between), so that handle stays
  // valid; the counter then moves on.
  const int slot = HandleTableSlotOf(table, handle);
  object->handle = IsUnchecked(table) ? HandleFor(table, slot) : handle;
  table->checkCounter = (table->checkCounter + 1) % HANDLE_CHECK_LIMIT;
  table->slots[slot] = object;
  return object->handle;
}

int HandleTableIsReserved(const HandleTable *table, int handle) {
  int slot = SlotInRange(table, handle);
  return slot >= 0 && table->slots[slot] == HANDLE_SLOT_RESERVED;
}

int HandleTableUnreserve(HandleTable *table, int handle) {
  if (!HandleTableIsReserved(table, handle)) return -1;
  table->slots[HandleTableSlotOf(table, handle)] = NULL;
  table->liveCount--;
  return 0;
}

int HandleTableSlotOf(const HandleTable *table, int handle) {
  return (table && IsUnchecked(table)) ? (handle & kUncheckedSlotMask) : HandleSlotOf(handle);
}

int HandleTableAdd(HandleTable *table, HandleObject *object) {
  if (!table || !object) return -1;
  int handle = HandleTableReserve(table);
  return handle < 0 ? -1 : HandleTableFill(table, handle, object);
}

void HandleTableSetSlotRule(HandleTable *table, int rule) {
  if (!table) return;
  const bool known = rule == HANDLE_SLOTS_HIGHEST || rule == HANDLE_SLOTS_FIRST_EMPTY;
  table->slotRule = known ? rule : HANDLE_SLOTS_ROUND;
  if (rule == HANDLE_SLOTS_FIRST_EMPTY) table->nextSlot = 0;
}

int HandleTableTakeCheckNumber(HandleTable *table) {
  const int check = table->checkCounter;
  table->checkCounter = (check + 1) % HANDLE_CHECK_LIMIT;
  return check;
}


int HandleTableAddAt(HandleTable *table, HandleObject *object, int handle) {
  if (!table || !object || handle < 0 || HandleKindOf(handle) != table->kind) return -1;
  const int slot = HandleSlotOf(handle);
  if (slot >= table->capacity || table->slots[slot]) return -1;
  object->handle = handle;
  table->slots[slot] = object;
  table->liveCount++;
  MoveNextSlotMark(table, slot);
  return handle;
}

HandleObject *HandleTableLookup(const HandleTable *table, int handle) {
  int slot = SlotInRange(table, handle);
  if (slot < 0) return NULL;
  HandleObject *object = table->slots[slot];
  if (!object || object == HANDLE_SLOT_RESERVED) return NULL;
  if (!IsUnchecked(table) && object->handle != handle) return NULL;
  return object;
}

HandleObject *HandleTableRemove(HandleTable *table, int handle) {
  HandleObject *object = HandleTableLookup(table, handle);
  if (!object) return NULL;
  const int slot = HandleTableSlotOf(table, handle);
  table->slots[slot] = NULL;
  table->liveCount--;
  LowerHighestMark(table, slot);
  return object;
}

HandleObject *HandleTableSlot(const HandleTable *table, int slot) {
  if (!table || !table->slots || slot < 0 || slot >= table->capacity) return NULL;
  HandleObject *object = table->slots[slot];
  return object == HANDLE_SLOT_RESERVED ? NULL : object;
}
