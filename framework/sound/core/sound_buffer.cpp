#include "sound/core/sound_buffer.h"

#include "core/util/strings.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_system.h"
#include "velvane.h"

namespace {

const uint32_t kPcmFlags = AUDIO_BUFFER_GLOBAL_FOCUS | AUDIO_BUFFER_CTRL_VOLUME |
                           AUDIO_BUFFER_CTRL_PAN | AUDIO_BUFFER_CTRL_FREQUENCY |
                           AUDIO_BUFFER_STATIC;
// Without frequency control, for devices that refuse it.
const uint32_t kPcmFallbackFlags =
    AUDIO_BUFFER_CTRL_VOLUME | AUDIO_BUFFER_CTRL_PAN | AUDIO_BUFFER_STATIC;
const uint32_t kStreamFlags = kPcmFlags | AUDIO_BUFFER_CURRENT_POSITION2;

// The formats a secondary buffer can take at all.
const uint32_t kMinBufferRate = 100;
const uint32_t kMaxBufferRate = 200000;

AudioDevice *Device(void) { return GetSoundSystem()->device; }

bool Usable(const PlaybackBuffer *buffer) { return buffer && buffer->valid && buffer->buffer; }

int Checked(int result) { return result == 0 ? 0 : -1; }

bool StreamFormatPlayable(const WaveFormat *f) {
  return (f->channels == 1 || f->channels == 2) &&
         (f->bitsPerSample == 8 || f->bitsPerSample == 16) &&
         f->samplesPerSecond >= kMinBufferRate && f->samplesPerSecond <= kMaxBufferRate &&
         f->blockAlign > 0;
}

void ReleaseAll(SoundHandleRecord *record) {
  for (int i = 0; i < SOUND_BUFFER_LIMIT; i++) SoundBufferRelease(&record->buffers[i]);
  record->bufferCount = 0;
}

int CreatePcmBuffers(SoundHandleRecord *record, const WaveFormat *format, int bytes, int count) {
  if (count <= 0) return 0;
  AudioBufferDesc desc = {kPcmFlags, static_cast<uint32_t>(bytes), format};
  if (SoundBufferCreate(&record->buffers[0], &desc) != 0) {
    desc.flags = kPcmFallbackFlags;
    if (SoundBufferCreate(&record->buffers[0], &desc) != 0) {
      ReleaseAll(record);
      return WriteErrorLog("DirectSoundBuffer の作成に失敗しました\n");
    }
  }
  if (count > SOUND_BUFFER_LIMIT) count = SOUND_BUFFER_LIMIT;
  int made = 1;
  while (made < count && SoundBufferDuplicate(&record->buffers[made], &record->buffers[0]) == 0) {
    made++;
  }
  record->bufferCount = made;
  return 0;
}

int CreateStreamBuffer(SoundHandleRecord *record, const WaveFormat *format) {
  if (!StreamFormatPlayable(format)) return -1;
  // One second rounded up to whole blocks.
  const uint32_t block = format->blockAlign;
  const uint32_t second = format->averageBytesPerSecond & 0xFFFFFF;
  const uint32_t bytes = block * ((second + block - 1) / block);
  AudioBufferDesc desc = {kStreamFlags, bytes, format};
  if (SoundBufferCreate(&record->buffers[0], &desc) != 0) {
    FatalErrorExit("ストリーム風サウンドバッファの作成に失敗しました");
  }
  record->bufferCount = 1;
  record->stream.bufferSize = static_cast<int>(bytes);
  SoundSystem *system = GetSoundSystem();
  HandleListInsert(&system->streamHead, &record->stream.listNode, record->header.handle, record);
  return 0;
}

}  // namespace

int SoundBufferCreate(PlaybackBuffer *buffer, const AudioBufferDesc *desc) {
  if (!buffer || buffer->valid || !Device()) return -1;
  AudioBuffer *made = nullptr;
  if (Device()->CreateSoundBuffer(desc, &made) != 0 || !made) return -1;
  buffer->buffer = made;
  buffer->valid = 1;
  return 0;
}

int SoundBufferDuplicate(PlaybackBuffer *buffer, PlaybackBuffer *source) {
  if (!buffer || buffer->valid || !Usable(source) || !Device()) return -1;
  AudioBuffer *made = nullptr;
  if (Device()->DuplicateSoundBuffer(source->buffer, &made) != 0 || !made) return -1;
  buffer->buffer = made;
  buffer->valid = 1;
  return 0;
}

int SoundBufferRelease(PlaybackBuffer *buffer) {
  if (!Usable(buffer)) return -1;
  buffer->buffer->Release();
  buffer->buffer = nullptr;
  buffer->valid = 0;
  return 0;
}

int SoundBufferPlay(PlaybackBuffer *buffer, int loop) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->Play(loop ? AUDIO_PLAY_LOOPING : 0));
}

int SoundBufferStop(PlaybackBuffer *buffer) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->Stop());
}

int SoundBufferGetStatus(PlaybackBuffer *buffer, uint32_t *status) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->GetStatus(status));
}

int SoundBufferLock(PlaybackBuffer *buffer, uint32_t offset, uint32_t bytes,
                    LockedRegion *region) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->Lock(offset, bytes, &region->part1, &region->size1,
                                      &region->part2, &region->size2));
}

int SoundBufferUnlock(PlaybackBuffer *buffer, const LockedRegion *region) {
  if (!Usable(buffer)) return -1;
  return Checked(
      buffer->buffer->Unlock(region->part1, region->size1, region->part2, region->size2));
}

int SoundBufferSetFrequency(PlaybackBuffer *buffer, uint32_t hz) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->SetFrequency(hz));
}

int SoundBufferSetPan(PlaybackBuffer *buffer, int pan) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->SetPan(pan));
}

int SoundBufferSetVolume(PlaybackBuffer *buffer, int volume) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->SetVolume(volume));
}

int SoundBufferSetPosition(PlaybackBuffer *buffer, uint32_t offset) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->SetCurrentPosition(offset));
}

int SoundBufferGetPosition(PlaybackBuffer *buffer, uint32_t *play) {
  if (!Usable(buffer)) return -1;
  return Checked(buffer->buffer->GetCurrentPosition(play, nullptr));
}

void SoundBufferFillSilence(const SoundHandleRecord *record, const LockedRegion *region,
                            uint32_t bytes) {
  // 8-bit PCM is unsigned: 127 sits next to the mid-point the way the
  // framework has always written it.
  const int value = record->format.bitsPerSample == 8 ? 127 : 0;
  uint32_t first = bytes < region->size1 ? bytes : region->size1;
  if (region->part1) FillBytes(region->part1, value, static_cast<int>(first));
  uint32_t rest = bytes - first;
  if (rest > region->size2) rest = region->size2;
  if (region->part2) FillBytes(region->part2, value, static_cast<int>(rest));
}

int CreatePlaybackBuffers(SoundHandleRecord *record, const WaveFormat *format, int bytes,
                          int stream, int count) {
  const int result =
      stream ? CreateStreamBuffer(record, format) : CreatePcmBuffers(record, format, bytes, count);
  if (result != 0) return -1;
  record->kind = stream ? SOUND_KIND_STREAM : SOUND_KIND_PCM;
  for (int i = 0; i < SOUND_BUFFER_LIMIT; i++) record->filled[i] = 0;
  return 0;
}
