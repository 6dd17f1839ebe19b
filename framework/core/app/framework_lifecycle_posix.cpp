// The host build has no window: nothing to pump or wait for, and a fatal
// failure ends the process after logging it.
#include <stdlib.h>

#include "core/app/framework_lifecycle.h"
#include "velvane.h"

int PumpMessagesUnlocked(void) { return 0; }

int WaitWhileInactive(void) { return 0; }

void FatalErrorExit(const char *text) {
  WriteLogLine(text ? text : "");
  WriteLogLine("\n");
  DumpAllocations();
  exit(-1);
}
