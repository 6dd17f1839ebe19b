// Soft sounds and soft-sound players. Only what shut-down, the update
// thread and the message pump call exists yet; none can be created, so
// these find nothing to do.
#ifndef VELVANE_SOUND_SOFT_SOUNDS_H
#define VELVANE_SOUND_SOFT_SOUNDS_H

// Each 0, -1 when sound is not started.
int DeleteAllSoftSounds(void);
int DeleteAllSoftSoundPlayers(void);
// The update thread's pass over the playing players (the caller holds
// SoundLock).
void RefillPlayingSoftSoundPlayers(void);

#endif  // VELVANE_SOUND_SOFT_SOUNDS_H
