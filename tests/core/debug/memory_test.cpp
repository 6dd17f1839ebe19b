#include "core/debug/memory.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <string>

#include "core/base/platform.h"

#include "core/base/core_state.h"
#include "core/log_capture.h"
#include "leak_check.h"

namespace {

class MemoryTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    MemoryTraceSettings off = {0, 0, 0, 0};
    SetMemoryTraceSettings(&off);
    LeakCheckedTest::TearDown();
  }
  LogCapture log;
};

const MemoryBlockHeader *HeaderOf(const void *p) {
  return reinterpret_cast<const MemoryBlockHeader *>(static_cast<const char *>(p) -
                                                     MEMORY_HEADER_SIZE);
}

TEST_F(MemoryTest, HeaderKeepsUserBlocksAligned) {
  EXPECT_EQ(0u, MEMORY_HEADER_SIZE % 16);
  EXPECT_GE(MEMORY_HEADER_SIZE, sizeof(MemoryBlockHeader));
  void *p = VV_ALLOC(3);
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % alignof(void *));
  FreeMemory(p);
}

// A heap that hands out blocks at 8 mod 16, as the 32-bit Windows heap
// does, and whose resize always moves the block to the other residue.
struct ShiftedHeap {
  struct Block {
    unsigned char *raw;
    size_t size;
  };
  static std::map<void *, Block> blocks;
  static int nextResidue;

  static void *Alloc(size_t size) {
    unsigned char *raw = static_cast<unsigned char *>(PlatformHeapAlloc(size + 32));
    if (!raw) return NULL;
    const uintptr_t at = reinterpret_cast<uintptr_t>(raw);
    unsigned char *p = raw + ((nextResidue - at % 16 + 16) % 16);
    nextResidue = nextResidue == 8 ? 0 : 8;
    blocks[p] = Block{raw, size};
    return p;
  }
  static void Free(void *p) {
    auto found = blocks.find(p);
    if (found == blocks.end()) return PlatformHeapFree(p);  // made before the switch
    PlatformHeapFree(found->second.raw);
    blocks.erase(found);
  }
  static void *Realloc(void *p, size_t size) {
    auto found = blocks.find(p);
    if (found == blocks.end()) return PlatformHeapRealloc(p, size);
    void *moved = Alloc(size);
    if (!moved) return NULL;
    memcpy(moved, p, std::min(size, blocks[p].size));
    Free(p);
    return moved;
  }
};
std::map<void *, ShiftedHeap::Block> ShiftedHeap::blocks;
int ShiftedHeap::nextResidue = 8;

TEST_F(MemoryTest, UserBlocksAreSixteenAlignedOnAnEightAlignedHeap) {
  const MemoryHeapFunctions shifted = {ShiftedHeap::Alloc, ShiftedHeap::Realloc,
                                       ShiftedHeap::Free};
  SetMemoryHeapFunctions(&shifted);
  unsigned char *p = static_cast<unsigned char *>(VV_ALLOC(40));
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 16);
  for (int i = 0; i < 40; i++) p[i] = static_cast<unsigned char>(i + 1);
  // Each resize lands at the other residue: header and data must follow.
  for (int size : {100, 24, 60}) {
    p = static_cast<unsigned char *>(VV_REALLOC(p, size));
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 16) << size;
    EXPECT_EQ(size, HeaderOf(p)->size);
    for (int i = 0; i < std::min(size, 24); i++) ASSERT_EQ(i + 1, p[i]) << size;
    EXPECT_EQ(0, CheckAllocations());
  }
  FreeMemory(p);
  SetMemoryHeapFunctions(NULL);
  EXPECT_TRUE(ShiftedHeap::blocks.empty());
}

TEST_F(MemoryTest, TotalsPastTwoGigabytes) {
  if (sizeof(void *) < 8) GTEST_SKIP() << "64-bit address space only";
  const int64_t before = GetAllocatedByteCount();
  const int size = 1088 * 1024 * 1024;  // two make 2.125 GiB; touched only at the header
  void *a = VV_ALLOC(size);
  void *b = VV_ALLOC(size);
  ASSERT_NE(nullptr, a);
  ASSERT_NE(nullptr, b);
  const int64_t total = GetAllocatedByteCount();
  EXPECT_EQ(before + 2 * static_cast<int64_t>(size), total);
  log.Clear();
  LogAllocationTotals();
  EXPECT_NE(std::string::npos,
            log.Text().find("Total size:" + std::to_string(total) + "("))
      << log.Text();
  FreeMemory(a);
  FreeMemory(b);
  EXPECT_EQ(before, GetAllocatedByteCount());
}

