#include "sound/music/music_handles.h"

#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"

int DeleteAllMusicHandles(void) { return IsSoundStarted() ? 0 : -1; }

void DeleteTemporaryMidiFile(void) {}

int PollMusicPlayState(void) { return IsSoundStarted() ? 0 : -1; }
