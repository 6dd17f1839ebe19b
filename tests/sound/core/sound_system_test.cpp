#include <gtest/gtest.h>

#include <string>

#include "core/base/system_info.h"
#include "core/debug/log.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"
#include "sound_fixture.h"
#include "velvane.h"

namespace {

class SoundSystemTest : public SoundTest {};

struct FatalStep {
  FakeCall call;
  int nth;
  const char *line;
};

// Each fatal step gives -1, its line and leaves nothing alive.
TEST_F(SoundSystemTest, FatalStartStepsFailWithTheirLineAndLeaveNothing) {
  const FatalStep steps[] = {
      {FAKE_CREATE_DEVICE, 1, "DirectSoundインターフェースの作成に失敗しました\r\n"},
      {FAKE_INITIALIZE, 1, "初期化に失敗しました\r\n"},
      {FAKE_COOPERATIVE_LEVEL, 1, "DirectSoundの協調レベルの設定に失敗しました\r\n"},
      {FAKE_CREATE_BUFFER, 1, "DirectSoundのプライマリサウンドバッファの作成に失敗しました\r\n"},
  };
  for (const FatalStep &step : steps) {
    SCOPED_TRACE(step.line);
    log->Clear();
    ResetFake();
    Fake().failOn[step.call] = step.nth;
    EXPECT_EQ(-1, StartSoundSystem());
    EXPECT_NE(std::string::npos, log->Text().find(step.line));
    EXPECT_EQ(0, IsSoundStarted());
    EXPECT_EQ(0, Fake().liveBuffers);
    EXPECT_EQ(0, Fake().liveDevices);
    EXPECT_EQ(-1, EndSoundSystem());
  }
}

struct SoftStep {
  FakeCall call;
  int nth;
  int enumerateResult;
  const char *line;
  int buffersAlive;  // primary and silent buffer
};

// Format, silent buffer and device log failures are logged and skipped,
// and the indent ends where it began.
TEST_F(SoundSystemTest, SkippableStartStepsAreLoggedAndStartUpGoesOn) {
  const SoftStep steps[] = {
      {FAKE_SET_FORMAT, 1, AUDIO_ENUM_DONE,
       "DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました", 2},
      {FAKE_CREATE_BUFFER, 2, AUDIO_ENUM_DONE, "無音バッファの作成に失敗しました", 1},
      {FAKE_LOCK, 1, AUDIO_ENUM_DONE, "無音バッファのロックに失敗しました", 1},
      {FAKE_CALL_COUNT, 0, AUDIO_ENUM_NO_LIBRARY, "DSOUND.DLL のロードに失敗しました", 2},
      {FAKE_CALL_COUNT, 0, AUDIO_ENUM_NO_FUNCTION,
       "DirectSound デバイスの列挙用関数のポインタ取得に失敗しました", 2},
  };
  for (const SoftStep &step : steps) {
    SCOPED_TRACE(step.line);
    log->Clear();
    ResetFake();
    if (step.call != FAKE_CALL_COUNT) Fake().failOn[step.call] = step.nth;
    Fake().enumerateResult = step.enumerateResult;
    const int indent = GetLogIndentLevel();
    ASSERT_EQ(0, StartSoundSystem());
    EXPECT_EQ(indent, GetLogIndentLevel());
    EXPECT_NE(std::string::npos, log->Text().find(step.line));
    EXPECT_NE(std::string::npos, log->Text().find("DirectSound の初期化は正常に終了しました"));
    EXPECT_EQ(step.buffersAlive, Fake().liveBuffers);
    EXPECT_EQ(0, EndSoundSystem());
    EXPECT_EQ(0, Fake().liveBuffers);
  }
}

TEST_F(SoundSystemTest, StartLogListsDevicesAndCapabilities) {
  ASSERT_EQ(0, Start());
  const std::string text = log->Text();
  const char *lines[] = {
      "DirectSound の初期化を行います\r\n",
      "DirectSound インターフェースの取得を行います....  成功\r\n",
      "引き続きインターフェースの初期化処理...  成功\r\n",
      "\tDirectSound デバイスを列挙します\r\n",
      "\t\tモジュール名:       fake.drv  ドライバ記述:Fake Output \r\n",
      "\t最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz \r\n",
      "\t プライマリ １６bit = OK  ８bit = OK \r\n",
      "\t セカンダリ １６bit = OK  ８bit = NO \r\n",
      "\t プライマリ MONO = OK  STEREO = OK \r\n",
      "\t セカンダリ MONO = OK  STEREO = NO \r\n",
      "DirectSound の初期化は正常に終了しました\r\n",
  };
  size_t from = 0;
  for (const char *line : lines) {
    const size_t at = text.find(line, from);
    EXPECT_NE(std::string::npos, at) << line << "\n" << text;
    if (at != std::string::npos) from = at;
  }
  EXPECT_EQ(0, EndSoundSystem());
  EXPECT_NE(std::string::npos, log->Text().find("DirectSound の終了処理は正常に終了しました"));
}

struct PrimaryCase {
  uint32_t flags;
  uint32_t maxRate;
  WaveFormat expected;
};

TEST_F(SoundSystemTest, PrimaryFormatFollowsTheCapabilities) {
  const PrimaryCase cases[] = {
      {AUDIO_CAPS_PRIMARY_STEREO | AUDIO_CAPS_PRIMARY_16BIT, 200000, {1, 2, 44100, 176400, 4, 16, 0}},
      {AUDIO_CAPS_PRIMARY_STEREO | AUDIO_CAPS_PRIMARY_16BIT, 44100, {1, 2, 44100, 176400, 4, 16, 0}},
      {AUDIO_CAPS_PRIMARY_16BIT, 22050, {1, 1, 22050, 44100, 2, 16, 0}},
      {AUDIO_CAPS_PRIMARY_STEREO, 11025, {1, 2, 11025, 22050, 2, 8, 0}},
      {0, 48000, {1, 1, 44100, 44100, 1, 8, 0}},
  };
  for (const PrimaryCase &c : cases) {
    ResetFake();
    Fake().caps.flags = c.flags;
    Fake().caps.maxSecondaryRate = c.maxRate;
    ASSERT_EQ(0, StartSoundSystem());
    ASSERT_EQ(1u, Fake().primaryFormats.size());
    const WaveFormat &f = Fake().primaryFormats[0];
    EXPECT_EQ(0, memcmp(&c.expected, &f, sizeof(f))) << c.flags << " " << c.maxRate;
    EXPECT_EQ(0, EndSoundSystem());
  }
}

TEST_F(SoundSystemTest, SilentBufferLoopsZerosOfTheFixedFormat) {
  ASSERT_EQ(0, Start());
  ASSERT_EQ(2u, Fake().created.size());
  EXPECT_EQ(static_cast<uint32_t>(AUDIO_BUFFER_PRIMARY), Fake().created[0].flags);
  EXPECT_EQ(0x8002u, Fake().created[1].flags);
  EXPECT_EQ(400u, Fake().created[1].bytes);
  const WaveFormat expected = {1, 2, 44100, 176400, 4, 16, 0};
  EXPECT_EQ(0, memcmp(&expected, &Fake().createdFormats[1], sizeof(expected)));
  FakeBuffer *silent = Fake().buffers[1];
  EXPECT_TRUE(silent->playing);
  EXPECT_TRUE(silent->looping);
  EXPECT_EQ(Bytes(400, 0), silent->memory->bytes);
}

TEST_F(SoundSystemTest, SecondStartAndEndAndCallsAfterTheEndGiveMinusOne) {
  ASSERT_EQ(0, Start());
  const std::string path = WriteFile("a.wav", PcmWav(1, 8000, 8, Pattern(800)));
  const int handle = LoadSoundFromFile(path.c_str(), 1, -1);
  ASSERT_NE(-1, handle);
  EXPECT_EQ(-1, StartSoundSystem());
  EXPECT_EQ(0, EndSoundSystem());
  EXPECT_EQ(-1, EndSoundSystem());
  EXPECT_EQ(-1, PlaySoundHandle(handle, 1, 1));
  EXPECT_EQ(-1, CheckSoundPlaying(handle));
  EXPECT_EQ(-1, DeleteSoundHandle(handle));
  EXPECT_EQ(-1, DeleteAllSoundHandles());
  EXPECT_EQ(-1, LoadSoundFromFile(path.c_str(), 1, -1));
  EXPECT_EQ(-1, RefillStreamSounds());
  EXPECT_EQ(-1, UpdateSoftSoundPlayers());
  EXPECT_EQ(-1, PollMusicPlayState());
  EXPECT_EQ(0, StopPlayFileSound());
}

intptr_t RefuseThread(void (*)(void *), void *, int) { return 0; }

TEST_F(SoundSystemTest, UpdateThreadOnlyWithSeveralProcessorsAndAStartedThread) {
  ASSERT_EQ(0, Start());
  EXPECT_EQ(0, HasSoundUpdateThread());
  EXPECT_EQ(0, EndSoundSystem());

  GetSystemFacts()->processorCount = 4;
  SetSoundThreadStarter(RefuseThread);
  ASSERT_EQ(0, Start());
  EXPECT_EQ(0, HasSoundUpdateThread());
  EXPECT_EQ(0, EndSoundSystem());

  SetSoundThreadStarter(nullptr);
  ASSERT_EQ(0, Start());
  EXPECT_EQ(1, HasSoundUpdateThread());
  EXPECT_EQ(0, EndSoundSystem());
  EXPECT_EQ(0, HasSoundUpdateThread());
  EXPECT_EQ(SOUND_THREAD_ENDED, GetSoundSystem()->threadState.load());
}

}  // namespace
