// Files inside an archive: a packed file is unpacked whole when it is
// opened; a plain one is read on demand from the image or the archive file.
#include <limits.h>
#include <string.h>

#include "core/archive/archive.h"
#include "core/debug/memory.h"
#include "core/files/lz_decode.h"

namespace {

uint32_t ReadLe32(const unsigned char *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The most one LZ code byte can stand for: a back-reference of the longest
// length coded in two bytes besides the escape.
const uint64_t kMaxExpansionPerByte = LZ_MAX_MATCH / 2 + 1;

// Unpacks the entry's LZ block of packedSize bytes. The block's own header
// must agree with the entry, and the claimed size must be one the block can
// produce, so a damaged entry cannot ask for a huge buffer.
bool Unpack(KrzFileStream *s, uint32_t packedSize) {
  KrzArchive *a = s->archive;
  if (packedSize < LZ_HEADER_SIZE ||
      static_cast<uint64_t>(s->size) > (packedSize - LZ_HEADER_SIZE) * kMaxExpansionPerByte) {
    return false;
  }
  unsigned char *owned = nullptr;
  const unsigned char *block;
  if (a->inMemory) {
    block = a->image + s->dataOffset;
  } else {
    owned = static_cast<unsigned char *>(VV_ALLOC(packedSize));
    if (!owned || ReadArchiveBytes(a, owned, static_cast<int>(packedSize), s->dataOffset) < 0) {
      VV_FREE(owned);
      return false;
    }
    block = owned;
  }
  bool ok = ReadLe32(block) == static_cast<uint32_t>(s->size) && ReadLe32(block + 4) == packedSize;
  if (ok) {
    s->unpacked = static_cast<unsigned char *>(VV_ALLOC(s->size ? s->size : 1));
    ok = s->unpacked && DecodeLzBlock(block, static_cast<int>(packedSize), s->unpacked, s->size) ==
                            s->size;
  }
  VV_FREE(owned);
  return ok;
}

}  // namespace

int OpenArchiveFile(KrzFileStream *stream, KrzArchive *archive, const char *path, int async) {
  if (!stream) return -1;
  memset(stream, 0, sizeof(*stream));
  const int64_t entryOffset = FindArchiveFileEntry(path, archive);
  if (entryOffset < 0) return -1;
  const unsigned char *entry = archive->headBlock + archive->header.fileTableOffset + entryOffset;
  const uint32_t size = ReadLe32(entry + 36);
  const uint32_t packed = archive->header.version >= 2 ? ReadLe32(entry + 40) : KRZ_NOT_PACKED;
  const int64_t data = static_cast<int64_t>(archive->header.dataStart) + ReadLe32(entry + 32);
  const uint32_t stored = packed == KRZ_NOT_PACKED ? size : packed;
  if (size > INT_MAX || data + stored > archive->size) return -1;
  stream->archive = archive;
  stream->entryOffset = static_cast<uint32_t>(entryOffset);
  stream->dataOffset = data;
  stream->size = static_cast<int>(size);
  stream->async = async;
  if (packed != KRZ_NOT_PACKED && !Unpack(stream, packed)) {
    CloseArchiveFile(stream);
    return -1;
  }
  return 0;
}

int CloseArchiveFile(KrzFileStream *stream) {
  if (!stream) return -1;
  VV_FREE(stream->unpacked);
  memset(stream, 0, sizeof(*stream));
  return 0;
}

int ReadArchiveFile(KrzFileStream *s, void *buffer, int size) {
  if (!s || !s->archive || s->endFlag) return 0;
  if (s->position >= s->size) {
    s->endFlag = 1;
    return 0;
  }
  if (size <= 0) return 0;
  const int left = s->size - s->position;
  const int bytes = size < left ? size : left;
  if (s->unpacked) {
    memcpy(buffer, s->unpacked + s->position, static_cast<size_t>(bytes));
  } else if (FinishArchiveLoad(s->archive) < 0 ||
             ReadArchiveBytes(s->archive, buffer, bytes, s->dataOffset + s->position) < 0) {
    return 0;
  }
  s->position += bytes;
  return bytes;
}

int SeekArchiveFile(KrzFileStream *s, int offset, int origin) {
  if (!s || !s->archive) return -1;
  int64_t target = offset;
  if (origin == 1) target += s->position;
  if (origin == 2) target += s->size;
  s->position = static_cast<int>(target < 0 ? 0 : target > s->size ? s->size : target);
  s->endFlag = 0;
  return 0;
}

int TellArchiveFile(const KrzFileStream *s) { return s && s->archive ? s->position : -1; }

int ArchiveFileEof(const KrzFileStream *s) { return s && s->endFlag ? -1 : 0; }

int CompleteArchiveFileRead(KrzFileStream *s) { return s && s->archive ? 1 : -1; }
