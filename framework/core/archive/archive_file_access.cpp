#include "core/archive/archive_file_access.h"

#include <string.h>

#include "core/archive/archive.h"
#include "core/archive/archive_cache.h"
#include "core/base/core_state.h"
#include "core/debug/memory.h"
#include "core/files/file_plain.h"
#include "core/util/strings.h"
#include "graphics/text/char_class.h"
#include "velvane.h"

namespace {

const uint32_t kHandleTag = 0xF0000000u;
const uint32_t kSlotMask = 0x0FFFFFFFu;
enum { SOURCE_DISK = 0, SOURCE_ARCHIVE = 1 };

struct OpenFileRecord {
  int source;
  FileHandle disk;
  int cacheIndex;
  KrzFileStream stream;
};

struct ArcFindRecord {
  int source;
  int cacheIndex;
  FindHandle disk;
  KrzFindRecord *archive;
};

// The last archive a path resolved to: a later path under the same folder
// reuses it without trying the other folders.
struct ArchivePathMemo {
  int prefixLength;  // 0: none
  char upperPrefix[ARCHIVE_FULL_PATH_SIZE];
  char archivePath[ARCHIVE_FULL_PATH_SIZE];
  int cacheIndex;
};

struct ArchiveAccessState {
  OpenFileRecord *files[ARCHIVE_OPEN_FILE_SLOTS];
  int openCount;
  ArchivePathMemo memo;
  // Settings without a setter in this framework: archive first, and the
  // extension "KRZ".
  int diskFirst;
  const char *extension;
};

ArchiveAccessState g_access = {{}, 0, {}, 0, "KRZ"};

const FileAccessFunctions &Disk() { return *GetPlainFileAccessFunctions(); }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

OpenFileRecord *RecordOf(FileHandle file) {
  const uintptr_t value = static_cast<uintptr_t>(file);
  const uint32_t low = static_cast<uint32_t>(value);
  // Handles of another set (outside the tag or the slots) are refused.
  if (value != low || (low & ~kSlotMask) != kHandleTag) return nullptr;
  const uint32_t slot = low & kSlotMask;
  return slot < ARCHIVE_OPEN_FILE_SLOTS ? g_access.files[slot] : nullptr;
}

ArcFindRecord *FindOf(FindHandle find) {
  return find == -1 ? nullptr : reinterpret_cast<ArcFindRecord *>(find);
}

// The full path with its case kept, into ARCHIVE_FULL_PATH_SIZE bytes.
int MakeWrittenFullPath(char *out, const char *path) {
  char current[PATH_BUFFER_SIZE];
  char full[PATH_BUFFER_SIZE];
  out[0] = '\0';
  if (Disk().getCurrentDir(current) <= 0) return -1;
  if (!path) {
    CopyStringN(full, current, PATH_BUFFER_SIZE - 1);
  } else if (MakeFullPath(path, full, current) < 0) {
    return -1;
  }
  if (strlen(full) >= ARCHIVE_FULL_PATH_SIZE) return -1;
  strcpy(out, full);
  return 0;
}

// Bytes of the root the folder walk starts after: a drive "X:", a network
// root "\\server\share", or a leading separator.
int RootLength(const char *full) {
  if (full[0] && full[1] == ':') return 2;
  if (!IsSeparator(full[0])) return 0;
  if (!IsSeparator(full[1])) return 1;
  int i = 2;
  for (int part = 0; part < 2; ++part) {
    if (part) {
      if (!IsSeparator(full[i])) return i;
      ++i;
    }
    while (full[i] && !IsSeparator(full[i])) i += MultiByteCharSize(full + i, GetFrameworkCharSet());
  }
  return i;
}

bool CopyNameInside(char *out, const char *name) {
  if (strlen(name) >= ARCHIVE_NAME_INSIDE_SIZE) return false;
  if (out) strcpy(out, name);
  return true;
}

// Tries each folder of the full path in turn as an archive, from the left.
int ResolveByWalk(const char *written, const char *upper, int *cacheIndex, const char **rest) {
  int pos = RootLength(written);
  for (;;) {
    if (IsSeparator(written[pos])) ++pos;
    const int start = pos;
    while (written[pos] && !IsSeparator(written[pos])) {
      pos += MultiByteCharSize(written + pos, GetFrameworkCharSet());
    }
    // The file name itself is never an archive; an empty folder ends it.
    if (!written[pos] || pos == start) return -1;
    char candidate[ARCHIVE_FULL_PATH_SIZE];
    if (FormatString(candidate, sizeof(candidate), "%.*s.%s", pos, written, g_access.extension) < 0 ||
        static_cast<size_t>(pos) + 1 + strlen(g_access.extension) >= sizeof(candidate)) {
      return -1;
    }
    const int index = OpenCachedArchive(-1, candidate, 0, 0);
    if (index >= 0) {
      ArchivePathMemo &m = g_access.memo;
      m.prefixLength = pos;
      memcpy(m.upperPrefix, upper, static_cast<size_t>(pos));
      m.upperPrefix[pos] = '\0';
      strcpy(m.archivePath, candidate);
      m.cacheIndex = index;
      *cacheIndex = index;
      *rest = written + pos + 1;
      return 0;
    }
  }
}

int ReleaseAndFail(int cacheIndex) {
  ReleaseCachedArchive(cacheIndex);
  return -1;
}

// ---- the twelve slots ----

// 1 when the file opened inside the archive standing in for one of its
// folders, 0 when that archive lacks it, -1 when no archive stands in.
int OpenInArchive(OpenFileRecord *r, const char *path, int async) {
  char name[ARCHIVE_NAME_INSIDE_SIZE];
  int index;
  if (ResolveArchivePath(path, &index, nullptr, name) < 0) return -1;
  if (OpenArchiveFile(&r->stream, GetCachedArchive(index), name, async) < 0) {
    ReleaseCachedArchive(index);
    return 0;
  }
  r->source = SOURCE_ARCHIVE;
  r->cacheIndex = index;
  return 1;
}

bool OpenOnDisk(OpenFileRecord *r, const char *path, int useCache, int async) {
  r->source = SOURCE_DISK;
  r->disk = Disk().open(path, useCache, 1, async);
  return r->disk != 0;
}

FileHandle ArcFileOpen(const char *path, int useCache, int, int async) {
  if (g_access.openCount >= ARCHIVE_OPEN_FILE_SLOTS) {
    WriteLogLine("同時に開けるファイルの数が限界を超えました\n");
    return 0;
  }
  int slot = 0;
  while (g_access.files[slot]) ++slot;
  OpenFileRecord *r = static_cast<OpenFileRecord *>(VV_ALLOC_ZEROED(sizeof(OpenFileRecord)));
  if (!r) {
    WriteLogLine("ファイルの情報を格納するメモリの確保に失敗しました\n");
    return 0;
  }
  bool opened;
  if (!path) {
    opened = false;
  } else if (g_access.diskFirst) {
    opened = OpenOnDisk(r, path, useCache, async) || OpenInArchive(r, path, async) > 0;
  } else {
    // An archive standing in for a folder hides that folder: a file it lacks
    // is not looked for on disk.
    const int inArchive = OpenInArchive(r, path, async);
    opened = inArchive > 0 || (inArchive < 0 && OpenOnDisk(r, path, useCache, async));
  }
  if (!opened) {
    VV_FREE(r);
    return 0;
  }
  g_access.files[slot] = r;
  ++g_access.openCount;
  return static_cast<FileHandle>(static_cast<uintptr_t>(kHandleTag | static_cast<uint32_t>(slot)));
}

int ArcFileClose(FileHandle file) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  if (r->source == SOURCE_ARCHIVE) {
    ReleaseCachedArchive(r->cacheIndex);
    CloseArchiveFile(&r->stream);
  } else {
    Disk().close(r->disk);
  }
  g_access.files[static_cast<uint32_t>(static_cast<uintptr_t>(file)) & kSlotMask] = nullptr;
  --g_access.openCount;
  VV_FREE(r);
  return 0;
}

