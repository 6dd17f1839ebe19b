#include "model/data/alloc_chain.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include "core/debug/memory.h"
#include "core/log_capture.h"
#include "leak_check.h"

namespace {

class AllocChainTest : public LeakCheckedTest {};

TEST_F(AllocChainTest, BlocksAreZeroedAlignedAndKeepRunningTotals) {
  AllocChain chain = nullptr;
  const size_t sizes[] = {10, 20, 30};
  const size_t totals[] = {10, 30, 60};
  for (int i = 0; i < 3; i++) {
    unsigned char *p = static_cast<unsigned char *>(AllocChainAlloc(sizes[i], &chain));
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(p) % 16);
    for (size_t k = 0; k < sizes[i]; k++) ASSERT_EQ(0, p[k]);
    memset(p, 0xAB, sizes[i]);  // the whole block is the caller's
    EXPECT_EQ(p, chain->data);
    EXPECT_EQ(totals[i], chain->runningTotal);
  }
  EXPECT_EQ(baseline + 3, GetAllocatedBlockCount());
  AllocChainFree(&chain);
  EXPECT_EQ(nullptr, chain);
}

TEST_F(AllocChainTest, FailureIsLoggedAndLeavesTheChain) {
  LogCapture log;
  AllocChain chain = nullptr;
  ASSERT_NE(nullptr, AllocChainAlloc(8, &chain));
  AllocChainBlock *head = chain;
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(nullptr, AllocChainAlloc(8, &chain));
  EXPECT_EQ(head, chain);
  EXPECT_NE(std::string::npos,
            log.Text().find("メモリアドレス保存データ＋実際のデータを保存するメモリ領域の確保に失敗しました"));
  AllocChainFree(&chain);
}

}  // namespace
