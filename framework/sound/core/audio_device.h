// The audio seam: one virtual per DirectSound call the sound system makes,
// each giving 0 on success and -1 on failure. The Windows build implements
// it over DirectSound (audio_device_dsound_win32.cpp, the only file that
// touches DirectSound); the host build has no device; tests install a fake.
#ifndef VELVANE_SOUND_AUDIO_DEVICE_H
#define VELVANE_SOUND_AUDIO_DEVICE_H

#include <stdint.h>

#include "sound/core/wave_format.h"

// Buffer description flags, with DirectSound's values.
enum {
  AUDIO_BUFFER_PRIMARY = 0x1,
  AUDIO_BUFFER_STATIC = 0x2,
  AUDIO_BUFFER_CTRL_FREQUENCY = 0x20,
  AUDIO_BUFFER_CTRL_PAN = 0x40,
  AUDIO_BUFFER_CTRL_VOLUME = 0x80,
  AUDIO_BUFFER_GLOBAL_FOCUS = 0x8000,
  AUDIO_BUFFER_CURRENT_POSITION2 = 0x10000
};

// Capability flags, with DirectSound's values.
enum {
  AUDIO_CAPS_PRIMARY_MONO = 0x1,
  AUDIO_CAPS_PRIMARY_STEREO = 0x2,
  AUDIO_CAPS_PRIMARY_8BIT = 0x4,
  AUDIO_CAPS_PRIMARY_16BIT = 0x8,
  AUDIO_CAPS_SECONDARY_MONO = 0x100,
  AUDIO_CAPS_SECONDARY_STEREO = 0x200,
  AUDIO_CAPS_SECONDARY_8BIT = 0x400,
  AUDIO_CAPS_SECONDARY_16BIT = 0x800
};

enum { AUDIO_PLAY_LOOPING = 0x1, AUDIO_STATUS_PLAYING = 0x1 };

// The cooperative level the sound system asks for (DSSCL_PRIORITY).
enum { AUDIO_LEVEL_PRIORITY = 2 };

struct AudioBufferDesc {
  uint32_t flags;
  uint32_t bytes;
  const WaveFormat *format;  // null for the primary buffer
};

// The part of the device capabilities the sound system reads.
struct AudioCaps {
  uint32_t flags;
  uint32_t minSecondaryRate;
  uint32_t maxSecondaryRate;
  uint32_t totalHardwareBytes;
  uint32_t freeHardwareBytes;
};

// Called once per output device: driver description and module name.
typedef int (*AudioDeviceCallback)(const char *description, const char *module, void *context);

// Results of enumerating the output devices.
enum {
  AUDIO_ENUM_DONE = 0,
  AUDIO_ENUM_NO_LIBRARY = -1,   // the sound library could not be loaded
  AUDIO_ENUM_NO_FUNCTION = -2   // it has no enumeration function
};

class AudioBuffer {
 public:
  virtual int Release() = 0;  // also deletes this object
  virtual int Play(uint32_t flags) = 0;
  virtual int Stop() = 0;
  virtual int GetStatus(uint32_t *status) = 0;
  virtual int Lock(uint32_t offset, uint32_t bytes, void **part1, uint32_t *size1, void **part2,
                   uint32_t *size2) = 0;
  virtual int Unlock(void *part1, uint32_t size1, void *part2, uint32_t size2) = 0;
  virtual int SetFrequency(uint32_t hz) = 0;
  virtual int SetPan(int pan) = 0;
  virtual int SetVolume(int volume) = 0;
  virtual int SetCurrentPosition(uint32_t offset) = 0;
  virtual int GetCurrentPosition(uint32_t *play, uint32_t *write) = 0;
  virtual int SetFormat(const WaveFormat *format) = 0;

 protected:
  virtual ~AudioBuffer() {}
};

class AudioDevice {
 public:
  virtual int Initialize() = 0;  // the default device
  virtual int SetCooperativeLevel(int level) = 0;  // for the desktop window
  virtual int CreateSoundBuffer(const AudioBufferDesc *desc, AudioBuffer **out) = 0;
  virtual int DuplicateSoundBuffer(AudioBuffer *source, AudioBuffer **out) = 0;
  virtual int GetCaps(AudioCaps *caps) = 0;
  virtual int Release() = 0;  // also deletes this object
  // Loads the sound library by name and walks its output devices.
  virtual int EnumerateDevices(AudioDeviceCallback callback, void *context) = 0;

 protected:
  virtual ~AudioDevice() {}
};

// Creates the device object (CoCreateInstance on Windows); null on failure.
typedef AudioDevice *(*AudioDeviceFactory)(void);
AudioDevice *CreateAudioDevice(void);
// Replaces the factory (null restores the platform's), for tests.
void SetAudioDeviceFactory(AudioDeviceFactory factory);
// The platform's own factory.
AudioDevice *CreatePlatformAudioDevice(void);

#endif  // VELVANE_SOUND_AUDIO_DEVICE_H
