// Adding sources, loop positions, sharing a streaming buffer, the loading
// roads that make stream sounds, and what every failure leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "core/debug/memory.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_system.h"
#include "sound/stream/stream_driver.h"
#include "sound/stream/stream_reference.h"
#include "velvane.h"

namespace {

class StreamSourcesTest : public StreamTest {
 protected:
  void SetUp() override {
    StreamTest::SetUp();
    pcm = Pattern(8000, 3);
    wav = PcmWav(1, 8000, 8, pcm);
  }

 public:
  // Adds a WAV image as a type-2 source.
  int Add(int handle, const Bytes &image, int loopCount = 0) {
    return AddStreamSoundMemory(image.data(), static_cast<int>(image.size()), loopCount, handle, 2, -1);
  }
  Bytes pcm;
  Bytes wav;
};

// What a refusal must leave as it was.
struct StreamShape {
  int sourceCount, totalSamples, liveBuffers;
  unsigned char loopCount;
  bool operator==(const StreamShape &o) const {
    return sourceCount == o.sourceCount && totalSamples == o.totalSamples &&
           liveBuffers == o.liveBuffers && loopCount == o.loopCount;
  }
};

StreamShape ShapeOf(int handle) {
  const StreamSoundBlock &s = LookupSoundRecord(handle)->stream;
  return {s.sourceCount, s.totalSamples, Fake().liveBuffers, s.sources[0].loopCount};
}

TEST_F(StreamSourcesTest, RefusalsLeaveTheSoundAsItWasWithTheirMessage) {
  struct Case {
    const char *name;
    int (*act)(StreamSourcesTest *t, int handle);
    const char *message;  // null: none
  } cases[] = {
      {"a fourth source",
       [](StreamSourcesTest *t, int h) {
         t->Add(h, t->wav);
         t->Add(h, t->wav);
         return t->Add(h, t->wav);
       },
       "ストリーム風サウンドの制御データ領域がいっぱいです"},
      {"another format", [](StreamSourcesTest *t, int h) {
         const Bytes stereo = PcmWav(2, 8000, 8, Pattern(400));
         return t->Add(h, stereo);
       }, "フォーマットの違う音声データは同時に使うことは出来ません"},
      {"adding to a playing stream",
       [](StreamSourcesTest *t, int h) {
         EXPECT_EQ(0, PlaySoundHandle(h, 3, 1));
         return t->Add(h, t->wav);
       },
       "既に再生中のストリームサウンドデータにデータを追加しようとしました"},
      {"a loop position at the end",
       [](StreamSourcesTest *, int h) { return SetSoundLoopPositionSamples(GetSoundTotalSamples(h), h); },
       nullptr},
      {"a loop position past the end",
       [](StreamSourcesTest *, int h) { return SetSoundLoopPositionMs(2000, h); }, nullptr},
      {"a loop position within 16 bytes of the end",
       [](StreamSourcesTest *, int h) { return SetSoundLoopPositionSamples(GetSoundTotalSamples(h) - 15, h); },
       nullptr},
      {"a loop over two sources",
       [](StreamSourcesTest *t, int h) {
         t->Add(h, t->wav);
         return SetSoundLoopPositionSamples(10, h);
       },
       "二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ません"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    const int handle = AddSoundData(-1);
    ASSERT_EQ(0, Add(handle, wav));
    ASSERT_EQ(0, PrimeStreamSound(handle));
    log->Clear();
    const int result = c.act(this, handle);
    EXPECT_EQ(-1, result);
    const std::string text = log->Text();
    if (c.message) {
      EXPECT_NE(std::string::npos, text.find(c.message)) << text;
    }
    EXPECT_EQ(0, DeleteSoundHandle(handle));
  }
}

TEST_F(StreamSourcesTest, ARefusedSourceChangesNothing) {
  const int handle = AddSoundData(-1);
  ASSERT_EQ(0, Add(handle, wav));
  const StreamShape before = ShapeOf(handle);
  const Bytes stereo = PcmWav(2, 8000, 8, Pattern(400));
  EXPECT_EQ(-1, Add(handle, stereo));
  EXPECT_EQ(-1, SetSoundLoopPositionSamples(GetSoundTotalSamples(handle), handle));
  EXPECT_TRUE(before == ShapeOf(handle));
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, LoopPositionsSetAndClearSourceZeroAndItsLookAhead) {
  const int handle = StreamFromImage(wav);
  StreamSourceRecord &first = LookupSoundRecord(handle)->stream.sources[0];
  EXPECT_EQ(0, SetSoundLoopPositionMs(500, handle));
  EXPECT_EQ(4000, first.loopPosition);
  EXPECT_EQ(255, first.loopCount);
  EXPECT_EQ(4000, first.converter.lookAheadTarget);
  EXPECT_EQ(0, SetSoundLoopPositionMs(-1, handle));
  EXPECT_EQ(0, first.loopPosition);
  EXPECT_EQ(0, first.loopCount);
  EXPECT_EQ(0, first.converter.lookAheadTarget);
  EXPECT_EQ(-1, SetSoundLoopPositionMs(100, 0x10000000 + 999));
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, ALoopPositionMakesAPcmSoundAStreamUnderTheSameHandle) {
  const int handle = CreateSoundFromMemory(wav.data(), static_cast<int>(wav.size()), 2, -1);
  ASSERT_EQ(SOUND_KIND_PCM, LookupSoundRecord(handle)->kind);
  EXPECT_EQ(0, SetSoundLoopPositionSamples(2000, handle));
  SoundHandleRecord *record = LookupSoundRecord(handle);
  ASSERT_NE(nullptr, record);
  EXPECT_EQ(SOUND_KIND_STREAM, record->kind);
  EXPECT_EQ(8000, GetSoundTotalSamples(handle));
  EXPECT_EQ(STREAM_KIND_PCM_IMAGE, record->stream.sources[0].kind);
  ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
  const Bytes played = Drive(handle, 30000);
  ReferenceStream reference;
  reference.sources = {{pcm, 0}};
  reference.loopPointBytes = 2000;
  ExpectPlayed(reference, played);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, ATakeOverStopsTheOtherUserWhichThenPlaysItsOwnDataFromTheStart) {
  const Bytes otherPcm = Pattern(8000, 99);
  const int owner = StreamFromImage(wav);
  SetCreateSoundDataType(2);
  const Bytes otherWav = PcmWav(1, 8000, 8, otherPcm);
  const int sharer = CreateSoundFromMemory(otherWav.data(), static_cast<int>(otherWav.size()), 1, owner);
  SetCreateSoundDataType(0);
  ASSERT_NE(-1, sharer);
  EXPECT_EQ(owner, LookupSoundRecord(sharer)->stream.sharedHandle);
  EXPECT_EQ(1, LookupSoundRecord(owner)->stream.sharerCount);
  EXPECT_EQ(3, Fake().liveBuffers);  // primary, silent and the one streaming buffer
  ASSERT_EQ(0, PlaySoundHandle(owner, 1, 1));
  Drive(owner, 3000);
  // The sharer takes the buffer over.
  ASSERT_EQ(0, PlaySoundHandle(sharer, 1, 1));
  EXPECT_EQ(0, CheckSoundPlaying(owner));
  EXPECT_EQ(sharer, LookupSoundRecord(owner)->stream.currentUser);
  const Bytes sharerPlay = Drive(sharer, SIZE_MAX);
  ReferenceStream other;
  other.sources = {{otherPcm, 0}};
  other.silence = 127;
  ExpectPlayed(other, sharerPlay);
  // The owner plays its own data again, from its start.
  ASSERT_EQ(0, PlaySoundHandle(owner, 1, 0));
  const Bytes ownerPlay = Drive(owner, SIZE_MAX);
  ReferenceStream own;
  own.sources = {{pcm, 0}};
  own.silence = 127;
  ExpectPlayed(own, ownerPlay);
  EXPECT_EQ(0, DeleteSoundHandle(sharer));
  EXPECT_EQ(0, DeleteSoundHandle(owner));
}

TEST_F(StreamSourcesTest, DeletingTheOwnerWaitsForItsLastSharer) {
  const int owner = StreamFromImage(wav);
  SetCreateSoundDataType(2);
  const int a = CreateSoundFromMemory(wav.data(), static_cast<int>(wav.size()), 1, owner);
  const int b = CreateSoundFromMemory(wav.data(), static_cast<int>(wav.size()), 1, owner);
  SetCreateSoundDataType(0);
  const int live = GetSoundSystem()->soundTable.liveCount;
  EXPECT_EQ(0, DeleteSoundHandle(owner));
  EXPECT_EQ(0, DeleteSoundHandle(owner));  // again: still pending
  EXPECT_EQ(live, GetSoundSystem()->soundTable.liveCount);
  EXPECT_NE(nullptr, LookupSoundRecord(owner));
  ASSERT_EQ(0, PlaySoundHandle(a, 1, 1));
  Drive(a, 2000);
  EXPECT_EQ(0, DeleteSoundHandle(a));
  EXPECT_NE(nullptr, LookupSoundRecord(owner));
  EXPECT_EQ(0, DeleteSoundHandle(b));
  EXPECT_EQ(nullptr, LookupSoundRecord(owner));
  EXPECT_EQ(live - 3, GetSoundSystem()->soundTable.liveCount);
  EXPECT_EQ(2, Fake().liveBuffers);
}

TEST_F(StreamSourcesTest, LoadingRoadsChooseTheStreamKindAndPutTheSettingBack) {
  const std::string upperWav = WriteFile("x.WAV", wav);
  const std::string ogg = FixturePath("stereo.ogg");
  struct {
    const std::string path;
    int setting, kind, settingAfter;
  } cases[] = {{upperWav, 0, STREAM_KIND_FILE, 0},
               {ogg, 0, STREAM_KIND_MEMORY, 0},
               {upperWav, 1, STREAM_KIND_FILE, 0},
               {ogg, 3, STREAM_KIND_MEMORY, 3}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    SetCreateSoundDataType(c.setting);
    const int handle = LoadStreamSoundFromFile(c.path.c_str());
    ASSERT_NE(-1, handle);
    EXPECT_EQ(c.settingAfter, GetCreateSoundDataType());
    SoundHandleRecord *record = LookupSoundRecord(handle);
    EXPECT_EQ(SOUND_KIND_STREAM, record->kind);
    EXPECT_EQ(c.kind, record->stream.sources[0].kind);
    EXPECT_EQ(1, record->stream.active);  // primed
    EXPECT_EQ(0, DeleteSoundHandle(handle));
  }
  SetCreateSoundDataType(0);
}

TEST_F(StreamSourcesTest, AFileStreamReadsTheFileAsItPlays) {
  const std::string path = WriteFile("music.wav", wav);
  const int handle = LoadStreamSoundFromFile(path.c_str());
  ASSERT_NE(-1, handle);
  ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
  const Bytes played = Drive(handle, 20000);
  ReferenceStream reference;
  reference.sources = {{pcm, 0}};
  reference.looping = true;
  ExpectPlayed(reference, played);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, ALongWavLoadedAsPcmBecomesAStreamFromMemory) {
  const Bytes longPcm = Pattern(8000 * 200, 5);
  const std::string path = WriteFile("long.wav", PcmWav(1, 8000, 8, longPcm));
  const int handle = LoadSoundFromFile(path.c_str(), 3, -1);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(0, GetCreateSoundDataType());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  EXPECT_EQ(SOUND_KIND_STREAM, record->kind);
  EXPECT_EQ(STREAM_KIND_MEMORY, record->stream.sources[0].kind);
  EXPECT_EQ(200 * 8000, GetSoundTotalSamples(handle));
  EXPECT_EQ(0x180E2u, Fake().created.back().flags);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, ConvertToStreamSoundKeepsTheHandleValue) {
  const int handle = CreateSoundFromMemory(wav.data(), static_cast<int>(wav.size()), 1, -1);
  EXPECT_EQ(0, ConvertToStreamSound(handle));
  EXPECT_EQ(SOUND_KIND_STREAM, LookupSoundRecord(handle)->kind);
  EXPECT_EQ(0, ConvertToStreamSound(handle));  // already one
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(StreamSourcesTest, EveryFailedAllocationOfAddsAndConversionLeavesNothingBehind) {
  const int baselineBlocks = GetAllocatedBlockCount();
  // Three adds.
  for (int n = 1; n < 300; n++) {
    const int handle = AddSoundData(-1);
    const int blocks = GetAllocatedBlockCount();
    SetAllocationFailureCountdown(n);
    const bool added = Add(handle, wav, 1) == 0 && Add(handle, wav) == 0 && Add(handle, wav) == 0;
    SetAllocationFailureCountdown(0);
    if (!added) {
      const StreamSoundBlock &s = LookupSoundRecord(handle)->stream;
      EXPECT_LT(s.sourceCount, 3) << n;
      (void)blocks;
    }
    ASSERT_EQ(0, DeleteSoundHandle(handle)) << n;
    ASSERT_EQ(baselineBlocks, GetAllocatedBlockCount()) << n;
    ASSERT_EQ(2, Fake().liveBuffers) << n;
    if (added) break;
  }
  // The conversion of a PCM sound: on failure the handle stays, as an
  // empty sound.
  for (int n = 1; n < 300; n++) {
    const int handle = CreateSoundFromMemory(wav.data(), static_cast<int>(wav.size()), 1, -1);
    ASSERT_NE(-1, handle);
    SetAllocationFailureCountdown(n);
    const int converted = ConvertToStreamSound(handle);
    SetAllocationFailureCountdown(0);
    SoundHandleRecord *record = LookupSoundRecord(handle);
    if (converted != 0 && record && record->kind == SOUND_KIND_PCM && record->pcmData == nullptr) {
      EXPECT_EQ(-1, PlaySoundHandle(handle, 1, 1)) << n;
      EXPECT_EQ(0, GetSoundTotalSamples(handle)) << n;
      EXPECT_EQ(-1, SetSoundLoopPositionSamples(0, handle)) << n;
    }
    if (record) {
      ASSERT_EQ(0, DeleteSoundHandle(handle)) << n;
    }
    ASSERT_EQ(baselineBlocks, GetAllocatedBlockCount()) << n;
    ASSERT_EQ(2, Fake().liveBuffers) << n;
    if (converted == 0) break;
  }
}

TEST_F(StreamSourcesTest, BuildProvisionalWaveWritesARiffImage) {
  void *image = nullptr;
  int bytes = 0;
  const WaveFormat format = {1, 1, 8000, 8000, 1, 8, 0};
  const unsigned char data[3] = {1, 2, 3};
  ASSERT_EQ(0, BuildProvisionalWave(&image, &bytes, &format, sizeof(format), data, 3));
  Bytes expected = {'R', 'I', 'F', 'F'};
  PutLe32(&expected, 18 + 3 + 28 - 8);
  for (char c : std::string("WAVEfmt ")) expected.push_back(static_cast<unsigned char>(c));
  PutLe32(&expected, 18);
  const unsigned char *f = reinterpret_cast<const unsigned char *>(&format);
  expected.insert(expected.end(), f, f + 18);
  for (char c : std::string("data")) expected.push_back(static_cast<unsigned char>(c));
  PutLe32(&expected, 3);
  expected.insert(expected.end(), data, data + 3);
  EXPECT_EQ(expected, Bytes(static_cast<unsigned char *>(image), static_cast<unsigned char *>(image) + bytes));
  FreeMemory(image);
}

}  // namespace
