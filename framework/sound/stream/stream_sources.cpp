// The sources of stream sounds: adding them (from a caller's stream, a file
// or a memory image), taking them apart on delete, turning a PCM sound into
// a stream sound, and the loop positions.
#include "sound/stream/stream_sound.h"

#include <string.h>

#include <mutex>

#include "core/debug/memory.h"
#include "core/util/strings.h"
#include "sound/core/sound_handles.h"
#include "sound/core/sound_loading.h"
#include "sound/core/sound_system.h"
#include "velvane.h"

namespace {

// Bytes a RIFF/WAVE image adds to its format and data: "RIFF", its size,
// "WAVE", "fmt ", the format size, "data" and the data size.
const int kWaveOverhead = 28;

// A loop point this close to the end could not be sought to: the
// converter ignores seeks within its slack, and the stream would stall.
const int kLoopTailMinimum = 16;

SoundHandleRecord *StreamRecord(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  return record && record->kind == SOUND_KIND_STREAM ? record : nullptr;
}

void PutLe32(unsigned char *at, uint32_t value) {
  for (int i = 0; i < 4; i++) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A sound that already has sources takes one more only while it is a
// stream sound that is not playing and has room; a PCM sound takes none.
int CheckRoomForSource(int handle, SoundHandleRecord *record) {
  const StreamSoundBlock &s = record->stream;
  const bool hasPcm = record->kind == SOUND_KIND_PCM && (record->bufferCount > 0 || record->pcmData);
  if ((s.sourceCount > 0 || hasPcm) && record->kind != SOUND_KIND_STREAM) {
    return WriteErrorLog("ストリーム風サウンドではないサウンドデータが渡されました in AddSreamSound\n");
  }
  if (s.sourceCount == 0) return 0;
  if (CheckStreamSoundPlaying(handle) == 1) {
    return WriteErrorLog("既に再生中のストリームサウンドデータにデータを追加しようとしました\n");
  }
  if (s.sourceCount >= STREAM_SOURCE_LIMIT) {
    return WriteErrorLog("ストリーム風サウンドの制御データ領域がいっぱいです\n");
  }
  return 0;
}

// Closes what a source holds of its own: converter, memory stream, image.
void ReleaseSourceData(StreamSourceRecord *source) {
  if (source->converter.initialised) CloseSoundConverter(&source->converter);
  if (source->source.stream) source->source.functions.close(source->source.stream);
  source->source.stream = 0;
  FreeMemory(source->data);
  source->data = nullptr;
}

// The whole caller's stream decoded to PCM and wrapped as a WAV image.
int ReadAsPcmImage(const StreamSource *caller, void **image, int *bytes) {
  void *file = nullptr;
  int fileBytes = 0;
  if (ReadStreamToMemory(caller, &file, &fileBytes) != 0) {
    return WriteErrorLog("音声データの読み込みに失敗しました");
  }
  WaveFormat format;
  void *pcm = nullptr;
  int pcmBytes = 0;
  const int decoded = DecodeSoundImage(file, fileBytes, &format, &pcm, &pcmBytes);
  FreeMemory(file);
  if (decoded != 0) return WriteErrorLog("音声データの変換に失敗しました");
  const int built = BuildProvisionalWave(image, bytes, &format, sizeof(format), pcm, pcmBytes);
  FreeMemory(pcm);
  return built;
}

// Opens a source's converter by its kind; copied tells whether the data
// now lives in memory the source owns.
int OpenSourceData(StreamSourceRecord *source, const StreamSource *caller, int *copied) {
  if (source->kind == STREAM_KIND_FILE) {
    if (OpenSoundConverter(caller, &source->converter) != 0) {
      return WriteErrorLog("音声データのオープンに失敗しました");
    }
    source->source.functions = caller->functions;
    *copied = 0;
    return 0;
  }
  void *image = nullptr;
  int bytes = 0;
  if (source->kind == STREAM_KIND_MEMORY) {
    if (ReadStreamToMemory(caller, &image, &bytes) != 0) {
      return WriteErrorLog("音声データの読み込みに失敗しました");
    }
  } else if (ReadAsPcmImage(caller, &image, &bytes) != 0) {
    return -1;
  }
  source->data = image;
  source->dataSize = bytes;
  if (OpenMemoryStreamSource(&source->source, image, bytes) != 0 ||
      OpenSoundConverter(&source->source, &source->converter) != 0) {
    ReleaseSourceData(source);
    return WriteErrorLog("音声データのオープンに失敗しました");
  }
  *copied = 1;
  return 0;
}

// The first source's format decides the sound's buffer: the shared
// sound's, when that is a stream sound with a buffer of its own in the
// same format; else a new streaming buffer.
int AttachStreamBuffer(int handle, SoundHandleRecord *record, const WaveFormat &format,
                       int sharedHandle) {
  StreamSoundBlock &s = record->stream;
  record->format = format;
  record->frequency = static_cast<int>(format.samplesPerSecond);
  SoundHandleRecord *owner = sharedHandle == handle ? nullptr : StreamRecord(sharedHandle);
  if (owner && owner->stream.sharedHandle == -1 && owner->buffers[0].valid &&
      memcmp(&owner->format, &format, sizeof(format)) == 0) {
    record->kind = SOUND_KIND_STREAM;
    record->bufferCount = 1;
    SoundSystem *system = GetSoundSystem();
    HandleListInsert(&system->streamHead, &s.listNode, handle, record);
    s.sharedHandle = sharedHandle;
    s.bufferSize = owner->stream.bufferSize;
    owner->stream.sharerCount++;
  } else {
    if (CreatePlaybackBuffers(record, &format, 0, 1, 1) != 0) return -1;
    s.sharedHandle = -1;
  }
  s.sharerCount = 0;
  s.currentUser = -1;
  s.deletePending = 0;
  return 0;
}

void RecountTotalSamples(SoundHandleRecord *record) {
  StreamSoundBlock &s = record->stream;
  const int block = record->format.blockAlign;
  int64_t total = 0;
  for (int i = 0; i < s.sourceCount; i++) {
    if (block) total += GetSoundConverterLength(&s.sources[i].converter) / block;
  }
  s.totalSamples = total > INT32_MAX ? INT32_MAX : static_cast<int>(total);
}

// Every source's converter, data and streams; the caller's file too where
// the sound system opened it.
void ReleaseSources(SoundHandleRecord *record) {
  StreamSoundBlock &s = record->stream;
  for (int i = 0; i < s.sourceCount; i++) {
    StreamSourceRecord *source = &s.sources[i];
    const StreamSource caller = source->converter.source;
    ReleaseSourceData(source);
    if (source->kind == STREAM_KIND_FILE && s.openedHere[i]) caller.functions.close(caller.stream);
  }
  s.sourceCount = 0;
}

void LeaveStreamList(StreamSoundBlock *s) {
  if (!s->listNode.previous && !s->listNode.next) return;
  HandleListRemove(&s->listNode);
  s->listNode.previous = s->listNode.next = nullptr;
}

// A source the sound system opened itself: its stream is closed when the
// data was copied, else it belongs to the source from here on.
int AddOpenedSource(StreamSource *source, int loopCount, int handle, int kind, int sharedHandle) {
  int copied = 0;
  if (AddStreamSound(source, loopCount, handle, kind, &copied, sharedHandle) != 0) return -1;
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (copied) {
    source->functions.close(source->stream);
  } else {
    record->stream.openedHere[record->stream.sourceCount - 1] = 1;
  }
  return 0;
}

}  // namespace

int AddStreamSound(const StreamSource *source, int loopCount, int handle, int kind, int *copied,
                   int sharedHandle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record || !source || !copied) return -1;
  if (kind != STREAM_KIND_PCM_IMAGE && kind != STREAM_KIND_MEMORY && kind != STREAM_KIND_FILE) {
    return -1;
  }
  if (CheckRoomForSource(handle, record) != 0) return -1;
  StreamSoundBlock &s = record->stream;
  StreamSourceRecord *added = &s.sources[s.sourceCount];
  FillBytes(added, 0, sizeof(*added));
  added->kind = kind;
  source->functions.seek(source->stream, 0, 0);
  if (OpenSourceData(added, source, copied) != 0) return -1;
  WaveFormat format;
  GetSoundConverterFormat(&added->converter, &format);
  if (s.sourceCount > 0 && memcmp(&format, &record->format, sizeof(format)) != 0) {
    ReleaseSourceData(added);
    return WriteErrorLog("フォーマットの違う音声データは同時に使うことは出来ません");
  }
  if (s.sourceCount == 0 && AttachStreamBuffer(handle, record, format, sharedHandle) != 0) {
    ReleaseSourceData(added);
    return -1;
  }
  added->loopCount = static_cast<unsigned char>(loopCount);
  s.openedHere[s.sourceCount] = 0;
  s.sourceCount++;
  RecountTotalSamples(record);
  return 0;
}

