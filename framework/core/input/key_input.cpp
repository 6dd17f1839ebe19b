#include "core/input/key_input.h"

#include <string.h>

#include "core/base/core_state.h"
#include "core/input/char_ring.h"
#include "graphics/text/char_class.h"
#include "velvane.h"

namespace {

enum {
  CODE_CTRL_C = 3,
  CODE_BACKSPACE = 8,
  CODE_TAB = 9,
  CODE_ENTER = 13,
  CODE_CTRL_V = 22,
  CODE_CTRL_X = 24,
  CODE_ESCAPE = 27,
  FIRST_PRINTABLE = 32
};

// White, yellow, white, cyan, white, red, a pale yellow, black, black,
// black, yellow, black, white, black and grey.
const unsigned kDisplayColours[KEY_INPUT_COLOURS] = {
    0xFFFFFF, 0xFFFF00, 0xFFFFFF, 0x00FFFF, 0xFFFFFF, 0xFF0000, 0xFFFF14, 0x000000,
    0x000000, 0x000000, 0xFFFF00, 0x000000, 0xFFFFFF, 0x000000, 0x808080,
};

struct KeyInputState {
  int imeEnabled;
  int activeHandle;
  int cursorShown;
  uint64_t blinkStartMs;
  const KeyInputServices *services;
  HandleTable table;
  HandleObject *slots[KEY_INPUT_RECORDS];
  KeyInputRecord records[KEY_INPUT_RECORDS];
};

KeyInputState g_keyInput = {0, -1, 0, 0, nullptr, {}, {}, {}};

const KeyInputServices *Services(void) {
  if (!g_keyInput.services) g_keyInput.services = GetPlatformKeyInputServices();
  return g_keyInput.services;
}

HandleTable *Table(void) {
  if (g_keyInput.table.slots == nullptr)
    HandleTableInit(&g_keyInput.table, KEY_INPUT_HANDLE_KIND, g_keyInput.slots, KEY_INPUT_RECORDS);
  return &g_keyInput.table;
}

int CharSet(void) { return GetFrameworkCharSet(); }

// Byte offset of the character that ends at offset (double-byte aware).
int PreviousCharStart(const KeyInputRecord &r, int offset) {
  int position = 0;
  int previous = 0;
  while (position < offset) {
    previous = position;
    position += MultiByteCharSize(r.buffer + position, CharSet());
  }
  return previous;
}

int NextCharEnd(const KeyInputRecord &r, int offset) {
  if (offset >= r.length) return r.length;
  const int next = offset + MultiByteCharSize(r.buffer + offset, CharSet());
  return next > r.length ? r.length : next;
}

bool HasSelection(const KeyInputRecord &r) {
  return r.selectionStart >= 0 && r.selectionEnd >= 0 && r.selectionStart != r.selectionEnd;
}

void ClearSelection(KeyInputRecord &r) { r.selectionStart = r.selectionEnd = -1; }

void RemoveBytes(KeyInputRecord &r, int from, int to) {
  memmove(r.buffer + from, r.buffer + to, static_cast<size_t>(r.length - to + 1));
  r.length -= to - from;
  if (r.cursor > to) {
    r.cursor -= to - from;
  } else if (r.cursor > from) {
    r.cursor = from;
  }
  if (r.displayStart > r.length) r.displayStart = r.length;
}

void CopySelection(const KeyInputRecord &r) {
  if (!HasSelection(r)) return;
  const int from = r.selectionStart < r.selectionEnd ? r.selectionStart : r.selectionEnd;
  const int to = r.selectionStart < r.selectionEnd ? r.selectionEnd : r.selectionStart;
  char *text = static_cast<char *>(AllocMemory(to - from + 1, __FILE__, __LINE__));
  if (!text) return;
  memcpy(text, r.buffer + from, static_cast<size_t>(to - from));
  text[to - from] = '\0';
  Services()->writeClipboard(text);
  FreeMemory(text);
}

void PasteClipboard(void) {
  const int size = Services()->readClipboard(nullptr, 0);
  if (size <= 0) return;
  char *text = static_cast<char *>(AllocMemory(size, __FILE__, __LINE__));
  if (!text) return;
  if (Services()->readClipboard(text, size) >= 0) {
    for (int i = 0; i < size && text[i]; i++) PushInputChar(static_cast<unsigned char>(text[i]));
  }
  FreeMemory(text);
}

// Cursor to target; with Shift held the selection stretches from where the
// cursor was, else it is dropped.
void MoveCursor(KeyInputRecord &r, int target) {
  if (Services()->shiftDown()) {
    if (r.selectionStart < 0) r.selectionStart = r.cursor;
    r.selectionEnd = target;
  } else {
    ClearSelection(r);
  }
  r.cursor = target;
}

bool NumericAccepts(const KeyInputRecord &r, unsigned char c) {
  if (c >= '0' && c <= '9') return true;
  if (c == '-') return r.cursor == 0 && (r.length == 0 || r.buffer[0] != '-');
  if (c == '.') return memchr(r.buffer, '.', static_cast<size_t>(r.length)) == nullptr;
  return false;
}

void InsertChar(KeyInputRecord &r, const char ch[2], int size) {
  DeleteInputSelection(&r);
  if (r.numericOnly && (size != 1 || !NumericAccepts(r, static_cast<unsigned char>(ch[0])))) return;
  if (r.singleByteOnly && size != 1) return;
  if (size > r.maxLength) return;
  // A full string makes room by dropping its last character.
  while (r.length + size > r.maxLength) {
    const int last = PreviousCharStart(r, r.length);
    const bool cursorAtEnd = r.cursor == r.length;
    r.length = last;
    r.buffer[last] = '\0';
    if (cursorAtEnd || r.cursor > last) r.cursor = last;
  }
  memmove(r.buffer + r.cursor + size, r.buffer + r.cursor,
          static_cast<size_t>(r.length - r.cursor + 1));
  memcpy(r.buffer + r.cursor, ch, static_cast<size_t>(size));
  r.cursor += size;
  r.length += size;
}

void DeleteAtCursor(KeyInputRecord &r, bool before) {
  if (HasSelection(r)) {
    DeleteInputSelection(&r);
    return;
  }
  ClearSelection(r);
  if (before) {
    if (r.cursor > 0) RemoveBytes(r, PreviousCharStart(r, r.cursor), r.cursor);
  } else if (r.cursor < r.length) {
    RemoveBytes(r, r.cursor, NextCharEnd(r, r.cursor));
  }
}

void ApplyCode(KeyInputRecord &r, const char ch[2], int size) {
  const int code = size == 1 ? static_cast<unsigned char>(ch[0]) : -1;
  switch (code) {
    case CODE_CTRL_C: CopySelection(r); return;
    case CODE_BACKSPACE: DeleteAtCursor(r, true); return;
    case CODE_ENTER: r.finished = 1; return;
    case CONTROL_CODE_DELETE:
      if (HasSelection(r) && Services()->shiftDown()) CopySelection(r);
      DeleteAtCursor(r, false);
      return;
    case CODE_CTRL_X:
      CopySelection(r);
      DeleteInputSelection(&r);
      return;
    case CODE_CTRL_V: PasteClipboard(); return;
    case CONTROL_CODE_END: MoveCursor(r, r.length); return;
    case CONTROL_CODE_HOME: MoveCursor(r, 0); return;
    case CODE_ESCAPE:
      if (r.cancelAllowed) r.cancelled = r.finished = 1;
      return;
    case CONTROL_CODE_RIGHT: MoveCursor(r, NextCharEnd(r, r.cursor)); return;
    case CONTROL_CODE_LEFT: MoveCursor(r, PreviousCharStart(r, r.cursor)); return;
    default: break;
  }
  // Tab, Up, Down and every other control code without an action of its
  // own (Ctrl+A, Page Up, Page Down ...) never becomes text.
  if (code >= 0 && code < FIRST_PRINTABLE) return;
  InsertChar(r, ch, size);
}

KeyInputRecord *Lookup(int handle) {
  KeyInputRecord *record = HandleTableGet<KeyInputRecord>(Table(), handle);
  return record && record->inUse ? record : nullptr;
}

bool AnyInUse(void) {
  for (const KeyInputRecord &r : g_keyInput.records)
    if (r.inUse) return true;
  return false;
}

}  // namespace