TEST_F(MemoryTest, TotalsLineBelowTwoGigabytes) {
  void *p = VV_ALLOC(2048);
  const int64_t total = GetAllocatedByteCount();
  log.Clear();
  LogAllocationTotals();
  char expected[96];
  snprintf(expected, sizeof(expected), "\tTotal size:%d(%.3fkb)  Alloc num:%d",
           static_cast<int>(total), static_cast<int>(total) / 1024.0, GetAllocatedBlockCount());
  EXPECT_NE(std::string::npos, log.Text().find(expected)) << log.Text();
  FreeMemory(p);
}

TEST_F(MemoryTest, TagKeepsLastFifteenCharacters) {
  void *p = AllocMemory(8, "abcdefghijklmnopqrst", 70000);
  ASSERT_NE(nullptr, p);
  EXPECT_STREQ("fghijklmnopqrst", HeaderOf(p)->tag);
  EXPECT_EQ(static_cast<uint16_t>(70000), HeaderOf(p)->line);
  FreeMemory(p);
  void *q = AllocMemory(8, NULL, 1);
  EXPECT_STREQ("", HeaderOf(q)->tag);
  FreeMemory(q);
}

TEST_F(MemoryTest, TotalsFollowAllocFreeAndRealloc) {
  const int bytes = GetAllocatedByteCount();
  void *a = VV_ALLOC(100);
  void *b = VV_ALLOC(28);
  EXPECT_EQ(bytes + 128, GetAllocatedByteCount());
  b = VV_REALLOC(b, 50);
  EXPECT_EQ(bytes + 150, GetAllocatedByteCount());
  FreeMemory(a);
  FreeMemory(b);
  EXPECT_EQ(bytes, GetAllocatedByteCount());
}

TEST_F(MemoryTest, ZeroedAllocationAndGrownBytesReadZero) {
  unsigned char *p = static_cast<unsigned char *>(VV_ALLOC_ZEROED(64));
  ASSERT_NE(nullptr, p);
  for (int i = 0; i < 64; i++) EXPECT_EQ(0, p[i]);
  memset(p, 0xAB, 64);
  const uint16_t oldId = HeaderOf(p)->id;
  p = static_cast<unsigned char *>(VV_REALLOC(p, 4096));
  ASSERT_NE(nullptr, p);
  EXPECT_NE(oldId, HeaderOf(p)->id);
  for (int i = 0; i < 64; i++) ASSERT_EQ(0xAB, p[i]);
  for (int i = 64; i < 4096; i++) ASSERT_EQ(0, p[i]) << i;
  FreeMemory(p);
}

TEST_F(MemoryTest, ReallocOfNullAllocates) {
  void *p = ReallocMemory(NULL, 10, "t", 1);
  ASSERT_NE(nullptr, p);
  EXPECT_EQ(10, HeaderOf(p)->size);
  FreeMemory(p);
}

TEST_F(MemoryTest, RefusesNegativeAndOverflowingSizes) {
  const int blocks = GetAllocatedBlockCount();
  EXPECT_EQ(nullptr, AllocMemory(-1, "t", 1));
  EXPECT_EQ(nullptr, AllocMemory(INT32_MAX, "t", 1));
  EXPECT_EQ(nullptr, AllocMemoryZeroed(-5, "t", 1));
  void *p = VV_ALLOC(4);
  EXPECT_EQ(nullptr, ReallocMemory(p, -2, "t", 1));
  EXPECT_EQ(4, HeaderOf(p)->size);  // the old block stays valid
  FreeMemory(p);
  EXPECT_EQ(blocks, GetAllocatedBlockCount());
  EXPECT_NE(std::string::npos, log.Text().find("メモリ確保のサイズが不正です : -1"));
}

TEST_F(MemoryTest, DumpListsNewestFirstAndSkipsFreedBlocks) {
  char *a = static_cast<char *>(AllocMemory(5, "blockA", 10));
  char *b = static_cast<char *>(AllocMemory(5, "blockB", 20));
  char *c = static_cast<char *>(AllocMemory(5, "blockC", 30));
  memcpy(a, "abc\0\1", 5);
  FreeMemory(b);
  log.Clear();
  DumpAllocations();
  const std::string text = log.Text();
  size_t posC = text.find("file:blockC");
  size_t posA = text.find("file:blockA");
  ASSERT_NE(std::string::npos, posC);
  ASSERT_NE(std::string::npos, posA);
  EXPECT_LT(posC, posA);
  EXPECT_EQ(std::string::npos, text.find("file:blockB"));
  EXPECT_NE(std::string::npos, text.find("data:<abc..> [61 62 63 00 01]"));
  EXPECT_NE(std::string::npos, text.find("Alloc memory dump"));
  FreeMemory(a);
  FreeMemory(c);
}