int AddStreamSoundFile(const char *path, int loopCount, int handle, int kind, int sharedHandle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  StreamSource source;
  if (!path || OpenFileStreamSource(&source, path) != 0) {
    return WriteLogLineFormat("右記のＷＡＶファイルのロードに失敗しました：%s \n", path ? path : "");
  }
  if (AddOpenedSource(&source, loopCount, handle, kind, sharedHandle) != 0) {
    source.functions.close(source.stream);
    return WriteLogLineFormat("右記のＷＡＶファイルのセットアップに失敗しました：%s \n", path);
  }
  return 0;
}

int AddStreamSoundMemory(const void *data, int bytes, int loopCount, int handle, int kind,
                         int sharedHandle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  StreamSource source;
  if (OpenMemoryStreamSource(&source, data, bytes) != 0) {
    return WriteErrorLog("ＷＡＶファイルのストリームイメージハンドルの作成に失敗しました \n");
  }
  // A memory image is never read "from the file".
  if (kind == STREAM_KIND_FILE) kind = STREAM_KIND_MEMORY;
  if (AddOpenedSource(&source, loopCount, handle, kind, sharedHandle) != 0) {
    source.functions.close(source.stream);
    return WriteErrorLog("ＷＡＶファイルのストリームイメージのセットアップに失敗しました \n");
  }
  return 0;
}

