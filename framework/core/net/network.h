// Network handles on message-driven sockets, as the core drives them.
// Nothing here starts networking, so every call returns at once.
#ifndef VELVANE_CORE_NETWORK_H
#define VELVANE_CORE_NETWORK_H

#include <stdint.h>

// Ends networking (nothing unless started); 0.
int EndNetwork(void);
// Per-pass work: pending connections, sends and closes; 0.
int ProcessNetwork(int closeDue);
// The window's socket notification (socket in wParam, event in lParam).
int HandleSocketMessage(uintptr_t socket, intptr_t event);

#endif  // VELVANE_CORE_NETWORK_H
