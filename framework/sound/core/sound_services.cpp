#include "sound/core/sound_services.h"

void BuildYuvToRgbTables(void) {}

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
