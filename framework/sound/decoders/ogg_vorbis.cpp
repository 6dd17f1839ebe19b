// The Ogg Vorbis member: vorbisfile decodes to 16-bit PCM, reading through
// the converter's own StreamSource. vorbisfile's open looks at every
// beginning-of-stream page for the Vorbis identification header, so it also
// finds the sound track behind a movie's Theora stream.
#include <limits.h>
#include <stdint.h>

#include "sound/core/sound_system.h"
#include "sound/decoders/sound_converter.h"

namespace {

const int kBlockBytes = 4096;
// Holes in the data are skipped, but a file of nothing but holes must not
// keep a reader busy for ever.
const int kHoleRetries = 64;

size_t OggReadCallback(void *ptr, size_t size, size_t count, void *datasource) {
  StreamSource *source = static_cast<StreamSource *>(datasource);
  if (!source || size == 0) return 0;
  const size_t wanted = size * count;
  const int bytes = wanted > INT_MAX ? INT_MAX : static_cast<int>(wanted);
  const int got = source->functions.read(ptr, 1, bytes, source->stream);
  return got <= 0 ? 0 : static_cast<size_t>(got) / size;
}

int OggSeekCallback(void *datasource, ogg_int64_t offset, int whence) {
  StreamSource *source = static_cast<StreamSource *>(datasource);
  if (!source || offset < INT_MIN || offset > INT_MAX) return -1;
  return source->functions.seek(source->stream, static_cast<int>(offset), whence);
}

int OggCloseCallback(void *) { return 0; }

long OggTellCallback(void *datasource) {
  StreamSource *source = static_cast<StreamSource *>(datasource);
  if (!source) return -1;
  return source->functions.tell(source->stream);
}

const ov_callbacks kCallbacks = {OggReadCallback, OggSeekCallback, OggCloseCallback,
                                 OggTellCallback};

// Fills the output format from the first link; false when the numbers
// cannot describe deliverable PCM.
bool DescribeOutput(SoundConverter *conv, const vorbis_info *vi, int width) {
  if (!vi || vi->channels < 1 || vi->rate < 1 || vi->rate > INT_MAX) return false;
  const int64_t blockAlign = static_cast<int64_t>(vi->channels) * width;
  const int64_t perSecond = blockAlign * vi->rate;
  if (blockAlign > UINT16_MAX || perSecond > INT_MAX) return false;
  WaveFormat &f = conv->outputFormat;
  f.formatTag = WAVE_FORMAT_TAG_PCM;
  f.channels = static_cast<uint16_t>(vi->channels);
  f.samplesPerSecond = static_cast<uint32_t>(vi->rate);
  f.blockAlign = static_cast<uint16_t>(blockAlign);
  f.bitsPerSample = static_cast<uint16_t>(width * 8);
  f.averageBytesPerSecond = static_cast<uint32_t>(perSecond);
  f.extraSize = 0;
  return true;
}

// The decoded length in bytes; false when vorbisfile cannot tell it or it
// does not fit an int.
bool MeasureLength(SoundConverter *conv) {
  const ogg_int64_t samples = ov_pcm_total(&conv->state.ogg.vorbisFile, -1);
  if (samples < 0) return false;
  const int64_t bytes = static_cast<int64_t>(samples) * conv->outputFormat.blockAlign;
  if (bytes > INT_MAX) return false;
  conv->dataSize = static_cast<int>(bytes);
  return true;
}

// A link with another layout cannot go on in this PCM.
bool LinkMatches(SoundConverter *conv, int link) {
  const vorbis_info *vi = ov_info(&conv->state.ogg.vorbisFile, link);
  return vi && vi->channels == conv->outputFormat.channels &&
         vi->rate == static_cast<long>(conv->outputFormat.samplesPerSecond);
}

}  // namespace

int OpenOggVorbis(SoundConverter *conv) {
  OggVorbisState &ogg = conv->state.ogg;
  ogg.oggOpen = 0;
  ogg.seekFailed = 0;
  if (ov_open_callbacks(&conv->source, &ogg.vorbisFile, nullptr, 0, kCallbacks) != 0) return -1;
  ogg.oggOpen = 1;
  ogg.bytesPerSample = GetSoundSystem()->oggSampleWidth;
  if (!DescribeOutput(conv, ov_info(&ogg.vorbisFile, -1), ogg.bytesPerSample) ||
      !MeasureLength(conv)) {
    CloseOggVorbis(conv);
    return -1;
  }
  conv->bufferSize = kBlockBytes;
  conv->kind = SOUND_CONVERTER_OGG_VORBIS;
  return 0;
}

int ReadOggVorbisBlock(SoundConverter *conv) {
  OggVorbisState &ogg = conv->state.ogg;
  if (ogg.seekFailed) return -1;
  const int width = ogg.bytesPerSample;
  for (int attempt = 0; attempt <= kHoleRetries; attempt++) {
    int link = 0;
    const long n = ov_read(&ogg.vorbisFile, reinterpret_cast<char *>(conv->buffer),
                           conv->bufferSize, 0, width, width != 1, &link);
    if (n == OV_HOLE) continue;
    if (n <= 0 || !LinkMatches(conv, link)) return -1;
    conv->bufferedBytes = static_cast<int>(n);
    return 0;
  }
  return -1;
}

void SeekOggVorbis(SoundConverter *conv, int sample) {
  OggVorbisState &ogg = conv->state.ogg;
  ogg.seekFailed = ov_pcm_seek(&ogg.vorbisFile, sample) != 0;
  conv->bufferedBytes = conv->bufferOffset = 0;
  conv->outputPosition = sample * conv->outputFormat.blockAlign;
}

int GetOggVorbisLength(SoundConverter *conv) { return conv->dataSize; }

int CloseOggVorbis(SoundConverter *conv) {
  OggVorbisState &ogg = conv->state.ogg;
  if (ogg.oggOpen == 1) {
    ov_clear(&ogg.vorbisFile);
    ogg.oggOpen = 0;
  }
  return 0;
}
