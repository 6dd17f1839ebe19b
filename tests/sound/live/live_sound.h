// What the programs over Wine's real DirectSound share: whether DirectSound
// was switched off for the run, waiting for a condition with a limit, and
// reading a sound's buffer back through a lock.
#ifndef VELVANE_TESTS_SOUND_LIVE_LIVE_SOUND_H
#define VELVANE_TESTS_SOUND_LIVE_LIVE_SOUND_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include "sound/core/sound_handles.h"
#include "sound_fixture.h"
#include "velvane.h"

inline bool DirectSoundSwitchedOff(void) {
  char value[256] = "";
  GetEnvironmentVariableA("WINEDLLOVERRIDES", value, sizeof(value));
  return strstr(value, "dsound=d") != nullptr;
}

enum Pumping { kPumpMessages, kWithoutPumping };

// Waits up to limitMs for condition, pumping messages when asked.
template <typename Condition>
bool WaitFor(Condition condition, int limitMs, Pumping pumping = kPumpMessages) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > static_cast<DWORD>(limitMs)) return false;
    if (pumping == kPumpMessages) PumpMessages();
    Sleep(1);
  }
  return true;
}

// The first bytes of one of a sound's buffers (the whole data when bytes
// is -1), read back through a lock.
inline Bytes ReadBack(SoundHandleRecord *record, int buffer, int bytes = -1) {
  LockedRegion region;
  const uint32_t size = static_cast<uint32_t>(bytes < 0 ? record->pcmSize : bytes);
  EXPECT_EQ(0, SoundBufferLock(&record->buffers[buffer], 0, size, &region));
  Bytes out(static_cast<unsigned char *>(region.part1),
            static_cast<unsigned char *>(region.part1) + region.size1);
  if (region.part2) {
    out.insert(out.end(), static_cast<unsigned char *>(region.part2),
               static_cast<unsigned char *>(region.part2) + region.size2);
  }
  SoundBufferUnlock(&record->buffers[buffer], &region);
  return out;
}

#endif  // VELVANE_TESTS_SOUND_LIVE_LIVE_SOUND_H
