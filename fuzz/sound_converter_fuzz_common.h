// Shared body of the sound converter fuzz targets: any bytes, opened over a
// memory stream with only one chain member enabled, must be refused or
// decode within the length the converter reports, seek and read again, and
// close leaving no block behind.
#ifndef VELVANE_FUZZ_SOUND_CONVERTER_FUZZ_COMMON_H
#define VELVANE_FUZZ_SOUND_CONVERTER_FUZZ_COMMON_H

#include <limits.h>
#include <stdint.h>
#include <stdlib.h>

#include "core/debug/memory.h"
#include "core/files/file_access.h"
#include "sound/decoders/sound_converter.h"

inline void FuzzOneConverterMember(int onlyMember, const uint8_t *data, size_t size) {
  if (size > INT_MAX) return;
  SetSoundConverterSkipMask(0x1F & ~onlyMember);
  const int blocksBefore = GetAllocatedBlockCount();
  StreamSource source;
  if (OpenMemoryStreamSource(&source, data, static_cast<int>(size)) != 0) return;
  SoundConverter conv;
  if (OpenSoundConverter(&source, &conv) == 0) {
    const int length = GetSoundConverterLength(&conv);
    WaveFormat format;
    void *pcm = nullptr;
    int pcmSize = 0;
    if (ConvertSoundToMemory(&conv, &format, &pcm, &pcmSize) == 0) {
      if (pcmSize < 0 || pcmSize > length) abort();
      FreeMemory(pcm);
    }
    unsigned char scratch[4096];
    SeekSoundConverter(&conv, format.blockAlign ? length / format.blockAlign / 3 : 0);
    if (ReadSoundConverter(&conv, scratch, sizeof(scratch)) > static_cast<int>(sizeof(scratch))) {
      abort();
    }
    CloseSoundConverter(&conv);
  }
  source.functions.close(source.stream);
  if (GetAllocatedBlockCount() != blocksBefore) abort();
}

#endif  // VELVANE_FUZZ_SOUND_CONVERTER_FUZZ_COMMON_H
