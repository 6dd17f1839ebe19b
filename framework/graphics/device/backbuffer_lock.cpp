// Whether the back buffer is read by locking it or through a render-target
// copy: both are timed on a square of the back buffer and the faster wins.
#include <stddef.h>
#include <string.h>

#include "core/debug/log_text.h"
#include "graphics/device/direct3d_init.h"
#include "graphics/device/direct3d_state.h"
#include "graphics/device/screen_settings.h"
#include "velvane.h"

namespace {

const int kRounds = 3;
const int kLargestSquare = 256;

struct LockRound {
  GfxDevice *device;
  FrameClock *clock;
  int size;
  int bytesPerPixel;
};

int SquareSize(void) {
  int size = kLargestSquare;
  while (size > 1 && (GetScreenWidthSetting() < size || GetScreenHeightSetting() < size)) {
    size /= 2;
  }
  return size;
}

void CopyRows(const GfxLocked &from, const GfxLocked &to, int rows, int rowBytes) {
  for (int y = 0; y < rows; y++) {
    memcpy(to.bits + static_cast<ptrdiff_t>(y) * to.pitch,
           from.bits + static_cast<ptrdiff_t>(y) * from.pitch, static_cast<size_t>(rowBytes));
  }
}

// Copies the locked source square row by row into a locked system surface.
int CopyIntoSystemSurface(const LockRound &round, GfxSurface *source, const GfxRect *rect,
                          GfxSurface *dest) {
  GfxLocked from, to;
  if (round.device->LockSurface(dest, NULL, 0, &to) < 0) return -1;
  if (round.device->LockSurface(source, rect, 1, &from) < 0) {
    round.device->UnlockSurface(dest);
    return -1;
  }
  CopyRows(from, to, round.size, round.size * round.bytesPerPixel);
  round.device->UnlockSurface(source);
  round.device->UnlockSurface(dest);
  return 0;
}

// (a) the back buffer locked directly.
int TimeLockedCopy(const LockRound &round, const GfxRect &square) {
  GfxSurface *system = NULL;
  if (round.device->CreateSystemSurface(round.size, round.size, g_d3d.displayFormat, &system) < 0) {
    return -1;
  }
  const uint64_t start = round.clock->NowMicroseconds();
  const int result = CopyIntoSystemSurface(round, g_d3d.backBuffer, &square, system);
  const uint64_t end = round.clock->NowMicroseconds();
  round.device->ReleaseSurface(system);
  return result < 0 ? -1 : static_cast<int>(end - start);
}

// (b) a stretch copy into a render target, read back into system memory.
int TimeRenderTargetCopy(const LockRound &round, const GfxRect &square) {
  GfxSurface *target = NULL, *readBack = NULL, *system = NULL;
  int result = -1;
  const uint64_t start = round.clock->NowMicroseconds();
  const GfxRect whole = {0, 0, round.size, round.size};
  if (round.device->CreateRenderTarget(round.size, round.size, g_d3d.displayFormat, 0, &target) >=
          0 &&
      round.device->StretchRect(g_d3d.backBuffer, &square, target, &whole) >= 0 &&
      round.device->CreateSystemSurface(round.size, round.size, g_d3d.displayFormat, &readBack) >=
          0 &&
      round.device->GetRenderTargetData(target, readBack) >= 0 &&
      round.device->CreateSystemSurface(round.size, round.size, g_d3d.displayFormat, &system) >=
          0 &&
      CopyIntoSystemSurface(round, readBack, NULL, system) >= 0) {
    result = 0;
  }
  const uint64_t end = round.clock->NowMicroseconds();
  if (system) round.device->ReleaseSurface(system);
  if (readBack) round.device->ReleaseSurface(readBack);
  if (target) round.device->ReleaseSurface(target);
  return result < 0 ? -1 : static_cast<int>(end - start);
}

}  // namespace

int DecideBackBufferLock(int lockTime, int copyTime) {
  // Whichever path works is used; the lock is unusable only when it failed.
  if (lockTime < 0) {
    WriteLogLine("バックバッファロックはロックできません\n");
    return 0;
  }
  WriteLogLineFormat(
      "バックバッファロック転送の時間:%dnsec  一時的な描画可能バッファを使用した転送の時間:%dnsec",
      lockTime, copyTime);
  if (copyTime < 0 || lockTime < copyTime) {
    WriteLogLine("バックバッファロックを使用します\n");
    return 1;
  }
  WriteLogLine("バックバッファロックを使用しません\n");
  return 0;
}

void TestBackBufferLock(void) {
  LockRound round = {GetGfxDevice(), GetFrameClock(), SquareSize(),
                     g_d3d.displayFormat == GFX_FMT_X8R8G8B8 ? 4 : 2};
  const GfxRect square = {0, 0, round.size, round.size};
  int lockTime = -1, copyTime = -1;
  for (int i = 0; i < kRounds; i++) {
    lockTime = TimeLockedCopy(round, square);
    copyTime = TimeRenderTargetCopy(round, square);
  }
  g_d3d.backBufferLock = DecideBackBufferLock(lockTime, copyTime);
  if (g_gfxTestSwitches.backBufferLockForced >= 0) {
    g_d3d.backBufferLock = g_gfxTestSwitches.backBufferLockForced;
  }
}