int BuildProvisionalWave(void **image, int *bytes, const void *format, int formatBytes,
                         const void *data, int dataBytes) {
  const int64_t total = static_cast<int64_t>(formatBytes) + dataBytes + kWaveOverhead;
  if (formatBytes < 0 || dataBytes < 0 || total > INT32_MAX) {
    return WriteErrorLog("仮WAVEファイルイメージ用のメモリ確保に失敗しました\n");
  }
  unsigned char *out = static_cast<unsigned char *>(VV_ALLOC(total));
  if (!out) return WriteErrorLog("仮WAVEファイルイメージ用のメモリ確保に失敗しました\n");
  CopyBytes(out, "RIFF", 4);
  PutLe32(out + 4, static_cast<uint32_t>(total - 8));
  CopyBytes(out + 8, "WAVEfmt ", 8);
  PutLe32(out + 16, static_cast<uint32_t>(formatBytes));
  CopyBytes(out + 20, format, formatBytes);
  unsigned char *at = out + 20 + formatBytes;
  CopyBytes(at, "data", 4);
  PutLe32(at + 4, static_cast<uint32_t>(dataBytes));
  CopyBytes(at + 8, data, dataBytes);
  *image = out;
  *bytes = static_cast<int>(total);
  return 0;
}

int DeleteStreamSoundRecord(SoundHandleRecord *record) {
  const int handle = record->header.handle;
  StreamSoundBlock &s = record->stream;
  StopStreamSound(handle);
  if (s.sharedHandle != -1) {
    SoundHandleRecord *owner = StreamRecord(s.sharedHandle);
    const int ownerHandle = s.sharedHandle;
    s.sharedHandle = -1;
    if (owner) {
      if (owner->stream.currentUser == handle) owner->stream.currentUser = -1;
      owner->stream.sharerCount--;
      if (owner->stream.deletePending && owner->stream.sharerCount <= 0) {
        DeleteSoundHandle(ownerHandle);
      }
    }
  }
  if (s.sharerCount > 0) {
    s.deletePending = 1;
    return 1;
  }
  LeaveStreamList(&s);
  ReleaseSources(record);
  PlaybackBuffer *buffer = &record->buffers[0];
  if (buffer->valid) {
    SoundBufferStop(buffer);
    SoundBufferRelease(buffer);
  }
  record->bufferCount = 0;
  return 0;
}

int ConvertToStreamSound(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (record->kind == SOUND_KIND_STREAM) return 0;
  void *image = nullptr;
  int bytes = 0;
  if (BuildProvisionalWave(&image, &bytes, &record->format, sizeof(record->format),
                           record->pcmData, record->pcmSize) != 0) {
    return -1;
  }
  StopSoundHandle(handle);
  DeleteSoundHandle(handle);
  int result = AddSoundData(handle) == handle ? 0 : -1;
  if (result == 0 &&
      AddStreamSoundMemory(image, bytes, 0, handle, STREAM_KIND_PCM_IMAGE, -1) != 0) {
    // The handle stays, as an empty sound.
    result = WriteErrorLog("ストリームサウンドハンドルの作成に失敗しました\n");
  }
  FreeMemory(image);
  return result;
}

int SetSoundLoopPositionSamples(int samples, int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (samples == -1) {
    StreamSourceRecord &first = record->stream.sources[0];
    first.loopPosition = 0;
    first.loopCount = 0;
    first.converter.lookAheadTarget = 0;
    return 0;
  }
  const int total = GetSoundTotalSamples(handle);
  const int64_t tailBytes = (static_cast<int64_t>(total) - samples) * record->format.blockAlign;
  if (samples < 0 || samples >= total || tailBytes < kLoopTailMinimum) return -1;
  if (ConvertToStreamSound(handle) != 0) return -1;
  record = LookupSoundRecord(handle);
  StreamSoundBlock &s = record->stream;
  if (s.sourceCount >= 2) {
    return WriteErrorLog(
        "二つ以上の音声ファイルから作成されたサウンドハンドルにループポイントを指定する事は出来ません\n");
  }
  if (s.sourceCount == 0) return -1;
  s.sources[0].loopPosition = samples;
  s.sources[0].loopCount = STREAM_LOOP_TO_POSITION;
  s.sources[0].converter.lookAheadTarget = samples * record->format.blockAlign;
  return 0;
}

int SetSoundLoopPositionMs(int ms, int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record) return -1;
  if (ms == -1) return SetSoundLoopPositionSamples(-1, handle);
  return SetSoundLoopPositionSamples(
      MsToSamples(static_cast<int>(record->format.samplesPerSecond), ms), handle);
}
