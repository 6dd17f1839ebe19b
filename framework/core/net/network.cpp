#include "core/net/network.h"

int EndNetwork(void) { return 0; }

int ProcessNetwork(int) { return 0; }

// No socket is ever opened, so no handle matches the notification.
int HandleSocketMessage(uintptr_t, intptr_t) { return -1; }
