#include <gtest/gtest.h>

#include <string.h>

#include "core/base/handle_table.h"
#include "sound/core/sound_buffer.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_loading.h"
#include "sound/core/sound_system.h"
#include "sound_fixture.h"
#include "velvane.h"

namespace {

class SoundHandlesTest : public SoundTest {
 protected:
  void SetUp() override {
    SoundTest::SetUp();
    ASSERT_EQ(0, Start());
    pcm = Pattern(4000);
    path = WriteFile("effect.wav", PcmWav(1, 8000, 8, pcm));
  }
  // The fake buffers of a sound, in buffer order (after the primary and
  // silent buffer).
  FakeBuffer *BufferOf(int handle, int i) {
    return static_cast<FakeBuffer *>(LookupSoundRecord(handle)->buffers[i].buffer);
  }
  Bytes pcm;
  std::string path;
};

TEST_F(SoundHandlesTest, HandleValueCarriesKindCheckAndSlot) {
  const int a = AddSoundData(-1);
  const int b = AddSoundData(-1);
  EXPECT_EQ(0x10000000, a);
  EXPECT_EQ(0x10010001, b);
  EXPECT_EQ(0, DeleteSoundHandle(b));
  EXPECT_EQ(0, DeleteSoundHandle(a));
  // The table emptied, so the next sound takes slot 0 again.
  const int c = AddSoundData(-1);
  EXPECT_EQ(0, HandleSlotOf(c));
  EXPECT_EQ(2, HandleCheckOf(c));
}

TEST_F(SoundHandlesTest, CheckNumbersWrapAt2048AndStaleHandlesFail) {
  const int first = AddSoundData(-1);
  ASSERT_EQ(0, DeleteSoundHandle(first));
  int last = -1;
  for (int i = 1; i < 2048; i++) {
    last = AddSoundData(-1);
    ASSERT_EQ(i, HandleCheckOf(last));
    ASSERT_EQ(0, DeleteSoundHandle(last));
  }
  const int wrapped = AddSoundData(-1);
  EXPECT_EQ(0, HandleCheckOf(wrapped));
  EXPECT_EQ(HandleSlotOf(first), HandleSlotOf(wrapped));
  EXPECT_EQ(-1, CheckSoundPlaying(last));
  EXPECT_EQ(-1, DeleteSoundHandle(last));
  EXPECT_EQ(0, DeleteSoundHandle(wrapped));
}

TEST_F(SoundHandlesTest, TheTableHolds32768SoundsAndRefusesOneMore) {
  for (int i = 0; i < SOUND_HANDLE_CAPACITY; i++) ASSERT_NE(-1, AddSoundData(-1)) << i;
  log->Clear();
  EXPECT_EQ(-1, AddSoundData(-1));
  EXPECT_NE(std::string::npos, log->Text().find("サウンドの数が許容量を越えました"));
  // A freed slot in the middle is taken once the top is reached.
  const int middle = HandleTableSlot(&GetSoundSystem()->soundTable, 100)->handle;
  ASSERT_EQ(0, DeleteSoundHandle(middle));
  EXPECT_EQ(100, HandleSlotOf(AddSoundData(-1)));
  EXPECT_EQ(0, DeleteAllSoundHandles());
  EXPECT_EQ(0, GetSoundSystem()->soundTable.liveCount);
}

TEST_F(SoundHandlesTest, AddSoundDataAtAHandleKeepsItsValue) {
  const int handle = AddSoundData(-1);
  ASSERT_EQ(0, DeleteSoundHandle(handle));
  EXPECT_EQ(handle, AddSoundData(handle));
  EXPECT_EQ(-1, AddSoundData(handle));  // the slot is taken now
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, ThreePlaysOverlapAndTheFourthRestartsTheFirstPlaysBuffer) {
  const int handle = LoadSoundFromFile(path.c_str(), 3, -1);
  ASSERT_NE(-1, handle);
  ASSERT_EQ(3, LookupSoundRecord(handle)->bufferCount);
  const int order[] = {1, 2, 0};
  for (int i = 0; i < 3; i++) {
    ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
    EXPECT_EQ(order[i], LookupSoundRecord(handle)->lastBuffer);
    EXPECT_TRUE(BufferOf(handle, order[i])->playing);
    BufferOf(handle, order[i])->Advance(100 * (i + 1));
  }
  EXPECT_EQ(1, CheckSoundPlaying(handle));
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  FakeBuffer *first = BufferOf(handle, 1);
  EXPECT_EQ(2, first->playCount);
  EXPECT_EQ(0u, first->cursor);
  EXPECT_TRUE(first->playing);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, RestartZeroOnAPlayingBufferDoesNothing) {
  const int handle = LoadSoundFromFile(path.c_str(), 1, -1);
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  FakeBuffer *buffer = BufferOf(handle, 0);
  buffer->Advance(500);
  EXPECT_EQ(0, PlaySoundHandle(handle, 1, 0));
  EXPECT_EQ(1, buffer->playCount);
  EXPECT_EQ(500u, buffer->cursor);
  // Stopped, a play without restart goes on where it stopped.
  EXPECT_EQ(0, StopSoundHandle(handle));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_EQ(0, PlaySoundHandle(handle, 1, 0));
  EXPECT_EQ(500u, buffer->cursor);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, PlayedBytesAreTheFilesDataAndSettingsAreApplied) {
  const int handle = LoadSoundFromFile(path.c_str(), 2, -1);
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  FakeBuffer *buffer = BufferOf(handle, 1);
  buffer->Advance(5000);
  EXPECT_EQ(pcm, buffer->played);
  EXPECT_FALSE(buffer->playing);
  EXPECT_EQ(8000u, buffer->frequency);
  EXPECT_EQ(0x80E2u, Fake().created.back().flags);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

// Without a window the Windows pump reports the program's end at once, so
// the wait is seen here only where no window is pumped; the Wine programs
// check it with the real device.
#ifndef _WIN32
TEST_F(SoundHandlesTest, PlayTypeZeroReturnsAfterTheEnd) {
  const int handle = LoadSoundFromFile(path.c_str(), 1, -1);
  Fake().advancePerStatus = 256;
  EXPECT_EQ(0, PlaySoundHandle(handle, 0, 1));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_EQ(pcm, BufferOf(handle, 0)->played);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}
#endif

TEST_F(SoundHandlesTest, LoopingPlayWrapsRound) {
  const int handle = LoadSoundFromFile(path.c_str(), 1, -1);
  ASSERT_EQ(0, PlaySoundHandle(handle, 3, 1));
  BufferOf(handle, 0)->Advance(4100);
  EXPECT_TRUE(BufferOf(handle, 0)->playing);
  EXPECT_EQ(100u, BufferOf(handle, 0)->cursor);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, LengthsAndPositions) {
  const int handle = LoadSoundFromFile(path.c_str(), 1, -1);
  EXPECT_EQ(4000, GetSoundTotalSamples(handle));
  EXPECT_EQ(500, GetSoundTotalTimeMs(handle));
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  BufferOf(handle, 0)->Advance(2000);
  EXPECT_EQ(250, GetSoundCurrentTimeMs(handle));
  // A record without format numbers measures 0 rather than dividing by 0.
  const int empty = AddSoundData(-1);
  EXPECT_EQ(0, GetSoundTotalSamples(empty));
  EXPECT_EQ(0, GetSoundTotalTimeMs(empty));
  EXPECT_EQ(0, GetSoundCurrentTimeMs(empty));
  EXPECT_EQ(0, DeleteSoundHandle(empty));
  EXPECT_EQ(0, DeleteSoundHandle(handle));
  EXPECT_EQ(1000, SamplesToMs(44100, 44100));
  EXPECT_EQ(44100, MsToSamples(44100, 1000));
  EXPECT_EQ(97391, SamplesToMs(2147483, 22050));  // 64-bit intermediate
}

TEST_F(SoundHandlesTest, ARecordWithoutBuffersRefusesToPlay) {
  const int handle = AddSoundData(-1);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  EXPECT_EQ(-1, PrepareNextPlaybackBuffer(record, 1));
  EXPECT_EQ(0, record->lastBuffer);
  EXPECT_EQ(-1, PlaySoundHandle(handle, 1, 1));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_EQ(0, StopSoundHandle(handle));
  EXPECT_EQ(0, DeleteSoundHandle(handle));  // no reference count to lower
}

TEST_F(SoundHandlesTest, BufferCountsAreClampedOnLoadAndCheckedFromMemory) {
  const Bytes image = ReadWholeFile(path);
  const struct {
    int asked, made;
  } loads[] = {{20, 10}, {0, 1}, {-5, 1}, {3, 3}};
  for (const auto &c : loads) {
    const int handle = LoadSoundFromFile(path.c_str(), c.asked, -1);
    ASSERT_NE(-1, handle) << c.asked;
    EXPECT_EQ(c.made, LookupSoundRecord(handle)->bufferCount) << c.asked;
    EXPECT_EQ(0, DeleteSoundHandle(handle));
  }
  for (int refused : {0, -1, 11}) {
    EXPECT_EQ(-1, CreateSoundFromMemory(image.data(), static_cast<int>(image.size()), refused, -1));
  }
  const int ten = CreateSoundFromMemory(image.data(), static_cast<int>(image.size()), 10, -1);
  EXPECT_EQ(10, LookupSoundRecord(ten)->bufferCount);
  EXPECT_EQ(0, DeleteAllSoundHandles());
}

TEST_F(SoundHandlesTest, BufferWithoutFrequencyControlIsTheFallback) {
  Fake().failOn[FAKE_CREATE_BUFFER] = Fake().calls[FAKE_CREATE_BUFFER] + 1;
  const int handle = LoadSoundFromFile(path.c_str(), 2, -1);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(0xC2u, Fake().created.back().flags);
  EXPECT_EQ(2, LookupSoundRecord(handle)->bufferCount);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, AFailedDuplicateEndsTheSeries) {
  Fake().failOn[FAKE_DUPLICATE] = 2;
  const int handle = LoadSoundFromFile(path.c_str(), 5, -1);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(2, LookupSoundRecord(handle)->bufferCount);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, WhenNoBufferCanBeMadeTheLoadFailsCleanly) {
  // No PCM buffer, and a rate no streaming buffer takes either.
  const std::string low = WriteFile("low.wav", PcmWav(1, 50, 8, Pattern(100)));
  Fake().failAlways[FAKE_CREATE_BUFFER] = true;
  log->Clear();
  EXPECT_EQ(-1, LoadSoundFromFile(low.c_str(), 3, -1));
  EXPECT_NE(std::string::npos, log->Text().find("DirectSoundBuffer の作成に失敗しました"));
  EXPECT_EQ(0, GetSoundSystem()->soundTable.liveCount);
  EXPECT_EQ(0, GetCreateSoundDataType());
}

TEST_F(SoundHandlesTest, EightBitSilenceIs127AndOtherSilenceIsZero) {
  SoundHandleRecord record = {};
  unsigned char a[6], b[6];
  LockedRegion region = {a, 4, b, 6};
  for (int bits : {8, 16}) {
    memset(a, 0x55, sizeof(a));
    memset(b, 0x55, sizeof(b));
    record.format.bitsPerSample = static_cast<uint16_t>(bits);
    SoundBufferFillSilence(&record, &region, 7);
    const unsigned char v = bits == 8 ? 127 : 0;
    EXPECT_EQ(Bytes({v, v, v, v, 0x55, 0x55}), Bytes(a, a + 6));
    EXPECT_EQ(Bytes({v, v, v, 0x55, 0x55, 0x55}), Bytes(b, b + 6));
  }
}

TEST_F(SoundHandlesTest, StreamBufferRefusesFormatsNoBufferCanTake) {
  const int handle = AddSoundData(-1);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const WaveFormat refused[] = {
      {1, 1, 50, 50, 1, 8, 0},          {1, 1, 200001, 200001, 1, 8, 0},
      {1, 3, 8000, 24000, 3, 8, 0},     {1, 1, 8000, 24000, 3, 24, 0},
  };
  const size_t before = Fake().created.size();
  for (const WaveFormat &f : refused) EXPECT_EQ(-1, CreatePlaybackBuffers(record, &f, 0, 1, 1));
  EXPECT_EQ(before, Fake().created.size());
  const WaveFormat good = {1, 2, 22050, 88200, 4, 16, 0};
  ASSERT_EQ(0, CreatePlaybackBuffers(record, &good, 0, 1, 1));
  EXPECT_EQ(0x180E2u, Fake().created.back().flags);
  EXPECT_EQ(88200u, Fake().created.back().bytes);
  EXPECT_EQ(SOUND_KIND_STREAM, record->kind);
  EXPECT_EQ(GetSoundSystem()->streamHead.next, &record->stream.listNode);
  EXPECT_EQ(0, DeleteSoundHandle(handle));
  EXPECT_EQ(&GetSoundSystem()->streamTail, GetSoundSystem()->streamHead.next);
}

using SoundHandlesDeathTest = SoundHandlesTest;

TEST_F(SoundHandlesDeathTest, AStreamBufferTheDeviceRefusesEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const int handle = AddSoundData(-1);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const WaveFormat good = {1, 1, 22050, 44100, 2, 16, 0};
  Fake().failAlways[FAKE_CREATE_BUFFER] = true;
#ifdef _WIN32
  const int exitCode = -1;
#else
  const int exitCode = 255;
#endif
  EXPECT_EXIT(CreatePlaybackBuffers(record, &good, 0, 1, 1), testing::ExitedWithCode(exitCode), "");
  Fake().failAlways[FAKE_CREATE_BUFFER] = false;
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, ACorruptFileFailsWithItsLinesAndLeavesNothing) {
  const std::string bad = WriteFile("bad.wav", Bytes(100, 'x'));
  log->Clear();
  EXPECT_EQ(-1, LoadSoundFromFile(bad.c_str(), 3, -1));
  const std::string text = log->Text();
  EXPECT_NE(std::string::npos, text.find("音声ファイルのＰＣＭへの変換に失敗しました"));
  EXPECT_NE(std::string::npos, text.find("右記の音声ファイルのロードに失敗しました_2：" + bad));
  EXPECT_EQ(-1, LoadSoundFromFile((bad + ".missing").c_str(), 3, -1));
  EXPECT_NE(std::string::npos, log->Text().find("右記の音声ファイルのロードに失敗しました_1："));
  EXPECT_EQ(0, GetSoundSystem()->soundTable.liveCount);
}

TEST_F(SoundHandlesTest, EveryFailedAllocationOfALoadLeavesNothingBehind) {
  const int baselineBlocks = GetAllocatedBlockCount();
  int handle = -1;
  int n = 1;
  for (; n < 200 && handle == -1; n++) {
    SetAllocationFailureCountdown(n);
    handle = LoadSoundFromFile(path.c_str(), 3, -1);
    SetAllocationFailureCountdown(0);
    if (handle == -1) {
      ASSERT_EQ(baselineBlocks, GetAllocatedBlockCount()) << n;
      ASSERT_EQ(2, Fake().liveBuffers) << n;
    }
  }
  ASSERT_NE(-1, handle);
  EXPECT_GT(n, 2);  // at least one failing load was walked
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(SoundHandlesTest, LockAndUnlockFailuresFailTheLoad) {
  const struct {
    FakeCall call;
    const char *line;
  } cases[] = {{FAKE_LOCK, "サウンドデータの転送に失敗しました_1"},
               {FAKE_UNLOCK, "サウンドデータの転送に失敗しました_2"}};
  for (const auto &c : cases) {
    Fake().failOn[c.call] = Fake().calls[c.call] + 1;
    log->Clear();
    EXPECT_EQ(-1, LoadSoundFromFile(path.c_str(), 2, -1));
    EXPECT_NE(std::string::npos, log->Text().find(c.line));
    EXPECT_EQ(2, Fake().liveBuffers);
  }
}

TEST_F(SoundHandlesTest, CreateDataTypeSetting) {
  EXPECT_EQ(0, SetCreateSoundDataType(1));
  EXPECT_EQ(0, GetCreateSoundDataType());
  EXPECT_EQ(0, SetCreateSoundDataType(3));
  EXPECT_EQ(-1, SetCreateSoundDataType(4));
  EXPECT_EQ(-1, SetCreateSoundDataType(-1));
  EXPECT_EQ(3, GetCreateSoundDataType());
  EXPECT_EQ(0, SetCreateSoundDataType(0));
}

TEST_F(SoundHandlesTest, ReadFileToMemoryReadsEverythingOrNothing) {
  void *data = nullptr;
  int bytes = 0;
  ASSERT_EQ(0, ReadFileToMemory(path.c_str(), &data, &bytes));
  EXPECT_EQ(ReadWholeFile(path), Bytes(static_cast<unsigned char *>(data),
                                        static_cast<unsigned char *>(data) + bytes));
  FreeMemory(data);
  log->Clear();
  EXPECT_EQ(-1, ReadFileToMemory("no-such-file.wav", &data, &bytes));
  EXPECT_NE(std::string::npos,
            log->Text().find("右記のファイルのオープンに失敗しました：no-such-file.wav"));
}

}  // namespace
