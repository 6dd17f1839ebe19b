// KRZ archives: one file holding a folder tree of asset files, each file
// optionally an LZ block, the whole file scrambled with a 12-byte key. The
// framework only reads them; tools/krz_write.h writes them.
//
// Layout (little-endian; offsets absolute unless said otherwise). Byte o of
// the file is stored XORed with key[o % 12].
//   header: "KR", u16 version (0-4), u32 head-block size, u32 data start,
//           u32 head-block start, u32 file-table offset and u32 directory-
//           table offset (both relative to the head-block start), and for
//           version 4 a u32 code page of the stored names.
//   head block: name table, file table, directory table.
//   name entry: u16 word count L = (n + 4) / 4, u16 sum of the upper-cased
//           name's bytes, L words of the upper-cased name padded with zero
//           bytes, then the name as written, zero-terminated.
//   file entry (40 bytes before version 2, then 44): u32 name offset (head-
//           block relative), u32 attributes (0x10 directory), three u64
//           FILETIMEs (creation, last access, last write), u32 data offset
//           (data-start relative; for a directory its directory entry's
//           offset in the directory table), u32 size, from version 2 a u32
//           packed size (0xFFFFFFFF: stored unpacked).
//   directory entry (16 bytes): u32 own file entry (unused), u32 parent
//           directory entry (0xFFFFFFFF at the root), u32 entry count, u32
//           offset of the first file entry in the file table. The root is
//           the first entry of the directory table.
//
// Every offset, size and count read from an archive is checked against the
// head block and the archive's size before it is used: a damaged archive
// fails to open or its lookups fail, it never reads outside its buffers.
#ifndef VELVANE_CORE_ARCHIVE_H
#define VELVANE_CORE_ARCHIVE_H

#include <stdint.h>

#include <mutex>

#include "core/files/file_access.h"

enum {
  KRZ_KEY_SIZE = 12,
  KRZ_MAX_VERSION = 4,
  KRZ_HEADER_SIZE = 24,
  KRZ_HEADER_SIZE_V4 = 28,
  KRZ_FILE_ENTRY_SIZE_V0 = 40,  // versions 0 and 1
  KRZ_FILE_ENTRY_SIZE = 44,     // from version 2
  KRZ_DIR_ENTRY_SIZE = 16,
  KRZ_ATTRIBUTE_DIRECTORY = 0x10,
  KRZ_NAME_KEY_SIZE = 1024,     // bytes of an upper-cased, padded name
  KRZ_FIND_PATTERN_SIZE = 260
};

const uint32_t KRZ_NOT_PACKED = 0xFFFFFFFFu;
const uint32_t KRZ_NO_PARENT = 0xFFFFFFFFu;

struct KrzHeader {
  unsigned char magic[2];
  uint16_t version;
  uint32_t headSize;
  uint32_t dataStart;
  uint32_t headStart;
  uint32_t fileTableOffset;
  uint32_t dirTableOffset;
  uint32_t codePage;  // version 4 only
};

// One open archive. A record is free while both file and image are null.
// Streamed archives read file data through the plain file set; their reads
// of one shared handle and position are serialised by the lock, so entries
// of one archive may be read from several threads.
struct KrzArchive {
  KrzHeader header;
  int charSet;              // character-set code of the stored names
  FileHandle file;          // streamed, or a background load under way
  unsigned char *image;     // the whole archive, unscrambled (in memory)
  int64_t size;             // archive bytes every offset is checked against
  unsigned char *headBlock; // owned copy, or a view into the image
  uint32_t currentDir;      // directory-table offset of the current directory
  unsigned char key[KRZ_KEY_SIZE];
  int inMemory;
  int callerImage;          // the image is the caller's: scrambled back at close
  int ownsHeadBlock;
  int backgroundLoad;       // the image is still being read
  std::mutex *lock;         // streamed archives only
};

// The search form of one path component, laid out as a name entry.
struct KrzNameKey {
  unsigned char name[KRZ_NAME_KEY_SIZE];
  uint16_t check;
  uint16_t words;
};

// One file opened inside an archive. Packed files are unpacked whole at
// open; plain files are read on demand.
struct KrzFileStream {
  KrzArchive *archive;
  uint32_t entryOffset;     // file-table offset of its entry
  int64_t dataOffset;       // absolute offset of its bytes in the archive
  int size;                 // unpacked size
  unsigned char *unpacked;  // packed files only
  int endFlag;
  int position;
  int async;
};

// One wildcard search inside an archive.
struct KrzFindRecord {
  KrzArchive *archive;
  char pattern[KRZ_FIND_PATTERN_SIZE];
  uint32_t dir;             // directory-table offset of the searched directory
  int nextIndex;            // 0 ".", 1 ".." (not at the root), then entries
};

