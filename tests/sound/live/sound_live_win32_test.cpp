// The sound system over Wine's real DirectSound: loading into buffers,
// playing, and start-up without DirectSound.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "sound/core/sound_handles.h"
#include "sound/core/sound_system.h"
#include "sound/live/live_sound.h"
#include "sound_fixture.h"
#include "spine_support.h"
#include "velvane.h"

namespace {

class LiveSoundTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("sound"); }
  void SetUp() override {
    if (DirectSoundSwitchedOff()) GTEST_SKIP() << "DirectSound is switched off";
    SetAudioDeviceFactory(nullptr);
    ASSERT_EQ(0, StartFrameworkWindowed());
    ASSERT_EQ(1, IsSoundStarted());
  }
  void TearDown() override { EndFramework(); }
};

TEST_F(LiveSoundTest, WavsLoadIntoThreeBuffersThatHoldTheData) {
  for (const char *name : {"mono8.wav", "stereo16.wav"}) {
    SCOPED_TRACE(name);
    const std::string path = FixturePath(name);
    const int handle = LoadSoundFromFile(path.c_str(), 3, -1);
    ASSERT_NE(-1, handle);
    SoundHandleRecord *record = LookupSoundRecord(handle);
    ASSERT_EQ(3, record->bufferCount);
    const Bytes file = ReadWholeFile(path);
    const char tag[] = "data";
    const auto at = std::search(file.begin(), file.end(), tag, tag + 4) + 8;
    const Bytes data(at, at + record->pcmSize);
    for (int i = 0; i < 3; i++) EXPECT_EQ(data, ReadBack(record, i)) << i;
    EXPECT_EQ(0, DeleteSoundHandle(handle));
  }
}

TEST_F(LiveSoundTest, OggLoadsIntoThreeBuffersWithinOneStepOfTheReference) {
  const int handle = LoadSoundFromFile(FixturePath("stereo.ogg").c_str(), 3, -1);
  ASSERT_NE(-1, handle);
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const Bytes reference = ReadWholeFile(FixturePath("stereo.raw"));
  ASSERT_EQ(reference.size(), static_cast<size_t>(record->pcmSize));
  for (int b = 0; b < 3; b++) ExpectSameDecode(reference, ReadBack(record, b));
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(LiveSoundTest, APlayAdvancesAndEnds) {
  const int handle = LoadSoundFromFile(FixturePath("stereo16.wav").c_str(), 3, -1);
  ASSERT_NE(-1, handle);
  ASSERT_EQ(0, PlaySoundHandle(handle, 1, 1));
  // The device's own thread moves the cursor, and Wine plays this half
  // second in about 0.15 s: a single pump of a freshly shown window can
  // take longer than that, so the advance is watched without pumping.
  EXPECT_TRUE(WaitFor([&] { return GetSoundCurrentTimeMs(handle) > 0; }, 10000, kWithoutPumping));
  EXPECT_TRUE(WaitFor([&] { return CheckSoundPlaying(handle) == 0; }, 20000));
  // Play type 0 comes back only once the sound has ended.
  ASSERT_EQ(0, PlaySoundHandle(handle, 0, 1));
  EXPECT_EQ(0, CheckSoundPlaying(handle));
  EXPECT_EQ(0, DeleteSoundHandle(handle));
}

TEST_F(LiveSoundTest, DeletingAllSoundsAfterTheEndGivesMinusOne) {
  ASSERT_NE(-1, LoadSoundFromFile(FixturePath("mono8.wav").c_str(), 3, -1));
  EXPECT_EQ(0, EndFramework());
  EXPECT_EQ(-1, DeleteAllSoundHandles());
}

TEST_F(LiveSoundTest, StartAndEndLogTheirSteps) {
  EXPECT_EQ(0, EndFramework());
  const std::vector<std::string> lines = ReadLogLines();
  const char *patterns[] = {
      "DirectSound の初期化を行います",
      "DirectSound インターフェースの取得を行います....  成功",
      "引き続きインターフェースの初期化処理...  成功",
      "\tDirectSound デバイスを列挙します",
      "\t\tモジュール名:*",
      "\t最大サンプリングレート:#KHz 最小サンプリングレート:#KHz ",
      "DirectSound の初期化は正常に終了しました",
      "DirectSound の終了処理は正常に終了しました",
  };
  int at = 0;
  for (const char *pattern : patterns) {
    at = FindLine(lines, pattern, at);
    EXPECT_NE(-1, at) << pattern << "\n" << JoinLines(lines);
    if (at < 0) break;
  }
}

// Run by its own test entry with WINEDLLOVERRIDES=dsound=d: creation fails
// for real, the framework still starts, and every sound call gives -1.
TEST(WithoutDirectSound, FrameworkStartsAndSoundCallsFail) {
  if (!DirectSoundSwitchedOff()) GTEST_SKIP() << "DirectSound is available";
  EnterPrivateDirectory("no-sound");
  SetAudioDeviceFactory(nullptr);
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(0, IsSoundStarted());
  EXPECT_EQ(-1, LoadSoundFromFile(FixturePath("mono8.wav").c_str(), 3, -1));
  EXPECT_EQ(-1, PlaySoundHandle(0x10000000, 1, 1));
  EXPECT_EQ(-1, DeleteAllSoundHandles());
  EXPECT_EQ(0, EndFramework());
  const std::vector<std::string> lines = ReadLogLines();
  EXPECT_NE(-1, FindLine(lines, "DirectSound インターフェースの取得を行います....  DirectSoundインターフェースの作成に失敗しました"))
      << JoinLines(lines);
}

}  // namespace
