// The host has no sound output: device creation fails, as it does on a
// machine without DirectSound.
#include "sound/core/audio_device.h"

AudioDevice *CreatePlatformAudioDevice(void) { return nullptr; }
