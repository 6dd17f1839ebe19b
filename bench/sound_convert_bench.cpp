// Sound loading costs against their floors. Ogg Vorbis through the
// converter against a bare ov_read loop over the same in-memory file (goal:
// at most 5% slower); a 180-second 44.1 kHz stereo WAV through
// ReadFileToMemory and ConvertSoundToMemory against one plain read plus one
// copy into blocks allocated the same way (goal: at most 1.2 times).
#include <benchmark/benchmark.h>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <string>
#include <vector>

#include "core/debug/memory.h"
#include "core/files/file_access.h"
#include "sound/core/sound_loading.h"
#include "sound/decoders/sound_converter.h"
#include "sound_bench_common.h"

namespace {

using namespace sound_bench;

void BM_OggBareOvRead(benchmark::State &state) {
  const Bytes &file = OggFile();
  int64_t bytes = 0;
  for (auto _ : state) bytes += DecodeWithBareOvRead(file);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_OggBareOvRead)->Unit(benchmark::kMillisecond);

void BM_OggThroughConverter(benchmark::State &state) {
  const Bytes &file = OggFile();
  int64_t bytes = 0;
  for (auto _ : state) {
    StreamSource source;
    OpenMemoryStreamSource(&source, file.data(), static_cast<int>(file.size()));
    SoundConverter conv;
    if (OpenSoundConverter(&source, &conv) != 0) state.SkipWithError("open failed");
    WaveFormat format;
    void *pcm = nullptr;
    int size = 0;
    ConvertSoundToMemory(&conv, &format, &pcm, &size);
    benchmark::DoNotOptimize(pcm);
    FreeMemory(pcm);
    CloseSoundConverter(&conv);
    source.functions.close(source.stream);
    bytes += size;
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_OggThroughConverter)->Unit(benchmark::kMillisecond);

// 180 s of 44.1 kHz 16-bit stereo written once to a temporary file.
const std::string &LongWavPath(void) {
  static std::string path;
  if (!path.empty()) return path;
  path = "/tmp/velvane-bench-180s.wav";
  const uint32_t dataBytes = 44100u * 4 * 180;
  FILE *f = fopen(path.c_str(), "wb");
  const Bytes h = CdWavHeader(dataBytes);
  fwrite(h.data(), 1, h.size(), f);
  Bytes chunk(1 << 20);
  for (size_t i = 0; i < chunk.size(); i++) chunk[i] = static_cast<unsigned char>(i * 31);
  for (uint32_t written = 0; written < dataBytes;) {
    const uint32_t n = dataBytes - written < chunk.size() ? dataBytes - written : static_cast<uint32_t>(chunk.size());
    fwrite(chunk.data(), 1, n, f);
    written += n;
  }
  fclose(f);
  return path;
}

void BM_WavPlainReadAndCopy(benchmark::State &state) {
  const std::string &path = LongWavPath();
  int64_t bytes = 0;
  for (auto _ : state) {
    FILE *f = fopen(path.c_str(), "rb");
    fseek(f, 0, SEEK_END);
    const long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    void *image = AllocMemory(static_cast<int>(size), "", 0);
    const size_t got = fread(image, 1, static_cast<size_t>(size), f);
    fclose(f);
    void *pcm = AllocMemory(static_cast<int>(got - 44), "", 0);
    memcpy(pcm, static_cast<unsigned char *>(image) + 44, got - 44);
    benchmark::DoNotOptimize(pcm);
    FreeMemory(pcm);
    FreeMemory(image);
    bytes += static_cast<int64_t>(got);
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WavPlainReadAndCopy)->Unit(benchmark::kMillisecond);

void BM_WavReadFileAndConvert(benchmark::State &state) {
  const std::string &path = LongWavPath();
  int64_t bytes = 0;
  for (auto _ : state) {
    void *image = nullptr;
    int size = 0;
    if (ReadFileToMemory(path.c_str(), &image, &size) != 0) state.SkipWithError("read failed");
    StreamSource source;
    OpenMemoryStreamSource(&source, image, size);
    SoundConverter conv;
    OpenSoundConverter(&source, &conv);
    WaveFormat format;
    void *pcm = nullptr;
    int pcmSize = 0;
    ConvertSoundToMemory(&conv, &format, &pcm, &pcmSize);
    benchmark::DoNotOptimize(pcm);
    FreeMemory(pcm);
    CloseSoundConverter(&conv);
    source.functions.close(source.stream);
    FreeMemory(image);
    bytes += size;
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_WavReadFileAndConvert)->Unit(benchmark::kMillisecond);

}  // namespace
