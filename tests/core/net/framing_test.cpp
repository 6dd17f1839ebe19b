#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "core/log_capture.h"
#include "core/net/frame_bytes.h"
#include "core/net/framing.h"

namespace {

// A scripted socket: receives hand out the bytes of the arrivals let in so
// far (a peek does not take them), and sends take at most the current
// allowance.
struct ScriptedSocket {
  std::vector<std::string> arrivals;
  size_t arrival = 0;
  size_t offset = 0;  // bytes taken from the stream of arrivals
  std::string sent;
  std::vector<int> sendAllowances;  // empty: unlimited
  size_t sendCall = 0;
};

ScriptedSocket *g_socket = nullptr;

// Bytes arrived so far and not yet taken: a stream, as TCP delivers them.
std::string Available(const ScriptedSocket &s) {
  std::string arrived;
  for (size_t i = 0; i <= s.arrival && i < s.arrivals.size(); i++) arrived += s.arrivals[i];
  return arrived.substr(s.offset);
}

int ScriptedReceive(uintptr_t, void *dst, int len, int peek) {
  ScriptedSocket &s = *g_socket;
  const std::string available = Available(s);
  const int n = static_cast<int>(available.size()) < len ? static_cast<int>(available.size()) : len;
  memcpy(dst, available.data(), n);
  if (!peek) s.offset += n;
  return n;
}

int ScriptedSend(uintptr_t, const void *src, int len) {
  ScriptedSocket &s = *g_socket;
  int allowed = len;
  if (!s.sendAllowances.empty()) {
    allowed = s.sendCall < s.sendAllowances.size() ? s.sendAllowances[s.sendCall] : 0;
    s.sendCall++;
    if (allowed > len) allowed = len;
  }
  s.sent.append(static_cast<const char *>(src), allowed);
  return allowed;
}

const FrameSocketOps kOps = {ScriptedReceive, ScriptedSend, nullptr};

// Lets the next arrival in, as before the next read event.
void NextArrival(ScriptedSocket &s) { s.arrival++; }

class FramingTest : public testing::Test {
 protected:
  void SetUp() override { g_socket = &socket_; }
  void TearDown() override { ReleaseFrames(&rx_, &tx_); g_socket = nullptr; }
  std::string Take(int len) {
    std::string out(len, '\0');
    EXPECT_EQ(0, TakeReceivedBytes(&rx_, &out[0], len));
    return out;
  }
  ScriptedSocket socket_;
  FrameReceiver rx_{};
  FrameSender tx_{};
};

TEST_F(FramingTest, MessageSplitAcrossReadsIsCompleteOnlyAfterItsLastPiece) {
  const std::string wire = Frame("0123456789");
  socket_.arrivals = {wire.substr(0, 7), wire.substr(7, 4), wire.substr(11)};  // 3, 4, 3 payload bytes
  const int completeAfter[] = {0, 0, 10};
  for (int event = 0; event < 3; event++) {
    ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
    EXPECT_EQ(completeAfter[event], rx_.completeBytes) << event;
    NextArrival(socket_);
  }
  EXPECT_EQ("0123456789", Take(10));
  EXPECT_EQ(-1, TakeReceivedBytes(&rx_, nullptr, 1));
}

TEST_F(FramingTest, HeaderSplitAcrossReadsWaitsAndIsNotConsumedTwice) {
  const std::string wire = Frame("abc") + Frame("de");
  socket_.arrivals = {wire.substr(0, 2), wire.substr(2, 5), wire.substr(7)};
  for (int event = 0; event < 3; event++) {
    ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
    if (event < 2) NextArrival(socket_);
  }
  EXPECT_EQ(5, rx_.completeBytes);
  EXPECT_EQ("abcde", Take(5));
}

TEST_F(FramingTest, MessagesMergedInOneReadAreAllCompletedInOneCall) {
  socket_.arrivals = {Frame("hello") + Frame("") + Frame("goodbye")};
  ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
  EXPECT_EQ(12, rx_.completeBytes);
  EXPECT_EQ(0, rx_.remaining);
  EXPECT_EQ("hellogoodbye", Take(12));
}

TEST_F(FramingTest, PayloadWrappingTheRingArrivesInOrder) {
  // Leave the ring's read offset near its end so the next payload wraps.
  socket_.arrivals = {Frame(std::string(990, 'x'))};
  ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
  Take(990);
  std::string payload;
  for (int i = 0; i < 1010; i++) payload += static_cast<char>('A' + i % 26);
  socket_.arrivals.push_back(Frame(payload));
  NextArrival(socket_);
  ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
  EXPECT_LT(rx_.ring.writeOffset, rx_.ring.readOffset);  // did wrap
  EXPECT_EQ(payload, Take(1010));
}

TEST_F(FramingTest, RefusedLengthsLogAndFailWithoutGrowingTheRing) {
  const uint32_t lengths[] = {0xFFFFFFFFu, 0x80000000u, FRAME_MAX_MESSAGE_SIZE + 1u};
  for (uint32_t length : lengths) {
    LogCapture log;
    ScriptedSocket socket;
    g_socket = &socket;
    FrameReceiver rx{};
    socket.arrivals = {Header(length) + "data"};
    EXPECT_EQ(-1, ReceiveFrames(&rx, 1, &kOps)) << length;
    EXPECT_EQ(nullptr, rx.ring.data);
    EXPECT_EQ(0, rx.remaining);
    EXPECT_NE(std::string::npos,
              log.Text().find("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ " +
                              std::to_string(static_cast<int>(length)) + " byte)"))
        << log.Text();
  }
  g_socket = &socket_;
}

TEST_F(FramingTest, LargestAllowedLengthIsAccepted) {
  socket_.arrivals = {Header(FRAME_MAX_MESSAGE_SIZE)};
  EXPECT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
  EXPECT_EQ(FRAME_MAX_MESSAGE_SIZE, rx_.remaining);
  EXPECT_EQ(0, rx_.completeBytes);
}

TEST_F(FramingTest, QueuedBytesGoOutAsOneFramedMessage) {
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "hel", 3));
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "lo", 2));
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  EXPECT_EQ(Frame("hello"), socket_.sent);
  EXPECT_EQ(0, tx_.ring.held);
  EXPECT_EQ(0u, tx_.lengthWord);
}