int KeyInputShiftDown(void) {
  const int leftShift = 0x2A;
  const int rightShift = 0x36;
  return CheckKeyDown(leftShift) || CheckKeyDown(rightShift);
}

void SetKeyInputServices(const KeyInputServices *services) {
  g_keyInput.services = services ? services : GetPlatformKeyInputServices();
}

int InitKeyInputSystem(void) {
  WriteLogLine("文字コードバッファの初期化を行います... ");
  ClearCharRing();
  ClearImeState();
  DeleteAllKeyInputHandles();
  g_keyInput.cursorShown = 0;
  g_keyInput.blinkStartMs = 0;
  WriteLogLine("完了しました\n");
  return 0;
}

int DeleteKeyInputHandle(int handle) {
  KeyInputRecord *record = Lookup(handle);
  if (!record) return -1;
  FreeMemory(record->buffer);
  HandleTableRemove(Table(), handle);
  memset(record, 0, sizeof *record);
  if (g_keyInput.activeHandle == handle) g_keyInput.activeHandle = -1;
  if (!AnyInUse()) EnableIme(0);
  return 0;
}

int DeleteAllKeyInputHandles(void) {
  for (KeyInputRecord &r : g_keyInput.records)
    if (r.inUse) DeleteKeyInputHandle(r.object.handle);
  g_keyInput.activeHandle = -1;
  return 0;
}