// ---- keys ----
// The archive key for keyString (null or empty: the default key).
void MakeArchiveKey(const char *keyString, unsigned char key[KRZ_KEY_SIZE]);
// The second key archives may be scrambled with.
void MakeAlternateArchiveKey(unsigned char key[KRZ_KEY_SIZE]);
// XORs size bytes that sit at absolute offset position with the key;
// returns the key position after them.
int ArchiveXor(const unsigned char key[KRZ_KEY_SIZE], void *data, int64_t size,
               int64_t position);

// ---- open and close ----
// Zeroes the record; 0.
int InitArchive(KrzArchive *archive);
// Opens the caller's image of size bytes, unscrambling it in place (it is
// scrambled back at close, and at once when the open fails). 0 / -1.
int OpenArchiveMemory(KrzArchive *archive, void *image, int size, const char *keyString);
// Reads the whole archive file into an owned image; async 1 lets the read
// finish in the background (every later operation waits for it). 0 / -1.
int OpenArchiveToMemory(KrzArchive *archive, const char *path, const char *keyString,
                        int async);
// Keeps the header and head block and reads file data on demand. 0 / -1.
int OpenArchiveStreamed(KrzArchive *archive, const char *path, const char *keyString);
// 0; an archive that is not open is left alone.
int CloseArchive(KrzArchive *archive);
// Closes when open and zeroes the record; 0.
int TerminateArchive(KrzArchive *archive);
int IsArchiveOpen(const KrzArchive *archive);
// The unscrambled image of an in-memory archive, else null.
unsigned char *GetArchiveImage(KrzArchive *archive);
// Completes a background load; 0, or -1 when it failed (the archive is then
// closed).
int FinishArchiveLoad(KrzArchive *archive);
// Reads size bytes at absolute offset and unscrambles them; 0 / -1.
int ReadArchiveBytes(KrzArchive *archive, void *buffer, int size, int64_t offset);

// ---- head-block access (every range checked) ----
// size bytes at head-block offset, or null when they are not all inside it.
const unsigned char *ArchiveHeadBytes(const KrzArchive *archive, uint64_t offset,
                                      uint64_t size);
int ArchiveFileEntrySize(const KrzArchive *archive);

// ---- lookup ----
// Builds the key of the path component at path (up to '\\', '/' or the
// end); the bytes consumed, or -1 when the name does not fit the key.
int MakeArchiveNameKey(const char *path, int charSet, KrzNameKey *key);
// Walks path (components separated by '\\' or '/'; a leading separator
// starts at the root, "." stays, ".." goes up) from the current directory.
// On failure the current directory stays where the walk stopped unless
// restoreOnFailure is 1. keyOut gets the key of the last component tried.
int ArchiveChangeDir(KrzArchive *archive, const char *path, int restoreOnFailure,
                     KrzNameKey *keyOut);
// The file-table offset of the file path names, or -1 (a directory is not a
// file). The current directory is unchanged.
int64_t FindArchiveFileEntry(const char *path, KrzArchive *archive);
// Absolute offset and unpacked size of a file, for callers that read the
// image themselves; 0 / -1.
int LocateArchiveFile(KrzArchive *archive, const char *path, int *offset, int *size);

// ---- wildcard search ----
// 1 when name matches pattern: '?' one byte, '*' any run (skips to the first
// byte equal to the one after it, no backtracking); both upper-cased.
int MatchArchiveWildcard(const char *name, const char *pattern, int charSet);
// The first match of pattern (a folder part, then a name pattern); null when
// the folder is missing or nothing matches.
KrzFindRecord *ArchiveFindFirstEntry(KrzArchive *archive, const char *pattern,
                                     FindFileInfo *info);
int ArchiveFindNextEntry(KrzFindRecord *find, FindFileInfo *info);
void ArchiveFindClose(KrzFindRecord *find);

// ---- files inside an archive ----
int OpenArchiveFile(KrzFileStream *stream, KrzArchive *archive, const char *path, int async);
int CloseArchiveFile(KrzFileStream *stream);
// Bytes read (cut to what is left); 0 at the end, which sets the end flag.
int ReadArchiveFile(KrzFileStream *stream, void *buffer, int size);
// Clamps to 0..size and clears the end flag; 0.
int SeekArchiveFile(KrzFileStream *stream, int offset, int origin);
int TellArchiveFile(const KrzFileStream *stream);
// -1 after a read found nothing left, else 0.
int ArchiveFileEof(const KrzFileStream *stream);
// 1: reads complete before they return.
int CompleteArchiveFileRead(KrzFileStream *stream);

#endif  // VELVANE_CORE_ARCHIVE_H