TEST_F(FramingTest, PartlySentHeaderIsFinishedBeforeAnyPayload) {
  socket_.sendAllowances = {2};
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "abcdef", 6));
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  EXPECT_EQ(2, tx_.headerLeft);
  EXPECT_EQ(Frame("abcdef").substr(0, 2), socket_.sent);
  socket_.sendAllowances = {2, 3, 3};  // next write event: rest of header, payload in two sends
  socket_.sendCall = 0;
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  EXPECT_EQ(Frame("abcdef"), socket_.sent);
}

TEST_F(FramingTest, PartlySentPayloadContinuesWithoutANewHeader) {
  socket_.sendAllowances = {4, 2};
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "abcdef", 6));
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  EXPECT_EQ(4u, tx_.lengthWord);
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "XY", 2));  // queued during the message: a later one
  socket_.sendAllowances.clear();
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  EXPECT_EQ(Frame("abcdef") + Frame("XY"), socket_.sent);
}

TEST_F(FramingTest, SentFramesReadBackThroughTheReceiver) {
  ASSERT_EQ(0, QueueFrameBytes(&tx_, "round trip", 10));
  ASSERT_EQ(0, SendFrames(&tx_, 1, &kOps));
  socket_.arrivals = {socket_.sent};
  ASSERT_EQ(0, ReceiveFrames(&rx_, 1, &kOps));
  EXPECT_EQ("round trip", Take(10));
}

}  // namespace
