// Sound handles (kind 2): the record of a sound held as PCM in up to ten
// playback buffers or as a stream sound, its handle table operations and
// the record-level queries. The public play, stop and query functions are
// declared in velvane.h.
#ifndef VELVANE_SOUND_SOUND_HANDLES_H
#define VELVANE_SOUND_SOUND_HANDLES_H

#include "core/base/handle_table.h"
#include "sound/core/sound_buffer.h"
#include "sound/core/wave_format.h"
#include "sound/stream/stream_sound.h"

enum { SOUND_BUFFER_LIMIT = 10 };

enum { SOUND_KIND_PCM = 0, SOUND_KIND_STREAM = 1 };

struct SoundHandleRecord {
  HandleObject header;  // the handle, its check number included
  PlaybackBuffer buffers[SOUND_BUFFER_LIMIT];
  WaveFormat format;
  int kind;
  StreamSoundBlock stream;
  int pcmSize;
  void *pcmData;
  int *referenceCount;  // owns pcmData; null while there is none
  int filled[SOUND_BUFFER_LIMIT];
  int bufferCount;
  int lastBuffer;
  int volume;
  int pan;
  int frequency;
};

// -1 makes a new record in a new slot; a handle whose slot is free makes
// the record again in that slot under that very handle. The handle or -1.
int AddSoundData(int handle);
// The record of a valid handle while sound is started; else null.
SoundHandleRecord *LookupSoundRecord(int handle);
// The round robin of a PCM play: 0 ready to play, 1 nothing to do (the
// next buffer plays and restart is 0), -1 failure.
int PrepareNextPlaybackBuffer(SoundHandleRecord *record, int restart);

// Sample-frame and millisecond conversions through 64 bits; 0 for a rate
// of 0.
int MsToSamples(int rate, int ms);
int SamplesToMs(int samples, int rate);

#endif  // VELVANE_SOUND_SOUND_HANDLES_H
