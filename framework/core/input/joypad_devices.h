// DirectInput game controllers as records: the set-up sequence that makes a
// controller a pad (or skips it), its state reads, its re-acquiring and the
// play state of its two force-feedback effects. The device calls go through
// a table so that the sequence runs the same over real devices and over a
// test's scripted ones. No platform calls here.
#ifndef VELVANE_CORE_JOYPAD_DEVICES_H
#define VELVANE_CORE_JOYPAD_DEVICES_H

#include <stdint.h>

#include "core/input/pad_mapping.h"

enum { JOYPAD_NAME_SIZE = 260 };

enum JoypadAxis { JOYPAD_AXIS_X, JOYPAD_AXIS_Y, JOYPAD_AXIS_Z, JOYPAD_AXIS_RZ };
enum JoypadEffectKind { JOYPAD_EFFECT_PERIODIC, JOYPAD_EFFECT_CONSTANT };

// Calls on one controller. Results: 0 success, -1 failure; pointers are
// null on failure.
struct JoypadDeviceCalls {
  // Makes the device of an enumerated controller.
  void *(*create)(void *instance);
  // Registered instance and product names; -1 when unreadable.
  int (*names)(void *device, char instanceName[JOYPAD_NAME_SIZE],
               char productName[JOYPAD_NAME_SIZE]);
  int (*setJoystickFormat)(void *device);
  // Exclusive and foreground (1) or non-exclusive and background (0).
  int (*setCooperativeLevel)(void *device, int exclusiveForeground);
  int (*setAxisRange)(void *device, JoypadAxis axis, int minimum, int maximum);
  int (*setAxisDeadZone)(void *device, JoypadAxis axis, int deadZone);
  void *(*createEffect)(void *device, JoypadEffectKind kind);
  // A new manual-reset event set as the device's notification.
  void *(*createEvent)(void *device);
  int (*acquire)(void *device);
  void (*unacquire)(void *device);
  void (*poll)(void *device);
  int (*readState)(void *device, PadState *state);
  // 1 when the event is signalled; reset clears it.
  int (*isSignalled)(void *event);
  void (*resetEvent)(void *event);
  int (*playEffect)(void *effect, int play);
  void (*releaseEffect)(void *effect);
  void (*closeEvent)(void *event);
  void (*release)(void *device);
  // The millisecond tick the reads are paced by.
  uint32_t (*tick)(void);
};

// How a pad's effects are asked to run (the clock's state 1: vibration on,
// power 0-10000) and which of them play.
struct JoypadEffectControl {
  VibrationClock vibration;
  int constantPlaying;
  int periodicPlaying;
};

struct JoypadRecord {
  void *device;
  void *constantEffect;
  void *periodicEffect;
  void *event;
  PadState state;
  uint32_t lastTick;
  int readOnce;
  char instanceName[JOYPAD_NAME_SIZE];
  char productName[JOYPAD_NAME_SIZE];
  JoypadEffectControl effects;
};

// Sets up the enumerated controller as a pad: 1 when it was added, 0 when a
// step failed (logged; whatever was made is released, the record zeroed).
int AddJoypad(const JoypadDeviceCalls *calls, void *instance, int effectsOff,
              JoypadRecord *pad);
// Stops and releases the effects, unacquires and releases the device,
// closes the event and zeroes the record.
void ReleaseJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad);
// Reads the state anew when the tick moved or the event is signalled; a
// failed read is retried once after acquiring and otherwise keeps the old
// state. 0.
int ReadJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad);
// Unacquires, sets the cooperative level for the window's activity and
// acquires again.
void ReacquireJoypad(const JoypadDeviceCalls *calls, JoypadRecord *pad, int windowActive);
// Starts and stops the two effects to match the requested state: while the
// window is active the constant force follows the state and the periodic
// effect runs while the state is on above half power; while inactive both
// stop.
void ApplyJoypadEffects(const JoypadDeviceCalls *calls, JoypadRecord *pad, int windowActive);

#endif  // VELVANE_CORE_JOYPAD_DEVICES_H
