// The refill engine against the reference: what a stream sound plays for
// every kind of source, length and play, how it ends, its position, and
// what an underrun does.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/system_info.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"
#include "sound/stream/stream_driver.h"
#include "sound/stream/stream_reference.h"
#include "velvane.h"

namespace {

// Bytes no stream position could line up by accident.
Bytes Noise(size_t n, uint32_t seed) {
  Bytes out(n);
  for (size_t i = 0; i < n; i++) {
    seed = seed * 1664525u + 1013904223u;
    out[i] = static_cast<unsigned char>(seed >> 24);
  }
  return out;
}

struct SourceKind {
  const char *name;
  int channels, rate, bits;
  const char *ogg;  // fixture name for Ogg sources, else null
};

// A source of one kind: its file image and the PCM it decodes to.
struct Source {
  Bytes image;
  Bytes pcm;
  int blockAlign;
  int bytesPerSecond;
};

Source MakeWav(const SourceKind &kind, double seconds, uint32_t seed) {
  Source s;
  s.blockAlign = kind.channels * kind.bits / 8;
  s.bytesPerSecond = s.blockAlign * kind.rate;
  const size_t samples = static_cast<size_t>(seconds * kind.rate);
  s.pcm = Noise(samples * s.blockAlign, seed);
  s.image = PcmWav(kind.channels, kind.rate, kind.bits, s.pcm);
  return s;
}

#ifndef _WIN32
Source LoadOgg(const char *name) {
  Source s;
  s.image = ReadWholeFile(FixturePath((std::string(name) + ".ogg").c_str()));
  s.pcm = ReadWholeFile(FixturePath((std::string(name) + ".raw").c_str()));
  return s;
}
#endif

enum Play { PLAY_ONCE, PLAY_LOOPING, PLAY_LOOP_POINT, PLAY_THREE_SOURCES };

const char *PlayName(Play play) {
  switch (play) {
    case PLAY_ONCE: return "type 1";
    case PLAY_LOOPING: return "type 3";
    case PLAY_LOOP_POINT: return "type 3 with a loop point";
    default: return "three sources with loop counts";
  }
}

class StreamPlaybackTest : public StreamTest {
 protected:
  // Makes the stream of a play over the sources and the reference it must
  // play; -1 when the stream could not be made.
  int MakePlay(Play play, const std::vector<Source> &sources, ReferenceStream *reference) {
    const int loopCounts[] = {1, 0, 2};
    reference->sources.clear();
    reference->looping = play != PLAY_ONCE;
    const int handle = AddSoundData(-1);
    const size_t count = play == PLAY_THREE_SOURCES ? 3 : 1;
    for (size_t i = 0; i < count; i++) {
      const int loops = count == 3 ? loopCounts[i] : 0;
      const Bytes &image = sources[i].image;
      if (AddStreamSoundMemory(image.data(), static_cast<int>(image.size()), loops, handle, 2, -1) != 0) {
        return -1;
      }
      reference->sources.push_back({sources[i].pcm, loops});
    }
    SoundHandleRecord *record = LookupSoundRecord(handle);
    reference->silence = record->format.bitsPerSample == 8 ? 127 : 0;
    if (play == PLAY_LOOP_POINT) {
      const int total = GetSoundTotalSamples(handle);
      EXPECT_EQ(0, SetSoundLoopPositionSamples(total / 3, handle));
      reference->loopPointBytes = static_cast<long>(total / 3) * record->format.blockAlign;
    } else {
      reference->loopPointBytes = -1;
    }
    EXPECT_EQ(0, PrimeStreamSound(handle));
    return handle;
  }
};

TEST_F(StreamPlaybackTest, PlayedBytesEqualTheReference) {
  const SourceKind kinds[] = {{"8-bit WAV", 1, 8000, 8, nullptr},
                              {"16-bit WAV", 2, 11025, 16, nullptr}};
  const double lengths[] = {0.1, 0.75, 1.0, 1.5, 10.0};
  const char *oggs[] = {"short", "stereo", "mono22k", "long"};
  const Play plays[] = {PLAY_ONCE, PLAY_LOOPING, PLAY_LOOP_POINT, PLAY_THREE_SOURCES};
  struct Case {
    std::string name;
    std::vector<Source> sources;
  };
  std::vector<Case> cases;
  uint32_t seed = 1;
  for (const SourceKind &kind : kinds) {
    for (double length : lengths) {
      Case c{std::string(kind.name) + " " + std::to_string(length) + " s", {}};
      for (int i = 0; i < 3; i++) c.sources.push_back(MakeWav(kind, length, seed++));
      cases.push_back(c);
    }
  }
  // The Ogg references were decoded natively; the Windows build's float
  // decode may differ from them by one step (the decoder tests allow it), so
  // there the engine is held to the bytes by the WAV rows alone.
#ifndef _WIN32
  for (const char *ogg : oggs) {
    const Source s = LoadOgg(ogg);
    cases.push_back({std::string("Ogg ") + ogg, {s, s, s}});
  }
#else
  (void)oggs;
#endif
  for (const Case &c : cases) {
    for (Play play : plays) {
      SCOPED_TRACE(c.name + ", " + PlayName(play));
      if (play == PLAY_THREE_SOURCES && c.sources[0].pcm.size() > 100000) continue;
      ReferenceStream reference;
      const int handle = MakePlay(play, c.sources, &reference);
      ASSERT_NE(-1, handle);
      ASSERT_EQ(0, PlaySoundHandle(handle, play == PLAY_ONCE ? 1 : 3, 1));
      size_t series = 0;
      for (const ReferenceSource &s : reference.sources) series += s.data.size() * (s.loopCount + 1);
      const size_t second = static_cast<size_t>(LookupSoundRecord(handle)->stream.bufferSize);
      const Bytes played = Drive(handle, play == PLAY_ONCE ? SIZE_MAX : series * 5 / 2 + second);
      ASSERT_GE(played.size(), series);
      ExpectPlayed(reference, played);
      if (play == PLAY_ONCE) {
        EXPECT_FALSE(StreamBuffer(handle)->playing);
        EXPECT_EQ(0, CheckSoundPlaying(handle));
      } else {
        EXPECT_EQ(1, CheckSoundPlaying(handle));
      }
      EXPECT_EQ(0, DeleteSoundHandle(handle));
    }
  }
}

class StreamEndTest : public StreamTest {
 protected:
  void SetUp() override {
    StreamTest::SetUp();
    source = MakeWav({"", 1, 8000, 8, nullptr}, 0.5, 77);
    handle = StreamFromImage(source.image);
    ASSERT_NE(-1, handle);
    reference.sources = {{source.pcm, 0}};
    reference.silence = 127;
  }
  Source source;
  ReferenceStream reference;
  int handle = -1;
};

TEST_F(StreamEndTest, TheBufferStopsOnlyOnceTheDataHasBeenPlayedOut) {
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  FakeBuffer *buffer = StreamBuffer(handle);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  while (!record->stream.ending) Step(handle, 50);
  // All data is written but not yet played: the buffer plays on.
  EXPECT_LT(buffer->played.size(), source.pcm.size());
  EXPECT_EQ(1, CheckSoundPlaying(handle));
  while (buffer->played.size() < source.pcm.size()) {
    EXPECT_EQ(1, CheckSoundPlaying(handle));
    Step(handle, 50);
  }
  Drive(handle, SIZE_MAX);
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  ExpectPlayed(reference, buffer->played);
}

TEST_F(StreamEndTest, BothRestartsReplayAfterTheEnd) {
  for (int restart : {1, 0}) {
    SCOPED_TRACE(restart);
    ASSERT_EQ(0, PlaySoundHandle(handle, 1, restart));
    const Bytes played = Drive(handle, SIZE_MAX);
    EXPECT_EQ(0, CheckSoundPlaying(handle));
    ExpectPlayed(reference, played);
  }
}

TEST_F(StreamEndTest, AfterAStopRestartZeroContinuesFromTheStop) {
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  const Bytes first = Drive(handle, 1000);
  ASSERT_EQ(0, StopSoundHandle(handle));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 0));
  Bytes all = first;
  const Bytes rest = Drive(handle, SIZE_MAX);
  all.insert(all.end(), rest.begin(), rest.end());
  ExpectPlayed(reference, all);
  // Restart 1 begins again.
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  const Bytes again = Drive(handle, SIZE_MAX);
  ExpectPlayed(reference, again);
}

