// Velvane: the framework's flat function interface.
//
// Every function returns 0 on success and -1 on failure unless its comment
// says otherwise; getters return the value itself. Objects are named by
// handles (see "Handles" below). Strings are byte strings in the system
// code page (Shift-JIS on a Japanese system); 16-bit strings are UTF-16.
#ifndef VELVANE_H
#define VELVANE_H

#include <stddef.h>
#include <stdint.h>

// ---------------------------------------------------------------------------
// Shared records
// ---------------------------------------------------------------------------

// A rectangle with the layout of the platform's RECT (right and bottom are
// exclusive edges).
struct Rect {
  int left;
  int top;
  int right;
  int bottom;
};

// Three floats: a point or direction.
struct Vector3 {
  float x, y, z;
};

// Sixteen floats m[row][column]; row vectors, translation in the fourth row.
struct Matrix4x4 {
  float m[4][4];
};

// A colour with float channels.
struct ColorF {
  float r, g, b, a;
};

// A calendar date and time of day.
struct DateTime {
  int year, month, day, hour, minute, second;
};

// One result of a file search.
struct FindFileInfo {
  char name[260];
  int isDirectory;
  uint64_t size;
  DateTime creationTime;
  DateTime lastWriteTime;
};

// ---------------------------------------------------------------------------
// Handles
// ---------------------------------------------------------------------------
// A handle is an int: bit 31 clear, the kind in bits 27-30, a check number in
// bits 16-26 and the slot in bits 0-15; -1 means failure.

enum HandleKind {
  HANDLE_KIND_GRAPH = 1,
  HANDLE_KIND_SOUND = 2,
  HANDLE_KIND_MOVIE = 3,
  HANDLE_KIND_FONT = 4,
  HANDLE_KIND_MASK = 5,
  HANDLE_KIND_NETWORK = 6,
  HANDLE_KIND_KEY_INPUT = 7,
  HANDLE_KIND_MUSIC = 8,
  HANDLE_KIND_LIGHT = 9,
  HANDLE_KIND_MODEL = 10,
  HANDLE_KIND_SOFT_IMAGE = 11,
  HANDLE_KIND_SHADER = 12,
  HANDLE_KIND_SOFT_SOUND = 13,
  HANDLE_KIND_VERTEX_BUFFER = 14,
  HANDLE_KIND_INDEX_BUFFER = 15
};

// ---------------------------------------------------------------------------
// Core: lifecycle, window and message pump
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: log
// ---------------------------------------------------------------------------

// Starts a new log file (deleting the old one); 0.
int StartLogFile(void);
// Appends text to the log and the debugger output; always -1.
int WriteLogLine(const char *text);
// Same as WriteLogLine, the name decoders use for their failures; always -1.
int WriteErrorLog(const char *text);
// printf-style WriteLogLine with a line feed appended; always -1.
int WriteLogLineFormat(const char *format, ...);
// UTF-16 printf-style log line, converted to the system code page; always -1.
int WriteLogLineFormatW(const char16_t *format, ...);
// Raises the indent level of new log lines; 0.
int IncreaseLogIndent(void);
// Lowers the indent level of new log lines (never below 0); 0.
int DecreaseLogIndent(void);
// 0 switches logging off, any other value on; 0.
int SetLogOutputFlag(int on);

// ---------------------------------------------------------------------------
// Core: debug memory manager
// ---------------------------------------------------------------------------

// Allocates size bytes tagged with a source tag and line; null on failure.
void *AllocMemory(int size, const char *sourceTag, int line);
// AllocMemory with the block filled with zero bytes.
void *AllocMemoryZeroed(int size, const char *sourceTag, int line);
// Frees a block from AllocMemory; null is ignored.
void FreeMemory(void *p);
// Resizes a block (added bytes are zero); null on failure, the old block kept.
void *ReallocMemory(void *p, int newSize, const char *sourceTag, int line);
// 0 when every block header is intact, -1 at the first damaged one.
int CheckAllocations(void);
// Writes every live block and the totals to the log.
void DumpAllocations(void);

// ---------------------------------------------------------------------------
// Core: strings, numbers and bytes
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: system information and clocks
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: ring buffer and handle lists
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: files, streams and paths
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Core: matrix and vector maths
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Graphics: character classification
// ---------------------------------------------------------------------------

// ---------------------------------------------------------------------------
// Graphics: base images and pixel formats
// ---------------------------------------------------------------------------

// The colour layout of a pixel value. 1-byte pixels index the palette, whose
// entries are blue, green, red and a fourth byte (read back as alpha).
struct PixelFormat {
  uint16_t bitsPerPixel;
  uint16_t bytesPerPixel;
  uint8_t redBits, greenBits, blueBits, alphaBits;
  uint8_t redShift, greenShift, blueShift, alphaShift;
  uint32_t redMask, greenMask, blueMask, alphaMask;
  uint32_t fillMask;  // bits no channel covers; set whenever a colour is packed
  uint8_t palette[256][4];
  uint8_t fillShift, fillBits;
  uint32_t compression;  // 0 plain; 1 to 5 DXT1 to DXT5 blocks
};

// A CPU-side image; rows run top to bottom. A zero-filled record is empty.
struct BASEIMAGE {
  PixelFormat format;
  int width, height;
  int pitch;
  void *pixels;  // owned by the record, from the debug memory manager
  int mipCount;  // levels stored one after another; 0 = one level
};

// ---------------------------------------------------------------------------
// Software renderer
// ---------------------------------------------------------------------------

#endif  // VELVANE_H
