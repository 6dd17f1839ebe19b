#include "sound/soft/soft_sounds.h"

#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"

int DeleteAllSoftSounds(void) { return IsSoundStarted() ? 0 : -1; }

int DeleteAllSoftSoundPlayers(void) { return IsSoundStarted() ? 0 : -1; }

void RefillPlayingSoftSoundPlayers(void) {}

int UpdateSoftSoundPlayers(void) { return IsSoundStarted() ? 0 : -1; }
