// Stream sounds over Wine's real DirectSound, walked as the game walks its
// music: refilled by the update thread, and by the message pump when the
// machine counts a single processor.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdio.h>

#include <mutex>
#include <string>

#include "core/base/system_info.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"
#include "sound/live/live_sound.h"
#include "sound/stream/stream_sound.h"
#include "sound_fixture.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

enum Refiller { kUpdateThread, kMessagePump };

const int kLoopStartMs = 1000;
// Wine plays faster than real time; these only catch a stream that hangs.
const int kGenerousLimitMs = 60000;

// The bytes the first fill put in the streaming buffer, read back while
// the lock keeps every refill out.
Bytes PrimedBytes(SoundHandleRecord *record) {
  return ReadBack(record, 0, record->stream.writeOffset);
}

// At least three quarters of a second, less a block, is written ahead.
void ExpectFullFirstFill(const SoundHandleRecord *record) {
  const int bytesPerSecond = static_cast<int>(record->format.averageBytesPerSecond);
  EXPECT_GE(record->stream.writeOffset, bytesPerSecond * 3 / 4 - record->format.blockAlign);
}

bool WriteBytes(const std::string &path, const Bytes &bytes) {
  FILE *file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

class LiveStreamTest : public testing::TestWithParam<Refiller> {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("stream"); }
  void SetUp() override {
    if (DirectSoundSwitchedOff()) GTEST_SKIP() << "DirectSound is switched off";
    SetAudioDeviceFactory(nullptr);
    ASSERT_EQ(0, StartFrameworkWindowed());
    ASSERT_EQ(1, IsSoundStarted());
    if (GetParam() == kMessagePump) {
      // As on a machine with one processor: no update thread, the pump
      // refills.
      ASSERT_EQ(0, EndSoundSystem());
      GetSystemFacts()->processorCount = 1;
      ASSERT_EQ(0, StartSoundSystem());
    }
    ASSERT_EQ(GetParam() == kUpdateThread ? 1 : 0, HasSoundUpdateThread());
  }
  void TearDown() override {
    EndFramework();
    GetSystemFacts()->processorCount = processors;
  }
  const int processors = GetSystemFacts()->processorCount;
};

TEST_P(LiveStreamTest, TheMusicLoopsFromItsLoopPosition) {
  const int handle = LoadStreamSoundFromFile(FixturePath("long.ogg").c_str());
  ASSERT_NE(-1, handle);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  ASSERT_EQ(SOUND_KIND_STREAM, record->kind);
  EXPECT_EQ(STREAM_KIND_MEMORY, record->stream.sources[0].kind);
  const int totalMs = GetSoundTotalTimeMs(handle);
  ASSERT_GT(totalMs, kLoopStartMs);
  ASSERT_EQ(0, SetSoundLoopPositionMs(kLoopStartMs, handle));
  const Bytes reference = ReadWholeFile(FixturePath("long.raw"));
  {
    std::lock_guard<std::recursive_mutex> guard(SoundLock());
    ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
    ExpectFullFirstFill(record);
    const Bytes primed = PrimedBytes(record);
    ASSERT_LE(primed.size(), reference.size());
    ExpectSameDecode(Bytes(reference.begin(), reference.begin() + static_cast<long>(primed.size())),
                     primed);
  }
  EXPECT_TRUE(WaitFor([&] { return GetSoundCurrentTimeMs(handle) > 0; }, kGenerousLimitMs));
  // Positions climb towards the end; the first one lower than the last
  // comes after the loop was heard and lies within the looped tail.
  int last = 0;
  int highest = 0;
  int afterLoop = -1;
  EXPECT_TRUE(WaitFor(
      [&] {
        const int now = GetSoundCurrentTimeMs(handle);
        highest = now > highest ? now : highest;
        if (now < last) afterLoop = now;
        last = now;
        return afterLoop >= 0;
      },
      kGenerousLimitMs));
  EXPECT_GE(afterLoop, kLoopStartMs);
  EXPECT_LE(highest, totalMs);
  EXPECT_EQ(1, CheckSoundPlaying(handle));
  EXPECT_EQ(0, StopSoundHandle(handle));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_EQ(0, EndFramework());
  EXPECT_EQ(-1, DeleteAllSoundHandles());
}

TEST_P(LiveStreamTest, AOneSecondWavStreamPlayedOnceEndsAndPlaysAgainFromItsStart) {
  const int rate = 22050;
  const Bytes pcm = Pattern(static_cast<size_t>(rate) * 2, 3);
  ASSERT_TRUE(WriteBytes("second.WAV", PcmWav(1, rate, 16, pcm)));
  const int handle = LoadStreamSoundFromFile("second.WAV");
  ASSERT_NE(-1, handle);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  ASSERT_EQ(SOUND_KIND_STREAM, record->kind);
  EXPECT_EQ(STREAM_KIND_FILE, record->stream.sources[0].kind);
  for (int round = 0; round < 2; round++) {
    SCOPED_TRACE(round);
    {
      std::lock_guard<std::recursive_mutex> guard(SoundLock());
      ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
      ExpectFullFirstFill(record);
      const Bytes primed = PrimedBytes(record);
      EXPECT_TRUE(Bytes(pcm.begin(), pcm.begin() + static_cast<long>(primed.size())) == primed);
    }
    EXPECT_TRUE(WaitFor([&] { return CheckSoundPlaying(handle) == 0; }, kGenerousLimitMs));
  }
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

INSTANTIATE_TEST_SUITE_P(Refillers, LiveStreamTest, testing::Values(kUpdateThread, kMessagePump),
                         [](const testing::TestParamInfo<Refiller> &info) {
                           return std::string(info.param == kUpdateThread ? "UpdateThread"
                                                                          : "MessagePump");
                         });

// Timing, run by hand (--gtest_also_run_disabled_tests): the update
// thread's CPU time per second of audio while the game's music plays once
// through, three times over.
double ThreadSeconds(HANDLE thread) {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(thread, &created, &exited, &kernel, &user)) return -1;
  const auto seconds = [](const FILETIME &t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

TEST(StreamTiming, DISABLED_UpdateThreadTimePerSecondOfAudio) {
  EnterPrivateDirectory("stream-timing");
  SetAudioDeviceFactory(nullptr);
  ASSERT_EQ(0, StartFrameworkWindowed());
  ASSERT_EQ(1, HasSoundUpdateThread());
  const HANDLE thread = reinterpret_cast<HANDLE>(GetSoundSystem()->thread);
  const int handle = LoadStreamSoundFromFile(SOUND_GAME_MUSIC);
  ASSERT_NE(-1, handle);
  const double audioSeconds = GetSoundTotalTimeMs(handle) / 1000.0;
  // The thread's times move in scheduler ticks: the three plays together
  // give the steadier figure.
  const double first = ThreadSeconds(thread);
  for (int run = 0; run < 3; run++) {
    const double before = ThreadSeconds(thread);
    const DWORD start = GetTickCount();
    ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
    EXPECT_TRUE(WaitFor([&] { return CheckSoundPlaying(handle) == 0; }, kGenerousLimitMs, kWithoutPumping));
    const double used = ThreadSeconds(thread) - before;
    printf("%.2f s of audio in %lu ms: update thread %.2f ms of CPU time per second of audio\n",
           audioSeconds, static_cast<unsigned long>(GetTickCount() - start), used * 1000 / audioSeconds);
  }
  printf("all three: %.2f ms of CPU time per second of audio\n",
         (ThreadSeconds(thread) - first) * 1000 / (3 * audioSeconds));
  EXPECT_EQ(0, EndFramework());
}

}  // namespace