int ArcFileTell(FileHandle file) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  return r->source == SOURCE_ARCHIVE ? TellArchiveFile(&r->stream) : Disk().tell(r->disk);
}

int ArcFileSeek(FileHandle file, int offset, int origin) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  return r->source == SOURCE_ARCHIVE ? SeekArchiveFile(&r->stream, offset, origin)
                                     : Disk().seek(r->disk, offset, origin);
}

int ArcFileRead(void *buffer, int itemSize, int itemCount, FileHandle file) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  if (r->source == SOURCE_DISK) return Disk().read(buffer, itemSize, itemCount, r->disk);
  if (itemSize <= 0 || itemCount <= 0) return 0;
  // Compared by division: itemSize x itemCount may not fit in an int.
  const int left = r->stream.size - r->stream.position;
  const int bytes = itemCount > left / itemSize ? left : itemSize * itemCount;
  return ReadArchiveFile(&r->stream, buffer, bytes) / itemSize;
}

int ArcFileEof(FileHandle file) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  if (r->source == SOURCE_ARCHIVE) return ArchiveFileEof(&r->stream);
  return Disk().eof(r->disk) ? -1 : 0;
}

int ArcFileIdleCheck(FileHandle file) {
  OpenFileRecord *r = RecordOf(file);
  if (!r) return -1;
  return r->source == SOURCE_ARCHIVE ? CompleteArchiveFileRead(&r->stream)
                                     : Disk().idleCheck(r->disk);
}

