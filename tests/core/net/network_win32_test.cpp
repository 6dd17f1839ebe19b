#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/log_capture.h"
#include "core/net/frame_bytes.h"
#include "core/net/network.h"

namespace {

// Pumps the network window until done() holds or two seconds pass.
bool PumpUntil(const std::function<bool()> &done) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 2000) {
    ProcessNetwork(1);
    if (done()) return true;
    Sleep(5);
  }
  return done();
}

// A started network on 127.0.0.1 with one accepted client connection.
class NetworkTest : public testing::Test {
 protected:
  void SetUp() override {
    const int port = StartLoopbackNetworkForTest();
    ASSERT_GT(port, 0);
    client_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    ASSERT_EQ(0, connect(client_, reinterpret_cast<sockaddr *>(&address), sizeof(address)));
    ASSERT_TRUE(PumpUntil([] { return GetNewestNetworkHandleForTest() != -1; }));
    handle_ = GetNewestNetworkHandleForTest();
  }
  void TearDown() override {
    if (client_ != INVALID_SOCKET) closesocket(client_);
    EndNetwork();
  }
  void ClientSend(const std::string &bytes) {
    ASSERT_EQ(static_cast<int>(bytes.size()), send(client_, bytes.data(), static_cast<int>(bytes.size()), 0));
  }
  std::string Take(int len) {
    std::string out(len, '\0');
    EXPECT_EQ(0, TakeNetworkBytesForTest(handle_, &out[0], len));
    return out;
  }
  SOCKET client_ = INVALID_SOCKET;
  int handle_ = -1;
};

TEST_F(NetworkTest, UnknownSocketNotificationIsLogged) {
  LogCapture log;
  EXPECT_EQ(0, HandleSocketMessage(static_cast<uintptr_t>(-2), FD_READ));
  EXPECT_NE(std::string::npos, log.Text().find("通信エラー No.1"));
}

TEST_F(NetworkTest, SplitMessageCompletesWithItsLastPiece) {
  const std::string wire = Frame("0123456789");
  ClientSend(wire.substr(0, 7));
  PumpUntil([] { return false; });  // nothing completes, whatever arrives
  EXPECT_EQ(0, GetNetworkCompleteBytesForTest(handle_));
  ClientSend(wire.substr(7, 4));
  Sleep(50);
  ProcessNetwork(1);
  EXPECT_EQ(0, GetNetworkCompleteBytesForTest(handle_));
  ClientSend(wire.substr(11));
  EXPECT_TRUE(PumpUntil([this] { return GetNetworkCompleteBytesForTest(handle_) == 10; }));
  EXPECT_EQ("0123456789", Take(10));
}

TEST_F(NetworkTest, MergedMessagesAreAllCompleted) {
  ClientSend(Frame("hello") + Frame("") + Frame("goodbye"));
  EXPECT_TRUE(PumpUntil([this] { return GetNetworkCompleteBytesForTest(handle_) == 12; }));
  EXPECT_EQ("hellogoodbye", Take(12));
}

TEST_F(NetworkTest, QueuedBytesReachThePeerFramed) {
  ASSERT_EQ(0, QueueNetworkBytesForTest(handle_, "to the peer", 11));
  ASSERT_EQ(0, SendSocket(handle_));
  const std::string expected = Frame("to the peer");
  std::string got;
  char buffer[64];
  while (got.size() < expected.size()) {
    const int n = recv(client_, buffer, sizeof(buffer), 0);
    ASSERT_GT(n, 0);
    got.append(buffer, n);
  }
  EXPECT_EQ(expected, got);
}

TEST_F(NetworkTest, PeerCloseMarksAndClosesTheHandle) {
  ClientSend(Frame("last"));
  closesocket(client_);
  client_ = INVALID_SOCKET;
  // Closing on the peer's close removes the handle once its data is in.
  EXPECT_TRUE(PumpUntil([this] { return GetNetworkFlagsForTest(handle_) == -1; }));
}

TEST_F(NetworkTest, RefusedLengthFailsTheHandleWhichIsThenClosed) {
  LogCapture log;
  ClientSend(Header(0xFFFFFFF0u) + "junk");
  EXPECT_TRUE(PumpUntil([this] { return GetNetworkFlagsForTest(handle_) == -1; }));
  EXPECT_NE(std::string::npos, log.Text().find("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ -16 byte)"));
}

TEST_F(NetworkTest, FailedAcceptLeavesNoRecordBehind) {
  LogCapture log;
  EXPECT_EQ(-1, AcceptNetWork());  // nothing is waiting to be accepted
  EXPECT_NE(std::string::npos, log.Text().find("acceptに失敗しました"));
  EXPECT_EQ(handle_, GetNewestNetworkHandleForTest());
  ClientSend(Frame("still served"));
  EXPECT_TRUE(PumpUntil([this] { return GetNetworkCompleteBytesForTest(handle_) == 12; }));
}

TEST(NetworkNotStartedTest, EveryCallReturnsAtOnce) {
  EXPECT_EQ(-1, AcceptNetWork());
  EXPECT_EQ(-1, RecvSocket(0));
  EXPECT_EQ(-1, CloseNetworkHandle(0));
  EXPECT_EQ(0, ProcessNetwork(1));
  EXPECT_EQ(0, EndNetwork());
}

}  // namespace
