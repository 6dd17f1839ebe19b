// The refill engine of stream sounds: priming the streaming buffer, keeping
// its lead over the play cursor with decoded data, moving from source to
// source, looping, ending with silence, and the position counter.
#include <stdint.h>

#include <mutex>

#include "sound/core/sound_handles.h"
#include "sound/core/sound_services.h"
#include "sound/core/sound_system.h"
#include "sound/stream/stream_sound.h"

namespace {

// Not yet primed: the first refill writes from offset 0.
const int kNotPrimed = -800;

// Leads in 1/512 s: the top-up target (0.375 s) and the first fill and
// safe distance (0.75 s, in 1/256 s).
const uint32_t kTopUpLead512 = 192;
const int kFirstFill256 = 192;

SoundHandleRecord *ActiveStream(int handle) {
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record || record->kind != SOUND_KIND_STREAM || !record->stream.active) return nullptr;
  return record;
}

int BytesPerSecond(const SoundHandleRecord *record) {
  return static_cast<int>(record->format.averageBytesPerSecond);
}

int WholeBlocks(const SoundHandleRecord *record, int64_t bytes) {
  const int block = record->format.blockAlign;
  return block ? static_cast<int>(bytes / block * block) : 0;
}

int EighthSecond(const SoundHandleRecord *record) {
  return WholeBlocks(record, BytesPerSecond(record) / 8);
}

int Wrap(const StreamSoundBlock &s, int offset) {
  return offset >= s.bufferSize ? offset - s.bufferSize : offset;
}

// Bytes from one buffer offset forward to another, round the end.
int Forward(const StreamSoundBlock &s, int from, int to) {
  return to >= from ? to - from : to + s.bufferSize - from;
}

bool IsPlaying(PlaybackBuffer *buffer) {
  uint32_t status = 0;
  return SoundBufferGetStatus(buffer, &status) == 0 && (status & AUDIO_STATUS_PLAYING);
}

int ReadCursor(PlaybackBuffer *buffer) {
  uint32_t cursor = 0;
  if (SoundBufferGetPosition(buffer, &cursor) != 0) return -1;
  return static_cast<int>(cursor);
}

// The region being filled this pass and how far the fill has come.
struct FillState {
  LockedRegion region;
  int start;    // buffer offset of the region's first byte
  int done;     // bytes of the region filled
  int cursor;   // the play cursor read this pass; -1 while priming
};

int RegionSize(const FillState &f) { return static_cast<int>(f.region.size1 + f.region.size2); }

int NextWriteOffset(const StreamSoundBlock &s, const FillState &f) {
  return Wrap(s, f.start + f.done);
}

void SeekSource(StreamSourceRecord *source, int sample, int *position, int bytes) {
  *position = bytes;
  SeekSoundConverter(&source->converter, sample);
}

// Copies decoded data of the current source into the rest of the region;
// the bytes that came.
int CopyStreamSourceData(SoundHandleRecord *record, FillState *f) {
  StreamSoundBlock &s = record->stream;
  SoundConverter *conv = &s.sources[s.currentSource].converter;
  int came = 0;
  while (f->done < RegionSize(*f)) {
    const int size1 = static_cast<int>(f->region.size1);
    unsigned char *at = f->done < size1
                            ? static_cast<unsigned char *>(f->region.part1) + f->done
                            : static_cast<unsigned char *>(f->region.part2) + (f->done - size1);
    const int room = f->done < size1 ? size1 - f->done : RegionSize(*f) - f->done;
    const int got = ReadSoundConverter(conv, at, room);
    if (got <= 0) break;
    f->done += got;
    came += got;
  }
  s.sourcePosition += came;
  return came;
}

// Silence over the rest of the region: it counts as written.
void FillRestWithSilence(SoundHandleRecord *record, FillState *f) {
  LockedRegion rest = {nullptr, 0, nullptr, 0};
  const int size1 = static_cast<int>(f->region.size1);
  if (f->done < size1) {
    rest.part1 = static_cast<unsigned char *>(f->region.part1) + f->done;
    rest.size1 = static_cast<uint32_t>(size1 - f->done);
    rest.part2 = f->region.part2;
    rest.size2 = f->region.size2;
  } else {
    rest.part1 = static_cast<unsigned char *>(f->region.part2) + (f->done - size1);
    rest.size1 = static_cast<uint32_t>(RegionSize(*f) - f->done);
  }
  SoundBufferFillSilence(record, &rest, rest.size1 + rest.size2);
  f->done = RegionSize(*f);
}

bool RestartQueueFull(const StreamSoundBlock &s) {
  return s.loopRestartPending >= STREAM_PENDING_RESTART_LIMIT;
}

