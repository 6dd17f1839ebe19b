// Any bytes as an Ogg Vorbis file for the Ogg Vorbis converter member alone:
// open, decode everything, seek and read.
#include "fuzz/sound_converter_fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzOneConverterMember(SOUND_SKIP_OGG_VORBIS, data, size);
  return 0;
}
