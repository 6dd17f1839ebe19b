// Scripted game controllers behind the joypad device calls: each step can
// be made to fail, every call is counted, and what is made is tracked so a
// test can see that nothing was left behind.
#ifndef VELVANE_TESTS_CORE_INPUT_FAKE_JOYPAD_H
#define VELVANE_TESTS_CORE_INPUT_FAKE_JOYPAD_H

#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "core/input/joypad_devices.h"

struct FakeJoypadWorld {
  std::map<std::string, int> failures;  // step name -> calls left to fail (-1: always)
  std::map<std::string, int> calls;     // step name -> calls made
  int liveDevices = 0;
  int liveEffects = 0;
  int liveEvents = 0;
  int signalled = 0;
  uint32_t tick = 100;
  PadState nextState = {};
  int ranges[4][2] = {};
  int deadZones[4] = {};
  int exclusiveForeground = -1;
  std::vector<std::pair<int, int>> plays;  // (effect kind, play)
};

inline FakeJoypadWorld &FakeJoypads() {
  static FakeJoypadWorld world;
  return world;
}

// Counts the call; true when the step is to fail this time.
inline bool FakeStepFails(const char *step) {
  FakeJoypadWorld &world = FakeJoypads();
  world.calls[step]++;
  auto found = world.failures.find(step);
  if (found == world.failures.end() || found->second == 0) return false;
  if (found->second > 0) found->second--;
  return true;
}

// Devices, effects and events are tagged pointers into these objects.
struct FakeObject {
  int kind;
};
inline FakeObject *FakeDevice() {
  static FakeObject device = {-1};
  return &device;
}
inline FakeObject *FakeEffect(JoypadEffectKind kind) {
  static FakeObject effects[2] = {{JOYPAD_EFFECT_PERIODIC}, {JOYPAD_EFFECT_CONSTANT}};
  return &effects[kind];
}
inline FakeObject *FakeEvent() {
  static FakeObject event = {-2};
  return &event;
}

inline const JoypadDeviceCalls *FakeJoypadCalls() {
  static const JoypadDeviceCalls calls = {
      [](void *) -> void * {
        if (FakeStepFails("create")) return nullptr;
        FakeJoypads().liveDevices++;
        return FakeDevice();
      },
      [](void *, char *instanceName, char *productName) {
        if (FakeStepFails("names")) return -1;
        memset(instanceName, 'i', JOYPAD_NAME_SIZE);  // unterminated on purpose
        strcpy(productName, "Pad");
        return 0;
      },
      [](void *) { return FakeStepFails("format") ? -1 : 0; },
      [](void *, int exclusiveForeground) {
        FakeJoypads().exclusiveForeground = exclusiveForeground;
        return FakeStepFails("cooperative") ? -1 : 0;
      },
      [](void *, JoypadAxis axis, int minimum, int maximum) {
        const char *steps[] = {"rangeX", "rangeY", "rangeZ", "rangeRz"};
        FakeJoypads().ranges[axis][0] = minimum;
        FakeJoypads().ranges[axis][1] = maximum;
        return FakeStepFails(steps[axis]) ? -1 : 0;
      },
      [](void *, JoypadAxis axis, int deadZone) {
        const char *steps[] = {"deadX", "deadY", "deadZ", "deadRz"};
        FakeJoypads().deadZones[axis] = deadZone;
        return FakeStepFails(steps[axis]) ? -1 : 0;
      },
      [](void *, JoypadEffectKind kind) -> void * {
        if (FakeStepFails(kind == JOYPAD_EFFECT_PERIODIC ? "periodic" : "constant")) return nullptr;
        FakeJoypads().liveEffects++;
        return FakeEffect(kind);
      },
      [](void *) -> void * {
        if (FakeStepFails("event")) return nullptr;
        FakeJoypads().liveEvents++;
        return FakeEvent();
      },
      [](void *) { return FakeStepFails("acquire") ? -1 : 0; },
      [](void *) { FakeStepFails("unacquire"); },
      [](void *) { FakeStepFails("poll"); },
      [](void *, PadState *state) {
        if (FakeStepFails("read")) return -1;
        *state = FakeJoypads().nextState;
        return 0;
      },
      [](void *) { return FakeJoypads().signalled; },
      [](void *) {
        FakeStepFails("resetEvent");
        FakeJoypads().signalled = 0;
      },
      [](void *effect, int play) {
        FakeJoypads().plays.push_back({static_cast<FakeObject *>(effect)->kind, play});
        return FakeStepFails("play") ? -1 : 0;
      },
      [](void *) { FakeJoypads().liveEffects--; },
      [](void *) { FakeJoypads().liveEvents--; },
      [](void *) { FakeJoypads().liveDevices--; },
      []() { return FakeJoypads().tick; },
  };
  return &calls;
}

inline void ResetFakeJoypads() { FakeJoypads() = FakeJoypadWorld(); }

#endif  // VELVANE_TESTS_CORE_INPUT_FAKE_JOYPAD_H
