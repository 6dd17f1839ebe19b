#include "sound/sound_services.h"

namespace {

struct SoundServicesState {
  int started;
};

SoundServicesState g_sound;

int ResultWhileStarted(void) { return g_sound.started ? 0 : -1; }

}  // namespace

void BuildYuvToRgbTables(void) {}

int StartSoundSystem(void) {
  g_sound.started = 1;
  return 0;
}

int EndSoundSystem(void) {
  if (!g_sound.started) return -1;
  g_sound.started = 0;
  return 0;
}

int StopPlayFileSound(void) { return 0; }

int RefillStreamSounds(void) { return ResultWhileStarted(); }

int UpdateSoftSoundPlayers(void) { return ResultWhileStarted(); }

int PollMusicPlayState(void) { return ResultWhileStarted(); }

int HandleMidiPlayEnd(void) { return 0; }

int PauseAllMovies(void) { return 0; }

int ResumeAllMovies(void) { return 0; }

int RefreshMovieOverlays(void) { return 0; }

// No movie can be opened yet, so every movie handle is invalid.
int OpenMovie(const char *, int *, int *, int) { return -1; }

int DeleteMovieHandle(int) { return -1; }

MovieRecord *LookupMovieRecord(int) { return nullptr; }

int RefreshMovieFrame(int, int) { return 0; }

int SetMovieFrameCallback(int, MovieFrameCallback, int) { return -1; }

int FetchTheoraFrame(TheoraDecoder *, int, int) { return 0; }

void *GetTheoraYuvSurface(TheoraDecoder *) { return nullptr; }
