#include "sound/decoders/sound_converter.h"

#include <limits.h>
#include <stdint.h>

#include "core/debug/memory.h"
#include "core/util/strings.h"
#include "sound/core/sound_system.h"

namespace {

// A seek closer than this to the current position is not carried out.
const int kSeekSlack = 16;

typedef int (*MemberOpen)(SoundConverter *conv);

struct ChainMember {
  int skipBit;
  MemberOpen open;
};

const ChainMember kChain[] = {
    {SOUND_SKIP_WAVE_PCM, OpenWavePcm},
    {SOUND_SKIP_WAVE_ACM, OpenWaveAcm},
    {SOUND_SKIP_OGG_VORBIS, OpenOggVorbis},
    {SOUND_SKIP_MP3_ACM, OpenMp3Acm},
    {SOUND_SKIP_MP3_DIRECTSHOW, OpenMp3DirectShow},
};

void RewindSource(SoundConverter *conv) {
  conv->source.functions.seek(conv->source.stream, 0, 0);
}

// Releases what the member made, as closing does.
void CloseMember(SoundConverter *conv) {
  switch (conv->kind) {
    case SOUND_CONVERTER_OGG_VORBIS:
      CloseOggVorbis(conv);
      break;
    case SOUND_CONVERTER_MEMORY_PCM:
      FreeMemory(conv->state.memory.pcmData);
      conv->state.memory.pcmData = nullptr;
      break;
    default:
      break;
  }
}

int FillBlock(SoundConverter *conv) {
  switch (conv->kind) {
    case SOUND_CONVERTER_WAVE_PCM:
      return ReadWavePcmBlock(conv);
    case SOUND_CONVERTER_OGG_VORBIS:
      return ReadOggVorbisBlock(conv);
    case SOUND_CONVERTER_MEMORY_PCM:
      return ReadMemoryPcmBlock(conv);
    default:
      return -1;
  }
}

void EmptyBuffer(SoundConverter *conv) {
  conv->bufferedBytes = 0;
  conv->bufferOffset = 0;
}

// Moves to output byte t (already within the data) by kind.
void MoveTo(SoundConverter *conv, int sample, int t) {
  switch (conv->kind) {
    case SOUND_CONVERTER_WAVE_PCM:
      conv->source.functions.seek(conv->source.stream, conv->dataPosition + t, 0);
      conv->outputPosition = t;
      EmptyBuffer(conv);
      break;
    case SOUND_CONVERTER_MEMORY_PCM:
      conv->outputPosition = conv->state.memory.pcmPosition = t;
      EmptyBuffer(conv);
      break;
    case SOUND_CONVERTER_OGG_VORBIS:
      SeekOggVorbis(conv, sample);
      break;
    default:
      break;
  }
  conv->endOfData = 0;
}

// The output byte of a sample, kept within 0 and the length so a seek can
// never leave a stream outside its data.
int ClampedByteOf(const SoundConverter *conv, int sample, int *clampedSample) {
  const int blockAlign = conv->outputFormat.blockAlign;
  const int64_t length = GetSoundConverterLength(conv);
  int64_t samples = sample < 0 ? 0 : sample;
  if (blockAlign > 0 && samples * blockAlign > length) samples = length / blockAlign;
  *clampedSample = static_cast<int>(samples);
  return static_cast<int>(samples * blockAlign);
}

}  // namespace

int IsUsablePcmFormat(const WaveFormat *f) {
  if (f->channels < 1 || f->samplesPerSecond < 1 || f->blockAlign < 1 || f->bitsPerSample < 1) {
    return 0;
  }
  if (f->blockAlign != static_cast<int64_t>(f->channels) * f->bitsPerSample / 8) return 0;
  const int64_t perSecond = static_cast<int64_t>(f->blockAlign) * f->samplesPerSecond;
  return perSecond == f->averageBytesPerSecond && perSecond <= INT_MAX;
}

