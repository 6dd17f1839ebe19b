#include "sound/stream/stream_sound.h"

#include "sound/core/sound_buffer.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"

int AddStreamSoundFile(const char *, int, int, int, int) { return -1; }

int AddStreamSoundMemory(const void *, int, int, int, int, int) { return -1; }

int PrimeStreamSound(int) { return -1; }

int PlayStreamSound(int, int, int) { return -1; }

int StopStreamSound(int) { return -1; }

int CheckStreamSoundPlaying(int) { return 0; }

int GetStreamSoundPositionMs(int) { return -1; }

void DeleteStreamSoundRecord(SoundHandleRecord *record) {
  PlaybackBuffer *buffer = &record->buffers[0];
  if (!buffer->valid) return;
  SoundBufferStop(buffer);
  SoundBufferRelease(buffer);
  HandleListRemove(&record->stream.listNode);
}

void RefillActiveStreamSounds(void) {}

int RefillStreamSounds(void) {
  if (!IsSoundStarted()) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  RefillActiveStreamSounds();
  return 0;
}
