#include <gtest/gtest.h>

#include "core/input/fake_joypad.h"
#include "core/input/joypad_devices.h"
#include "core/log_capture.h"

namespace {

class JoypadDevicesTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetFakeJoypads();
    memset(&pad, 0x5A, sizeof pad);  // AddJoypad must not trust the record
  }
  int Add(int effectsOff = 0) { return AddJoypad(FakeJoypadCalls(), nullptr, effectsOff, &pad); }
  static bool Leaked() {
    const FakeJoypadWorld &world = FakeJoypads();
    return world.liveDevices || world.liveEffects || world.liveEvents;
  }
  LogCapture log;
  JoypadRecord pad;
};

TEST_F(JoypadDevicesTest, AFullSetUpRangesDeadZonesEffectsAndAcquires) {
  ASSERT_EQ(1, Add());
  const FakeJoypadWorld &world = FakeJoypads();
  for (int axis = 0; axis < 4; axis++) {
    EXPECT_EQ(-1000, world.ranges[axis][0]) << axis;
    EXPECT_EQ(1000, world.ranges[axis][1]) << axis;
    EXPECT_EQ(5000, world.deadZones[axis]) << axis;
  }
  EXPECT_EQ(1, world.exclusiveForeground);
  EXPECT_EQ(2, world.liveEffects);
  EXPECT_EQ(1, world.calls.at("acquire"));
  EXPECT_TRUE(pad.constantEffect && pad.periodicEffect && pad.event);
  EXPECT_EQ(0, pad.effects.vibration.state);
  EXPECT_EQ(10000, pad.effects.vibration.power);
  EXPECT_EQ(0, pad.effects.constantPlaying + pad.effects.periodicPlaying);
  EXPECT_EQ('\0', pad.instanceName[JOYPAD_NAME_SIZE - 1]);
  const std::string text = log.Text();
  EXPECT_NE(std::string::npos, text.find("入力装置を見つけました"));
  EXPECT_NE(std::string::npos, text.find("デバイスの製品登録名:Pad"));
  EXPECT_NE(std::string::npos, text.find("ジョイパッドの追加は正常に終了しました"));
  ReleaseJoypad(FakeJoypadCalls(), &pad);
  EXPECT_FALSE(Leaked());
  EXPECT_EQ(nullptr, pad.device);
}

struct StepCase {
  const char *step;
  int added;
  const char *logged;  // null: nothing of its own
};