TEST_F(StreamEndTest, APrimedShortStreamKeepsItsDataUntilItPlays) {
  // Refills while nothing plays must not write over the primed data.
  for (int i = 0; i < 50; i++) EXPECT_EQ(0, RefillStreamSounds());
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 0));
  const Bytes played = Drive(handle, SIZE_MAX);
  ExpectPlayed(reference, played);
}

TEST_F(StreamEndTest, AnEmptyWavStreamsAndEnds) {
  const Bytes empty = PcmWav(1, 8000, 8, {});
  const int silent = CreateSoundFromMemory(empty.data(), static_cast<int>(empty.size()), 1, -1);
  ASSERT_NE(-1, silent);
  EXPECT_EQ(SOUND_KIND_STREAM, LookupSoundRecord(silent)->kind);
  EXPECT_EQ(0, GetSoundTotalSamples(silent));
  ASSERT_EQ(0, PlaySoundHandle(silent, 1, 1));
  const Bytes played = Drive(silent, SIZE_MAX);
  EXPECT_FALSE(StreamBuffer(silent)->playing);
  EXPECT_EQ(Bytes(played.size(), 127), played);
  EXPECT_EQ(0, DeleteSoundHandle(silent));
}

// Without a window the Windows pump reports the program's end at once, so
// the wait is seen here only on the host; the Wine programs check it with
// the real device.
#ifndef _WIN32
TEST_F(StreamEndTest, PlayTypeZeroWaitsForTheEndWhileTheUpdateThreadRefills) {
  ASSERT_EQ(0, DeleteSoundHandle(handle));
  ASSERT_EQ(0, EndSoundSystem());
  GetSystemFacts()->processorCount = 2;
  ASSERT_EQ(0, Start());
  ASSERT_EQ(1, HasSoundUpdateThread());
  handle = StreamFromImage(source.image);
  // The fake moves the cursor on every status query, at about the real
  // rate while the caller waits.
  Fake().advancePerStatus = 8;
  ASSERT_EQ(0, PlaySoundHandle(handle, 0, 1));
  Fake().advancePerStatus = 0;
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_FALSE(Fake().lockOverUnplayed);
  ExpectPlayed(reference, StreamBuffer(handle)->played);
}
#endif

