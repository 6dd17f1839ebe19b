// What the system core and graphics call of the sound and movie subsystem:
// start and end, the per-pass refills, MIDI notifications, pausing movies
// with the window, and the movie frames graph handles show. Until sound and
// movies exist the movie calls keep their results without doing any work.
#ifndef VELVANE_SOUND_SOUND_SERVICES_H
#define VELVANE_SOUND_SOUND_SERVICES_H

#include "velvane.h"

struct TheoraDecoder;

// The record behind a movie handle, as the movie frame transfer reads it.
struct MovieRecord {
  TheoraDecoder *theora;     // null for movies not decoded by the framework
  int alphaInRightHalf;      // colour in the left half, alpha in the right
  int displayMode;
  BASEIMAGE *frame;          // the current frame
  int needsSoftwarePath;
};

typedef int (*MovieFrameCallback)(MovieRecord *movie, int userValue);

// The movie decoder's YUV-to-RGB tables; built once at start-up.
void BuildYuvToRgbTables(void);
// 0 on success, -1 on failure (start-up ignores it).
int StartSoundSystem(void);
// -1 when sound was not started, else 0.
int EndSoundSystem(void);
// Stops the sound or music played straight from a file; 0.
int StopPlayFileSound(void);
// 1 from a start that made the update thread until the thread is joined;
// without it the message pump runs the refills.
int HasSoundUpdateThread(void);
// Per-pass refills, run by the pump when no sound thread runs: -1 when
// sound was not started, else 0.
int RefillStreamSounds(void);
int UpdateSoftSoundPlayers(void);
// Updates the playing flags of DirectMusic music: -1 when sound was not
// started, else 0.
int PollMusicPlayState(void);
// The main window's end-of-MIDI notification; 0.
int HandleMidiPlayEnd(void);
// Pause every playing movie when the window goes to the background, and
// restart those when it comes back; 0.
int PauseAllMovies(void);
int ResumeAllMovies(void);
// Re-places the overlays of playing overlay movies; 0.
int RefreshMovieOverlays(void);

// Movie handles behind graphs.
int OpenMovie(const char *path, int *width, int *height, int displayMode);
int DeleteMovieHandle(int movieHandle);
MovieRecord *LookupMovieRecord(int movieHandle);
int RefreshMovieFrame(int movieHandle, int ignored);
int SetMovieFrameCallback(int movieHandle, MovieFrameCallback callback, int userValue);
int FetchTheoraFrame(TheoraDecoder *decoder, int wantRgbImage, int wantYuvSurface);
void *GetTheoraYuvSurface(TheoraDecoder *decoder);

#endif  // VELVANE_SOUND_SOUND_SERVICES_H