// Each step whose result is tested skips the pad with its message; the
// others only log or go on silently.
const StepCase kSteps[] = {
    {"create", 0, "入力装置の取得に失敗しました"},
    {"format", 0, "ジョイパッドデバイスではありませんでした、又は設定に失敗しました"},
    {"cooperative", 1, "ジョイパッドデバイスの協調レベルの設定に失敗しました"},
    {"rangeX", 0, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました"},
    {"rangeY", 0, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました"},
    {"rangeZ", 1, nullptr},
    {"rangeRz", 1, nullptr},
    {"deadX", 0, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました"},
    {"deadY", 0, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました"},
    {"deadZ", 1, nullptr},
    {"periodic", 1, nullptr},
    {"constant", 1, "周期的エフェクトの作成に失敗しました。"},
    {"event", 0, "ジョイパッドイベントのセットアップが失敗しました"},
    {"acquire", 1, nullptr},
    {"names", 1, nullptr},
};

TEST_F(JoypadDevicesTest, AFailedStepSkipsThePadOnlyWhereItsResultIsTested) {
  for (const StepCase &c : kSteps) {
    ResetFakeJoypads();
    log.Clear();
    FakeJoypads().failures[c.step] = -1;
    EXPECT_EQ(c.added, Add()) << c.step;
    const std::string text = log.Text();
    if (c.logged) {
      EXPECT_NE(std::string::npos, text.find(c.logged)) << c.step;
    }
    EXPECT_EQ(c.added != 0, text.find("ジョイパッドの追加は正常に終了しました") != std::string::npos)
        << c.step;
    if (!c.added) {
      EXPECT_FALSE(Leaked()) << c.step;
      EXPECT_EQ(nullptr, pad.device) << c.step;
    }
    ReleaseJoypad(FakeJoypadCalls(), &pad);
    EXPECT_FALSE(Leaked()) << c.step;
  }
}

TEST_F(JoypadDevicesTest, EffectsOffMakesNoEffects) {
  ASSERT_EQ(1, Add(1));
  EXPECT_EQ(0, FakeJoypads().liveEffects);
  EXPECT_EQ(0, FakeJoypads().calls.count("constant") + FakeJoypads().calls.count("periodic"));
  ApplyJoypadEffects(FakeJoypadCalls(), &pad, 1);
  pad.effects.vibration.state = 1;
  ApplyJoypadEffects(FakeJoypadCalls(), &pad, 1);
  EXPECT_TRUE(FakeJoypads().plays.empty());
  ReleaseJoypad(FakeJoypadCalls(), &pad);
}

TEST_F(JoypadDevicesTest, ReadsOncePerTickUnlessSignalledAndKeepsTheStateOnFailure) {
  ASSERT_EQ(1, Add());
  FakeJoypadWorld &world = FakeJoypads();
  world.nextState.x = 300;
  ReadJoypad(FakeJoypadCalls(), &pad);
  EXPECT_EQ(300, pad.state.x);
  world.nextState.x = -300;
  ReadJoypad(FakeJoypadCalls(), &pad);
  EXPECT_EQ(300, pad.state.x) << "same tick: not read again";
  world.signalled = 1;
  ReadJoypad(FakeJoypadCalls(), &pad);
  EXPECT_EQ(-300, pad.state.x) << "the pad signalled new input";
  EXPECT_EQ(0, world.signalled);
  // A lost device is acquired and read again.
  world.tick++;
  world.nextState.x = 20;
  world.failures["read"] = 1;
  const int acquires = world.calls["acquire"];
  ReadJoypad(FakeJoypadCalls(), &pad);
  EXPECT_EQ(20, pad.state.x);
  EXPECT_EQ(acquires + 1, world.calls["acquire"]);
  // Two failed reads keep the last good state.
  world.tick++;
  world.nextState.x = 999;
  world.failures["read"] = 2;
  ReadJoypad(FakeJoypadCalls(), &pad);
  EXPECT_EQ(20, pad.state.x);
  EXPECT_EQ(4, world.calls["poll"]);
  ReleaseJoypad(FakeJoypadCalls(), &pad);
}

TEST_F(JoypadDevicesTest, ReacquiringFollowsTheWindowsActivity) {
  ASSERT_EQ(1, Add());
  for (int active : {0, 1}) {
    ReacquireJoypad(FakeJoypadCalls(), &pad, active);
    EXPECT_EQ(active, FakeJoypads().exclusiveForeground);
  }
  EXPECT_EQ(2, FakeJoypads().calls["unacquire"]);
  EXPECT_EQ(3, FakeJoypads().calls["acquire"]);
  ReleaseJoypad(FakeJoypadCalls(), &pad);
}

struct EffectCase {
  int active;
  int state;
  int power;
  int constantPlays;
  int periodicPlays;
};

// The constant force follows the state; the sine runs above half power;
// an inactive window stops both.
const EffectCase kEffects[] = {
    {1, 1, 10000, 1, 1}, {1, 1, 5001, 1, 1}, {1, 1, 5000, 1, 0}, {1, 1, 0, 1, 0},
    {1, 0, 10000, 0, 0}, {0, 1, 10000, 0, 0}, {0, 0, 10000, 0, 0},
};

TEST_F(JoypadDevicesTest, EffectsPlayAsTheStateActivityAndPowerSay) {
  for (const EffectCase &c : kEffects) {
    ResetFakeJoypads();
    ASSERT_EQ(1, Add());
    pad.effects.vibration.state = c.state;
    pad.effects.vibration.power = c.power;
    ApplyJoypadEffects(FakeJoypadCalls(), &pad, c.active);
    EXPECT_EQ(c.constantPlays, pad.effects.constantPlaying) << c.active << c.state << c.power;
    EXPECT_EQ(c.periodicPlays, pad.effects.periodicPlaying) << c.active << c.state << c.power;
    const size_t started = FakeJoypads().plays.size();
    EXPECT_EQ(static_cast<size_t>(c.constantPlays + c.periodicPlays), started);
    ApplyJoypadEffects(FakeJoypadCalls(), &pad, c.active);
    EXPECT_EQ(started, FakeJoypads().plays.size()) << "nothing sent twice";
    ApplyJoypadEffects(FakeJoypadCalls(), &pad, 0);
    EXPECT_EQ(0, pad.effects.constantPlaying + pad.effects.periodicPlaying);
    ReleaseJoypad(FakeJoypadCalls(), &pad);
  }
}

TEST_F(JoypadDevicesTest, AnEffectThatFailsToStartIsTriedAgainNextTime) {
  ASSERT_EQ(1, Add());
  pad.effects.vibration.state = 1;
  FakeJoypads().failures["play"] = 1;
  ApplyJoypadEffects(FakeJoypadCalls(), &pad, 1);
  ApplyJoypadEffects(FakeJoypadCalls(), &pad, 1);
  EXPECT_EQ(1, pad.effects.constantPlaying);
  EXPECT_EQ(1, pad.effects.periodicPlaying);
  ReleaseJoypad(FakeJoypadCalls(), &pad);
}

}  // namespace
