// The WAVE PCM member: a RIFF/WAVE file whose "fmt " chunk comes first (or
// right after a "bext" chunk) and describes PCM. Chunk sizes are taken as
// unsigned and never trusted beyond the bytes the stream still holds.
#include <limits.h>
#include <stdint.h>
#include <string.h>

#include "core/debug/memory.h"
#include "core/util/strings.h"
#include "sound/decoders/sound_converter.h"

namespace {

const int kMinFormatBody = 16;

struct ChunkHeader {
  char id[4];
  uint32_t size;
};

bool IdIs(const char *id, const char *name) { return memcmp(id, name, 4) == 0; }

uint32_t ReadLe32(const unsigned char *p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads exactly n bytes; a short read counts as a failure.
bool ReadExact(SoundConverter *conv, void *dst, int n) {
  return conv->source.functions.read(dst, 1, n, conv->source.stream) == n;
}

int Tell(SoundConverter *conv) { return conv->source.functions.tell(conv->source.stream); }

bool ReadChunkHeader(SoundConverter *conv, ChunkHeader *header) {
  unsigned char raw[8];
  if (!ReadExact(conv, raw, 8)) return false;
  memcpy(header->id, raw, 4);
  header->size = ReadLe32(raw + 4);
  return true;
}

// Bytes between the current position and the end of the stream.
uint32_t BytesLeft(SoundConverter *conv, int streamSize) {
  const int at = Tell(conv);
  return at < 0 || at >= streamSize ? 0 : static_cast<uint32_t>(streamSize - at);
}

// Skips a chunk body; false when it runs past the end of the stream.
bool SkipBody(SoundConverter *conv, uint32_t bytes, int streamSize) {
  if (bytes > BytesLeft(conv, streamSize)) return false;
  return conv->source.functions.seek(conv->source.stream, static_cast<int>(bytes), 1) == 0;
}

int StreamSize(SoundConverter *conv) {
  const StreamFunctions &f = conv->source.functions;
  if (f.seek(conv->source.stream, 0, 2) != 0) return -1;
  const int size = f.tell(conv->source.stream);
  f.seek(conv->source.stream, 0, 0);
  return size;
}

// Reads the "fmt " body and fills outputFormat; false for anything but
// usable PCM.
bool ReadPcmFormat(SoundConverter *conv, uint32_t size, int streamSize) {
  if (size < kMinFormatBody || size > BytesLeft(conv, streamSize)) return false;
  conv->formatChunkPosition = Tell(conv);
  conv->formatChunkSize = static_cast<int>(size);
  unsigned char *body = static_cast<unsigned char *>(VV_ALLOC(size));
  if (!body) return false;
  const bool read = ReadExact(conv, body, static_cast<int>(size));
  WaveFormat format = {};
  CopyBytes(&format, body, size < sizeof(format) ? static_cast<int>(size) : sizeof(format));
  FreeMemory(body);
  if (!read || format.formatTag != WAVE_FORMAT_TAG_PCM || format.channels < 1) return false;
  // Writers of the short form often leave bits per sample wrong; the block
  // size tells the truth.
  if (size == kMinFormatBody) {
    format.bitsPerSample = static_cast<uint16_t>(format.blockAlign / format.channels * 8);
    format.extraSize = 0;
  }
  if (!IsUsablePcmFormat(&format)) return false;
  conv->outputFormat = format;
  return true;
}

// Walks the chunks after "fmt " up to "data"; false when the stream ends
// first.
bool FindDataChunk(SoundConverter *conv, int streamSize) {
  ChunkHeader header;
  while (!conv->source.functions.eof(conv->source.stream)) {
    if (!ReadChunkHeader(conv, &header)) return false;
    if (IdIs(header.id, "data")) {
      conv->dataPosition = Tell(conv);
      uint32_t size = header.size;
      const uint32_t left = BytesLeft(conv, streamSize);
      if (size > left) size = left;
      conv->dataSize = static_cast<int>(size - size % conv->outputFormat.blockAlign);
      return true;
    }
    const uint32_t padded = header.size + (header.size & 1);
    if (padded < header.size || !SkipBody(conv, padded, streamSize)) return false;
  }
  return false;
}

}  // namespace

int OpenWavePcm(SoundConverter *conv) {
  const int streamSize = StreamSize(conv);
  if (streamSize < 0) return -1;
  ChunkHeader header;
  char wave[4];
  if (!ReadChunkHeader(conv, &header) || !IdIs(header.id, "RIFF")) return -1;
  if (!ReadExact(conv, wave, 4) || !IdIs(wave, "WAVE")) return -1;
  if (!ReadChunkHeader(conv, &header)) return -1;
  if (IdIs(header.id, "bext")) {
    if (!SkipBody(conv, header.size, streamSize) || !ReadChunkHeader(conv, &header)) return -1;
  }
  if (!IdIs(header.id, "fmt ") || !ReadPcmFormat(conv, header.size, streamSize)) return -1;
  if (!FindDataChunk(conv, streamSize)) return -1;
  // One second of output, but never more than the data needs.
  const int second = static_cast<int>(conv->outputFormat.averageBytesPerSecond);
  const int block = conv->outputFormat.blockAlign;
  conv->bufferSize = second < conv->dataSize ? second : (conv->dataSize > block ? conv->dataSize : block);
  conv->kind = SOUND_CONVERTER_WAVE_PCM;
  return 0;
}

int ReadWavePcmBlock(SoundConverter *conv) {
  const int consumed = Tell(conv) - conv->dataPosition;
  if (consumed < 0 || consumed >= conv->dataSize) return -1;
  const int left = conv->dataSize - consumed;
  const int want = left < conv->bufferSize ? left : conv->bufferSize;
  const int got = conv->source.functions.read(conv->buffer, 1, want, conv->source.stream);
  if (got <= 0) return -1;
  conv->bufferedBytes = got;
  return 0;
}
