#include "sound/stream/stream_driver.h"

#include <algorithm>

#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/stream/stream_reference.h"
#include "velvane.h"

namespace {

const int kShortestStepMs = 10;
const int kLongestStepMs = 300;

}  // namespace

void ExpectPlayed(const ReferenceStream &reference, const Bytes &played) {
  const Bytes expected = ExpectedPlay(reference, played.size());
  const auto diff = std::mismatch(expected.begin(), expected.end(), played.begin());
  EXPECT_TRUE(diff.first == expected.end())
      << "first difference at byte " << (diff.first - expected.begin()) << " of " << played.size();
}

void StreamTest::SetUp() {
  SoundTest::SetUp();
  ASSERT_EQ(0, Start());
}

int StreamTest::StreamFromImage(const Bytes &image) {
  SetCreateSoundDataType(2);
  const int handle = CreateSoundFromMemory(image.data(), static_cast<int>(image.size()), 1, -1);
  SetCreateSoundDataType(0);
  return handle;
}

FakeBuffer *StreamTest::StreamBuffer(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (record->stream.sharedHandle != -1) record = LookupSoundRecord(record->stream.sharedHandle);
  return static_cast<FakeBuffer *>(record->buffers[0].buffer);
}

void StreamTest::Step(int handle, int ms) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const int64_t block = record->format.blockAlign;
  const int64_t samples = static_cast<int64_t>(record->format.samplesPerSecond) * ms / 1000;
  StreamBuffer(handle)->Advance(static_cast<uint32_t>(samples * block));
  EXPECT_EQ(0, RefillStreamSounds());
  EXPECT_FALSE(Fake().lockOverUnplayed) << "a refill locked bytes not yet played";
  Fake().lockOverUnplayed = false;
}

Bytes StreamTest::Drive(int handle, size_t bytes) {
  FakeBuffer *buffer = StreamBuffer(handle);
  const size_t start = buffer->played.size();
  for (int steps = 0; steps < 100000 && buffer->playing; steps++) {
    if (buffer->played.size() - start >= bytes) break;
    seed = seed * 1103515245u + 12345u;
    Step(handle, kShortestStepMs + static_cast<int>((seed >> 8) % (kLongestStepMs - kShortestStepMs + 1)));
  }
  return Bytes(buffer->played.begin() + static_cast<long>(start), buffer->played.end());
}
