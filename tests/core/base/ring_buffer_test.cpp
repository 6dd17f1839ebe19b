#include "core/base/ring_buffer.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <deque>
#include <vector>

#include "core/debug/memory.h"
#include "core/log_capture.h"
#include "leak_check.h"

namespace {

// Every test must leave the memory manager with the blocks it found.
class RingBufferTest : public LeakCheckedTest {
 protected:
  void TearDown() override {
    RingBufferRelease(&rb);
    LeakCheckedTest::TearDown();
  }

  // A ring of size 10 holding the bytes 1..6, starting at offset 7.
  void MakeWrappedRing() {
    rb.data = static_cast<unsigned char *>(VV_ALLOC(10));
    ASSERT_NE(nullptr, rb.data);
    memset(rb.data, 0xEE, 10);
    const unsigned char held[6] = {1, 2, 3, 4, 5, 6};
    for (int i = 0; i < 6; i++) rb.data[(7 + i) % 10] = held[i];
    rb.size = 10;
    rb.readOffset = 7;
    rb.writeOffset = 3;
    rb.held = 6;
  }

  RingBuffer rb = {};

 private:
};

std::vector<unsigned char> Bytes(std::initializer_list<int> values) {
  std::vector<unsigned char> v;
  for (int x : values) v.push_back(static_cast<unsigned char>(x));
  return v;
}

TEST_F(RingBufferTest, ReadsAcrossTheWrapInOrder) {
  MakeWrappedRing();
  unsigned char out[6] = {};
  ASSERT_EQ(0, RingBufferRead(&rb, out, 6, 0));
  EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), std::vector<unsigned char>(out, out + 6));
  EXPECT_EQ(0, rb.held);
  EXPECT_EQ(3, rb.readOffset);
}

TEST_F(RingBufferTest, ReserveUnwrapsTheHeldBytesIntoALargerBlock) {
  MakeWrappedRing();
  ASSERT_EQ(0, RingBufferReserve(&rb, 10));
  EXPECT_EQ(10 + 9 + 1000, rb.size);
  EXPECT_EQ(0, rb.readOffset);
  EXPECT_EQ(6, rb.writeOffset);
  EXPECT_EQ(6, rb.held);
  EXPECT_EQ(Bytes({1, 2, 3, 4, 5, 6}), std::vector<unsigned char>(rb.data, rb.data + 6));
}

TEST_F(RingBufferTest, ReserveWithinTheSizeKeepsTheBlock) {
  MakeWrappedRing();
  unsigned char *block = rb.data;
  ASSERT_EQ(0, RingBufferReserve(&rb, 4));
  EXPECT_EQ(block, rb.data);
  EXPECT_EQ(10, rb.size);
  EXPECT_EQ(7, rb.readOffset);
}

TEST_F(RingBufferTest, ReadingExactlyTheHeldAmountEmptiesAndOneMoreFails) {
  ASSERT_EQ(0, RingBufferWrite(&rb, "abcd", 4));
  char out[8] = {};
  const RingBuffer before = rb;
  EXPECT_EQ(-1, RingBufferRead(&rb, out, 5, 0));
  EXPECT_EQ(0, memcmp(&before, &rb, sizeof(rb)));
  EXPECT_EQ('\0', out[0]);
  EXPECT_EQ(-1, RingBufferRead(&rb, out, -1, 0));
  ASSERT_EQ(0, RingBufferRead(&rb, out, 4, 0));
  EXPECT_STREQ("abcd", out);
  EXPECT_EQ(0, rb.held);
  EXPECT_EQ(-1, RingBufferRead(&rb, out, 1, 1));
  EXPECT_EQ(0, RingBufferRead(&rb, out, 0, 0));
}

TEST_F(RingBufferTest, PeekReturnsWhatTheNextReadConsumes) {
  MakeWrappedRing();
  unsigned char peeked[5] = {}, read[5] = {};
  ASSERT_EQ(0, RingBufferRead(&rb, peeked, 5, 1));
  EXPECT_EQ(6, rb.held);
  EXPECT_EQ(7, rb.readOffset);
  ASSERT_EQ(0, RingBufferRead(&rb, read, 5, 0));
  EXPECT_EQ(0, memcmp(peeked, read, 5));
  EXPECT_EQ(1, rb.held);
}

TEST_F(RingBufferTest, OffsetsAtTheEndWrapToZero) {
  MakeWrappedRing();
  rb.readOffset = 10;
  rb.writeOffset = 10;
  EXPECT_EQ(&rb, RingBufferWrapOffsets(&rb));
  EXPECT_EQ(0, rb.readOffset);
  EXPECT_EQ(0, rb.writeOffset);
  rb.readOffset = 4;
  RingBufferWrapOffsets(&rb);
  EXPECT_EQ(4, rb.readOffset);
}

// Interleaved writes and reads of varied sizes against a plain queue, so
// growth happens while the held bytes wrap.
TEST_F(RingBufferTest, BehavesLikeAQueueThroughGrowthAndWraps) {
  std::deque<unsigned char> model;
  unsigned char next = 0;
  for (int round = 0; round < 200; round++) {
    const int writeCount = (round * 37) % 700;
    std::vector<unsigned char> chunk(static_cast<size_t>(writeCount));
    for (unsigned char &b : chunk) {
      b = next++;
      model.push_back(b);
    }
    ASSERT_EQ(0, RingBufferWrite(&rb, chunk.data(), writeCount));
    const int readCount = static_cast<int>(model.size() * ((round % 3) + 1) / 4);
    std::vector<unsigned char> out(static_cast<size_t>(readCount) + 1);
    ASSERT_EQ(0, RingBufferRead(&rb, out.data(), readCount, round % 5 == 0));
    for (int i = 0; i < readCount; i++) {
      ASSERT_EQ(model[static_cast<size_t>(i)], out[static_cast<size_t>(i)]) << "round " << round;
    }
    if (round % 5 != 0) model.erase(model.begin(), model.begin() + readCount);
    ASSERT_EQ(static_cast<int>(model.size()), rb.held);
    ASSERT_LE(rb.held, rb.size);
  }
}

TEST_F(RingBufferTest, FailedGrowthEmptiesTheRingAndLogs) {
  LogCapture log;
  MakeWrappedRing();
  EXPECT_EQ(-1, RingBufferReserve(&rb, INT_MAX - 5));
  EXPECT_EQ(nullptr, rb.data);
  EXPECT_EQ(0, rb.size);
  EXPECT_EQ(0, rb.held);
  EXPECT_EQ(0, rb.readOffset);
  EXPECT_EQ(0, rb.writeOffset);
  EXPECT_NE(std::string::npos,
            log.Text().find("リングバッファの再確保に失敗しました(確保しようとしたサイズ 2147483647 byte)"))
      << log.Text();
}

TEST_F(RingBufferTest, ReleaseZeroesTheRecord) {
  ASSERT_EQ(0, RingBufferWrite(&rb, "xy", 2));
  EXPECT_EQ(0, RingBufferRelease(&rb));
  const RingBuffer empty = {};
  EXPECT_EQ(0, memcmp(&empty, &rb, sizeof(rb)));
  EXPECT_EQ(0, RingBufferRelease(&rb));
}

}  // namespace
