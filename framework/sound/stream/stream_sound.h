// Stream sounds: one to three sources played in a row through one looping
// streaming buffer, decoded only as far ahead as playback needs. The
// record's stream block lives here; the operations fail until streaming is
// built, so a sound that would have to stream is refused cleanly.
#ifndef VELVANE_SOUND_STREAM_SOUND_H
#define VELVANE_SOUND_STREAM_SOUND_H

#include "core/base/handle_list.h"
#include "core/files/file_access.h"
#include "sound/decoders/sound_converter.h"

enum { STREAM_SOURCE_LIMIT = 3 };

struct StreamSourceRecord {
  signed char loopCount;  // -1 (255): loop to the loop position
  int kind;               // 0, 2 or 3
  void *data;
  int dataSize;
  StreamSource source;
  int loopPosition;  // samples
  SoundConverter converter;
};

struct StreamSoundBlock {
  int playType;
  int sharedHandle;  // -1: its own buffer 0
  int sharerCount;
  int currentUser;   // -1: none
  int deletePending;
  int bufferSize;
  int writeOffset;   // -800: not yet primed
  int safeOffset;
  StreamSourceRecord sources[STREAM_SOURCE_LIMIT];
  unsigned char openedHere[STREAM_SOURCE_LIMIT];
  int sourceCount;
  int currentSource;
  int passCount;
  int sourcePosition;
  int totalSamples;
  int playedBytes;
  int lastCursor;
  unsigned char active;
  unsigned char ending;
  unsigned char loopRestartPending;
  unsigned char wrapped;
  int loopStartBytes;
  int endOffset;
  int endCursor;
  int loopRestartOffset;
  HandleListNode listNode;
};

struct SoundHandleRecord;

int AddStreamSoundFile(const char *path, int loopCount, int soundHandle, int kind,
                       int sharedHandle);
int AddStreamSoundMemory(const void *data, int bytes, int loopCount, int soundHandle, int kind,
                         int sharedHandle);
int PrimeStreamSound(int handle);
int PlayStreamSound(int handle, int playType, int restart);
int StopStreamSound(int handle);
// 1 playing, 0 not.
int CheckStreamSoundPlaying(int handle);
int GetStreamSoundPositionMs(int handle);
// Takes a stream sound's record apart (stop, sources, streaming buffer);
// the caller holds SoundLock and frees the record.
void DeleteStreamSoundRecord(SoundHandleRecord *record);
// The update thread's pass over the active stream sounds (the caller holds
// SoundLock).
void RefillActiveStreamSounds(void);

#endif  // VELVANE_SOUND_STREAM_SOUND_H
