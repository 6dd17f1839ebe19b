#include "sound/core/sound_handles.h"

#include <stdint.h>

#include <mutex>

#include "core/app/framework_lifecycle.h"
#include "core/base/platform.h"
#include "core/debug/memory.h"
#include "sound/core/sound_system.h"
#include "velvane.h"

namespace {

enum { PLAY_TYPE_WAIT = 0, PLAY_TYPE_LOOP = 3 };

HandleTable *Table(void) { return &GetSoundSystem()->soundTable; }

PlaybackBuffer *LastBuffer(SoundHandleRecord *record) {
  return &record->buffers[record->lastBuffer];
}

void ApplySettings(SoundHandleRecord *record, PlaybackBuffer *buffer) {
  SoundBufferSetVolume(buffer, record->volume);
  SoundBufferSetPan(buffer, record->pan);
  SoundBufferSetFrequency(buffer, static_cast<uint32_t>(record->frequency));
}

void ReleasePcm(SoundHandleRecord *record) {
  for (int i = 0; i < SOUND_BUFFER_LIMIT; i++) {
    if (record->buffers[i].valid) SoundBufferRelease(&record->buffers[i]);
  }
  if (!record->referenceCount) return;
  if (--*record->referenceCount == 0) {
    FreeMemory(record->pcmData);
    FreeMemory(record->referenceCount);
  }
  record->pcmData = nullptr;
  record->referenceCount = nullptr;
}

int StopPcm(SoundHandleRecord *record) {
  for (int i = 0; i < record->bufferCount; i++) {
    uint32_t status = 0;
    if (SoundBufferGetStatus(&record->buffers[i], &status) != 0) return -1;
    if (status & AUDIO_STATUS_PLAYING) SoundBufferStop(&record->buffers[i]);
  }
  return 0;
}

int PcmPlaying(SoundHandleRecord *record) {
  for (int i = 0; i < record->bufferCount; i++) {
    uint32_t status = 0;
    if (SoundBufferGetStatus(&record->buffers[i], &status) == 0 &&
        (status & AUDIO_STATUS_PLAYING)) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

int MsToSamples(int rate, int ms) {
  return static_cast<int>(static_cast<int64_t>(rate) * ms / 1000);
}

int SamplesToMs(int samples, int rate) {
  if (rate == 0) return 0;
  return static_cast<int>(static_cast<int64_t>(samples) * 1000 / rate);
}

SoundHandleRecord *LookupSoundRecord(int handle) {
  if (!IsSoundStarted()) return nullptr;
  return HandleTableGet<SoundHandleRecord>(Table(), handle);
}

int AddSoundData(int handle) {
  if (!IsSoundStarted()) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  HandleTable *table = Table();
  if (handle == -1 && table->liveCount >= table->capacity) {
    return WriteErrorLog("サウンドの数が許容量を越えました\n");
  }
  SoundHandleRecord *record =
      static_cast<SoundHandleRecord *>(VV_ALLOC_ZEROED(sizeof(SoundHandleRecord)));
  if (!record) return WriteErrorLog("メモリ領域の確保に失敗しました in AddSoundData");
  record->stream.sharedHandle = -1;
  record->stream.currentUser = -1;
  const int made = handle == -1 ? HandleTableAdd(table, &record->header)
                                : HandleTableAddAt(table, &record->header, handle);
  if (made == -1) FreeMemory(record);
  return made;
}

int PrepareNextPlaybackBuffer(SoundHandleRecord *record, int restart) {
  if (record->bufferCount <= 0) return -1;
  uint32_t cursor = 0;
  SoundBufferGetPosition(LastBuffer(record), &cursor);
  record->lastBuffer = (record->lastBuffer + 1) % record->bufferCount;
  PlaybackBuffer *buffer = LastBuffer(record);
  if (!buffer->valid) return -1;
  uint32_t status = 0;
  if (SoundBufferGetStatus(buffer, &status) != 0) return -1;
  if (status & AUDIO_STATUS_PLAYING) {
    if (!restart) return 1;
    SoundBufferStop(buffer);
  }
  SoundBufferSetPosition(buffer, restart ? 0 : cursor);
  ApplySettings(record, buffer);
  return 0;
}

int PlaySoundHandle(int handle, int playType, int restart) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return PlayStreamSound(handle, playType, restart);
  if (PrepareNextPlaybackBuffer(record, restart) == 1) return 0;
  if (SoundBufferPlay(LastBuffer(record), playType == PLAY_TYPE_LOOP) != 0) return -1;
  if (playType == PLAY_TYPE_WAIT) {
    while (PumpMessagesUnlocked() == 0 && CheckSoundPlaying(handle) == 1) PlatformSleep(1);
  }
  return 0;
}

int StopSoundHandle(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return StopStreamSound(handle);
  return StopPcm(record);
}

int CheckSoundPlaying(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return CheckStreamSoundPlaying(handle);
  return PcmPlaying(record);
}

int DeleteSoundHandle(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) {
    // A buffer other sounds still play in outlives its owner's delete.
    if (DeleteStreamSoundRecord(record) == 1) return 0;
  } else {
    if (record->buffers[0].valid) StopPcm(record);
    ReleasePcm(record);
  }
  HandleTableRemove(Table(), handle);
  FreeMemory(record);
  return 0;
}

int DeleteAllSoundHandles(void) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  if (!IsSoundStarted()) return -1;
  HandleTable *table = Table();
  for (int slot = 0; slot < table->capacity; slot++) {
    HandleObject *object = HandleTableSlot(table, slot);
    if (object) DeleteSoundHandle(object->handle);
  }
  return 0;
}

int GetSoundTotalSamples(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return record->stream.totalSamples;
  const int block = record->format.blockAlign;
  return block ? record->pcmSize / block : 0;
}

int GetSoundTotalTimeMs(int handle) {
  const int samples = GetSoundTotalSamples(handle);
  if (samples < 0) return -1;
  return SamplesToMs(samples, static_cast<int>(LookupSoundRecord(handle)->format.samplesPerSecond));
}

int GetSoundCurrentTimeMs(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return GetStreamSoundPositionMs(handle);
  uint32_t cursor = 0;
  if (SoundBufferGetPosition(LastBuffer(record), &cursor) != 0) cursor = 0;
  const int block = record->format.blockAlign;
  if (!block) return 0;
  return SamplesToMs(static_cast<int>(cursor / block),
                     static_cast<int>(record->format.samplesPerSecond));
}
