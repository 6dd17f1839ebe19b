// Stream sounds: one to three sources played in a row through one looping
// streaming buffer of a second, decoded only as far ahead as playback needs.
// The update thread (or, without it, the message pump) refills the buffer;
// several stream sounds of one format may share one buffer, with one of
// them (the current user) playing in it at a time. Every operation that
// changes a stream record runs under SoundLock.
//
// Type-3 sources are read from their file on the update thread: the file
// is opened without read-ahead and belongs to the stream alone, so plain
// files are safe; SelectStreamFunctions must not replace the file table
// while stream sounds exist.
#ifndef VELVANE_SOUND_STREAM_SOUND_H
#define VELVANE_SOUND_STREAM_SOUND_H

#include "core/base/handle_list.h"
#include "core/files/file_access.h"
#include "sound/core/sound_buffer.h"
#include "sound/decoders/sound_converter.h"

enum { STREAM_SOURCE_LIMIT = 3 };

// A source's loop count that loops to its loop position for ever.
enum { STREAM_LOOP_TO_POSITION = 255 };

// Source kinds: decoded whole into a provisional WAV image in memory; the
// whole file image in memory, decoded while playing; decoded while playing
// straight from the caller's stream.
enum { STREAM_KIND_PCM_IMAGE = 0, STREAM_KIND_MEMORY = 2, STREAM_KIND_FILE = 3 };

struct StreamSourceRecord {
  unsigned char loopCount;  // repeats after the first pass; 255: to the loop position
  int kind;
  void *data;    // the memory image the source owns; null for kind 3
  int dataSize;
  StreamSource source;  // the source's own memory stream (stream 0 for kind 3)
  int loopPosition;     // samples
  SoundConverter converter;
};

// Loop restarts written ahead and not yet heard, oldest first: where the
// looped data begins in the buffer and where the position counter goes
// back to then. A short loop can be written several times within the
// buffer's lead.
enum { STREAM_PENDING_RESTART_LIMIT = 16 };

struct PendingRestart {
  int offset;
  int loopStartBytes;
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
  unsigned char loopRestartPending;  // restarts in the queue below
  unsigned char wrapped;
  PendingRestart restarts[STREAM_PENDING_RESTART_LIMIT];
  int endOffset;
  int endCursor;
  HandleListNode listNode;
};

struct SoundHandleRecord;

// Adding sources. AddStreamSound reads the caller's stream (copied is 1
// when the data was copied and the stream may be closed, 0 for kind 3,
// whose stream must stay open); the file and memory forms open the stream
// themselves. 0 or -1 (logged).
int AddStreamSound(const StreamSource *source, int loopCount, int soundHandle, int kind,
                   int *copied, int sharedHandle);
int AddStreamSoundFile(const char *path, int loopCount, int soundHandle, int kind,
                       int sharedHandle);
int AddStreamSoundMemory(const void *data, int bytes, int loopCount, int soundHandle, int kind,
                         int sharedHandle);
// A RIFF/WAVE image of a format and its data in a new block: 0 or -1.
int BuildProvisionalWave(void **image, int *bytes, const void *format, int formatBytes,
                         const void *data, int dataBytes);
// Makes a PCM sound a stream sound under the same handle; 0 (also for a
// stream sound) or -1.
int ConvertToStreamSound(int handle);
// Takes a stream sound's record apart (stop, sources, streaming buffer);
// the caller holds SoundLock and frees the record unless this gives 1: the
// sound's buffer still has sharers, and the record stays, delete pending,
// until the last of them goes.
int DeleteStreamSoundRecord(SoundHandleRecord *record);

// The buffer a sound plays in: a PCM sound's buffer 0, a stream sound's
// own or shared streaming buffer, which the sound then uses. Another
// user keeps the buffer unless takeOver is 1, which stops that user and
// sends it back to its start. 0 or -1.
int ClaimStreamBuffer(int handle, SoundHandleRecord *record, PlaybackBuffer **buffer,
                      int takeOver);
// Rewinds a stream to its start: nothing active, nothing played.
void ResetStreamProgress(SoundHandleRecord *record);

// Playing.
int PrimeStreamSound(int handle);
// 1 when the sound already plays and restart is 0, else 0; -1 on failure.
int SetupStreamPlay(int handle, int playType, int restart);
int PlayStreamSound(int handle, int playType, int restart);
int StopStreamSound(int handle);
// 1 playing, 0 not.
int CheckStreamSoundPlaying(int handle);
int GetStreamSoundPositionMs(int handle);

// Refilling: one sound (0, or -1 when nothing could be written), the
// position counter (cursor -1 reads it), and the pass over every active
// stream sound (the caller holds SoundLock).
int RefillStreamSound(int handle);
int UpdateStreamPlayPosition(int handle, int cursor);
void RefillActiveStreamSounds(void);

// Loop positions: samples below the length, at least 16 bytes before its
// end; -1 clears. A PCM sound becomes a stream sound first.
int SetSoundLoopPositionSamples(int samples, int handle);

#endif  // VELVANE_SOUND_STREAM_SOUND_H
