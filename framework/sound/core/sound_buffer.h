// Thin wrappers over one playback buffer, the silence fill, and the making
// of a sound's buffers. Each wrapper gives -1 when the buffer is not valid
// (create and duplicate: when it already is) or the device call fails.
#ifndef VELVANE_SOUND_SOUND_BUFFER_H
#define VELVANE_SOUND_SOUND_BUFFER_H

#include <stdint.h>

#include "sound/core/audio_device.h"

struct SoundHandleRecord;

struct PlaybackBuffer {
  int valid;
  AudioBuffer *buffer;
};

// A locked two-part region of a buffer.
struct LockedRegion {
  void *part1;
  uint32_t size1;
  void *part2;
  uint32_t size2;
};

int SoundBufferCreate(PlaybackBuffer *buffer, const AudioBufferDesc *desc);
int SoundBufferDuplicate(PlaybackBuffer *buffer, PlaybackBuffer *source);
int SoundBufferRelease(PlaybackBuffer *buffer);
int SoundBufferPlay(PlaybackBuffer *buffer, int loop);
int SoundBufferStop(PlaybackBuffer *buffer);
int SoundBufferGetStatus(PlaybackBuffer *buffer, uint32_t *status);
int SoundBufferLock(PlaybackBuffer *buffer, uint32_t offset, uint32_t bytes,
                    LockedRegion *region);
int SoundBufferUnlock(PlaybackBuffer *buffer, const LockedRegion *region);
int SoundBufferSetFrequency(PlaybackBuffer *buffer, uint32_t hz);
int SoundBufferSetPan(PlaybackBuffer *buffer, int pan);
int SoundBufferSetVolume(PlaybackBuffer *buffer, int volume);
int SoundBufferSetPosition(PlaybackBuffer *buffer, uint32_t offset);
// The play cursor (bytes from the buffer's start).
int SoundBufferGetPosition(PlaybackBuffer *buffer, uint32_t *play);

// Writes silence over a locked region, first part first, up to bytes:
// 127 for 8-bit formats, 0 otherwise.
void SoundBufferFillSilence(const SoundHandleRecord *record, const LockedRegion *region,
                            uint32_t bytes);

// Makes a sound's buffers: PCM (stream 0) one static buffer of bytes and
// count - 1 duplicates sharing its memory; a stream one buffer of a second,
// and the record joins the stream list. -1 when no buffer could be made or
// a stream's format cannot be played at all; a stream buffer the device
// refuses for a playable format ends the program.
int CreatePlaybackBuffers(SoundHandleRecord *record, const WaveFormat *format, int bytes,
                          int stream, int count);

#endif  // VELVANE_SOUND_SOUND_BUFFER_H
