#include "sound/core/sound_loading.h"

#include <string.h>

#include <mutex>

#include "core/debug/memory.h"
#include "core/files/memory_stream.h"
#include "core/util/strings.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_system.h"
#include "sound/decoders/sound_converter.h"
#include "sound/stream/stream_sound.h"
#include "velvane.h"

namespace {

enum {
  CREATE_PCM = 0,
  CREATE_STREAM_FROM_MEMORY = 2,
  CREATE_STREAM_FROM_FILE = 3
};

// Longer sounds stream instead of filling buffers.
const int kLongestPcmSeconds = 180;

// Bytes of a stream from where it stands to its end, leaving it at the
// start; -1 when it cannot be measured.
int MeasureStream(const StreamFunctions &f, StreamHandle stream) {
  if (f.seek(stream, 0, 2) != 0) return -1;
  const int size = f.tell(stream);
  if (f.seek(stream, 0, 0) != 0) return -1;
  return size;
}

// Copies the PCM into every buffer of the record.
int FillBuffers(SoundHandleRecord *record) {
  for (int i = 0; i < record->bufferCount; i++) {
    LockedRegion region;
    if (SoundBufferLock(&record->buffers[i], 0, static_cast<uint32_t>(record->pcmSize),
                        &region) != 0) {
      return WriteErrorLog("サウンドデータの転送に失敗しました_1");
    }
    const unsigned char *pcm = static_cast<const unsigned char *>(record->pcmData);
    uint32_t first = region.size1 < static_cast<uint32_t>(record->pcmSize)
                         ? region.size1
                         : static_cast<uint32_t>(record->pcmSize);
    if (region.part1) CopyBytes(region.part1, pcm, static_cast<int>(first));
    uint32_t rest = static_cast<uint32_t>(record->pcmSize) - first;
    if (rest > region.size2) rest = region.size2;
    if (region.part2) CopyBytes(region.part2, pcm + first, static_cast<int>(rest));
    if (SoundBufferUnlock(&record->buffers[i], &region) != 0) {
      return WriteErrorLog("サウンドデータの転送に失敗しました_2");
    }
  }
  return 0;
}

// Decodes a file image into PCM: 0 with the block, or -1 (logged).
int DecodeImage(const void *image, int bytes, WaveFormat *format, void **pcm, int *pcmBytes) {
  const int result = DecodeSoundImage(image, bytes, format, pcm, pcmBytes);
  if (result == DECODE_NOT_OPENED) return WriteErrorLog("音声ファイルのＰＣＭへの変換に失敗しました");
  if (result != 0) return WriteErrorLog("音声ファイルを格納するメモリ領域の確保に失敗しました");
  return 0;
}

// Attaches the decoded PCM (owned from here on through the record's
// reference count) and fills the buffers.
int AttachPcm(SoundHandleRecord *record, const WaveFormat *format, void *pcm, int pcmBytes) {
  record->frequency = static_cast<int>(format->samplesPerSecond);
  int *count = static_cast<int *>(VV_ALLOC(sizeof(int)));
  if (!count) {
    FreeMemory(pcm);
    return WriteErrorLog("サウンドデータの参照数を保存するメモリ領域の確保に失敗しました");
  }
  record->format = *format;
  record->pcmSize = pcmBytes;
  record->pcmData = pcm;
  record->referenceCount = count;
  *count = 1;
  return FillBuffers(record);
}

// The stream road of a file image; the handle or -1.
int MakeStreamFromImage(int handle, const void *image, int bytes, int type, int shared) {
  if (AddStreamSoundMemory(image, bytes, 0, handle, type, shared) != 0) return -1;
  if (PrimeStreamSound(handle) != 0) return -1;
  return handle;
}

int CreateFromImage(int handle, const void *image, int bytes, int count, int shared) {
  SoundSystem *system = GetSoundSystem();
  if (system->createDataType != CREATE_PCM) {
    return MakeStreamFromImage(handle, image, bytes, system->createDataType, shared);
  }
  WaveFormat format;
  void *pcm = nullptr;
  int pcmBytes = 0;
  if (DecodeImage(image, bytes, &format, &pcm, &pcmBytes) != 0) return -1;
  SoundHandleRecord *record = LookupSoundRecord(handle);
  const bool tooLong =
      pcmBytes / static_cast<int>(format.averageBytesPerSecond) > kLongestPcmSeconds;
  if (tooLong || CreatePlaybackBuffers(record, &format, pcmBytes, 0, count) != 0) {
    FreeMemory(pcm);
    // Streams from memory for the moment, then the caller's setting again.
    system->createDataType = CREATE_STREAM_FROM_MEMORY;
    const int made = MakeStreamFromImage(handle, image, bytes, CREATE_STREAM_FROM_MEMORY, shared);
    system->createDataType = CREATE_PCM;
    return made;
  }
  if (AttachPcm(record, &format, pcm, pcmBytes) != 0) return -1;
  return handle;
}

}  // namespace

