// The refill engine's cost over the test suite's fake device with its play
// log and overwrite check off. One looping Ogg stream, the cursor moved in
// 30-ms steps with a refill pass after each, against a bare ov_read decode
// of the same ten seconds (goal: at most 5% more CPU time per second of
// audio); and the time of one refill pass of a 44.1 kHz 16-bit stereo PCM
// WAV stream, from memory (arg 2) and from its file (arg 3).
#include <benchmark/benchmark.h>
#include <stdio.h>

#include <string>

#include "core/base/system_info.h"
#include "fake_audio.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound_bench_common.h"
#include "velvane.h"

namespace {

using namespace sound_bench;

const int kStepMs = 30;
const int kSeconds = 10;

// The sound system over the fake without the update thread, so the
// benchmark is the only refiller.
class FakeSoundSystem {
 public:
  FakeSoundSystem() {
    InstallFake();
    Fake().recording = false;
    GetSystemFacts()->processorCount = 1;
    started = StartSoundSystem() == 0;
  }
  ~FakeSoundSystem() {
    EndSoundSystem();
    RemoveFake();
  }
  bool started;
};

// Loads a stream sound of the create-data type and starts it looping; the
// handle or -1.
int StartLoopingStream(int dataType, const Bytes &image, const char *path) {
  SetCreateSoundDataType(dataType);
  const int handle = path ? LoadSoundFromFile(path, 1, -1)
                          : CreateSoundFromMemory(image.data(), static_cast<int>(image.size()), 1, -1);
  SetCreateSoundDataType(0);
  if (handle == -1 || PlaySoundHandle(handle, 3, 1) != 0) return -1;
  return handle;
}

FakeBuffer *StreamBuffer(int handle) {
  return static_cast<FakeBuffer *>(LookupSoundRecord(handle)->buffers[0].buffer);
}

uint32_t StepBytes(int handle) {
  const SoundHandleRecord *record = LookupSoundRecord(handle);
  const uint32_t block = record->format.blockAlign;
  return record->format.averageBytesPerSecond * kStepMs / 1000 / block * block;
}

int64_t BytesPerSecond(int handle) {
  return LookupSoundRecord(handle)->format.averageBytesPerSecond;
}

// One pass of the thread: the cursor moves a step on, then the refill.
void StepAndRefill(FakeBuffer *buffer, uint32_t step) {
  buffer->Advance(step);
  RefillStreamSounds();
}

void BM_OggBareOvRead(benchmark::State &state) {
  const Bytes &file = OggFile();
  int64_t bytes = 0;
  for (auto _ : state) bytes += DecodeWithBareOvRead(file);
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_OggBareOvRead)->Unit(benchmark::kMillisecond);

// Ten seconds of audio per iteration, as the bare decode above.
void BM_OggStreamRefill(benchmark::State &state) {
  FakeSoundSystem system;
  const int handle = system.started ? StartLoopingStream(2, OggFile(), nullptr) : -1;
  if (handle == -1) {
    state.SkipWithError("the stream did not start");
    return;
  }
  FakeBuffer *buffer = StreamBuffer(handle);
  const uint32_t step = StepBytes(handle);
  const int64_t perIteration = BytesPerSecond(handle) * kSeconds;
  for (auto _ : state) {
    for (int64_t played = 0; played < perIteration; played += step) StepAndRefill(buffer, step);
  }
  state.SetBytesProcessed(perIteration * state.iterations());
}
BENCHMARK(BM_OggStreamRefill)->Unit(benchmark::kMillisecond);

const std::string &WavPath(void) {
  static std::string path;
  if (!path.empty()) return path;
  path = "/tmp/velvane-bench-stream.wav";
  const uint32_t dataBytes = 44100u * 4 * kSeconds;
  Bytes image = CdWavHeader(dataBytes);
  for (uint32_t i = 0; i < dataBytes; i++) image.push_back(static_cast<unsigned char>(i * 31));
  FILE *f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(image.data(), 1, image.size(), f);
    fclose(f);
  }
  return path;
}

// One refill pass per iteration.
void BM_WavStreamRefillPass(benchmark::State &state) {
  FakeSoundSystem system;
  const int dataType = static_cast<int>(state.range(0));
  const int handle = system.started ? StartLoopingStream(dataType, Bytes(), WavPath().c_str()) : -1;
  if (handle == -1) {
    state.SkipWithError("the stream did not start");
    return;
  }
  FakeBuffer *buffer = StreamBuffer(handle);
  const uint32_t step = StepBytes(handle);
  const int locksBefore = Fake().calls[FAKE_LOCK];
  for (auto _ : state) StepAndRefill(buffer, step);
  // A pass that writes nothing would time nothing: about one lock a pass.
  state.counters["locks_per_pass"] =
      static_cast<double>(Fake().calls[FAKE_LOCK] - locksBefore) / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(step) * state.iterations());
}
BENCHMARK(BM_WavStreamRefillPass)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace
