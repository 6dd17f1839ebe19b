// The debug memory manager: every framework heap block carries a header with
// its source tag and line and sits in one list, so leaks and overwrites can
// be reported. The public functions are declared in velvane.h.
#ifndef VELVANE_CORE_MEMORY_H
#define VELVANE_CORE_MEMORY_H

#include <stddef.h>
#include <stdint.h>

#include "velvane.h"

enum { MEMORY_TAG_SIZE = 16 };

// The bytes up to checkCopy are what the check copy mirrors.
struct MemoryBlockHeader {
  char tag[MEMORY_TAG_SIZE];  // not terminated when all 16 are used
  uint16_t id;
  uint16_t line;
  int32_t size;
  MemoryBlockHeader *older;
  MemoryBlockHeader *newer;
  uint32_t alignOffset;  // bytes from the heap's block to this header
  unsigned char checkCopy[MEMORY_TAG_SIZE + 2 * sizeof(uint16_t) + sizeof(int32_t) +
                          2 * sizeof(void *) + sizeof(uint32_t)];
};

// Header size in front of every user block: the record rounded up to 16.
// The header itself is placed at a 16-byte boundary inside the heap's block
// (heaps that give only 8, as the 32-bit Windows heap does, are padded), so
// user pointers are 16-aligned on every build.
enum { MEMORY_HEADER_SIZE = (sizeof(MemoryBlockHeader) + 15) & ~(size_t)15 };
enum { MEMORY_ALIGNMENT = 16 };

// The heap under the manager. Tests replace it to get blocks with other
// alignments; NULL restores the process heap.
struct MemoryHeapFunctions {
  void *(*alloc)(size_t size);
  void *(*realloc)(void *p, size_t size);
  void (*free)(void *p);
};
void SetMemoryHeapFunctions(const MemoryHeapFunctions *heap);

// Trace switches (all 0 by default).
struct MemoryTraceSettings {
  int logEachOperation;
  int logTotals;
  int checkAll;
  int sizeToTrace;  // negative: trace every size
};

void SetMemoryTraceSettings(const MemoryTraceSettings *settings);
// Makes the n-th allocation from now (AllocMemory or ReallocMemory) fail as
// an exhausted heap would, so failure paths can be walked one by one; 0
// switches it off. Returns how many allocations were left to go.
int SetAllocationFailureCountdown(int n);
// Live totals, for tests and the leak report.
int GetAllocatedBlockCount(void);
int64_t GetAllocatedByteCount(void);
void LogAllocationTotals(void);
void LogAllocationBlock(const MemoryBlockHeader *header);

#define VV_ALLOC(size) AllocMemory((int)(size), __FILE__, __LINE__)
#define VV_ALLOC_ZEROED(size) AllocMemoryZeroed((int)(size), __FILE__, __LINE__)
#define VV_REALLOC(p, size) ReallocMemory((p), (int)(size), __FILE__, __LINE__)
#define VV_FREE(p) FreeMemory(p)

#endif  // VELVANE_CORE_MEMORY_H
