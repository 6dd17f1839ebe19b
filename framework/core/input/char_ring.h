// The ring of typed characters: the window procedure pushes characters and
// editing control codes, the per-pass input step takes them out. Holds at
// most 1024 bytes; a double-byte character is handed out only whole.
#ifndef VELVANE_CORE_CHAR_RING_H
#define VELVANE_CORE_CHAR_RING_H

enum { CHAR_RING_SIZE = 1025 };

// Editing control codes the window procedure makes of editing keys.
enum {
  CONTROL_CODE_DELETE = 0x10,
  CONTROL_CODE_LEFT = 0x1D,
  CONTROL_CODE_RIGHT = 0x1C,
  CONTROL_CODE_UP = 0x1E,
  CONTROL_CODE_DOWN = 0x1F,
  CONTROL_CODE_HOME = 0x1A,
  CONTROL_CODE_END = 0x19,
  CONTROL_CODE_PAGE_UP = 0x17,
  CONTROL_CODE_PAGE_DOWN = 0x15
};

// Stores one byte; 0, or -1 when the ring is full.
int PushInputChar(int c);
// Takes the next character into out (both bytes cleared first): 0 when no
// complete character is held, 1 for a single byte, 2 for a double-byte
// character. remove 0 leaves the ring unchanged.
int PopInputChar(char out[2], int remove);
// 1 for one of the nine editing control codes, else 0.
int IsControlCode(int c);
// 1 when no further byte fits.
int IsCharRingFull(void);
// Empties the ring.
void ClearCharRing(void);

#endif  // VELVANE_CORE_CHAR_RING_H
