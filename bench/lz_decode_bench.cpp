// LZ block decoding against zlib's inflate on the same inputs (each packed
// by its own compressor). Figures are MB/s of output; the "ratio" counter
// is packed size / unpacked size.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <vector>

#include "core/files/lz_decode.h"
#include "tools/lz_encode.h"
#include "tools/sample_data.h"

namespace {

enum SampleKind { TEXT, IMAGE, RANDOM };

struct Sample {
  std::vector<uint8_t> data;
  std::vector<uint8_t> lzBlock;
  std::vector<uint8_t> zlibData;
};

const size_t kSampleSize = 4 << 20;

Sample MakeSample(SampleKind kind) {
  Sample s;
  switch (kind) {
    case TEXT: s.data = MakeTextSample(kSampleSize, 11); break;
    case IMAGE: s.data = MakeImageSample(1024, 1024); break;
    case RANDOM: s.data = MakeRandomSample(kSampleSize, 13); break;
  }
  s.lzBlock = EncodeLzBlock(s.data.data(), s.data.size());
  uLongf zlibSize = compressBound(s.data.size());
  s.zlibData.resize(zlibSize);
  compress2(s.zlibData.data(), &zlibSize, s.data.data(), s.data.size(), Z_DEFAULT_COMPRESSION);
  s.zlibData.resize(zlibSize);
  return s;
}

const char *const kSampleNames[] = {"text", "32-bit image", "random"};

const Sample &GetSample(SampleKind kind) {
  static const Sample samples[] = {MakeSample(TEXT), MakeSample(IMAGE), MakeSample(RANDOM)};
  return samples[kind];
}

void LzDecode(benchmark::State &state) {
  const Sample &s = GetSample(static_cast<SampleKind>(state.range(0)));
  state.SetLabel(kSampleNames[state.range(0)]);
  std::vector<uint8_t> out(s.data.size());
  for (auto _ : state) {
    const int n = DecodeLzBlock(s.lzBlock.data(), static_cast<int>(s.lzBlock.size()), out.data(),
                                static_cast<int>(out.size()));
    if (n != static_cast<int>(s.data.size())) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  if (out != s.data) state.SkipWithError("decoded bytes differ");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(s.data.size()));
  state.counters["ratio"] = static_cast<double>(s.lzBlock.size()) / s.data.size();
}

void ZlibInflate(benchmark::State &state) {
  const Sample &s = GetSample(static_cast<SampleKind>(state.range(0)));
  state.SetLabel(kSampleNames[state.range(0)]);
  std::vector<uint8_t> out(s.data.size());
  for (auto _ : state) {
    uLongf size = out.size();
    if (uncompress(out.data(), &size, s.zlibData.data(), s.zlibData.size()) != Z_OK) {
      state.SkipWithError("inflate failed");
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(s.data.size()));
  state.counters["ratio"] = static_cast<double>(s.zlibData.size()) / s.data.size();
}

void EverySample(benchmark::internal::Benchmark *b) {
  b->ArgName("sample")->Arg(TEXT)->Arg(IMAGE)->Arg(RANDOM);
}

}  // namespace

BENCHMARK(LzDecode)->Apply(EverySample)->Unit(benchmark::kMicrosecond);
BENCHMARK(ZlibInflate)->Apply(EverySample)->Unit(benchmark::kMicrosecond);
