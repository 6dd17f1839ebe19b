// The 18-byte PCM format record every sound path passes around, laid out
// byte for byte as the platform's WAVEFORMATEX so it can be handed to
// DirectSound and written into RIFF images unchanged.
#ifndef VELVANE_SOUND_WAVE_FORMAT_H
#define VELVANE_SOUND_WAVE_FORMAT_H

#include <stdint.h>

#pragma pack(push, 1)
struct WaveFormat {
  uint16_t formatTag;
  uint16_t channels;
  uint32_t samplesPerSecond;
  uint32_t averageBytesPerSecond;
  uint16_t blockAlign;
  uint16_t bitsPerSample;
  uint16_t extraSize;
};
#pragma pack(pop)

static_assert(sizeof(WaveFormat) == 18, "WaveFormat is the 18-byte WAVEFORMATEX layout");

enum { WAVE_FORMAT_TAG_PCM = 1 };

#endif  // VELVANE_SOUND_WAVE_FORMAT_H
