// The chain members not built yet: ACM-coded WAV, MP3 through the audio
// compression manager and MP3 through DirectShow. They keep their places in
// the chain and refuse every stream, so the next member is tried.
#include "sound/decoders/sound_converter.h"

int OpenWaveAcm(SoundConverter *) { return -1; }

int OpenMp3Acm(SoundConverter *) { return -1; }

int OpenMp3DirectShow(SoundConverter *) { return -1; }
