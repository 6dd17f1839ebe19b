#include "core/input/joypad_devices.h"

#include <string.h>

#include "velvane.h"

namespace {

const int kAxisMinimum = -1000;
const int kAxisMaximum = 1000;
// Half the range: a stick must travel halfway before it counts.
const int kDeadZone = 5000;
const int kFullPower = 10000;
// The periodic effect runs only above half power.
const int kPeriodicPowerThreshold = 5000;

// Logs the failure and undoes the half-made pad; always 0 (not added).
int SkipJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad, const char *message) {
  if (message) WriteLogLine(message);
  ReleaseJoypad(calls, pad);
  return 0;
}

// X and Y must take the settings; Z and Rz take them when the pad has them.
int SetAxes(const JoypadDeviceCalls *calls, JoypadRecord *pad) {
  if (calls->setAxisRange(pad->device, JOYPAD_AXIS_X, kAxisMinimum, kAxisMaximum) < 0)
    return SkipJoypad(calls, pad, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n");
  if (calls->setAxisRange(pad->device, JOYPAD_AXIS_Y, kAxisMinimum, kAxisMaximum) < 0)
    return SkipJoypad(calls, pad, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n");
  calls->setAxisRange(pad->device, JOYPAD_AXIS_Z, kAxisMinimum, kAxisMaximum);
  calls->setAxisRange(pad->device, JOYPAD_AXIS_RZ, kAxisMinimum, kAxisMaximum);
  if (calls->setAxisDeadZone(pad->device, JOYPAD_AXIS_X, kDeadZone) < 0)
    return SkipJoypad(calls, pad, "ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n");
  if (calls->setAxisDeadZone(pad->device, JOYPAD_AXIS_Y, kDeadZone) < 0)
    return SkipJoypad(calls, pad, "ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n");
  calls->setAxisDeadZone(pad->device, JOYPAD_AXIS_Z, kDeadZone);
  calls->setAxisDeadZone(pad->device, JOYPAD_AXIS_RZ, kDeadZone);
  return 1;
}

void CreateEffects(const JoypadDeviceCalls *calls, JoypadRecord *pad) {
  pad->periodicEffect = calls->createEffect(pad->device, JOYPAD_EFFECT_PERIODIC);
  pad->constantEffect = calls->createEffect(pad->device, JOYPAD_EFFECT_CONSTANT);
  if (!pad->constantEffect) WriteLogLine("周期的エフェクトの作成に失敗しました。\n");
}

void ResetEffectControl(JoypadEffectControl *effects) {
  memset(effects, 0, sizeof *effects);
  effects->vibration.power = kFullPower;
}

// Plays or stops one effect when its flag says otherwise.
void MatchEffect(const JoypadDeviceCalls *calls, void *effect, int play, int *playing) {
  if (!effect || play == *playing) return;
  if (calls->playEffect(effect, play) == 0) *playing = play;
}

}  // namespace

int AddJoypad(const JoypadDeviceCalls *calls, void *instance, int effectsOff,
              JoypadRecord *pad) {
  memset(pad, 0, sizeof *pad);
  WriteLogLine("入力装置を見つけました\n");
  pad->device = calls->create(instance);
  if (!pad->device) return SkipJoypad(calls, pad, "入力装置の取得に失敗しました\n");
  if (calls->names(pad->device, pad->instanceName, pad->productName) == 0) {
    // The names come from the driver: never trust them to be terminated.
    pad->instanceName[JOYPAD_NAME_SIZE - 1] = '\0';
    pad->productName[JOYPAD_NAME_SIZE - 1] = '\0';
    WriteLogLineFormat("デバイスの登録名:%s", pad->instanceName);
    WriteLogLineFormat("デバイスの製品登録名:%s", pad->productName);
  }
  if (calls->setJoystickFormat(pad->device) < 0)
    return SkipJoypad(calls, pad, "ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
  if (calls->setCooperativeLevel(pad->device, 1) < 0)
    WriteLogLine("ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
  if (!SetAxes(calls, pad)) return 0;
  if (!effectsOff) CreateEffects(calls, pad);
  ResetEffectControl(&pad->effects);
  pad->event = calls->createEvent(pad->device);
  if (!pad->event) return SkipJoypad(calls, pad, "ジョイパッドイベントのセットアップが失敗しました\n");
  calls->acquire(pad->device);
  WriteLogLine("ジョイパッドの追加は正常に終了しました\n");
  return 1;
}

void ReleaseJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad) {
  void *effects[] = {pad->constantEffect, pad->periodicEffect};
  for (void *effect : effects) {
    if (!effect) continue;
    calls->playEffect(effect, 0);
    calls->releaseEffect(effect);
  }
  if (pad->device) {
    calls->unacquire(pad->device);
    calls->release(pad->device);
  }
  if (pad->event) calls->closeEvent(pad->event);
  memset(pad, 0, sizeof *pad);
}

int ReadJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad) {
  if (!pad->device) return 0;
  const uint32_t now = calls->tick();
  const int signalled = pad->event && calls->isSignalled(pad->event);
  if (pad->readOnce && now == pad->lastTick && !signalled) return 0;
  pad->lastTick = now;
  pad->readOnce = 1;
  calls->poll(pad->device);
  // Read into a copy so that a failed read leaves the last good state.
  PadState fresh = pad->state;
  if (calls->readState(pad->device, &fresh) < 0) {
    calls->acquire(pad->device);
    if (calls->readState(pad->device, &fresh) < 0) fresh = pad->state;
  }
  pad->state = fresh;
  if (signalled) calls->resetEvent(pad->event);
  return 0;
}

void ReacquireJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad, int windowActive) {
  if (!pad->device) return;
  calls->unacquire(pad->device);
  calls->setCooperativeLevel(pad->device, windowActive ? 1 : 0);
  calls->acquire(pad->device);
}

void ApplyJoypadEffects(const JoypadDeviceCalls *calls, JoypadRecord *pad, int windowActive) {
  if (!pad->device) return;
  JoypadEffectControl &effects = pad->effects;
  const int on = windowActive && effects.vibration.state == 1;
  const int periodic = on && effects.vibration.power > kPeriodicPowerThreshold;
  MatchEffect(calls, pad->constantEffect, on, &effects.constantPlaying);
  MatchEffect(calls, pad->periodicEffect, periodic, &effects.periodicPlaying);
}