int DecodeSoundImage(const void *image, int bytes, WaveFormat *format, void **pcm,
                     int *pcmBytes) {
  StreamSource source;
  if (OpenMemoryStreamSource(&source, image, bytes) != 0) return DECODE_NOT_OPENED;
  SoundConverter conv;
  if (OpenSoundConverter(&source, &conv) != 0) {
    source.functions.close(source.stream);
    return DECODE_NOT_OPENED;
  }
  const int result = ConvertSoundToMemory(&conv, format, pcm, pcmBytes);
  CloseSoundConverter(&conv);
  source.functions.close(source.stream);
  return result == 0 ? 0 : DECODE_NO_MEMORY;
}

int ReadFileToMemory(const char *path, void **data, int *bytes) {
  FileHandle file = FileAccessOpen(path, 0, 1, 0);
  if (!file) return WriteLogLineFormat("右記のファイルのオープンに失敗しました：%s", path);
  const StreamFunctions *f = GetFileStreamFunctions();
  const int size = MeasureStream(*f, file);
  void *block = size < 0 ? nullptr : VV_ALLOC(size);
  if (!block) {
    FileAccessClose(file);
    return WriteLogLineFormat("右記のファイルのロードに必要なメモリの確保に失敗しました：%s", path);
  }
  const int got = FileAccessRead(block, 1, size, file);
  FileAccessClose(file);
  if (got != size) {
    FreeMemory(block);
    return WriteLogLineFormat("右記のファイルのオープンに失敗しました：%s", path);
  }
  *data = block;
  *bytes = size;
  return 0;
}

int ReadStreamToMemory(const StreamSource *source, void **data, int *bytes) {
  const int size = MeasureStream(source->functions, source->stream);
  void *block = size < 0 ? nullptr : VV_ALLOC(size);
  if (!block) return WriteErrorLog("ストリームの読み込みに必要なメモリの確保に失敗しました");
  if (source->functions.read(block, 1, size, source->stream) != size) {
    FreeMemory(block);
    return -1;
  }
  *data = block;
  *bytes = size;
  return 0;
}

int SetCreateSoundDataType(int type) {
  if (type < 0 || type > CREATE_STREAM_FROM_FILE) return -1;
  GetSoundSystem()->createDataType = type == 1 ? CREATE_PCM : type;
  return 0;
}

int GetCreateSoundDataType(void) { return GetSoundSystem()->createDataType; }

int CreateSoundFromMemory(const void *image, int bytes, int bufferCount, int sharedHandle) {
  if (!IsSoundStarted()) return -1;
  if (bufferCount < 1 || bufferCount > SOUND_BUFFER_LIMIT) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  const int handle = AddSoundData(-1);
  if (handle == -1) return -1;
  if (CreateFromImage(handle, image, bytes, bufferCount, sharedHandle) == -1) {
    DeleteSoundHandle(handle);
    return -1;
  }
  return handle;
}

int LoadSoundFromFile(const char *path, int bufferCount, int sharedHandle) {
  if (!IsSoundStarted()) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundSystem *system = GetSoundSystem();
  if (system->createDataType != CREATE_PCM) {
    const int handle = AddSoundData(-1);
    if (handle == -1) return -1;
    if (AddStreamSoundFile(path, 0, handle, system->createDataType, sharedHandle) != 0 ||
        PrimeStreamSound(handle) != 0) {
      DeleteSoundHandle(handle);
      return -1;
    }
    return handle;
  }
  void *image = nullptr;
  int bytes = 0;
  if (ReadFileToMemory(path, &image, &bytes) != 0) {
    return WriteLogLineFormat("右記の音声ファイルのロードに失敗しました_1：%s", path);
  }
  if (bufferCount < 1) bufferCount = 1;
  if (bufferCount > SOUND_BUFFER_LIMIT) bufferCount = SOUND_BUFFER_LIMIT;
  const int handle = CreateSoundFromMemory(image, bytes, bufferCount, -1);
  FreeMemory(image);
  if (handle == -1) {
    return WriteLogLineFormat("右記の音声ファイルのロードに失敗しました_2：%s", path);
  }
  return handle;
}

int LoadStreamSoundFromFile(const char *path) {
  SoundSystem *system = GetSoundSystem();
  const int remembered = system->createDataType;
  const size_t length = path ? strlen(path) : 0;
  const bool wav = length >= 3 && CompareStringsNoCase(path + length - 3, "wav") == 0;
  system->createDataType = wav ? CREATE_STREAM_FROM_FILE : CREATE_STREAM_FROM_MEMORY;
  const int handle = LoadSoundFromFile(path, 1, -1);
  system->createDataType = remembered == 1 ? CREATE_PCM : remembered;
  return handle;
}
