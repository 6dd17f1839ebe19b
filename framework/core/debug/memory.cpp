#include "core/debug/memory.h"

#include <inttypes.h>
#include <limits.h>
#include <new>
#include <mutex>
#include <stdio.h>
#include <string.h>

#include "core/base/platform.h"

namespace {

const size_t kMirroredBytes = offsetof(MemoryBlockHeader, checkCopy);
static_assert(kMirroredBytes == sizeof(MemoryBlockHeader::checkCopy),
              "the check copy must mirror every field before it");
static_assert(MEMORY_HEADER_SIZE % MEMORY_ALIGNMENT == 0, "user blocks keep 16-byte alignment");

struct MemoryState {
  MemoryBlockHeader sentinel;
  MemoryBlockHeader *head;
  uint16_t counter;
  int64_t totalBytes;  // past 2 GiB on 64-bit builds
  int blockCount;
  MemoryTraceSettings trace;
  int failureCountdown;
  MemoryHeapFunctions heap;
};

MemoryState g_memory;

// Made on first use by C++'s thread-safe static initialisation and never
// destroyed, so blocks freed during process exit still find it.
std::recursive_mutex &MemoryLock() {
  alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
  static std::recursive_mutex *lock = new (storage) std::recursive_mutex;
  return *lock;
}

MemoryBlockHeader *HeaderOf(void *user) {
  return reinterpret_cast<MemoryBlockHeader *>(static_cast<unsigned char *>(user) -
                                               MEMORY_HEADER_SIZE);
}

void *UserOf(MemoryBlockHeader *header) {
  return reinterpret_cast<unsigned char *>(header) + MEMORY_HEADER_SIZE;
}

const MemoryHeapFunctions kProcessHeap = {PlatformHeapAlloc, PlatformHeapRealloc,
                                          PlatformHeapFree};

const MemoryHeapFunctions &Heap() {
  return g_memory.heap.alloc ? g_memory.heap : kProcessHeap;
}

// Room asked of the heap: the header, the user bytes and the padding that
// brings the header to a 16-byte boundary.
size_t RawSize(int size) {
  return static_cast<size_t>(size) + MEMORY_HEADER_SIZE + MEMORY_ALIGNMENT - 1;
}

uint32_t AlignOffsetOf(const void *raw) {
  return static_cast<uint32_t>(-reinterpret_cast<uintptr_t>(raw) & (MEMORY_ALIGNMENT - 1));
}

MemoryBlockHeader *PlaceHeader(void *raw) {
  return reinterpret_cast<MemoryBlockHeader *>(static_cast<unsigned char *>(raw) +
                                               AlignOffsetOf(raw));
}

void *RawOf(MemoryBlockHeader *header) {
  return reinterpret_cast<unsigned char *>(header) - header->alignOffset;
}

void RefreshCheckCopy(MemoryBlockHeader *header) {
  if (header && header != &g_memory.sentinel) memcpy(header->checkCopy, header, kMirroredBytes);
}

void StoreTag(MemoryBlockHeader *header, const char *tag, int line) {
  memset(header->tag, 0, sizeof(header->tag));
  if (tag) {
    size_t length = strlen(tag);
    const size_t keep = MEMORY_TAG_SIZE - 1;
    const char *start = length > keep ? tag + (length - keep) : tag;
    memcpy(header->tag, start, strlen(start));
  }
  header->line = static_cast<uint16_t>(line);
}

bool ShouldTrace(int size) {
  const MemoryTraceSettings &t = g_memory.trace;
  return t.sizeToTrace < 0 || t.sizeToTrace == size || t.logEachOperation == 1;
}

void TraceOperation(const char *what, MemoryBlockHeader *header) {
  if (ShouldTrace(header->size)) {
    WriteLogLine(what);
    LogAllocationBlock(header);
  }
  if (g_memory.trace.logTotals == 1) LogAllocationTotals();
}

// A size is refused when it is negative or would not fit beside the header.
bool SizeIsValid(int size) {
  return size >= 0 &&
         static_cast<size_t>(size) <= INT_MAX - MEMORY_HEADER_SIZE - (MEMORY_ALIGNMENT - 1);
}

// The test switch's turn: true for the one request that is to fail.
bool FailureDue() {
  if (g_memory.failureCountdown <= 0) return false;
  return --g_memory.failureCountdown == 0;
}

int RefuseSize(int size) {
  return WriteLogLineFormat("メモリ確保のサイズが不正です : %d", size);
}

}  // namespace

