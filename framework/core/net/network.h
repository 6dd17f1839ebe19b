// Network handles on message-driven sockets: each socket posts message 0x505
// to the network window for read, write and close events, and the handle's
// framing moves bytes between the socket and its two rings. The framework
// itself never starts networking, so until a program (or a test) does, every
// call returns at once.
#ifndef VELVANE_CORE_NETWORK_H
#define VELVANE_CORE_NETWORK_H

#include <stdint.h>

enum {
  NETWORK_HANDLE_KIND = 6,
  NETWORK_SOCKET_MESSAGE = 0x505,
  NETWORK_CONNECTION_SLOTS = 8192,  // the listener lies in the slot after them
  NETWORK_RECORD_SLOTS = NETWORK_CONNECTION_SLOTS + 1
};

// Ends networking (nothing unless started); 0.
int EndNetwork(void);
// Per-pass work: with closeDue 1 closes failed handles and those whose peer
// closed, then dispatches the network window's messages; 0.
int ProcessNetwork(int closeDue);
// The window's socket notification (socket in wParam, event in lParam).
int HandleSocketMessage(uintptr_t socket, intptr_t event);
// Accepts a pending connection on the listener; the new handle or -1.
int AcceptNetWork(void);
int RecvSocket(int handle);
int SendSocket(int handle);
// Finishes the handle's transfers (up to a second each way) and closes it.
int CloseNetworkHandle(int handle);
// Closes a lost handle without any transfer.
int DiscardNetworkHandle(int handle);

// Starting networking is the program's part; these let a test do it on the
// loopback address: the socket library, a message-only network window and
// a listener in its slot. Returns the listening port, or -1.
int StartLoopbackNetworkForTest(void);
// Queues bytes on a handle's send ring; 0 or -1.
int QueueNetworkBytesForTest(int handle, const void *src, int len);
// Takes bytes of complete received messages; 0 or -1.
int TakeNetworkBytesForTest(int handle, void *dst, int len);
// Bytes of complete messages held, or -1 for an invalid handle.
int GetNetworkCompleteBytesForTest(int handle);
// The handle's error, established and peer-closed flags as bits 0, 1, 2;
// -1 for an invalid handle.
int GetNetworkFlagsForTest(int handle);
// The handle of the newest live connection, or -1.
int GetNewestNetworkHandleForTest(void);

#endif  // VELVANE_CORE_NETWORK_H