int OpenSoundConverter(const StreamSource *source, SoundConverter *conv) {
  FillBytes(conv, 0, sizeof(*conv));
  conv->useOlderVorbisFile = GetSoundSystem()->movieSoundFlag;
  conv->source = *source;
  conv->lookAheadTarget = 0;
  RewindSource(conv);
  const int skip = GetSoundSystem()->converterSkipMask;
  int opened = -1;
  for (const ChainMember &member : kChain) {
    if (skip & member.skipBit) continue;
    if (member.open(conv) == 0) {
      opened = 0;
      break;
    }
    RewindSource(conv);
  }
  if (opened != 0) return -1;
  conv->endOfData = 0;
  conv->buffer = static_cast<unsigned char *>(VV_ALLOC(conv->bufferSize));
  if (!conv->buffer) {
    CloseMember(conv);
    return -1;
  }
  EmptyBuffer(conv);
  conv->outputPosition = 0;
  conv->initialised = 1;
  return 0;
}

int ReadSoundConverter(SoundConverter *conv, void *dst, int bytes) {
  if (!conv->initialised) return -1;
  if (conv->endOfData || bytes <= 0) return 0;
  unsigned char *out = static_cast<unsigned char *>(dst);
  int delivered = 0;
  while (bytes > 0) {
    if (conv->bufferedBytes == 0) {
      conv->bufferOffset = 0;
      if (FillBlock(conv) != 0) {
        conv->endOfData = 1;
        return delivered;
      }
    }
    const int n = bytes < conv->bufferedBytes ? bytes : conv->bufferedBytes;
    CopyBytes(out + delivered, conv->buffer + conv->bufferOffset, n);
    conv->bufferedBytes -= n;
    conv->bufferOffset += n;
    conv->outputPosition += n;
    delivered += n;
    bytes -= n;
  }
  return delivered;
}

void SeekSoundConverter(SoundConverter *conv, int sample) {
  if (!conv->initialised) return;
  int clampedSample = 0;
  const int t = ClampedByteOf(conv, sample, &clampedSample);
  const int distance = t - conv->outputPosition;
  if (distance > -kSeekSlack && distance < kSeekSlack) return;
  MoveTo(conv, clampedSample, t);
}

int GetSoundConverterLength(const SoundConverter *conv) {
  switch (conv->kind) {
    case SOUND_CONVERTER_WAVE_PCM:
    case SOUND_CONVERTER_OGG_VORBIS:
      return conv->dataSize;
    case SOUND_CONVERTER_MEMORY_PCM:
      return conv->state.memory.pcmSize;
    default:
      return 0;
  }
}

int GetSoundConverterFormat(const SoundConverter *conv, WaveFormat *out) {
  *out = conv->outputFormat;
  return 0;
}

int ConvertSoundToMemory(SoundConverter *conv, WaveFormat *format, void **data, int *size) {
  if (!conv->initialised) return -1;
  const int n = GetSoundConverterLength(conv);
  void *block = VV_ALLOC(n);
  if (!block) return -1;
  // Always from the very start, also when the converter stands within the
  // seek slack of it.
  MoveTo(conv, 0, 0);
  int delivered;
  if (conv->kind == SOUND_CONVERTER_WAVE_PCM) {
    delivered = conv->source.functions.read(block, 1, n, conv->source.stream);
    if (delivered < 0) delivered = 0;
    // The stream moved past what was read: keep the position in step so a
    // later seek or read starts from the truth.
    conv->outputPosition = delivered;
  } else {
    delivered = ReadSoundConverter(conv, block, n);
  }
  *format = conv->outputFormat;
  *data = block;
  *size = delivered;
  return 0;
}

int CloseSoundConverter(SoundConverter *conv) {
  if (!conv->initialised) return -1;
  FreeMemory(conv->buffer);
  conv->buffer = nullptr;
  CloseMember(conv);
  conv->initialised = 0;
  return 0;
}

int SetSoundConverterSkipMask(int mask) {
  GetSoundSystem()->converterSkipMask = mask;
  return 0;
}

int GetSoundConverterSkipMask(void) { return GetSoundSystem()->converterSkipMask; }