void RestartLoopAt(SoundHandleRecord *record, int sourceIndex, int sample, const FillState &f) {
  StreamSoundBlock &s = record->stream;
  s.currentSource = sourceIndex;
  const int bytes = sample * record->format.blockAlign;
  s.restarts[s.loopRestartPending] = PendingRestart{NextWriteOffset(s, f), bytes};
  s.loopRestartPending++;
  SeekSource(&s.sources[sourceIndex], sample, &s.sourcePosition, bytes);
}

// The current source has no more data: loop it, go on to the next one, go
// back to the first (looping play) or end with silence (-1).
int AdvanceStreamSource(SoundHandleRecord *record, FillState *f) {
  StreamSoundBlock &s = record->stream;
  StreamSourceRecord *source = &s.sources[s.currentSource];
  s.passCount++;
  const bool looping = (s.playType & 2) != 0;
  if (source->loopCount == STREAM_LOOP_TO_POSITION) {
    if (!RestartQueueFull(s)) RestartLoopAt(record, s.currentSource, source->loopPosition, *f);
    return 0;
  }
  if (s.passCount <= source->loopCount) {
    SeekSource(source, 0, &s.sourcePosition, 0);
    return 0;
  }
  const bool last = s.currentSource == s.sourceCount - 1;
  if (last && looping && RestartQueueFull(s)) return 0;
  s.passCount = 0;
  if (!last) {
    s.currentSource++;
    SeekSource(&s.sources[s.currentSource], 0, &s.sourcePosition, 0);
    return 0;
  }
  s.wrapped = 1;
  if (looping) {
    RestartLoopAt(record, 0, 0, *f);
    return 0;
  }
  s.ending = 1;
  s.endOffset = NextWriteOffset(s, *f);
  s.endCursor = f->cursor;
  FillRestWithSilence(record, f);
  return -1;
}

// Fills the region from the sources in order until it is full, the data
// ends, or two reads in a row gave nothing (a loop waiting for room in the
// restart queue, or sources without data).
void FillFromSources(SoundHandleRecord *record, FillState *f) {
  StreamSoundBlock &s = record->stream;
  int emptyReads = 0;
  while (!s.ending && f->done < RegionSize(*f)) {
    const int came = CopyStreamSourceData(record, f);
    if (f->done >= RegionSize(*f)) break;
    emptyReads = came == 0 ? emptyReads + 1 : 0;
    if (emptyReads == 2) break;
    if (AdvanceStreamSource(record, f) != 0) break;
  }
}

// The part of the region that was written, for the unlock.
LockedRegion WrittenPart(const FillState &f) {
  LockedRegion written = f.region;
  const uint32_t done = static_cast<uint32_t>(f.done);
  if (done <= written.size1) {
    written.size1 = done;
    written.part2 = nullptr;
    written.size2 = 0;
  } else {
    written.size2 = done - written.size1;
  }
  return written;
}

// Whether the cursor lies strictly inside the span forward from the write
// offset to the safe offset, where writing could overtake it.
bool CursorInBand(int cursor, int write, int safe) {
  if (write < safe) return write < cursor && cursor < safe;
  return cursor > write || cursor < safe;
}

// How much a playing buffer needs: up to the 0.375-s lead, else 1/8 s.
int TopUpAmount(const SoundHandleRecord *record, int cursor) {
  const StreamSoundBlock &s = record->stream;
  int write = s.writeOffset;
  if (write < s.safeOffset) {
    const int before = write;
    write += s.bufferSize;
    if (cursor < before) cursor += s.bufferSize;
  }
  const int64_t perSecond = BytesPerSecond(record);
  const uint32_t lead =
      perSecond ? static_cast<uint32_t>(static_cast<int64_t>(write - cursor) * 512 / perSecond)
                : UINT32_MAX;
  if (lead < kTopUpLead512) {
    return WholeBlocks(record, (kTopUpLead512 - lead) * perSecond / 512);
  }
  return EighthSecond(record);
}

// Writes amount bytes at the write offset (0 while priming) and moves the
// offsets on; -1 when the lock fails.
int WriteAhead(SoundHandleRecord *record, PlaybackBuffer *buffer, int amount, int cursor) {
  StreamSoundBlock &s = record->stream;
  const bool priming = s.writeOffset == kNotPrimed;
  FillState f = {};
  f.start = priming ? 0 : s.writeOffset;
  f.cursor = cursor;
  if (amount <= 0) return 0;
  if (SoundBufferLock(buffer, static_cast<uint32_t>(f.start), static_cast<uint32_t>(amount),
                      &f.region) != 0) {
    return -1;
  }
  if (s.ending) {
    FillRestWithSilence(record, &f);
  } else {
    FillFromSources(record, &f);
  }
  const LockedRegion written = WrittenPart(f);
  SoundBufferUnlock(buffer, &written);
  if (priming) {
    s.writeOffset = f.done;
    s.safeOffset = 0;
    return 0;
  }
  s.writeOffset = Wrap(s, s.writeOffset + f.done);
  const int block = record->format.blockAlign;
  const int64_t safeBlocks = (static_cast<int64_t>(BytesPerSecond(record)) * kFirstFill256 / 256 +
                              block - 1) / block;
  int safe = s.writeOffset - static_cast<int>(safeBlocks * block);
  if (safe < 0) safe += s.bufferSize;
  s.safeOffset = safe;
  return 0;
}

