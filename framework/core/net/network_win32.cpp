#include <winsock2.h>
#include <windows.h>

#include <string.h>

#include "core/base/handle_list.h"
#include "core/base/handle_table.h"
#include "core/debug/log.h"
#include "core/debug/memory.h"
#include "core/net/framing.h"
#include "core/net/network.h"

namespace {

struct NetworkRecord {
  int lost;
  int connected;
  int error;
  int established;
  int peerClosed;
  int reserved;
  int accepted;
  int framed;
  int closeWhenPeerCloses;
  int checkNumber;
  SOCKET socket;
  FrameReceiver receiver;
  FrameSender sender;
  unsigned char peerAddress[4];
  unsigned short peerPort;
  int readPending;
  int writePending;
  HandleListNode node;
};

struct NetworkState {
  int started;
  HWND window;
  NetworkRecord *records[NETWORK_RECORD_SLOTS];
  int liveCount;
  int checkCounter;
  HandleListNode head;
  HandleListNode tail;
  NetworkRecord *listener;
  int framingOff;
  int closeOnPeerCloseOff;
  int receiving;
  int sending;
};

NetworkState g_net;

const long kConnectionEvents = FD_READ | FD_WRITE | FD_CLOSE;
const DWORD kFinishTimeMs = 1000;

NetworkRecord *FindRecord(int handle) {
  if (!g_net.started || handle < 0 || HandleKindOf(handle) != NETWORK_HANDLE_KIND) return NULL;
  const int slot = HandleSlotOf(handle);
  if (slot >= NETWORK_RECORD_SLOTS) return NULL;
  NetworkRecord *record = g_net.records[slot];
  if (!record || record->checkNumber != HandleCheckOf(handle)) return NULL;
  return record;
}

int SocketReceive(uintptr_t socket, void *dst, int len, int peek) {
  const int n = recv(static_cast<SOCKET>(socket), static_cast<char *>(dst), len, peek ? MSG_PEEK : 0);
  if (n != SOCKET_ERROR) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

int SocketSend(uintptr_t socket, const void *src, int len) {
  const int n = send(static_cast<SOCKET>(socket), static_cast<const char *>(src), len, 0);
  if (n != SOCKET_ERROR) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

void DispatchNetworkMessages(void) { ProcessNetwork(0); }

const FrameSocketOps kSocketOps = {SocketReceive, SocketSend, DispatchNetworkMessages};

// Checks what both transfer directions need; 0, or -1 with the log line.
int CheckTransferable(const NetworkRecord *record, const char *where) {
  if (record->error) {
    WriteLogLineFormat("このネットワークハンドルにはエラーが発生しています in %s\n", where);
    return -1;
  }
  if (!record->connected) {
    WriteLogLineFormat("有効なネットワークハンドルではありません in %s\n", where);
    return -1;
  }
  return 0;
}

// Switches notifications off, closes the socket, unlinks and frees the
// record and empties its slot.
void DestroyRecord(int handle, NetworkRecord *record) {
  WSAAsyncSelect(record->socket, g_net.window, 0, 0);
  closesocket(record->socket);
  ReleaseFrames(&record->receiver, &record->sender);
  HandleListRemove(&record->node);
  g_net.records[HandleSlotOf(handle)] = NULL;
  VV_FREE(record);
  g_net.liveCount--;
}

int FindFreeConnectionSlot(void) {
  for (int slot = 0; slot < NETWORK_CONNECTION_SLOTS; slot++)
    if (!g_net.records[slot]) return slot;
  return -1;
}

int NextCheckNumber(void) {
  g_net.checkCounter = (g_net.checkCounter + 1) % HANDLE_CHECK_LIMIT;
  return g_net.checkCounter;
}

// Runs the loop for up to a second while pending() holds.
template <typename Pending>
void FinishTransfers(int handle, Pending pending, int (*transfer)(int)) {
  const DWORD start = GetTickCount();
  while (FindRecord(handle) && pending(FindRecord(handle)) && GetTickCount() - start < kFinishTimeMs) {
    if (transfer(handle) != 0) break;
    ProcessNetwork(0);
    Sleep(1);
  }
}

LRESULT CALLBACK NetworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == NETWORK_SOCKET_MESSAGE) return HandleSocketMessage(wParam, lParam);
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int HandleSocketMessage(uintptr_t socket, intptr_t event) {
  NetworkRecord *record = NULL;
  int handle = -1;
  for (HandleListNode *node = g_net.head.next; node && node->next; node = node->next) {
    NetworkRecord *candidate = static_cast<NetworkRecord *>(node->data);
    if (static_cast<uintptr_t>(candidate->socket) == socket) {
      record = candidate;
      handle = node->handle;
      break;
    }
  }
  if (!record) {
    WriteLogLine("通信エラー No.1\n");
    return 0;
  }
  const int kind = WSAGETSELECTEVENT(event);
  if (record->lost) {
    if (kind == FD_READ) record->readPending = 1;
    if (kind == FD_WRITE) record->writePending = 1;
    return 1;
  }
  switch (kind) {
    case FD_READ:
      RecvSocket(handle);
      break;
    case FD_WRITE:
      SendSocket(handle);
      break;
    case FD_ACCEPT:
      return AcceptNetWork();
    case FD_CONNECT:
      if (WSAGETSELECTERROR(event) == 0) record->established = 1;
      break;
    case FD_CLOSE:
      // The peer's close must be recorded, or closing on it never happens.
      record->peerClosed = 1;
      record->established = 0;
      break;
    default:
      break;
  }
  return 1;
}

int RecvSocket(int handle) {
  if (g_net.receiving) return 0;
  NetworkRecord *record = FindRecord(handle);
  if (!record || record->lost) return -1;
  if (CheckTransferable(record, "RecvSocket") != 0) return -1;
  if (!record->framed) return 0;
  g_net.receiving = 1;
  const int result = ReceiveFrames(&record->receiver, record->socket, &kSocketOps);
  g_net.receiving = 0;
  // A dispatched notification may have closed the handle meanwhile.
  if (result != 0 && FindRecord(handle) == record) record->error = 1;
  return result;
}

int SendSocket(int handle) {
  if (g_net.sending) return 0;
  NetworkRecord *record = FindRecord(handle);
  if (!record || record->lost) return -1;
  if (CheckTransferable(record, "SendSocket") != 0) return -1;
  if (!record->framed) return 0;
  g_net.sending = 1;
  const int result = SendFrames(&record->sender, record->socket, &kSocketOps);
  g_net.sending = 0;
  if (result != 0 && FindRecord(handle) == record) record->error = 1;
  return result;
}

int AcceptNetWork(void) {
  if (!g_net.started || !g_net.listener) return -1;
  const int slot = FindFreeConnectionSlot();
  if (slot < 0) return WriteLogLine("空きソケットデータがなかったので accept を拒否しました \n"), -1;
  NetworkRecord *record = static_cast<NetworkRecord *>(VV_ALLOC_ZEROED(sizeof(NetworkRecord)));
  if (!record) return WriteLogLine("ソケット用のメモリの確保に失敗しました\n"), -1;
  record->connected = 1;
  record->accepted = 1;
  record->framed = g_net.framingOff ? 0 : 1;
  record->closeWhenPeerCloses = g_net.closeOnPeerCloseOff ? 0 : 1;
  const int check = NextCheckNumber();
  const int handle = MakeHandle(NETWORK_HANDLE_KIND, check, slot);
  HandleListInsert(&g_net.head, &record->node, handle, record);
  sockaddr_in peer;
  int peerSize = sizeof(peer);
  record->socket = accept(g_net.listener->socket, reinterpret_cast<sockaddr *>(&peer), &peerSize);
  const int acceptFailed = record->socket == INVALID_SOCKET;
  if (acceptFailed) WriteNetworkErrorLog("acceptに失敗しました");
  if (!acceptFailed &&
      WSAAsyncSelect(record->socket, g_net.window, NETWORK_SOCKET_MESSAGE, kConnectionEvents) != 0)
    WriteNetworkErrorLog("WSAAsyncSelectのエラー in AcceptNetWork");
  else if (!acceptFailed) {
    memcpy(record->peerAddress, &peer.sin_addr, 4);
    record->peerPort = ntohs(peer.sin_port);
    record->checkNumber = check;
    g_net.records[slot] = record;
    g_net.liveCount++;
    return handle;
  }
  // A record left linked after a failure would be found by later
  // notifications with a dead socket.
  HandleListRemove(&record->node);
  if (!acceptFailed) closesocket(record->socket);
  VV_FREE(record);
  return -1;
}

int CloseNetworkHandle(int handle) {
  NetworkRecord *record = FindRecord(handle);
  if (!record || record->lost || !record->connected) return -1;
  ProcessNetwork(0);
  FinishTransfers(handle, [](NetworkRecord *r) { return r->receiver.remaining > 0; }, RecvSocket);
  FinishTransfers(handle, [](NetworkRecord *r) { return r->sender.ring.held > 0 || r->sender.headerLeft > 0; },
                  SendSocket);
  record = FindRecord(handle);
  if (!record) return -1;
  DestroyRecord(handle, record);
  return 0;
}

int DiscardNetworkHandle(int handle) {
  NetworkRecord *record = FindRecord(handle);
  if (!record || !record->lost) return -1;
  DestroyRecord(handle, record);
  return 0;
}

int ProcessNetwork(int closeDue) {
  if (!g_net.started) return 0;
  if (closeDue) {
    for (int slot = 0; slot < NETWORK_CONNECTION_SLOTS; slot++) {
      NetworkRecord *record = g_net.records[slot];
      if (!record || !record->connected || record->lost) continue;
      if (record->error || (record->peerClosed && record->closeWhenPeerCloses))
        CloseNetworkHandle(record->node.handle);
    }
  }
  MSG message;
  while (g_net.window && PeekMessageA(&message, g_net.window, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

int EndNetwork(void) {
  if (!g_net.started) return 0;
  WriteLogLine("ネットワーク関連の終了処理を行います \n");
  for (int slot = 0; slot < NETWORK_RECORD_SLOTS; slot++) {
    NetworkRecord *record = g_net.records[slot];
    if (!record) continue;
    const int handle = record->node.handle;
    if (record->lost || slot == NETWORK_CONNECTION_SLOTS || CloseNetworkHandle(handle) != 0)
      DestroyRecord(handle, record);
  }
  if (g_net.window) {
    PostMessageA(g_net.window, WM_CLOSE, 0, 0);
    while (IsWindow(g_net.window)) ProcessNetwork(0);
  }
  g_net = NetworkState();
  WSACleanup();
  WriteLogLine("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}

int StartLoopbackNetworkForTest(void) {
  if (g_net.started) return -1;
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return -1;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = NetworkWindowProc;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = "VelvaneNetworkWindow";
  RegisterClassA(&windowClass);
  g_net = NetworkState();
  HandleListInit(&g_net.head, &g_net.tail);
  g_net.window = CreateWindowA("VelvaneNetworkWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                               windowClass.hInstance, NULL);
  NetworkRecord *listener = static_cast<NetworkRecord *>(VV_ALLOC_ZEROED(sizeof(NetworkRecord)));
  SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int addressSize = sizeof(address);
  if (!g_net.window || !listener || socket == INVALID_SOCKET ||
      bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 ||
      listen(socket, SOMAXCONN) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr *>(&address), &addressSize) != 0 ||
      WSAAsyncSelect(socket, g_net.window, NETWORK_SOCKET_MESSAGE, FD_ACCEPT) != 0) {
    if (socket != INVALID_SOCKET) closesocket(socket);
    VV_FREE(listener);
    if (g_net.window) DestroyWindow(g_net.window);
    g_net = NetworkState();
    WSACleanup();
    return -1;
  }
  g_net.started = 1;
  listener->socket = socket;
  listener->checkNumber = NextCheckNumber();
  const int handle = MakeHandle(NETWORK_HANDLE_KIND, listener->checkNumber, NETWORK_CONNECTION_SLOTS);
  HandleListInsert(&g_net.head, &listener->node, handle, listener);
  g_net.records[NETWORK_CONNECTION_SLOTS] = listener;
  g_net.listener = listener;
  g_net.liveCount = 1;
  return ntohs(address.sin_port);
}

int QueueNetworkBytesForTest(int handle, const void *src, int len) {
  NetworkRecord *record = FindRecord(handle);
  return record ? QueueFrameBytes(&record->sender, src, len) : -1;
}

int TakeNetworkBytesForTest(int handle, void *dst, int len) {
  NetworkRecord *record = FindRecord(handle);
  return record ? TakeReceivedBytes(&record->receiver, dst, len) : -1;
}

int GetNetworkCompleteBytesForTest(int handle) {
  NetworkRecord *record = FindRecord(handle);
  return record ? record->receiver.completeBytes : -1;
}

int GetNetworkFlagsForTest(int handle) {
  NetworkRecord *record = FindRecord(handle);
  if (!record) return -1;
  return (record->error ? 1 : 0) | (record->established ? 2 : 0) | (record->peerClosed ? 4 : 0);
}

int GetNewestNetworkHandleForTest(void) {
  HandleListNode *node = g_net.head.next;
  return node && node->next && node->data != g_net.listener ? node->handle : -1;
}