TEST_F(StreamEndTest, PositionFollowsTheCursorAndJumpsBackWhenTheLoopIsHeard) {
  const int loopSample = 1000;
  ASSERT_EQ(0, SetSoundLoopPositionSamples(loopSample, handle));
  ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const int total = GetSoundTotalTimeMs(handle);
  int previous = 0;
  bool jumped = false;
  for (int i = 0; i < 60; i++) {
    const bool pendingBefore = record->stream.loopRestartPending;
    const int restartAt = record->stream.restarts[0].offset;
    const uint32_t cursorBefore = StreamBuffer(handle)->cursor;
    Step(handle, 40);
    const int now = GetSoundCurrentTimeMs(handle);
    EXPECT_LE(now, total);
    const uint32_t cursor = StreamBuffer(handle)->cursor;
    const bool passed = cursor >= cursorBefore
                            ? cursorBefore < static_cast<uint32_t>(restartAt) && static_cast<uint32_t>(restartAt) <= cursor
                            : static_cast<uint32_t>(restartAt) > cursorBefore || static_cast<uint32_t>(restartAt) <= cursor;
    if (pendingBefore && passed) {
      // Heard: back at the loop point plus what was played since.
      EXPECT_LT(now, previous);
      EXPECT_GE(now, loopSample * 1000 / 8000);
      jumped = true;
    } else {
      EXPECT_GE(now, previous);
    }
    previous = now;
  }
  EXPECT_TRUE(jumped);
}

TEST_F(StreamEndTest, WrappedCursorLandingOnTheRestartOffsetCountsAsHeard) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
  StreamSoundBlock &s = record->stream;
  s.lastCursor = 6000;
  s.loopRestartPending = 1;
  s.restarts[0] = PendingRestart{100, 2000};
  EXPECT_EQ(0, UpdateStreamPlayPosition(handle, 100));
  EXPECT_EQ(0, s.loopRestartPending);
  EXPECT_EQ(2000, s.playedBytes);
}

class StreamUnderrunTest : public StreamTest {};

TEST_F(StreamUnderrunTest, ACursorPastTheWriteOffsetNeverLeadsToOverwritingUnplayedBytes) {
  const Source source = MakeWav({"", 1, 8000, 8, nullptr}, 10.0, 5);
  struct {
    int pastMs;
    int result;
  } cases[] = {{100, -1}, {200, -1}, {400, 0}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.pastMs);
    const int handle = StreamFromImage(source.image);
    ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
    for (int i = 0; i < 10; i++) Step(handle, 100);
    SoundHandleRecord *record = LookupSoundRecord(handle);
    FakeBuffer *buffer = StreamBuffer(handle);
    const int lead = record->stream.writeOffset - static_cast<int>(buffer->cursor);
    const int leadBytes = lead < 0 ? lead + record->stream.bufferSize : lead;
    buffer->Advance(static_cast<uint32_t>(leadBytes + c.pastMs * 8));
    const int lockedBefore = Fake().calls[FAKE_LOCK];
    EXPECT_EQ(c.result, RefillStreamSound(handle));
    EXPECT_EQ(c.result == 0 ? lockedBefore + 1 : lockedBefore, Fake().calls[FAKE_LOCK]);
    EXPECT_FALSE(Fake().lockOverUnplayed);
    EXPECT_EQ(0, DeleteSoundHandle(handle));
  }
}

TEST_F(StreamUnderrunTest, WithoutAThreadThePumpsRefillsKeepAStreamPlaying) {
  EXPECT_EQ(0, HasSoundUpdateThread());
  const Source source = MakeWav({"", 2, 11025, 16, nullptr}, 3.0, 9);
  const int handle = StreamFromImage(source.image);
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  const Bytes played = Drive(handle, SIZE_MAX);
  ReferenceStream reference;
  reference.sources = {{source.pcm, 0}};
  ExpectPlayed(reference, played);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

}  // namespace
