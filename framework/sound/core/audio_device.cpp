#include "sound/core/audio_device.h"

namespace {

AudioDeviceFactory g_factory;

}  // namespace

AudioDevice *CreateAudioDevice(void) {
  return g_factory ? g_factory() : CreatePlatformAudioDevice();
}

void SetAudioDeviceFactory(AudioDeviceFactory factory) { g_factory = factory; }
