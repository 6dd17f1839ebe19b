// The framework's runnable check: start in window mode, keep the window
// alive for about three seconds (or until it is closed), end cleanly.
#include <windows.h>

#include "velvane.h"

namespace {

const int kRunMilliseconds = 3000;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetWindowTitle("Velvane demo");
  ChangeWindowMode(1);
  SetRunWhileInactive(1);
  if (InitFramework() < 0) return -1;

  const int start = GetNowMilliseconds();
  while (GetNowMilliseconds() - start < kRunMilliseconds) {
    if (PumpMessages() < 0) break;
    Sleep(16);
  }

  EndFramework();
  return 0;
}