// The data has been played out when the cursor is past the end offset and
// has not come round to where it stood when the data ran out.
bool PlayedOut(const StreamSoundBlock &s, int cursor) {
  const int end = s.endOffset;
  const int endCursor = s.endCursor;
  return end < cursor && (endCursor < end || endCursor > cursor);
}

}  // namespace

int PrimeStreamSound(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = LookupSoundRecord(handle);
  if (!record || record->kind != SOUND_KIND_STREAM) return -1;
  StreamSoundBlock &s = record->stream;
  PlaybackBuffer *buffer = nullptr;
  if (s.active || s.sourceCount == 0) return 0;
  if (ClaimStreamBuffer(handle, record, &buffer, 0) != 0 || IsPlaying(buffer)) return 0;
  SoundBufferSetPosition(buffer, 0);
  s.writeOffset = kNotPrimed;
  s.safeOffset = -1;
  s.lastCursor = 0;
  s.ending = 0;
  const int block = record->format.blockAlign;
  SeekSoundConverter(&s.sources[s.currentSource].converter, block ? s.sourcePosition / block : 0);
  s.active = 1;
  RefillStreamSound(handle);
  return 0;
}

int RefillStreamSound(int handle) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = ActiveStream(handle);
  PlaybackBuffer *buffer = nullptr;
  if (!record || ClaimStreamBuffer(handle, record, &buffer, 0) != 0) return 0;
  StreamSoundBlock &s = record->stream;
  UpdateStreamPlayPosition(handle, -1);
  const bool playing = IsPlaying(buffer);
  const int cursor = playing ? ReadCursor(buffer) : -1;
  if (playing && cursor < 0) return -1;
  int amount;
  if (s.ending) {
    if (playing && PlayedOut(s, cursor)) {
      SoundBufferStop(buffer);
      ResetStreamProgress(record);
      return 0;
    }
    if (!playing) return 0;
    // Silence keeps the same lead as data, so a slow pass cannot let the
    // cursor run past it into stale bytes before the end is seen.
    amount = TopUpAmount(record, cursor);
  } else if (playing) {
    amount = TopUpAmount(record, cursor);
  } else if (s.writeOffset == kNotPrimed) {
    amount = WholeBlocks(record, static_cast<int64_t>(BytesPerSecond(record)) * kFirstFill256 / 256);
  } else {
    return 0;
  }
  if (playing && CursorInBand(cursor, s.writeOffset, s.safeOffset)) return -1;
  return WriteAhead(record, buffer, amount, cursor);
}

int UpdateStreamPlayPosition(int handle, int cursor) {
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  SoundHandleRecord *record = ActiveStream(handle);
  PlaybackBuffer *buffer = nullptr;
  if (!record || ClaimStreamBuffer(handle, record, &buffer, 0) != 0) return 0;
  StreamSoundBlock &s = record->stream;
  if (cursor < 0) cursor = ReadCursor(buffer);
  if (cursor < 0 || cursor == s.lastCursor) return 0;
  // Restarts the cursor went past since the last update: the counter goes
  // back to the latest one's loop start plus what was played after it.
  int from = s.lastCursor;
  bool heard = false;
  while (s.loopRestartPending > 0) {
    const PendingRestart next = s.restarts[0];
    const int toRestart = Forward(s, from, next.offset);
    if (toRestart == 0 || toRestart > Forward(s, from, cursor)) break;
    s.playedBytes = next.loopStartBytes + Forward(s, next.offset, cursor);
    from = next.offset;
    heard = true;
    s.loopRestartPending--;
    for (int i = 0; i < s.loopRestartPending; i++) s.restarts[i] = s.restarts[i + 1];
  }
  if (!heard) s.playedBytes += Forward(s, s.lastCursor, cursor);
  s.lastCursor = cursor;
  return 0;
}

void RefillActiveStreamSounds(void) {
  SoundSystem *system = GetSoundSystem();
  for (HandleListNode *node = system->streamHead.next; node && node->next; node = node->next) {
    SoundHandleRecord *record = static_cast<SoundHandleRecord *>(node->data);
    if (record->stream.active) RefillStreamSound(node->handle);
  }
}

int RefillStreamSounds(void) {
  if (!IsSoundStarted()) return -1;
  std::lock_guard<std::recursive_mutex> guard(SoundLock());
  RefillActiveStreamSounds();
  return 0;
}