void *AllocMemory(int size, const char *sourceTag, int line) {
  if (!SizeIsValid(size)) {
    RefuseSize(size);
    return NULL;
  }
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  if (FailureDue()) return NULL;
  void *raw = Heap().alloc(RawSize(size));
  if (!raw) {
    DumpAllocations();
    CheckAllocations();
    return NULL;
  }
  MemoryBlockHeader *header = PlaceHeader(raw);
  memset(header, 0, sizeof(*header));
  header->alignOffset = AlignOffsetOf(raw);
  header->size = size;
  StoreTag(header, sourceTag, line);
  header->id = g_memory.counter++;

  if (!g_memory.head) g_memory.head = &g_memory.sentinel;
  MemoryBlockHeader *oldHead = g_memory.head;
  oldHead->newer = header;
  header->older = oldHead;
  header->newer = NULL;
  g_memory.head = header;
  RefreshCheckCopy(header);
  RefreshCheckCopy(oldHead);

  g_memory.totalBytes += size;
  g_memory.blockCount += 1;
  TraceOperation("mem alloc  ", header);
  if (g_memory.trace.checkAll == 1) CheckAllocations();
  return UserOf(header);
}

void *AllocMemoryZeroed(int size, const char *sourceTag, int line) {
  void *p = AllocMemory(size, sourceTag, line);
  if (p) memset(p, 0, static_cast<size_t>(size));
  return p;
}

void FreeMemory(void *p) {
  if (!p) return;
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  MemoryBlockHeader *header = HeaderOf(p);
  g_memory.totalBytes -= header->size;
  g_memory.blockCount -= 1;
  if (g_memory.trace.checkAll == 1) CheckAllocations();

  MemoryBlockHeader *older = header->older;
  MemoryBlockHeader *newer = header->newer;
  if (older) older->newer = newer;
  if (newer) newer->older = older;
  if (g_memory.head == header) g_memory.head = older;
  RefreshCheckCopy(older);
  RefreshCheckCopy(newer);

  TraceOperation("mem free  ", header);
  Heap().free(RawOf(header));
}

void *ReallocMemory(void *p, int newSize, const char *sourceTag, int line) {
  if (!p) return AllocMemory(newSize, sourceTag, line);
  if (!SizeIsValid(newSize)) {
    RefuseSize(newSize);
    return NULL;
  }
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  if (FailureDue()) return NULL;
  MemoryBlockHeader *oldHeader = HeaderOf(p);
  const int oldSize = oldHeader->size;
  const uint32_t oldOffset = oldHeader->alignOffset;
  unsigned char *raw =
      static_cast<unsigned char *>(Heap().realloc(RawOf(oldHeader), RawSize(newSize)));
  if (!raw) {
    DumpAllocations();
    return NULL;
  }
  // The heap keeps the bytes at their old distance from its block; where
  // the new block's alignment differs, header and data move to the boundary.
  MemoryBlockHeader *header = PlaceHeader(raw);
  if (AlignOffsetOf(raw) != oldOffset) {
    const int kept = oldSize < newSize ? oldSize : newSize;
    memmove(header, raw + oldOffset, MEMORY_HEADER_SIZE + static_cast<size_t>(kept));
    header->alignOffset = AlignOffsetOf(raw);
  }
  // Grown bytes read as zero, as the heap's zero-filling resize gives.
  if (newSize > oldSize) {
    memset(static_cast<unsigned char *>(UserOf(header)) + oldSize, 0,
           static_cast<size_t>(newSize - oldSize));
  }
  StoreTag(header, sourceTag, line);
  header->id = g_memory.counter++;
  if (header->older) header->older->newer = header;
  if (header->newer) header->newer->older = header;
  if (g_memory.head == oldHeader) g_memory.head = header;

  g_memory.totalBytes += newSize - oldSize;
  header->size = newSize;
  RefreshCheckCopy(header);
  RefreshCheckCopy(header->older);
  RefreshCheckCopy(header->newer);

  TraceOperation("mem realloc  ", header);
  if (g_memory.trace.checkAll == 1) CheckAllocations();
  return UserOf(header);
}

