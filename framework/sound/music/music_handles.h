// Music handles (MIDI through MCI). Only what shut-down and the message
// pump call exists yet; no music can be created, so these find nothing.
#ifndef VELVANE_SOUND_MUSIC_HANDLES_H
#define VELVANE_SOUND_MUSIC_HANDLES_H

// Deletes every music handle; 0, -1 when sound is not started.
int DeleteAllMusicHandles(void);
// Deletes the temporary file MIDI data was copied to, when one was made.
void DeleteTemporaryMidiFile(void);

#endif  // VELVANE_SOUND_MUSIC_HANDLES_H
