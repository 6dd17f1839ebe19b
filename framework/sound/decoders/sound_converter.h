// The sound converter: turns a sound file read through a StreamSource into
// PCM. Opening tries the members in a fixed order (WAVE PCM, ACM-coded WAV,
// Ogg Vorbis, MP3 through ACM, MP3 through DirectShow); the first that
// accepts the data wins. Then PCM comes out all at once
// (ConvertSoundToMemory) or piecewise with seeking by sample. Converters
// write no log: a failure is -1.
#ifndef VELVANE_SOUND_SOUND_CONVERTER_H
#define VELVANE_SOUND_SOUND_CONVERTER_H

#include <vorbis/vorbisfile.h>

#include "core/files/file_access.h"
#include "sound/core/wave_format.h"

enum SoundConverterKind {
  SOUND_CONVERTER_WAVE_PCM = 0,
  SOUND_CONVERTER_ACM = 1,
  SOUND_CONVERTER_OGG_VORBIS = 2,
  SOUND_CONVERTER_MEMORY_PCM = 3
};

// Skip-mask bits, one per member.
enum {
  SOUND_SKIP_WAVE_PCM = 0x1,
  SOUND_SKIP_WAVE_ACM = 0x2,
  SOUND_SKIP_OGG_VORBIS = 0x4,
  SOUND_SKIP_MP3_ACM = 0x8,
  SOUND_SKIP_MP3_DIRECTSHOW = 0x10
};

// ACM-coded WAV and MP3 through ACM.
struct AcmConverterState {
  void *sourceFormat;
  void *mainStream;
  void *aheadStream;
  unsigned char *codedData;
  int codedSize;
  int mainSourcePosition;
  int totalSamples;  // -1 when unknown
  int aheadSourcePosition;
  int aheadOutputPosition;
  unsigned char *aheadBuffer;
};

struct OggVorbisState {
  int oggOpen;
  OggVorbis_File vorbisFile;
  int bytesPerSample;
  int seekFailed;  // a failed seek ends the data until the next seek
};

struct MemoryPcmState {
  unsigned char *pcmData;
  int pcmCapacity;
  int pcmSize;
  int pcmPosition;
};

struct SoundConverter {
  int initialised;
  int endOfData;
  int kind;  // SoundConverterKind
  StreamSource source;  // the owner's stream; never closed here
  int formatChunkPosition;
  int formatChunkSize;
  int dataPosition;
  int dataSize;  // coded bytes; for Ogg Vorbis the decoded length
  WaveFormat outputFormat;
  union {
    AcmConverterState acm;
    OggVorbisState ogg;
    MemoryPcmState memory;
  } state;
  unsigned char *buffer;
  int bufferSize;
  int bufferedBytes;
  int bufferOffset;
  int outputPosition;
  int lookAheadTarget;
  int useOlderVorbisFile;
};

// 0, or -1 when no member accepts the data or memory runs out.
int OpenSoundConverter(const StreamSource *source, SoundConverter *conv);
// Bytes delivered (0 at the end or for 0 bytes); -1 when not open.
int ReadSoundConverter(SoundConverter *conv, void *dst, int bytes);
// The next byte delivered is the first of sample; a seek within 15 bytes
// of the current position changes nothing.
void SeekSoundConverter(SoundConverter *conv, int sample);
// Decoded length in bytes.
int GetSoundConverterLength(const SoundConverter *conv);
int GetSoundConverterFormat(const SoundConverter *conv, WaveFormat *out);
// Decodes everything into a new block from AllocMemory (the caller's);
// size is the bytes actually delivered. -1 when the block cannot be made.
int ConvertSoundToMemory(SoundConverter *conv, WaveFormat *format, void **data, int *size);
// 0; -1 when not open.
int CloseSoundConverter(SoundConverter *conv);
int SetSoundConverterSkipMask(int mask);
int GetSoundConverterSkipMask(void);

// Members: each opener gets the converter with its source copied and the
// stream at the start, and returns 0 with kind, outputFormat, dataPosition,
// dataSize and bufferSize filled, or -1 with everything it made released.
// A fill-block operation puts the next PCM at the start of the buffer and
// sets bufferedBytes (0), or reports the end (-1).
int OpenWavePcm(SoundConverter *conv);
int ReadWavePcmBlock(SoundConverter *conv);
int OpenWaveAcm(SoundConverter *conv);
int OpenMp3Acm(SoundConverter *conv);
int OpenMp3DirectShow(SoundConverter *conv);
int ReadMemoryPcmBlock(SoundConverter *conv);
int OpenOggVorbis(SoundConverter *conv);
int ReadOggVorbisBlock(SoundConverter *conv);
void SeekOggVorbis(SoundConverter *conv, int sample);
int GetOggVorbisLength(SoundConverter *conv);
int CloseOggVorbis(SoundConverter *conv);

// Whether a PCM format can be delivered: channels, rate, block align and
// bits at least 1, block align = channels x bits / 8 and bytes per second
// = block align x rate within an int.
int IsUsablePcmFormat(const WaveFormat *format);

#endif  // VELVANE_SOUND_SOUND_CONVERTER_H
