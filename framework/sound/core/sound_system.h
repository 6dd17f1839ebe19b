// The sound system's module state: the device and its two fixed buffers,
// the sound handle table, the stream and soft-player lists, the load
// settings and the update thread. StartSoundSystem and EndSoundSystem (in
// sound_services.h) bring it up and down.
#ifndef VELVANE_SOUND_SOUND_SYSTEM_H
#define VELVANE_SOUND_SOUND_SYSTEM_H

#include <stdint.h>

#include <atomic>
#include <mutex>

#include "core/base/handle_list.h"
#include "core/base/handle_table.h"
#include "sound/core/audio_device.h"

enum { SOUND_HANDLE_CAPACITY = 32768 };

// Update thread states.
enum { SOUND_THREAD_RUNNING = 0, SOUND_THREAD_STOP_REQUESTED = 1, SOUND_THREAD_ENDED = 2 };

struct SoundSystem {
  AudioDevice *device;      // non-null exactly while the system is started
  AudioBuffer *primary;     // held only to set its format
  AudioBuffer *silent;      // loops zeros for the whole run
  HandleTable soundTable;
  HandleObject *soundSlots[SOUND_HANDLE_CAPACITY];
  HandleListNode streamHead, streamTail;
  HandleListNode softPlayerHead, softPlayerTail;
  int createDataType;       // 0, 2 or 3 (see SetCreateSoundDataType)
  int converterSkipMask;
  int oggSampleWidth;       // bytes per sample Ogg Vorbis decodes to
  int movieSoundFlag;       // 1 while a movie's sound track is opened
  intptr_t thread;          // 0 when no update thread exists
  std::atomic<int> threadState;
};

SoundSystem *GetSoundSystem(void);
// 1 while the sound system is started (the device exists).
int IsSoundStarted(void);
// The one lock of every sound handle's creation and deletion and of the
// update thread's passes. Re-entrant, and never destroyed, so a call after
// the framework ended still finds it and fails cleanly.
std::recursive_mutex &SoundLock(void);

// How the update thread is started; tests replace it (null restores the
// platform's).
typedef intptr_t (*SoundThreadStarter)(void (*proc)(void *), void *argument, int timeCritical);
void SetSoundThreadStarter(SoundThreadStarter starter);

// The enumeration callback of the device log: logs one device; 1 so the
// walk goes on.
int LogDirectSoundDevice(const char *description, const char *module, void *context);

#endif  // VELVANE_SOUND_SOUND_SYSTEM_H
