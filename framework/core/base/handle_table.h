// The one handle mechanism every handle kind uses. A handle packs the kind
// (bits 27-30), a check number (bits 16-26) and the slot (bits 0-15); bit 31
// stays clear so every valid handle is positive and -1 can mean failure.
// The check number changes with every creation, so a stale handle to a slot
// that was freed and reused no longer matches its object.
#ifndef VELVANE_CORE_HANDLE_TABLE_H
#define VELVANE_CORE_HANDLE_TABLE_H

enum {
  HANDLE_SLOT_BITS = 16,
  HANDLE_CHECK_SHIFT = 16,
  HANDLE_CHECK_LIMIT = 2048,
  HANDLE_KIND_SHIFT = 27,
  HANDLE_MAX_SLOTS = 1 << HANDLE_SLOT_BITS
};

// Growing tables start empty and add this many slots at a time.
enum { HANDLE_TABLE_GROWTH = 1024 };

// Flags of a growing table.
enum HandleTableFlags {
  // The search for a free slot starts at the slot found last time instead
  // of the one after it.
  HANDLE_TABLE_SEARCH_FROM_FOUND = 1,
  // Handles carry no check number and a 17-bit slot index (bits 0-16); a
  // lookup trusts any record in the slot.
  HANDLE_TABLE_UNCHECKED = 2
};

// The first member of every object kept in a handle table.
struct HandleObject {
  int handle;
};

// Per-kind slot table. The slot array is owned by the caller (usually a
// static array of the kind's module).
struct HandleTable {
  int kind;
  int capacity;
  int liveCount;
  int nextSlot;
  int checkCounter;
  HandleObject **slots;
  // Growing tables own their slot array (memory manager) and grow it up to
  // maxCapacity; fixed tables leave these 0.
  int maxCapacity;
  int flags;
  int slotRule;  // HandleSlotRule
};

// How a table picks the slot of a new object.
enum HandleSlotRule {
  // The slot after the latest one added, wrapping round to the first empty.
  HANDLE_SLOTS_ROUND = 0,
  // One past the highest slot in use; when that passes the end, the first
  // empty slot. Deleting the highest object moves the mark down past the
  // empty slots below it, so a table that empties starts again at 0.
  HANDLE_SLOTS_HIGHEST = 1,
  // The first empty slot from 0, whatever was added or deleted before.
  HANDLE_SLOTS_FIRST_EMPTY = 2
};

// What a slot holds between HandleTableReserve and HandleTableFill: taken,
// but without a record yet. Lookups and walks treat it as no record.
#define HANDLE_SLOT_RESERVED (reinterpret_cast<HandleObject *>(1))

int MakeHandle(int kind, int check, int slot);
int HandleKindOf(int handle);
int HandleCheckOf(int handle);
int HandleSlotOf(int handle);

// Prepares a table over capacity slots (1 to HANDLE_MAX_SLOTS); 0 or -1.
int HandleTableInit(HandleTable *table, int kind, HandleObject **slots,
                    int capacity);
// Prepares an empty growing table (capacity 0) of at most maxCapacity slots
// and the given HandleTableFlags; 0, or -1 for a bad kind or maximum.
int HandleTableInitGrowing(HandleTable *table, int kind, int maxCapacity, int flags);
// Frees a growing table's slot array and empties it; the records in it are
// the caller's.
void HandleTableFreeSlots(HandleTable *table);
// Takes a free slot (growing the table when it is full) and marks it
// reserved; the handle carries the current check counter, which stays as it
// is. -1 when the table cannot grow or no memory is left.
int HandleTableReserve(HandleTable *table);
// Puts object into the slot that handle reserved: stamps the handle (with
// the check number the reservation gave it) into object->handle, advances
// the check counter and returns the handle; -1 when the handle names no
// reserved slot.
int HandleTableFill(HandleTable *table, int handle, HandleObject *object);
// 1 when handle's kind and slot are in range and the slot is reserved.
int HandleTableIsReserved(const HandleTable *table, int handle);
// Frees a reserved slot; 0, or -1 when handle names no reserved slot.
int HandleTableUnreserve(HandleTable *table, int handle);
// The slot index a handle names (17 bits in unchecked tables).
int HandleTableSlotOf(const HandleTable *table, int handle);
// Chooses the slot rule of an initialised table (round by default).
void HandleTableSetSlotRule(HandleTable *table, int rule);
// The check number a new object takes, advancing the counter (wrapping to 0
// at HANDLE_CHECK_LIMIT), for objects put in with HandleTableAddAt.
int HandleTableTakeCheckNumber(HandleTable *table);
// Puts object into a free slot, stamps object->handle and returns the handle;
// -1 when the table is full.
int HandleTableAdd(HandleTable *table, HandleObject *object);
// Puts object back under a handle the table made earlier, in that handle's
// slot with its check number (the counter does not move), so a rebuilt
// object keeps its handle value. Returns the handle; -1 when the handle is
// of another kind, out of range, or its slot is taken.
int HandleTableAddAt(HandleTable *table, HandleObject *object, int handle);
// The object a valid handle names, or null for any invalid handle.
HandleObject *HandleTableLookup(const HandleTable *table, int handle);
// Empties the handle's slot; returns the object it held, or null.
HandleObject *HandleTableRemove(HandleTable *table, int handle);
// The object in a slot (null for empty or out-of-range slots), for
// delete-all loops.
HandleObject *HandleTableSlot(const HandleTable *table, int slot);

// Typed lookup for records whose first member is a HandleObject.
template <typename T>
T *HandleTableGet(const HandleTable *table, int handle) {
  return reinterpret_cast<T *>(HandleTableLookup(table, handle));
}

#endif  // VELVANE_CORE_HANDLE_TABLE_H