int CheckAllocations(void) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  for (MemoryBlockHeader *h = g_memory.head; h && h != &g_memory.sentinel; h = h->older) {
    if (memcmp(h, h->checkCopy, kMirroredBytes) != 0) {
      WriteLogLine("以下のメモリ確保情報が破損しました");
      LogAllocationBlock(h);
      return -1;
    }
  }
  return 0;
}

void DumpAllocations(void) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  WriteLogLine("\n");
  WriteLogLine("Alloc memory dump\n");
  for (MemoryBlockHeader *h = g_memory.head; h && h != &g_memory.sentinel; h = h->older) {
    LogAllocationBlock(h);
  }
  LogAllocationTotals();
  WriteLogLine("\n");
}

void LogAllocationTotals(void) {
  WriteLogLineFormat("\tTotal size:%lld(%.3fkb)  Alloc num:%d",
                     static_cast<long long>(g_memory.totalBytes),
                     static_cast<double>(g_memory.totalBytes) / 1024.0, g_memory.blockCount);
}

namespace {

// A block reported as damaged may have any size: only the bytes both the
// header and its intact check copy vouch for are read, and never past 16.
int DumpableBytes(const MemoryBlockHeader *header) {
  int32_t copiedSize;
  memcpy(&copiedSize, header->checkCopy + offsetof(MemoryBlockHeader, size), sizeof(copiedSize));
  int shown = header->size < copiedSize ? header->size : copiedSize;
  if (shown > 16) shown = 16;
  return shown < 0 ? 0 : shown;
}

// snprintf returns the length it wanted; the write index stays in the buffer.
int Advance(int n, int written, size_t capacity) {
  if (written < 0) return n;
  const long long next = static_cast<long long>(n) + written;
  return next >= static_cast<long long>(capacity) ? static_cast<int>(capacity - 1)
                                                  : static_cast<int>(next);
}

}  // namespace

void LogAllocationBlock(const MemoryBlockHeader *header) {
  const unsigned char *data =
      reinterpret_cast<const unsigned char *>(header) + MEMORY_HEADER_SIZE;
  const int shown = DumpableBytes(header);
  char text[256];
  const size_t capacity = sizeof(text);
  int n = Advance(0,
                  snprintf(text, capacity,
                           "\tsize:%d(%.3fkb)  file:%.*s  line:%d  ID:%d  addr:%0*" PRIxPTR
                           "  data:<",
                           header->size, static_cast<unsigned>(header->size) / 1024.0,
                           MEMORY_TAG_SIZE, header->tag, header->line, header->id,
                           static_cast<int>(2 * sizeof(void *)),
                           reinterpret_cast<uintptr_t>(data)),
                  capacity);
  for (int i = 0; i < shown && n < static_cast<int>(capacity) - 1; i++) {
    text[n++] = (data[i] >= 0x20 && data[i] <= 0x7F) ? static_cast<char>(data[i]) : '.';
  }
  n = Advance(n, snprintf(text + n, capacity - n, "> ["), capacity);
  for (int i = 0; i < shown; i++) {
    n = Advance(n, snprintf(text + n, capacity - n, "%02x ", data[i]), capacity);
  }
  // The closing text replaces the last separator; for an empty block it
  // lands on the opening bracket.
  n -= 1;
  snprintf(text + n, capacity - n, "]\n");
  WriteLogLine(text);
}

void SetMemoryHeapFunctions(const MemoryHeapFunctions *heap) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  g_memory.heap = heap ? *heap : MemoryHeapFunctions{NULL, NULL, NULL};
}

void SetMemoryTraceSettings(const MemoryTraceSettings *settings) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  if (settings) g_memory.trace = *settings;
}

int SetAllocationFailureCountdown(int n) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  const int left = g_memory.failureCountdown;
  g_memory.failureCountdown = n > 0 ? n : 0;
  return left;
}

int GetAllocatedBlockCount(void) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  return g_memory.blockCount;
}

int64_t GetAllocatedByteCount(void) {
  std::lock_guard<std::recursive_mutex> guard(MemoryLock());
  return g_memory.totalBytes;
}

