// Sound capture to a WAV file. Only the end call shut-down makes exists
// yet; nothing can start a capture, so it finds nothing to end.
#ifndef VELVANE_SOUND_SOUND_CAPTURE_H
#define VELVANE_SOUND_SOUND_CAPTURE_H

// 0.
int EndSoundCapture(void);

#endif  // VELVANE_SOUND_SOUND_CAPTURE_H
