#include "model/data/bit_sets.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <random>
#include <vector>

#include "core/debug/memory.h"
#include "core/log_capture.h"
#include "leak_check.h"

namespace {

class BitSetsTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    AllocChainFree(&chain);
    LeakCheckedTest::TearDown();
  }
  AllocChain chain = nullptr;
};

TEST_F(BitSetsTest, RowsTakeBitsOverEightPlusTwoBytes) {
  const struct {
    int bits, bytes;
  } cases[] = {{8, 3}, {10, 3}, {16, 4}, {0, 2}, {54, 8}};
  for (const auto &c : cases) {
    BitRowTable table;
    ASSERT_EQ(0, BitRowTableInit(&table, c.bits, 5, &chain));
    EXPECT_EQ(c.bytes, table.bytesPerRow) << c.bits;
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(table.values) % 4);
    EXPECT_GE(reinterpret_cast<uint8_t *>(table.values), table.rows + 5 * c.bytes);
    for (int row = 0; row < 5; row++) {
      if (c.bits) BitRowSet(&table, row, c.bits - 1);  // the highest bit stays inside the row
      table.values[row] = 0xFFFFFFFFu;
    }
    for (int row = 0; row < 5; row++) {
      uint8_t out[8] = {};
      BitRowCopyOut(&table, row, out);
      EXPECT_EQ(c.bits ? 1 : 0, CountRowBits(out, table.bytesPerRow));
    }
  }
}

TEST_F(BitSetsTest, SetCountsARowOnceAndListsItsBits) {
  BitRowTable table;
  ASSERT_EQ(0, BitRowTableInit(&table, 10, 4, &chain));
  BitRowSet(&table, 2, 0);
  BitRowSet(&table, 2, 7);
  BitRowSet(&table, 2, 9);
  BitRowSet(&table, 2, 9);
  EXPECT_EQ(1, table.usedRows);
  uint16_t bits[16];
  ASSERT_EQ(3, ListRowBits(&table, 2, bits));
  EXPECT_EQ(0, bits[0]);
  EXPECT_EQ(7, bits[1]);
  EXPECT_EQ(9, bits[2]);
  EXPECT_EQ(0, ListRowBits(&table, 1, bits));

  uint8_t row[3];
  BitRowCopyOut(&table, 2, row);
  EXPECT_EQ(0x81, row[0]);
  EXPECT_EQ(0x02, row[1]);
  EXPECT_EQ(0, row[2]);  // the used byte comes out cleared
  EXPECT_EQ(3, CountRowBits(row, 3));

  const uint8_t stored[3] = {0x10, 0x01, 1};
  BitRowStore(&table, 0, stored);
  EXPECT_EQ(2, table.usedRows);
  BitRowStore(&table, 0, stored);
  EXPECT_EQ(2, table.usedRows);
  uint8_t merged[3] = {0x01, 0x00, 0};
  BitRowOrInto(&table, 0, merged);
  EXPECT_EQ(0x11, merged[0]);
  EXPECT_EQ(0x01, merged[1]);
  EXPECT_EQ(0, merged[2]);
}

TEST_F(BitSetsTest, TableFailureIsLogged) {
  LogCapture log;
  BitRowTable table;
  SetAllocationFailureCountdown(1);
  EXPECT_EQ(-1, BitRowTableInit(&table, 10, 4, &chain));
  EXPECT_NE(std::string::npos, log.Text().find("ビットデータを格納するメモリの確保に失敗しました"));
  EXPECT_EQ(-1, BitRowTableInit(&table, 10, 0x7FFFFFFF, &chain));
}

// Ranges across word boundaries against a plain vector of bits.
TEST_F(BitSetsTest, RangesMatchAVectorOfBools) {
  std::mt19937 random(11);
  for (int trial = 0; trial < 300; trial++) {
    const int first = static_cast<int>(random() % 200), count = 1 + static_cast<int>(random() % 90);
    std::vector<uint32_t> masks(8, 0), target(16, 0);
    BitRange range;
    const int words = MakeBitRange(&range, masks.data(), first, count);
    EXPECT_EQ((first % 32 + count + 31) / 32, words);
    EXPECT_EQ(first / 32, range.wordIndex);
    EXPECT_EQ(1u << (first % 32), range.firstMask);
    std::vector<bool> want(512, false);
    for (int i = 0; i < count; i++) want[first + i] = true;
    MarkBitRange(&range, target.data());
    for (int bit = 0; bit < 512; bit++) ASSERT_EQ(want[bit], ((target[bit / 32] >> (bit % 32)) & 1) != 0) << first << " " << count << " " << bit;
    EXPECT_EQ(1, IsBitRangeMarked(&range, target.data()));
    ClearBitRange(&range, target.data());
    for (uint32_t w : target) ASSERT_EQ(0u, w);
  }
}

TEST_F(BitSetsTest, MarkSkipsARangeWhoseFirstBitIsSetAndWorksWithoutMasks) {
  uint32_t masks[2] = {0xFFFFFFFFu, 0};
  BitRange range;
  EXPECT_EQ(2, MakeBitRange(&range, masks, 30, 4));
  EXPECT_EQ(0xC0000000u, masks[0]);
  EXPECT_EQ(0x3u, masks[1]);
  uint32_t target[2] = {0x40000000u, 0};
  MarkBitRange(&range, target);
  EXPECT_EQ(0x40000000u, target[0]);
  EXPECT_EQ(0u, target[1]);

  BitRange own;
  EXPECT_EQ(1, MakeBitRange(&own, nullptr, 37, 1));
  uint32_t words[2] = {0, 0};
  MarkBitRange(&own, words);
  EXPECT_EQ(1u << 5, words[1]);
  ClearBitRange(&own, words);
  EXPECT_EQ(0u, words[1]);
}

}  // namespace
