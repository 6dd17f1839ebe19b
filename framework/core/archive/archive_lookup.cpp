// Name lookup, directory walks and wildcard search inside an archive. Every
// table entry is reached through ArchiveHeadBytes, so a damaged table makes
// a lookup fail instead of reading outside the head block.
#include <string.h>

#include "core/archive/archive.h"
#include "core/debug/memory.h"
#include "core/files/file_plain.h"
#include "graphics/text/char_class.h"

namespace {

const uint32_t kRootDir = 0;

uint32_t ReadLe32(const unsigned char *p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t ReadLe64(const unsigned char *p) {
  return static_cast<uint64_t>(ReadLe32(p)) | static_cast<uint64_t>(ReadLe32(p + 4)) << 32;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

char UpperByte(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// a-z to A-Z, leaving both bytes of a double-byte character alone.
void UpperCaseArchiveText(char *s, int charSet) {
  for (int i = 0; s[i];) {
    const int n = MultiByteCharSize(s + i, charSet);
    if (n == 1) s[i] = UpperByte(s[i]);
    i += n;
  }
}

struct DirView {
  uint32_t parent;
  uint32_t count;
  uint32_t first;  // file-table offset of the first entry
};

// Reads a directory entry and checks that all its file entries are inside
// the head block.
bool ReadDir(const KrzArchive *a, uint32_t dir, DirView *view) {
  const unsigned char *p =
      ArchiveHeadBytes(a, static_cast<uint64_t>(a->header.dirTableOffset) + dir, KRZ_DIR_ENTRY_SIZE);
  if (!p) return false;
  view->parent = ReadLe32(p + 4);
  view->count = ReadLe32(p + 8);
  view->first = ReadLe32(p + 12);
  const uint64_t bytes = static_cast<uint64_t>(view->count) * ArchiveFileEntrySize(a);
  return ArchiveHeadBytes(a, static_cast<uint64_t>(a->header.fileTableOffset) + view->first,
                          bytes) != nullptr;
}

const unsigned char *EntryAt(const KrzArchive *a, const DirView &view, uint32_t index,
                             uint32_t *entryOffset) {
  *entryOffset = view.first + index * static_cast<uint32_t>(ArchiveFileEntrySize(a));
  return a->headBlock + a->header.fileTableOffset + *entryOffset;
}

bool IsDirectoryEntry(const unsigned char *entry) {
  return (ReadLe32(entry + 4) & KRZ_ATTRIBUTE_DIRECTORY) != 0;
}

// The name entry of a file entry: its words checked to lie in the head block
// and to end with a zero byte. Null for a damaged one.
const unsigned char *NameEntryOf(const KrzArchive *a, const unsigned char *entry) {
  const uint32_t offset = ReadLe32(entry);
  const unsigned char *p = ArchiveHeadBytes(a, offset, 4);
  if (!p) return nullptr;
  const uint32_t words = static_cast<uint32_t>(p[0] | p[1] << 8);
  if (words == 0) return nullptr;
  const unsigned char *name = ArchiveHeadBytes(a, offset + 4ull, words * 4ull);
  return name && name[words * 4 - 1] == 0 ? p : nullptr;
}

// The name as written, copied (bounded) out of the head block.
void CopyWrittenName(const KrzArchive *a, const unsigned char *nameEntry, char *out, int outSize) {
  const uint32_t words = static_cast<uint32_t>(nameEntry[0] | nameEntry[1] << 8);
  const unsigned char *text = nameEntry + 4 + words * 4;
  const unsigned char *end = a->headBlock + a->header.headSize;
  int n = 0;
  while (text + n < end && text[n] && n < outSize - 1) {
    out[n] = static_cast<char>(text[n]);
    ++n;
  }
  out[n] = '\0';
}

bool NameMatches(const unsigned char *nameEntry, const KrzNameKey &key) {
  const uint16_t words = static_cast<uint16_t>(nameEntry[0] | nameEntry[1] << 8);
  const uint16_t check = static_cast<uint16_t>(nameEntry[2] | nameEntry[3] << 8);
  return words == key.words && check == key.check &&
         memcmp(nameEntry + 4, key.name, words * 4u) == 0;
}

// The file-table offset of the first entry of dir named by key (directories
// or files only), or -1.
int64_t SearchDir(const KrzArchive *a, uint32_t dir, const KrzNameKey &key, bool directory) {
  DirView view;
  if (!ReadDir(a, dir, &view)) return -1;
  for (uint32_t i = 0; i < view.count; ++i) {
    uint32_t offset;
    const unsigned char *entry = EntryAt(a, view, i, &offset);
    if (IsDirectoryEntry(entry) != directory) continue;
    const unsigned char *name = NameEntryOf(a, entry);
    if (name && NameMatches(name, key)) return offset;
  }
  return -1;
}

// Steps from *dir into the component keyed by key (text of length bytes).
bool EnterComponent(const KrzArchive *a, uint32_t *dir, const char *text, int length,
                    const KrzNameKey &key) {
  if (length == 1 && text[0] == '.') return true;
  DirView view;
  if (length == 2 && text[0] == '.' && text[1] == '.') {
    if (!ReadDir(a, *dir, &view) || view.parent == KRZ_NO_PARENT) return false;
    *dir = view.parent;
    return true;
  }
  const int64_t entry = SearchDir(a, *dir, key, true);
  if (entry < 0) return false;
  const uint32_t target = ReadLe32(a->headBlock + a->header.fileTableOffset + entry + 32);
  if (!ReadDir(a, target, &view)) return false;
  *dir = target;
  return true;
}

// Walks the components of path from *dir: a leading separator starts at the
// root, runs of separators count as one. With lastIsFile the final
// component is left for the caller (*rest points at it). *dir is where the
// walk got to; key holds the last component tried.
bool WalkPath(const KrzArchive *a, uint32_t *dir, const char *path, bool lastIsFile,
              KrzNameKey *key, const char **rest) {
  const char *p = path;
  if (IsSeparator(*p)) *dir = kRootDir;
  while (IsSeparator(*p)) ++p;
  while (*p) {
    const int length = MakeArchiveNameKey(p, a->charSet, key);
    if (length < 0) return false;
    const char *next = p + length;
    if (!*next && lastIsFile) break;
    if (!EnterComponent(a, dir, p, length, *key)) return false;
    p = next;
    while (IsSeparator(*p)) ++p;
  }
  if (rest) *rest = p;
  return true;
}

bool Ready(KrzArchive *a) { return a && FinishArchiveLoad(a) == 0 && a->headBlock; }

// Index of the last '\\', '/' or ':' that is a character of its own, -1
// when there is none.
int LastSeparatorIndex(const char *s, int charSet) {
  int last = -1;
  for (int i = 0; s[i]; i += MultiByteCharSize(s + i, charSet)) {
    if (IsSeparator(s[i]) || s[i] == ':') last = i;
  }
  return last;
}

void FillFoundEntry(const KrzArchive *a, const unsigned char *entry,
                    const unsigned char *nameEntry, FindFileInfo *info) {
  memset(info, 0, sizeof(*info));
  CopyWrittenName(a, nameEntry, info->name, sizeof(info->name));
  info->isDirectory = IsDirectoryEntry(entry) ? 1 : 0;
  info->size = ReadLe32(entry + 36);
  FileTimeToDateTime(ReadLe64(entry + 8), &info->creationTime);
  FileTimeToDateTime(ReadLe64(entry + 24), &info->lastWriteTime);
}

}  // namespace

int MakeArchiveNameKey(const char *path, int charSet, KrzNameKey *key) {
  int n = 0;
  while (path[n] && !IsSeparator(path[n])) {
    const int size = MultiByteCharSize(path + n, charSet);
    // The key holds the name and at least one zero byte.
    if (n + size >= KRZ_NAME_KEY_SIZE) return -1;
    key->name[n] = size == 1 ? UpperByte(path[n]) : path[n];
    if (size == 2) key->name[n + 1] = static_cast<unsigned char>(path[n + 1]);
    n += size;
  }
  key->words = static_cast<uint16_t>((n + 4) / 4);
  memset(key->name + n, 0, key->words * 4u - static_cast<unsigned>(n));
  uint16_t sum = 0;
  for (int i = 0; i < n; ++i) sum = static_cast<uint16_t>(sum + key->name[i]);
  key->check = sum;
  return n;
}

int ArchiveChangeDir(KrzArchive *archive, const char *path, int restoreOnFailure,
                     KrzNameKey *keyOut) {
  if (!Ready(archive) || !path) return -1;
  KrzNameKey key;
  memset(&key, 0, sizeof(key));
  uint32_t dir = archive->currentDir;
  const bool ok = WalkPath(archive, &dir, path, false, &key, nullptr);
  if (keyOut) *keyOut = key;
  if (ok || !restoreOnFailure) archive->currentDir = dir;
  return ok ? 0 : -1;
}

int64_t FindArchiveFileEntry(const char *path, KrzArchive *archive) {
  if (!Ready(archive) || !path) return -1;
  KrzNameKey key;
  uint32_t dir = archive->currentDir;
  const char *name;
  // Every component but the last must be a directory; a path ending in a
  // separator names a directory, not a file.
  if (!WalkPath(archive, &dir, path, true, &key, &name) || !*name) return -1;
  return SearchDir(archive, dir, key, false);
}

int LocateArchiveFile(KrzArchive *archive, const char *path, int *offset, int *size) {
  const int64_t entry = FindArchiveFileEntry(path, archive);
  if (entry < 0) return -1;
  const unsigned char *e = archive->headBlock + archive->header.fileTableOffset + entry;
  const int64_t data = static_cast<int64_t>(archive->header.dataStart) + ReadLe32(e + 32);
  const int64_t bytes = ReadLe32(e + 36);
  if (data + bytes > archive->size) return -1;
  if (offset) *offset = static_cast<int>(data);
  if (size) *size = static_cast<int>(bytes);
  return 0;
}

int MatchArchiveWildcard(const char *name, const char *pattern, int charSet) {
  const char *n = name;
  const char *p = pattern;
  for (;;) {
    if (*p == '*') {
      while (*p == '*') ++p;
      // A trailing run matches the rest, also nothing ("A*" matches "A").
      if (!*p) return 1;
      while (*n && *n != *p) n += MultiByteCharSize(n, charSet);
      if (!*n) return 0;
      ++n;
      ++p;
      continue;
    }
    if (!*p || !*n) return !*p && !*n;
    if (MultiByteCharSize(p, charSet) == 2) {
      if (n[0] != p[0] || n[1] != p[1]) return 0;
      n += 2;
      p += 2;
    } else {
      if (*p != '?' && *p != *n) return 0;
      ++n;
      ++p;
    }
  }
}

KrzFindRecord *ArchiveFindFirstEntry(KrzArchive *archive, const char *pattern,
                                     FindFileInfo *info) {
  if (!Ready(archive) || !pattern) return nullptr;
  const size_t length = strlen(pattern);
  if (length >= KRZ_FIND_PATTERN_SIZE) return nullptr;
  const int split = LastSeparatorIndex(pattern, archive->charSet);
  char folder[KRZ_FIND_PATTERN_SIZE];
  memcpy(folder, pattern, length + 1);
  // A separator at the very start means the root.
  folder[split <= 0 ? split + 1 : split] = '\0';
  uint32_t dir = archive->currentDir;
  KrzNameKey key;
  if (folder[0] && !WalkPath(archive, &dir, folder, false, &key, nullptr)) return nullptr;
  KrzFindRecord *find = static_cast<KrzFindRecord *>(VV_ALLOC_ZEROED(sizeof(KrzFindRecord)));
  if (!find) return nullptr;
  find->archive = archive;
  find->dir = dir;
  memcpy(find->pattern, pattern + split + 1, length - static_cast<size_t>(split));
  UpperCaseArchiveText(find->pattern, archive->charSet);
  if (ArchiveFindNextEntry(find, info) < 0) {
    VV_FREE(find);
    return nullptr;
  }
  return find;
}

int ArchiveFindNextEntry(KrzFindRecord *find, FindFileInfo *info) {
  if (!find || !Ready(find->archive)) return -1;
  const KrzArchive *a = find->archive;
  DirView view;
  if (!ReadDir(a, find->dir, &view)) return -1;
  const int dots = view.parent == KRZ_NO_PARENT ? 1 : 2;
  for (;;) {
    const int index = find->nextIndex;
    if (index < dots) {
      const char *name = index == 0 ? "." : "..";
      ++find->nextIndex;
      if (!MatchArchiveWildcard(name, find->pattern, a->charSet)) continue;
      if (info) {
        memset(info, 0, sizeof(*info));
        strcpy(info->name, name);
        info->isDirectory = 1;
      }
      return 0;
    }
    if (static_cast<uint32_t>(index - dots) >= view.count) return -1;
    ++find->nextIndex;
    uint32_t offset;
    const unsigned char *entry = EntryAt(a, view, static_cast<uint32_t>(index - dots), &offset);
    const unsigned char *nameEntry = NameEntryOf(a, entry);
    if (!nameEntry) continue;
    // The stored upper-cased name ends inside its words (checked).
    if (!MatchArchiveWildcard(reinterpret_cast<const char *>(nameEntry + 4), find->pattern,
                              a->charSet)) {
      continue;
    }
    if (info) FillFoundEntry(a, entry, nameEntry, info);
    return 0;
  }
}

void ArchiveFindClose(KrzFindRecord *find) { VV_FREE(find); }
