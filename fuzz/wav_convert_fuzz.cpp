// Any bytes as a WAV file for the WAVE PCM converter member alone.
#include "fuzz/sound_converter_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzOneConverterMember(SOUND_SKIP_WAVE_PCM, data, size);
  return 0;
}
