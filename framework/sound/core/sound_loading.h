// Loading sound files into sound handles: decoded whole into PCM buffers,
// or (by the create-data type) as stream sounds. The public loaders are
// declared in velvane.h; these are the whole-file readers they share with
// streaming.
#ifndef VELVANE_SOUND_SOUND_LOADING_H
#define VELVANE_SOUND_SOUND_LOADING_H

#include "core/files/file_access.h"
#include "sound/core/wave_format.h"

// The whole file through the file-access table into a new block from
// AllocMemory; 0, or -1 (logged) with nothing left allocated.
int ReadFileToMemory(const char *path, void **data, int *bytes);
// The whole stream into a new block; the stream stays open. 0 or -1.
int ReadStreamToMemory(const StreamSource *source, void **data, int *bytes);

// Decodes a whole file image into PCM in a new block from AllocMemory:
// 0, DECODE_NOT_OPENED when no converter takes the image, DECODE_NO_MEMORY
// when the PCM block cannot be made. Writes no log.
enum { DECODE_NOT_OPENED = -1, DECODE_NO_MEMORY = -2 };
int DecodeSoundImage(const void *image, int bytes, WaveFormat *format, void **pcm,
                     int *pcmBytes);

#endif  // VELVANE_SOUND_SOUND_LOADING_H
