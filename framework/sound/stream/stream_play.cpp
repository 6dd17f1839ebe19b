// Playing stream sounds: who uses a streaming buffer, starting, stopping
// and the queries.
#include <mutex>

#include "core/app/framework_lifecycle.h"
#include "core/base/platform.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_system.h"
#include "sound/stream/stream_sound.h"
#include "velvane.h"

namespace {

enum { PLAY_TYPE_WAIT = 0, PLAY_TYPE_LOOPING_BIT = 2 };

SoundHandleRecord *StreamRecord(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  return record && record->kind == SOUND_KIND_STREAM ? record : nullptr;
}

// The record whose buffer 0 a stream sound plays in; null when the sound
// it shares is gone.
SoundHandleRecord *BufferOwner(SoundHandleRecord *record) {
  if (record->stream.sharedHandle == -1) return record;
  return StreamRecord(record->stream.sharedHandle);
}

void ApplySettings(SoundHandleRecord *record) {
  PlaybackBuffer *own = &record->buffers[0];
  SoundBufferSetVolume(own, record->volume);
  SoundBufferSetPan(own, record->pan);
  SoundBufferSetFrequency(own, static_cast<uint32_t>(record->frequency));
}

// A user whose buffer another sound takes: stopped, and sent back to its
// start, since the buffer no longer holds its data.
void GiveUpBuffer(int user) {
  StopStreamSound(user);
  SoundHandleRecord *record = StreamRecord(user);
  if (!record) return;
  ResetStreamProgress(record);
  record->stream.wrapped = 0;
}

}  // namespace

void ResetStreamProgress(SoundHandleRecord *record) {
  StreamSoundBlock &s = record->stream;
  s.ending = 0;
  s.sourcePosition = 0;
  s.playedBytes = 0;
  s.loopRestartPending = 0;
  s.passCount = 0;
  s.currentSource = 0;
  s.active = 0;
}

int ClaimStreamBuffer(int handle, SoundHandleRecord *record, PlaybackBuffer **buffer,
                      int takeOver) {
  if (record->kind != SOUND_KIND_STREAM) {
    *buffer = &record->buffers[0];
    return 0;
  }
  SoundHandleRecord *owner = BufferOwner(record);
  if (!owner) return -1;
  const int user = owner->stream.currentUser;
  if (user != -1 && user != handle) {
    if (!takeOver) return -1;
    GiveUpBuffer(user);
  }
  owner->stream.currentUser = handle;
  *buffer = &owner->buffers[0];
  return 0;
}

int SetupStreamPlay(int handle, int playType, int restart) {
  SoundHandleRecord *record = StreamRecord(handle);
  PlaybackBuffer *buffer = nullptr;
  if (!record || ClaimStreamBuffer(handle, record, &buffer, 1) != 0) return -1;
  StreamSoundBlock &s = record->stream;
  uint32_t status = 0;
  if (!restart && SoundBufferGetStatus(buffer, &status) == 0 && (status & AUDIO_STATUS_PLAYING)) {
    return 1;
  }
  StopStreamSound(handle);
  const bool loopingChanged = ((playType ^ s.playType) & PLAY_TYPE_LOOPING_BIT) != 0;
  if ((loopingChanged && s.wrapped) || (restart == 1 && s.playedBytes != 0)) {
    ResetStreamProgress(record);
    s.wrapped = 0;
  }
  s.playType = playType;
  if (PrimeStreamSound(handle) != 0) return -1;
  if (s.sharedHandle == -1) ApplySettings(record);
  return 0;
}

int PlayStreamSound(int handle, int playType, int restart) {
  {
    std::lock_guard<std::recursive_mutex> guard(SoundLock());
    if (SetupStreamPlay(handle, playType, restart) != 0) return -1;
    SoundHandleRecord *record = StreamRecord(handle);
    PlaybackBuffer *buffer = nullptr;
    if (ClaimStreamBuffer(handle, record, &buffer, 0) != 0) return -1;
    // The streaming buffer always loops; the stream decides when it ends.
    if (SoundBufferPlay(buffer, 1) != 0) return -1;
  }
  if (playType == PLAY_TYPE_WAIT) {
    while (PumpMessagesUnlocked() == 0 && CheckStreamSoundPlaying(handle) == 1) PlatformSleep(1);
  }
  return 0;
}

int StopStreamSound(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = StreamRecord(handle);
  if (!record) return -1;
  UpdateStreamPlayPosition(handle, -1);
  PlaybackBuffer *buffer = nullptr;
  if (ClaimStreamBuffer(handle, record, &buffer, 0) != 0) return 0;
  if (record->stream.sharedHandle != -1) {
    SoundHandleRecord *owner = BufferOwner(record);
    if (owner) owner->stream.currentUser = -1;
  }
  uint32_t status = 0;
  if (SoundBufferGetStatus(buffer, &status) != 0) return -1;
  if (status & AUDIO_STATUS_PLAYING) SoundBufferStop(buffer);
  return 0;
}

int CheckStreamSoundPlaying(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = StreamRecord(handle);
  PlaybackBuffer *buffer = nullptr;
  if (!record || ClaimStreamBuffer(handle, record, &buffer, 0) != 0) return 0;
  uint32_t status = 0;
  if (SoundBufferGetStatus(buffer, &status) != 0) return 0;
  return (status & AUDIO_STATUS_PLAYING) ? 1 : 0;
}

int GetStreamSoundPositionMs(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = StreamRecord(handle);
  if (!record) return -1;
  UpdateStreamPlayPosition(handle, -1);
  const int block = record->format.blockAlign;
  if (!block) return 0;
  const int rate = static_cast<int>(record->format.samplesPerSecond);
  const int ms = SamplesToMs(record->stream.playedBytes / block, rate);
  const int total = GetSoundTotalTimeMs(handle);
  return ms < total ? ms : total;
}