int DeleteInputSelection(KeyInputRecord *record) {
  KeyInputRecord &r = *record;
  if (r.selectionStart >= 0 && r.selectionEnd >= 0) {
    int from = r.selectionStart < r.selectionEnd ? r.selectionStart : r.selectionEnd;
    int to = r.selectionStart < r.selectionEnd ? r.selectionEnd : r.selectionStart;
    if (to > r.length) to = r.length;
    if (from > to) from = to;
    RemoveBytes(r, from, to);
    r.cursor = from;
  }
  ClearSelection(r);
  if (r.displayStart > r.length) r.displayStart = r.length;
  return 0;
}

int RestartCursorBlink(void) {
  g_keyInput.cursorShown = 1;
  g_keyInput.blinkStartMs = GetNowMicroseconds(0) / 1000;
  return 0;
}

int CountCharsInBytes(const char *s, int byteCount) {
  int chars = 0;
  for (int position = 0; position < byteCount; chars++)
    position += MultiByteCharSize(s + position, CharSet());
  return chars;
}

unsigned GetKeyInputColour(int index) {
  return index >= 0 && index < KEY_INPUT_COLOURS ? kDisplayColours[index] : 0;
}

int UpdateImeInput(void) {
  RunImeRestoreStep();
  if (g_keyInput.activeHandle == -1) return 0;
  KeyInputRecord *record = Lookup(g_keyInput.activeHandle);
  if (!record) return -1;
  if (record->finished) return 0;
  FitImeComposition(record->maxLength - record->length);
  const int active = g_keyInput.activeHandle;
  char ch[2];
  int size;
  // The record is looked up again for every character: what a character
  // sets off (the clipboard, a shut-down from inside) may delete it.
  while ((record = Lookup(active)) != nullptr && !record->finished &&
         (size = PopInputChar(ch, 1)) > 0) {
    RestartCursorBlink();
    ApplyCode(*record, ch, size);
  }
  return 0;
}

int IsImeEnabled(void) { return g_keyInput.imeEnabled; }

void SetImeEnabledFlag(int on) { g_keyInput.imeEnabled = on ? 1 : 0; }

int MakeKeyInputHandleForTest(int maxLength, int cancelAllowed, int singleByteOnly,
                              int numericOnly) {
  if (maxLength < 0) return -1;
  KeyInputRecord *record = nullptr;
  for (KeyInputRecord &r : g_keyInput.records) {
    if (!r.inUse) {
      record = &r;
      break;
    }
  }
  if (!record) return -1;
  char *buffer = static_cast<char *>(AllocMemoryZeroed(maxLength + 1, __FILE__, __LINE__));
  if (!buffer) return -1;
  memset(record, 0, sizeof *record);
  if (HandleTableAdd(Table(), &record->object) < 0) {
    FreeMemory(buffer);
    return -1;
  }
  record->inUse = 1;
  record->maxLength = maxLength;
  record->buffer = buffer;
  record->selectionStart = record->selectionEnd = -1;
  record->cancelAllowed = cancelAllowed ? 1 : 0;
  record->singleByteOnly = singleByteOnly ? 1 : 0;
  record->numericOnly = numericOnly ? 1 : 0;
  return record->object.handle;
}

int SetActiveKeyInputHandleForTest(int handle) {
  if (handle == -1) {
    g_keyInput.activeHandle = -1;
    return 0;
  }
  if (!Lookup(handle)) return -1;
  g_keyInput.activeHandle = handle;
  EnableIme(1);
  return 0;
}

KeyInputRecord *GetKeyInputRecordForTest(int handle) { return Lookup(handle); }
