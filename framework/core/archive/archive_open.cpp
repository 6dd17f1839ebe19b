// Opening and closing archives: from a file (streamed or read whole) or
// from a caller's image, with the header and table positions checked
// against the archive's size before anything is read through them.
#include <string.h>

#include <new>

#include "core/archive/archive.h"
#include "core/debug/memory.h"
#include "core/files/file_plain.h"
#include "graphics/text/char_class.h"

namespace {

const FileAccessFunctions &Disk() { return *GetPlainFileAccessFunctions(); }

uint16_t ReadLe16(const unsigned char *p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t ReadLe32(const unsigned char *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool HasMagic(const unsigned char *bytes) { return bytes[0] == 'K' && bytes[1] == 'R'; }

int HeaderSize(int version) { return version == 4 ? KRZ_HEADER_SIZE_V4 : KRZ_HEADER_SIZE; }

int CharSetOfCodePage(uint32_t codePage) {
  switch (codePage) {
    case 932: return CHARSET_SHIFTJIS;
    case 949: return CHARSET_HANGEUL;
    case 950: return CHARSET_BIG5;
    case 936: return CHARSET_GB2312;
    default: return CHARSET_DEFAULT;
  }
}

// Reads the unscrambled header bytes into the record and checks that the
// head block, with the root directory in it, lies inside the archive.
bool ParseHeader(KrzArchive *a, const unsigned char *bytes) {
  KrzHeader &h = a->header;
  memcpy(h.magic, bytes, 2);
  h.version = ReadLe16(bytes + 2);
  h.headSize = ReadLe32(bytes + 4);
  h.dataStart = ReadLe32(bytes + 8);
  h.headStart = ReadLe32(bytes + 12);
  h.fileTableOffset = ReadLe32(bytes + 16);
  h.dirTableOffset = ReadLe32(bytes + 20);
  h.codePage = h.version == 4 ? ReadLe32(bytes + 24) : 0;
  a->charSet = CharSetOfCodePage(h.codePage);
  const uint64_t headEnd = static_cast<uint64_t>(h.headStart) + h.headSize;
  return h.version <= KRZ_MAX_VERSION && headEnd <= static_cast<uint64_t>(a->size) &&
         h.fileTableOffset <= h.headSize &&
         static_cast<uint64_t>(h.dirTableOffset) + KRZ_DIR_ENTRY_SIZE <= h.headSize &&
         h.dataStart <= a->size;
}

// The position once every read posted to the file has arrived: asking for
// it waits for the file's worker rather than polling it.
int SettledPosition(FileHandle file) { return Disk().tell(file); }

// Reads the magic under the default (or the caller's) key, then under the
// alternate key; the record keeps the key that worked.
bool ReadMagicAndHeader(KrzArchive *a) {
  unsigned char bytes[KRZ_HEADER_SIZE_V4];
  if (ReadArchiveBytes(a, bytes, 8, 0) < 0) return false;
  if (!HasMagic(bytes)) {
    MakeAlternateArchiveKey(a->key);
    if (ReadArchiveBytes(a, bytes, 8, 0) < 0 || !HasMagic(bytes)) return false;
  }
  const int version = ReadLe16(bytes + 2);
  if (version > KRZ_MAX_VERSION) return false;
  if (ReadArchiveBytes(a, bytes + 8, HeaderSize(version) - 8, 8) < 0) return false;
  return ParseHeader(a, bytes);
}

bool LoadHeadBlock(KrzArchive *a) {
  // The head block lies inside the archive (checked), so its size is bounded
  // by a file that exists.
  a->headBlock = static_cast<unsigned char *>(VV_ALLOC(a->header.headSize ? a->header.headSize : 1));
  if (!a->headBlock) return false;
  a->ownsHeadBlock = 1;
  return ReadArchiveBytes(a, a->headBlock, static_cast<int>(a->header.headSize),
                          a->header.headStart) == 0;
}

// Starts reading the whole archive into an owned image.
bool StartImageLoad(KrzArchive *a) {
  a->image = static_cast<unsigned char *>(VV_ALLOC(a->size));
  if (!a->image || Disk().seek(a->file, 0, 0) < 0) return false;
  a->inMemory = 1;
  a->backgroundLoad = 1;
  Disk().read(a->image, static_cast<int>(a->size), 1, a->file);
  return true;
}

// Releases whatever the record holds; the caller's image is scrambled back.
void ReleaseArchive(KrzArchive *a) {
  if (a->file) {
    if (a->backgroundLoad) SettledPosition(a->file);
    Disk().close(a->file);
  }
  if (a->callerImage) {
    if (a->image) ArchiveXor(a->key, a->image, a->size, 0);
  } else {
    VV_FREE(a->image);
  }
  if (a->ownsHeadBlock) VV_FREE(a->headBlock);
  delete a->lock;
  memset(a, 0, sizeof(*a));
}

int OpenArchiveFromFile(KrzArchive *archive, const char *path, const char *keyString,
                        int toMemory, int async) {
  if (!archive || !path || IsArchiveOpen(archive)) return -1;
  KrzArchive a;
  memset(&a, 0, sizeof(a));
  MakeArchiveKey(keyString, a.key);
  // Only a background load needs the file's worker thread; every other read
  // is waited for at once, and a direct read costs no thread round trip.
  a.file = Disk().open(path, 0, 1, toMemory && async ? 1 : 0);
  if (!a.file) return -1;
  a.lock = new (std::nothrow) std::mutex;
  bool ok = a.lock && Disk().seek(a.file, 0, 2) == 0;
  if (ok) {
    a.size = Disk().tell(a.file);
    ok = a.size >= 8 && ReadMagicAndHeader(&a) && LoadHeadBlock(&a);
  }
  if (ok && toMemory) ok = StartImageLoad(&a);
  if (!ok) {
    ReleaseArchive(&a);
    return -1;
  }
  *archive = a;
  if (toMemory && !async) return FinishArchiveLoad(archive);
  return 0;
}

}  // namespace

int InitArchive(KrzArchive *archive) {
  memset(archive, 0, sizeof(*archive));
  return 0;
}

int IsArchiveOpen(const KrzArchive *archive) {
  return archive && (archive->file || archive->image) ? 1 : 0;
}

int OpenArchiveStreamed(KrzArchive *archive, const char *path, const char *keyString) {
  return OpenArchiveFromFile(archive, path, keyString, 0, 0);
}

int OpenArchiveToMemory(KrzArchive *archive, const char *path, const char *keyString,
                        int async) {
  return OpenArchiveFromFile(archive, path, keyString, 1, async);
}

int OpenArchiveMemory(KrzArchive *archive, void *image, int size, const char *keyString) {
  if (!archive || !image || size < 8 || IsArchiveOpen(archive)) return -1;
  KrzArchive a;
  memset(&a, 0, sizeof(a));
  MakeArchiveKey(keyString, a.key);
  unsigned char probe[8];
  memcpy(probe, image, sizeof(probe));
  ArchiveXor(a.key, probe, sizeof(probe), 0);
  if (!HasMagic(probe)) {
    MakeAlternateArchiveKey(a.key);
    memcpy(probe, image, sizeof(probe));
    ArchiveXor(a.key, probe, sizeof(probe), 0);
    if (!HasMagic(probe)) return -1;
  }
  const int version = ReadLe16(probe + 2);
  if (version > KRZ_MAX_VERSION || size < HeaderSize(version)) return -1;
  a.image = static_cast<unsigned char *>(image);
  a.size = size;
  a.inMemory = 1;
  a.callerImage = 1;
  ArchiveXor(a.key, a.image, a.size, 0);
  if (!ParseHeader(&a, a.image)) {
    ReleaseArchive(&a);  // scrambles the image back
    return -1;
  }
  a.headBlock = a.image + a.header.headStart;
  *archive = a;
  return 0;
}

int FinishArchiveLoad(KrzArchive *a) {
  if (!a->backgroundLoad) return IsArchiveOpen(a) ? 0 : -1;
  a->backgroundLoad = 0;
  const bool complete = SettledPosition(a->file) == a->size;
  Disk().close(a->file);
  a->file = 0;
  if (!complete) {
    ReleaseArchive(a);
    return -1;
  }
  ArchiveXor(a->key, a->image, a->size, 0);
  return 0;
}

int CloseArchive(KrzArchive *archive) {
  if (IsArchiveOpen(archive)) ReleaseArchive(archive);
  return 0;
}

int TerminateArchive(KrzArchive *archive) {
  CloseArchive(archive);
  return InitArchive(archive);
}

unsigned char *GetArchiveImage(KrzArchive *archive) {
  if (FinishArchiveLoad(archive) < 0 || !archive->inMemory) return nullptr;
  return archive->image;
}

int ReadArchiveBytes(KrzArchive *a, void *buffer, int size, int64_t offset) {
  if (size < 0 || offset < 0 || offset + size > a->size) return -1;
  if (size == 0) return 0;
  if (a->inMemory && !a->backgroundLoad) {
    memcpy(buffer, a->image + offset, static_cast<size_t>(size));
    return 0;
  }
  // Every entry of a streamed archive shares its handle and position.
  std::lock_guard<std::mutex> guard(*a->lock);
  const FileHandle file = a->file;
  if (Disk().tell(file) != offset && Disk().seek(file, static_cast<int>(offset), 0) < 0) {
    return -1;
  }
  Disk().read(buffer, size, 1, file);
  if (SettledPosition(file) != offset + size) return -1;
  ArchiveXor(a->key, buffer, size, offset);
  return 0;
}

const unsigned char *ArchiveHeadBytes(const KrzArchive *a, uint64_t offset, uint64_t size) {
  if (!a->headBlock || offset > a->header.headSize || size > a->header.headSize - offset) {
    return nullptr;
  }
  return a->headBlock + offset;
}

int ArchiveFileEntrySize(const KrzArchive *a) {
  return a->header.version < 2 ? KRZ_FILE_ENTRY_SIZE_V0 : KRZ_FILE_ENTRY_SIZE;
}