int ArcSetCurrentDir(const char *path) {
  return path && Disk().setCurrentDir(path) ? 0 : -1;
}

int ArcGetCurrentDir(char *buffer) {
  if (Disk().getCurrentDir(buffer) > 0) return 0;
  buffer[0] = '\0';
  return -1;
}

FindHandle ArcFindFirst(const char *pattern, FindFileInfo *info) {
  if (!pattern) return -1;
  ArcFindRecord *f = static_cast<ArcFindRecord *>(VV_ALLOC_ZEROED(sizeof(ArcFindRecord)));
  if (!f) return -1;
  char name[ARCHIVE_NAME_INSIDE_SIZE];
  int index;
  bool found;
  if (ResolveArchivePath(pattern, &index, nullptr, name) < 0) {
    f->source = SOURCE_DISK;
    f->disk = Disk().findFirst(pattern, info);
    found = f->disk != -1;
  } else {
    f->source = SOURCE_ARCHIVE;
    f->cacheIndex = index;
    f->archive = ArchiveFindFirstEntry(GetCachedArchive(index), name, info);
    found = f->archive != nullptr;
    // A failed search must not keep the archive from being purged.
    if (!found) ReleaseCachedArchive(index);
  }
  if (!found) {
    VV_FREE(f);
    return -1;
  }
  return reinterpret_cast<FindHandle>(f);
}

int ArcFindNext(FindHandle find, FindFileInfo *info) {
  ArcFindRecord *f = FindOf(find);
  if (!f) return -1;
  return f->source == SOURCE_ARCHIVE ? ArchiveFindNextEntry(f->archive, info)
                                     : Disk().findNext(f->disk, info);
}

int ArcFindClose(FindHandle find) {
  ArcFindRecord *f = FindOf(find);
  if (!f) return -1;
  if (f->source == SOURCE_ARCHIVE) {
    ArchiveFindClose(f->archive);
    ReleaseCachedArchive(f->cacheIndex);
  } else {
    Disk().findClose(f->disk);
  }
  VV_FREE(f);
  return 0;
}

const FileAccessFunctions kArchiveFileFunctions = {
    ArcFileOpen,      ArcFileClose,     ArcFileTell,      ArcFileSeek,
    ArcFileRead,      ArcFileEof,       ArcFileIdleCheck, ArcSetCurrentDir,
    ArcGetCurrentDir, ArcFindFirst,     ArcFindNext,      ArcFindClose};

}  // namespace

const FileAccessFunctions *GetArchiveFileAccessFunctions(void) { return &kArchiveFileFunctions; }

int MakeArchiveFullPath(char *out, const char *path) {
  if (MakeWrittenFullPath(out, path) < 0) return -1;
  UpperCaseString(out);
  return 0;
}

int ResolveArchivePath(const char *path, int *cacheIndex, char *archivePathOut,
                       char *nameInsideOut) {
  char written[ARCHIVE_FULL_PATH_SIZE];
  char upper[ARCHIVE_FULL_PATH_SIZE];
  if (!path || MakeWrittenFullPath(written, path) < 0) return -1;
  strcpy(upper, written);
  UpperCaseString(upper);
  // The archive file is opened by the path as written (the host's files may
  // be case-sensitive); folders are compared upper-cased.
  const ArchivePathMemo &m = g_access.memo;
  int index;
  const char *rest;
  if (m.prefixLength > 0 && strncmp(upper, m.upperPrefix, static_cast<size_t>(m.prefixLength)) == 0 &&
      IsSeparator(upper[m.prefixLength])) {
    index = OpenCachedArchive(m.cacheIndex, m.archivePath, 0, 0);
    if (index < 0) return -1;
    rest = written + m.prefixLength + 1;
  } else if (ResolveByWalk(written, upper, &index, &rest) < 0) {
    return -1;
  }
  if (!CopyNameInside(nameInsideOut, rest)) return ReleaseAndFail(index);
  if (archivePathOut) strcpy(archivePathOut, g_access.memo.archivePath);
  if (cacheIndex) {
    *cacheIndex = index;
  } else {
    ReleaseCachedArchive(index);
  }
  return 0;
}

int GetArchiveOpenFileCount(void) { return g_access.openCount; }