TEST_F(MemoryTest, BlockLineFormat) {
  void *p = AllocMemory(0, "zero", 7);
  log.Clear();
  LogAllocationBlock(HeaderOf(p));
  std::string line = log.Text();
  // Addresses print as 2 x sizeof(void *) hex digits on every platform.
  size_t addr = line.find("addr:");
  ASSERT_NE(std::string::npos, addr);
  size_t end = line.find("  data:", addr);
  EXPECT_EQ(2 * sizeof(void *), end - addr - 5);
  EXPECT_NE(std::string::npos, line.find("\tsize:0(0.000kb)  file:zero  line:7  ID:"));
  EXPECT_NE(std::string::npos, line.find("data:<> ]\r\n"));
  FreeMemory(p);
}

TEST_F(MemoryTest, ZeroSizeAllocationIsTracedByDefault) {
  log.Clear();
  void *big = VV_ALLOC(12);
  EXPECT_EQ("", log.Text());
  void *zero = VV_ALLOC(0);
  EXPECT_NE(std::string::npos, log.Text().find("mem alloc  "));
  FreeMemory(zero);
  FreeMemory(big);
}

TEST_F(MemoryTest, CheckReportsOverwrittenHeader) {
  void *a = VV_ALLOC(16);
  void *b = VV_ALLOC(16);
  EXPECT_EQ(0, CheckAllocations());
  MemoryBlockHeader *header =
      reinterpret_cast<MemoryBlockHeader *>(static_cast<char *>(b) - MEMORY_HEADER_SIZE);
  const int32_t saved = header->size;
  header->size = 999;  // as a write before the user pointer would do
  log.Clear();
  EXPECT_EQ(-1, CheckAllocations());
  EXPECT_NE(std::string::npos, log.Text().find("以下のメモリ確保情報が破損しました"));
  header->size = saved;
  EXPECT_EQ(0, CheckAllocations());
  FreeMemory(a);
  FreeMemory(b);
}

// A damaged header is reported from what can be trusted: the tag only to
// its field width, the data only as far as both sizes reach.
TEST_F(MemoryTest, DamagedHeaderReportStaysInsideTheBlock) {
  struct Case {
    int32_t damagedSize;
    const char *data;
  };
  const Case cases[] = {
      {1000, "data:<wxyz> [77 78 79 7a]"},
      {2, "data:<wx> [77 78]"},
      {-5, "data:<> ]"},
  };
  for (const Case &c : cases) {
    char *p = static_cast<char *>(AllocMemory(4, "t", 1));
    memcpy(p, "wxyz", 4);
    MemoryBlockHeader *header =
        reinterpret_cast<MemoryBlockHeader *>(p - MEMORY_HEADER_SIZE);
    const MemoryBlockHeader saved = *header;
    memset(header->tag, 'A', sizeof(header->tag));
    header->size = c.damagedSize;
    log.Clear();
    EXPECT_EQ(-1, CheckAllocations());
    const std::string text = log.Text();
    EXPECT_NE(std::string::npos, text.find("file:AAAAAAAAAAAAAAAA  line:1  ")) << text;
    EXPECT_NE(std::string::npos, text.find(c.data)) << text;
    *header = saved;
    FreeMemory(p);
  }
}

// The n-th allocation from the switch on fails once; reallocations count
// too, and 0 switches it off.
TEST_F(MemoryTest, FailureCountdownFailsTheNthAllocationOnce) {
  EXPECT_EQ(0, SetAllocationFailureCountdown(3));
  void *a = VV_ALLOC(8);
  void *b = VV_REALLOC(a, 16);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(nullptr, VV_ALLOC(8));
  void *c = VV_ALLOC(8);
  EXPECT_NE(nullptr, c);
  EXPECT_EQ(0, SetAllocationFailureCountdown(1));
  EXPECT_EQ(nullptr, VV_REALLOC(c, 32));  // the block stays as it was
  EXPECT_EQ(0, SetAllocationFailureCountdown(2));
  void *d = VV_ALLOC(8);
  EXPECT_NE(nullptr, d);
  EXPECT_EQ(1, SetAllocationFailureCountdown(0));
  VV_FREE(b);
  VV_FREE(c);
  VV_FREE(d);
}

TEST_F(MemoryTest, FreeNullDoesNothing) {
  log.Clear();
  FreeMemory(NULL);
  EXPECT_EQ("", log.Text());
}

}  // namespace

namespace {

TEST_F(MemoryTest, FailureCountdownFailsTheNthRequestOnce) {
  SetAllocationFailureCountdown(3);
  void *first = VV_ALLOC(4);
  void *second = VV_REALLOC(first, 8);
  ASSERT_NE(nullptr, second);
  EXPECT_EQ(nullptr, VV_ALLOC(4));
  void *after = VV_ALLOC(4);
  EXPECT_NE(nullptr, after);
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(nullptr, VV_REALLOC(second, 16));  // the old block stays
  FreeMemory(second);
  FreeMemory(after);
}

}  // namespace
