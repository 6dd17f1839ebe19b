// The in-memory PCM kind: PCM a member decoded in advance, delivered from
// its block.
#include "core/util/strings.h"
#include "sound/decoders/sound_converter.h"

int ReadMemoryPcmBlock(SoundConverter *conv) {
  MemoryPcmState &m = conv->state.memory;
  if (m.pcmPosition >= m.pcmSize) return -1;
  const int left = m.pcmSize - m.pcmPosition;
  const int n = left < conv->bufferSize ? left : conv->bufferSize;
  CopyBytes(conv->buffer, m.pcmData + m.pcmPosition, n);
  m.pcmPosition += n;
  conv->bufferedBytes = n;
  return 0;
}
